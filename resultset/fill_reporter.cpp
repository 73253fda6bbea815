// The one place the result set's fill reports values it could not keep whole; the driver installs
// its error collection here.

#include "resultset/fill_reporter.h"

namespace tabulink {
namespace {

FillReporter& installed() {
  static FillReporter reporter;
  return reporter;
}

}  // namespace

void installFillReporter(FillReporter reporter) {
  installed() = std::move(reporter);
}

void reportFill(std::string_view message) {
  if (installed()) installed()(message);
}

}  // namespace tabulink
