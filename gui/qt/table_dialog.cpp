#include "gui/qt/table_dialog.h"

#include "gui/qt/dialog_units.h"
#include "gui/qt/qt_text.h"

namespace tabulink::qt {

TableDialogWidget::TableDialogWidget(TableDialog& bound, QWidget* owner) : TemplateDialog(owner) {
  form_.setupUi(this);
  layOutTemplate(*this);
  for (const std::string& table : bound.tables)
    form_.tables->addItem(toQString(table));
  const auto found = std::find(bound.tables.begin(), bound.tables.end(), bound.selected);
  form_.tables->setCurrentRow(
      found != bound.tables.end() ? static_cast<int>(found - bound.tables.begin()) : 0);
  form_.asynchronous->setChecked(bound.asynchronous);

  connect(form_.tables, &QListWidget::currentTextChanged, this,
          [&bound](const QString& text) { bound.selected = fromQString(text); });
  connect(form_.asynchronous, &QCheckBox::toggled, this,
          [&bound](bool checked) { bound.asynchronous = checked; });
  auto runOk = [&bound] {
    if (bound.onOk) bound.onOk();
  };
  connect(form_.tables, &QListWidget::itemDoubleClicked, this, runOk);
  connect(form_.ok, &QPushButton::clicked, this, runOk);
  connect(form_.cancel, &QPushButton::clicked, this, &QDialog::reject);
  form_.tables->setFocus();
}

}  // namespace tabulink::qt
