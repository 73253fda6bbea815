#include "gui/qt/template_dialog.h"

#include <QCloseEvent>

namespace tabulink::qt {

TemplateDialog::TemplateDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setWindowModality(Qt::WindowModal);
}

void TemplateDialog::setLocked(bool locked, std::function<void()> stop) {
  if (locked == locked_) return;
  locked_ = locked;
  stop_ = locked ? std::move(stop) : std::function<void()>();
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    child->setEnabled(!locked || (stop_ && child->objectName() == QLatin1String("cancel")));
  if (locked) {
    title_ = windowTitle();
    setCursor(Qt::WaitCursor);
  } else {
    setWindowTitle(title_);
    unsetCursor();
  }
}

void TemplateDialog::showProgress(const QString& text) {
  if (locked_) setWindowTitle(title_ + QStringLiteral(" - ") + text);
}

void TemplateDialog::reject() {
  if (!locked_) {
    QDialog::reject();
  } else if (stop_) {
    // Once: the fetch stops, and the lock ends with it.
    std::function<void()> stop = std::move(stop_);
    stop_ = {};
    stop();
  }
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
  if (locked_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace tabulink::qt
