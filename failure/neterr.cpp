#include "failure/neterr.h"

namespace tabulink {
namespace {

bool networkError = false;

}  // namespace

bool NETERR() {
  return networkError;
}

void NETERR(bool value) {
  networkError = value;
}

}  // namespace tabulink
