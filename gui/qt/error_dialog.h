#pragma once
// The run-time error dialog: the error description, the call stack, Quit and whichever of Retry
// and Default the error allows, and a button that opens the error log in the desktop's viewer
// (xdg-open). Modal, centred on the screen.

#include <QDialog>

#include "gui/ui.h"

namespace tabulink::qt {

class ErrorDialogWidget : public QDialog {
  Q_OBJECT

 public:
  ErrorDialogWidget(const ErrorDialog& error, QWidget* owner);

  ErrorChoice choice() const { return choice_; }

 private:
  ErrorChoice choice_ = ErrorChoice::Quit;
};

// A modal list of lines under a title, closed with OK.
class ListDialogWidget : public QDialog {
  Q_OBJECT

 public:
  ListDialogWidget(const QString& title, const std::vector<std::string>& lines, QWidget* owner);
};

}  // namespace tabulink::qt
