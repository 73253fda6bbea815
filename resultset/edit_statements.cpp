// The texts of the statements that row editing sends: values written as SQL literals by their
// column's type, the changed columns, the key condition, and the statement that reads the
// current row again.

#include <algorithm>

#include "core/text.h"
#include "resultset/row_editor.h"
#include "resultset/tdbodbcdirect.h"
#include "table/field_codec.h"

namespace tabulink {
namespace {

constexpr std::string_view kAnd = " AND ";
constexpr std::string_view kComma = " , ";

// 'text' with every quote doubled, so that no value can end the literal.
std::string quoted(std::string_view text) {
  std::string literal = "'";
  for (char c : text) {
    if (c == '\'') literal += '\'';
    literal += c;
  }
  return literal + "'";
}

std::string twoDigits(int n) {
  return std::string(n < 10 ? "0" : "") + std::to_string(n);
}

void dropLast(std::string& text, std::string_view separator) {
  if (text.ends_with(separator)) text.resize(text.size() - separator.size());
}

}  // namespace

std::string RowEditor::valueText(size_t i, const Value& value, bool trimBoth) const {
  // A NULL, and an empty date, are written as NULL.
  if (value.isAbsent() || (value.isDate() && value.date().empty())) return "NULL";
  const ColumnDescription& column = result_.columns()[i];
  switch (column.type) {
    case 'C':
    case 'M': {
      std::string text = CVALTOCHAR(value);
      return quoted(trimBoth ? trim(text) : trimRight(text));
    }
    case 'N':
      // As the cache field holds it, so that a value read again compares equal to the one held.
      if (value.isNumber()) {
        char text[kNumberTextSize];
        if (size_t length = numberText(value.number().value, column.decimals, text); length > 0)
          return std::string(text, length);
      }
      break;
    case 'L':
      if (value.isLogical()) return value.logical() ? "1" : "0";
      break;
    case 'D':
      if (value.isDate()) {
        const Date& date = value.date();
        return "{d '" + padLeft(std::to_string(date.year()), 4) + "-" + twoDigits(date.month()) +
               "-" + twoDigits(date.day()) + "'}";
      }
      break;
  }
  return quoted(CVALTOCHAR(value));
}

std::string RowEditor::changedColumns(bool names, bool values) {
  const std::vector<ColumnDescription>& columns = result_.columns();
  std::string text;
  const HeldRow row = values ? result_.heldRow() : HeldRow();
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i >= changed_.size() || !changed_[i]) continue;
    if (names) text += CHKSP(columns[i].name);
    if (names && values) text += " = ";
    if (values) text += valueText(i, row.isNull[i] ? Value() : row.values[i], false);
    text += kComma;
  }
  dropLast(text, kComma);
  return text;
}

std::string RowEditor::genAppend() {
  return " (" + changedColumns(true, false) + ") VALUES (" + changedColumns(false, true) + ")";
}

std::string RowEditor::genUpdate() {
  return changedColumns(true, true);
}

std::string RowEditor::keyCondition(const std::vector<Value>& row, const Location& loc) {
  const std::vector<ColumnDescription>& columns = result_.columns();
  std::string condition;
  for (const std::string& key : primaryKeys({}, true, loc)) {
    auto column = std::find_if(columns.begin(), columns.end(), [&](const ColumnDescription& c) {
      return upper(c.name) == upper(key);
    });
    if (column == columns.end()) {
      result_.alert("The primary key field " + key + " is not present on the 'SELECT' statement",
                    loc);
      return {};
    }
    const size_t i = static_cast<size_t>(column - columns.begin());
    condition +=
        CHKSP(column->name) + " = " + valueText(i, i < row.size() ? row[i] : Value(), true);
    condition += kAnd;
  }
  dropLast(condition, kAnd);
  return condition;
}

std::string RowEditor::genWhere(const Location& loc) {
  return keyCondition(editRow_.values, loc);
}

std::string RowEditor::genCurRec(const Location& loc) {
  const std::string& select = result_.statement();
  const std::string statement = upper(select);
  // The condition goes before the first GROUP BY, HAVING or ORDER BY, or into the WHERE there is.
  size_t end = select.size();
  for (std::string_view clause : {"GROUP BY ", "HAVING ", "ORDER BY "}) {
    const size_t at = statement.find(clause);
    if (at != std::string::npos) end = std::min(end, at == 0 ? 0 : at - 1);
  }
  const std::string condition = keyCondition(sourceRow().values, loc);
  const size_t where = statement.find("WHERE ");
  if (where != std::string::npos) {
    return select.substr(0, where + 6) + "(" + condition + ") AND " + select.substr(where + 6);
  }
  return select.substr(0, end) + " WHERE " + condition + " " + select.substr(end);
}

}  // namespace tabulink
