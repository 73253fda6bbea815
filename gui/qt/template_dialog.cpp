#include "gui/qt/template_dialog.h"

#include <QCloseEvent>

namespace tabulink::qt {

TemplateDialog::TemplateDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setWindowModality(Qt::WindowModal);
}

void TemplateDialog::setLocked(bool locked) {
  if (locked == locked_) return;
  locked_ = locked;
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    child->setEnabled(!locked);
  if (locked)
    setCursor(Qt::WaitCursor);
  else
    unsetCursor();
}

void TemplateDialog::reject() {
  if (!locked_) QDialog::reject();
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
  if (locked_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace tabulink::qt
