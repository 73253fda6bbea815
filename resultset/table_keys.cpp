// The statement's table name and its key columns, by which edited rows are found.

#include <array>

#include "core/text.h"
#include "odbc/adapters.h"
#include "odbc/todbc.h"
#include "resultset/row_editor.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

std::string RowEditor::tableName(const Location& loc) {
  static constexpr std::string_view kNotFound = "Table name not found on 'SELECT' statement";
  const std::string& select = result_.statement();
  const size_t from = upper(select).find("FROM ");
  if (from == std::string::npos) {
    result_.alert(kNotFound, loc);
    return {};
  }
  std::string_view name = trimLeft(std::string_view(select).substr(from + 5));
  name = name.substr(0, name.find(' '));
  name = name.substr(0, name.find(','));
  if (name.empty()) result_.alert(kNotFound, loc);
  return CHKSP(name);
}

std::vector<std::string> RowEditor::primaryKeys(const std::optional<std::vector<std::string>>& keys,
                                                bool showError, const Location& loc) {
  if (keys) keys_ = *keys;
  TOdbc* session = result_.session();
  if (!keys_.empty() || session == nullptr) return keys_;
  const std::string table = tableName(loc);
  if (table.empty()) return {};
  OdbcStatement statement = session->AllocStatement(loc);
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
    keys_ = names;
  } else if (showError) {
    session->NewError("TDbOdbcDirect:PrimaryKeys()\r\n" + SQLGETDIAGREC(stmt), std::nullopt, stmt,
                      std::nullopt, loc);
  }
  session->DropStatement(statement);
  return names;
}

}  // namespace tabulink
