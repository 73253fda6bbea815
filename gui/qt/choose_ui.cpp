#include "gui/headless_ui.h"
#include "gui/qt/qt_ui.h"
#include "gui/ui.h"

namespace tabulink {

std::unique_ptr<Ui> chooseUi() {
  if (displayAvailable()) return createQtUi();
  return std::make_unique<HeadlessUi>();
}

}  // namespace tabulink
