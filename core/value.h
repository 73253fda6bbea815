#pragma once
// The system's dynamic value: absent, text (bytes), number (a double and the decimals it carries),
// date (possibly empty) or logical. Absent is distinct from empty text, 0 and false: it is the
// value of an unset argument, a SQL NULL and a missing item.

#include <string>
#include <string_view>
#include <variant>

#include "core/date.h"

namespace tabulink {

struct Number {
  double value = 0;
  int decimals = 0;  // how many decimals the value is shown with
  friend bool operator==(const Number&, const Number&) = default;
};

class Value {
 public:
  enum class Kind { Absent, Text, Number, Date, Logical };

  Value() = default;  // absent
  Value(std::string text) : data_(std::move(text)) {}
  Value(std::string_view text) : data_(std::string(text)) {}
  Value(const char* text) : data_(std::string(text)) {}
  Value(Number number) : data_(number) {}
  Value(Date date) : data_(date) {}
  Value(bool logical) : data_(logical) {}
  static Value number(double value, int decimals = 0) { return Value(Number{value, decimals}); }

  Kind kind() const { return static_cast<Kind>(data_.index()); }
  bool isAbsent() const { return kind() == Kind::Absent; }
  bool isText() const { return kind() == Kind::Text; }
  bool isNumber() const { return kind() == Kind::Number; }
  bool isDate() const { return kind() == Kind::Date; }
  bool isLogical() const { return kind() == Kind::Logical; }

  // Accessors of the held kind; asking for another kind is a programming error.
  const std::string& text() const { return std::get<std::string>(data_); }
  std::string& text() { return std::get<std::string>(data_); }
  const Number& number() const { return std::get<Number>(data_); }
  const Date& date() const { return std::get<Date>(data_); }
  bool logical() const { return std::get<bool>(data_); }

  // Makes this an empty text and returns it, keeping the capacity of a text it already held (for
  // loops that refill one value per row).
  std::string& reuseText() {
    if (!isText()) data_ = std::string();
    std::string& text = std::get<std::string>(data_);
    text.clear();
    return text;
  }

  friend bool operator==(const Value&, const Value&) = default;

 private:
  std::variant<std::monostate, std::string, Number, Date, bool> data_;
};

// The value-to-text rule of the whole system: text unchanged, dates as MM/DD/YYYY, logicals as
// ".T."/".F.", numbers in plain decimal notation with the decimals they carry, absent as "".
std::string CVALTOCHAR(const Value& value);
// The text CVALTOCHAR gives a logical.
inline std::string_view logicalText(bool logical) {
  return logical ? ".T." : ".F.";
}

// Appends the plain decimal text of a number with exactly `decimals` decimals ("-" before a
// negative value, no separators, no blanks) to `out`; the hot export path reuses one buffer.
void appendNumberText(std::string& out, double value, int decimals);

}  // namespace tabulink
