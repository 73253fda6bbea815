#include "app/config/tini.h"

#include <cstdlib>
#include <filesystem>

#include "app/config/ini_document.h"
#include "core/text.h"

namespace tabulink {
namespace {

// The integer profile read: the leading whole number of the value, 0 when it has none; the
// default when the key is missing.
long long readInteger(const std::optional<std::string>& text, long long defaultValue) {
  if (!text) return defaultValue;
  std::string_view digits = trimLeft(*text);
  bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  long long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') break;
    if (value < 100'000'000'000'000LL) value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

}  // namespace

std::string perUserIniPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path base;
  if (xdg != nullptr && *xdg != '\0') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home != nullptr ? home : ".") / ".config";
  }
  return (base / "tabulink" / "tabulink.ini").string();
}

TIni TIni::New(const std::string& fileName) {
  TIni ini;
  ini.cIniFile = fileName;
  // The process's own streams (/dev/stdin, /dev/fd/3) are named as they are.
  if (!fileName.empty() && fileName.find('.') == std::string::npos &&
      !fileName.starts_with("/dev/"))
    ini.cIniFile += ".ini";
  ini.lAutoSet = true;
  return ini;
}

std::string TIni::path() const {
  return cIniFile.empty() ? perUserIniPath() : cIniFile;
}

IniDocument& TIni::document() const {
  if (!document_) document_ = IniDocument::load(path());
  return *document_;
}

Value TIni::Get(const std::string& section, const std::string& key, const Value& defaultValue,
                const Value& current) {
  Value::Kind kind = defaultValue.isAbsent() ? current.kind() : defaultValue.kind();
  std::optional<std::string> stored = document().value(section, key);

  Value result;
  if (kind == Value::Kind::Number) {
    long long fallback =
        defaultValue.isNumber() ? static_cast<long long>(defaultValue.number().value) : 0;
    result = Value::number(static_cast<double>(readInteger(stored, fallback)));
  } else {
    std::string text = stored ? *stored : CVALTOCHAR(defaultValue);
    if (kind == Value::Kind::Date) {
      result = Date::fromText(text);
    } else if (kind == Value::Kind::Logical) {
      result = upper(text) == ".T.";
    } else {
      result = std::move(text);
    }
  }
  if (lAutoSet && !defaultValue.isAbsent() && result == defaultValue)
    Set(section, key, defaultValue);
  return result;
}

void TIni::Set(const std::string& section, const std::string& key, const Value& value) {
  std::string file = path();
  if (cIniFile.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
  }
  document().set(section, key, CVALTOCHAR(value));
  document().save(file);
}

std::vector<std::string> TIni::Sections() const {
  // The profile service lists the names zero-separated in 4,096 bytes, the last zero doubled.
  constexpr size_t kListBytes = 4096 - 1;
  std::vector<std::string> names;
  size_t used = 0;
  for (std::string& name : document().sections()) {
    if (used + name.size() + 1 > kListBytes) break;
    used += name.size() + 1;
    names.push_back(std::move(name));
  }
  return names;
}

void TIni::DelSection(const std::string& section) {
  if (document().removeSection(section)) document().save(path());
}

void TIni::DelEntry(const std::string& section, const std::string& key) {
  if (document().removeKey(section, key)) document().save(path());
}

}  // namespace tabulink
