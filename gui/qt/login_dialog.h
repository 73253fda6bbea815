#pragma once
// The log-in dialog over its template: data source, user and password bound to the caller's
// values; OK runs the bound routine and leaves the dialog open.

#include "gui/qt/template_dialog.h"
#include "gui/ui.h"
#include "ui_ODBCLOGIN.h"

namespace tabulink::qt {

class LoginDialogWidget : public TemplateDialog {
  Q_OBJECT

 public:
  LoginDialogWidget(LoginDialog& bound, QWidget* owner);

 private:
  ::Ui::ODBCLOGIN form_;
};

}  // namespace tabulink::qt
