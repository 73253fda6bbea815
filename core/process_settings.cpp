#include "core/process_settings.h"

namespace tabulink {
namespace {
int gDefaultDecimals = 2;
}

int defaultDecimals() {
  return gDefaultDecimals;
}
void setDefaultDecimals(int decimals) {
  gDefaultDecimals = decimals;
}

}  // namespace tabulink
