#pragma once
// A modal dialog of the program: window-modal (it blocks only the windows it belongs to, so a
// grid window opened from it stays usable), no help button, and a lock for the time a fetch runs
// on its behalf: controls disabled, closing refused, the wait cursor over it.

#include <QDialog>

namespace tabulink::qt {

class TemplateDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TemplateDialog(QWidget* owner);

  void setLocked(bool locked);

  // Esc and Cancel end the dialog through here; refused while locked.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool locked_ = false;
};

}  // namespace tabulink::qt
