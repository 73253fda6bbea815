// Linked into every test binary: the test-local ODBC configuration and no display, set before
// any test runs, so that a test binary behaves the same under CTest and when run by hand.

#include <stdlib.h>

#include <initializer_list>

namespace {

const bool kTestEnvironment = [] {
  setenv("ODBCSYSINI", TABULINK_TEST_ODBC_DIR "/system", 1);
  setenv("ODBCINI", TABULINK_TEST_ODBC_DIR "/odbc.ini", 1);
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    setenv(name, "", 1);
  return true;
}();

}  // namespace
