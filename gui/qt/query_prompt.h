#pragma once
// The query prompt, built in code: a label, one edit field of at most 256 characters, "&Ok"
// (the default) and "&Cancel"; centred on the screen.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tabulink::qt {

class QueryPromptDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMaxLength = 256;

  QueryPromptDialog(const QString& title, const QString& label, const QString& value,
                    QWidget* owner);

  QString text() const;

 private:
  QLabel* label_;
  QLineEdit* field_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace tabulink::qt
