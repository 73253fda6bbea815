#include "odbc/connection_string.h"

namespace tabulink {
namespace {

// Where the attribute that starts at `from` ends: the next ";" not inside a braced value.
size_t attributeEnd(std::string_view text, size_t from) {
  size_t equals = text.find('=', from);
  if (equals == std::string_view::npos || equals + 1 >= text.size() || text[equals + 1] != '{')
    return text.find(';', from);
  for (size_t i = equals + 2; i < text.size(); ++i) {
    if (text[i] != '}') continue;
    if (i + 1 < text.size() && text[i + 1] == '}') {
      ++i;
      continue;
    }
    return text.find(';', i);
  }
  return std::string_view::npos;
}

}  // namespace

std::optional<std::string> connectionString(std::string_view dsn, std::string_view user,
                                            std::string_view password) {
  for (std::string_view value : {dsn, user, password}) {
    if (value.find_first_of(";{}=+%") != std::string_view::npos) return std::nullopt;
  }
  std::string out = "DSN=";
  out += dsn;
  if (!user.empty()) out.append(";UID=").append(user);
  out.append(";PWD=").append(password);
  return out;
}

std::string firstAttributeValue(std::string_view completed) {
  size_t end = attributeEnd(completed, 0);
  if (end == std::string_view::npos) return {};
  std::string_view attribute = completed.substr(0, end);
  size_t equals = attribute.find('=');
  if (equals == std::string_view::npos) return std::string(attribute);
  std::string_view value = attribute.substr(equals + 1);
  if (value.size() < 2 || value.front() != '{' || value.back() != '}') return std::string(value);
  std::string unbraced;
  for (size_t i = 1; i + 1 < value.size(); ++i) {
    unbraced += value[i];
    if (value[i] == '}') ++i;  // "}}" stands for one "}"
  }
  return unbraced;
}

}  // namespace tabulink
