#pragma once
// The desktop backend of the GUI layer, on Qt Widgets. Only this folder includes Qt headers; the
// rest of the program sees the backend through `Ui`.

#include <memory>

#include "gui/ui.h"

namespace tabulink {

// The Qt backend. It creates the QApplication when the process has none yet, and then owns it:
// a run without a display never constructs one.
std::unique_ptr<Ui> createQtUi();

}  // namespace tabulink
