#pragma once
// An ODBC connection handle, disconnected and freed when the guard goes away (an open transaction
// rolled back). Move-only.

#include <sql.h>

namespace tabulink {

class OdbcConnection {
 public:
  OdbcConnection() = default;  // holds no handle
  // Allocates a connection on `env`; the guard holds SQL_NULL_HDBC when that fails.
  explicit OdbcConnection(SQLHENV env);
  ~OdbcConnection() { reset(); }
  OdbcConnection(OdbcConnection&& other) noexcept;
  OdbcConnection& operator=(OdbcConnection&& other) noexcept;
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  SQLHDBC handle() const { return handle_; }
  // Disconnects (harmless when not connected), rolling back a transaction that is still open,
  // and frees the handle now.
  void reset() noexcept;

 private:
  SQLHDBC handle_ = SQL_NULL_HDBC;
};

}  // namespace tabulink
