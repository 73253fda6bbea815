#pragma once
// Points the driver manager at test-local odbc.ini files for the life of the object, and restores
// the environment afterwards.

#include <cstdlib>
#include <optional>
#include <string>

namespace tabulink::test {

class ScopedEnv {
 public:
  // Sets `name` to `value`; nullopt unsets it.
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// An odbc.ini entry for a SQLite database through the test-registered driver.
inline std::string sqliteDsn(const std::string& name, const std::string& database) {
  return "[" + name + "]\nDriver=SQLite3\nDatabase=" + database + "\nStepAPI=1\n";
}

}  // namespace tabulink::test
