// Linked into every test binary: the test-local ODBC configuration and no display, set before
// any test runs, so that a test binary behaves the same under CTest and when run by hand.

#include <dlfcn.h>
#include <stdlib.h>

#include <initializer_list>

namespace {

const bool kTestEnvironment = [] {
  setenv("ODBCSYSINI", TABULINK_TEST_ODBC_DIR "/system", 1);
  setenv("ODBCINI", TABULINK_TEST_ODBC_DIR "/odbc.ini", 1);
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    setenv(name, "", 1);
  // The SQLite driver loads the installer library for every connection and unloads it again,
  // leaving its profile cache behind; kept loaded, that cache stays reachable instead of being
  // reported as a leak of an unknown module by the sanitizer runs.
  dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
  return true;
}();

}  // namespace
