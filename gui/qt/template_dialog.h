#pragma once
// A modal dialog of the program: window-modal (it blocks only the windows it belongs to, so a
// grid window opened from it stays usable), no help button, and a lock for the time a fetch runs
// on its behalf: controls disabled, closing refused, the wait cursor over it.

#include <QDialog>
#include <functional>

namespace tabulink::qt {

class TemplateDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TemplateDialog(QWidget* owner);

  // While locked, the button named "cancel" stays enabled and, like Esc, runs `stop` (when given).
  void setLocked(bool locked, std::function<void()> stop = {});
  // Shown after the title while locked.
  void showProgress(const QString& text);

  // Esc and Cancel end the dialog through here; while locked they run the stop action instead.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool locked_ = false;
  std::function<void()> stop_;
  QString title_;  // the title before the lock
};

}  // namespace tabulink::qt
