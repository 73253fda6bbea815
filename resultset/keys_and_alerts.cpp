// The statement's table name and key columns, and the result set's two ways of reporting: an
// entry on the session's error list, and an alert in a message box.

#include <array>

#include "core/text.h"
#include "gui/ui.h"
#include "odbc/adapters.h"
#include "odbc/todbc.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

std::string TDbOdbcDirect::TableName(Location loc) {
  static constexpr std::string_view kNotFound = "Table name not found on 'SELECT' statement";
  const size_t from = upper(cSelect_).find("FROM ");
  if (from == std::string::npos) {
    SQLAlert(kNotFound, loc);
    return {};
  }
  std::string_view name = trimLeft(std::string_view(cSelect_).substr(from + 5));
  name = name.substr(0, name.find(' '));
  name = name.substr(0, name.find(','));
  if (name.empty()) SQLAlert(kNotFound, loc);
  return CHKSP(name);
}

std::vector<std::string> TDbOdbcDirect::PrimaryKeys(
    const std::optional<std::vector<std::string>>& keys, bool showError, Location loc) {
  if (keys) aFldPrimary_ = *keys;
  if (!aFldPrimary_.empty() || oConnect_ == nullptr) return aFldPrimary_;
  const std::string table = TableName(loc);
  if (table.empty()) return {};
  OdbcStatement statement = AllocStatement(loc);
  const SQLHSTMT stmt = statement.handle();
  std::vector<std::string> names;
  if (SQLPRIMARYKEYS(stmt, table) == SQL_SUCCESS) {
    std::array<char, 255> buffer;
    while (SQLFETCH(stmt) == SQL_SUCCESS) {
      std::string_view name;
      bool isNull = false;
      if (SQLGETDATA(stmt, 4, SQL_C_CHAR, buffer, name, isNull) != SQL_SUCCESS) break;
      names.push_back(upper(trimRight(name)));
    }
    // No keys found is not kept: the next call asks the catalog again.
    aFldPrimary_ = names;
  } else if (showError) {
    SQLError(stmt, "TDbOdbcDirect:PrimaryKeys()\r\n" + SQLGETDIAGREC(stmt), loc);
  }
  DropStatement(statement);
  return names;
}

void TDbOdbcDirect::SQLError(SQLHSTMT stmt, std::string_view text, Location loc) {
  if (oConnect_ != nullptr) oConnect_->NewError(text, std::nullopt, stmt, std::nullopt, loc);
}

void TDbOdbcDirect::SQLAlert(std::string_view text, Location loc) {
  cLastError_ = std::string(text);
  if (lShowAlerts) {
    ui().messageBox("Ostrel Alert message", std::string(text) + "\r\n\r\n" + locationText(loc),
                    MessageIcon::Exclamation);
  }
}

}  // namespace tabulink
