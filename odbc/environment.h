#pragma once
// An ODBC environment handle with ODBC 2 behaviour (date/time type codes 9/10/11), freed when the
// guard goes away. Move-only: exactly one guard owns a handle.

#include <sql.h>

namespace tabulink {

class OdbcEnvironment {
 public:
  OdbcEnvironment();
  ~OdbcEnvironment() { reset(); }
  OdbcEnvironment(OdbcEnvironment&& other) noexcept;
  OdbcEnvironment& operator=(OdbcEnvironment&& other) noexcept;
  OdbcEnvironment(const OdbcEnvironment&) = delete;
  OdbcEnvironment& operator=(const OdbcEnvironment&) = delete;

  SQLHENV handle() const { return handle_; }  // SQL_NULL_HENV when the allocation failed
  // Frees the handle now; the guard then holds SQL_NULL_HENV.
  void reset() noexcept;

 private:
  SQLHENV handle_ = SQL_NULL_HENV;
};

}  // namespace tabulink
