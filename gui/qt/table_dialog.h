#pragma once
// The table dialog over its template: the table list bound to the selected table, the check box
// to the asynchronous setting; OK and a double-click run the bound routine, the dialog stays open.

#include "gui/qt/template_dialog.h"
#include "gui/ui.h"
#include "ui_ODBCTABLE.h"

namespace tabulink::qt {

class TableDialogWidget : public TemplateDialog {
  Q_OBJECT

 public:
  TableDialogWidget(TableDialog& bound, QWidget* owner);

 private:
  ::Ui::ODBCTABLE form_;
};

}  // namespace tabulink::qt
