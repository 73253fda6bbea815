#include "core/process_settings.h"

namespace tabulink {
namespace {
int gDefaultDecimals = 2;
int gLoginTimeout = 30;
}  // namespace

int defaultDecimals() {
  return gDefaultDecimals;
}
void setDefaultDecimals(int decimals) {
  gDefaultDecimals = decimals;
}
int loginTimeout() {
  return gLoginTimeout;
}
void setLoginTimeout(int seconds) {
  gLoginTimeout = seconds;
}

}  // namespace tabulink
