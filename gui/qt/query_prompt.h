#pragma once
// The query prompt, built in code: a label, a multi-line editor sized for a statement and without
// a length limit, "&Ok" (the default) and "&Cancel"; centred on the screen. Return runs the
// statement as OK does, Shift+Return starts a new line.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tabulink::qt {

class QueryPromptDialog : public QDialog {
  Q_OBJECT

 public:
  QueryPromptDialog(const QString& title, const QString& label, const QString& value,
                    QWidget* owner);

  QString text() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* label_;
  QPlainTextEdit* field_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace tabulink::qt
