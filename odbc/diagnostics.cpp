#include "odbc/diagnostics.h"

#include <sqlext.h>

#include <algorithm>
#include <vector>

namespace tabulink {

std::string diagnosticRecords(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::string records;
  std::vector<SQLCHAR> text(1024);
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native, text.data(),
                                 static_cast<SQLSMALLINT>(text.size()), &length);
    // A message longer than the buffer is read again whole.
    if (rc == SQL_SUCCESS_WITH_INFO && static_cast<size_t>(length) >= text.size()) {
      text.resize(static_cast<size_t>(length) + 1);
      rc = SQLGetDiagRec(handleType, handle, record, state, &native, text.data(),
                         static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    std::string message(
        reinterpret_cast<const char*>(text.data()),
        std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), text.size() - 1));
    // Line ends and the tabs that indent continuation lines become single blanks.
    std::string oneLine;
    for (char c : message) {
      const bool blank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
      if (!blank) {
        oneLine.push_back(c);
      } else if (!oneLine.empty() && oneLine.back() != ' ') {
        oneLine.push_back(' ');
      }
    }
    if (!oneLine.empty() && oneLine.back() == ' ') oneLine.pop_back();
    if (!records.empty()) records += "; ";
    records += "[" + std::string(reinterpret_cast<const char*>(state)) + "] " + oneLine;
  }
  return records;
}

}  // namespace tabulink
