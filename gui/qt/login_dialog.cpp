#include "gui/qt/login_dialog.h"

#include "gui/qt/dialog_units.h"
#include "gui/qt/qt_text.h"

namespace tabulink::qt {

LoginDialogWidget::LoginDialogWidget(LoginDialog& bound, QWidget* owner) : TemplateDialog(owner) {
  form_.setupUi(this);
  layOutTemplate(*this);
  for (const std::string& source : bound.dataSources)
    form_.dsn->addItem(toQString(source));
  int selected = form_.dsn->findText(toQString(bound.dsn));
  form_.dsn->setCurrentIndex(selected >= 0 ? selected : 0);
  bound.dsn = fromQString(form_.dsn->currentText());
  form_.user->setText(toQString(bound.user));
  form_.password->setText(toQString(bound.password));

  connect(form_.dsn, &QComboBox::currentTextChanged, this,
          [&bound](const QString& text) { bound.dsn = fromQString(text); });
  connect(form_.user, &QLineEdit::textChanged, this,
          [&bound](const QString& text) { bound.user = fromQString(text); });
  connect(form_.password, &QLineEdit::textChanged, this,
          [&bound](const QString& text) { bound.password = fromQString(text); });
  connect(form_.ok, &QPushButton::clicked, this, [&bound] {
    if (bound.onOk) bound.onOk();
  });
  connect(form_.cancel, &QPushButton::clicked, this, &QDialog::reject);
  form_.dsn->setFocus();
}

}  // namespace tabulink::qt
