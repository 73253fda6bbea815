#include "gui/ui.h"

#include <utility>

#include "gui/headless_ui.h"

namespace tabulink {
namespace {

std::unique_ptr<Ui>& current() {
  // Never destroyed: a run that the error handler ends calls exit with the desktop backend still
  // installed, and by the time a static holder would destroy it the toolkit's own statics are
  // gone. The normal end puts the backend back before main returns.
  static auto* backend = new std::unique_ptr<Ui>(std::make_unique<HeadlessUi>());
  return *backend;
}

bool gDisplayAvailable = false;

}  // namespace

Ui& ui() {
  return *current();
}

std::unique_ptr<Ui> installUi(std::unique_ptr<Ui> backend) {
  return std::exchange(current(), std::move(backend));
}

bool displayAvailable() {
  return gDisplayAvailable;
}

void setDisplayAvailable(bool available) {
  gDisplayAvailable = available;
}

}  // namespace tabulink
