#pragma once
// An ODBC environment handle with ODBC 2 behaviour (date/time type codes 9/10/11), freed when the
// object goes away.

#include <sql.h>

namespace tabulink {

class OdbcEnvironment {
 public:
  OdbcEnvironment();
  ~OdbcEnvironment();
  OdbcEnvironment(const OdbcEnvironment&) = delete;
  OdbcEnvironment& operator=(const OdbcEnvironment&) = delete;

  SQLHENV handle() const { return handle_; }  // SQL_NULL_HENV when the allocation failed

 private:
  SQLHENV handle_ = SQL_NULL_HENV;
};

}  // namespace tabulink
