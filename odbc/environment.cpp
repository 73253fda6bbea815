#include "odbc/environment.h"

#include <sqlext.h>

namespace tabulink {

OdbcEnvironment::OdbcEnvironment() {
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle_))) {
    handle_ = SQL_NULL_HENV;
    return;
  }
  SQLSetEnvAttr(handle_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0);
}

OdbcEnvironment::~OdbcEnvironment() {
  if (handle_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, handle_);
}

}  // namespace tabulink
