#include "gui/qt/query_prompt.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tabulink::qt {
namespace {

// Room for a statement of a few lines without scrolling.
constexpr int kColumns = 80;
constexpr int kLines = 8;

}  // namespace

QueryPromptDialog::QueryPromptDialog(const QString& title, const QString& label,
                                     const QString& value, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      label_(new QLabel(label, this)),
      field_(new QPlainTextEdit(this)),
      ok_(new QPushButton(tr("&Ok"), this)),
      cancel_(new QPushButton(tr("&Cancel"), this)) {
  setWindowModality(Qt::WindowModal);
  setWindowTitle(title);
  // The value comes padded to its fixed length; without the blanks there is room to type.
  QString shown = value;
  while (shown.endsWith(u' '))
    shown.chop(1);
  field_->setPlainText(shown);
  field_->setTabChangesFocus(true);
  field_->moveCursor(QTextCursor::End);
  label_->setBuddy(field_);
  const QFontMetrics metrics(field_->font());
  field_->setMinimumSize(metrics.horizontalAdvance(u'x') * kColumns,
                         metrics.lineSpacing() * kLines);
  field_->installEventFilter(this);
  ok_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(field_, 1);
  layout->addLayout(buttons);
  adjustSize();
  if (QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  setTabOrder(field_, ok_);
  setTabOrder(ok_, cancel_);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  field_->setFocus();
}

bool QueryPromptDialog::eventFilter(QObject* watched, QEvent* event) {
  // Return runs the statement as it did in a one-line field; Shift+Return is a line break.
  if (watched == field_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      // A plain line feed: the editor's own Shift+Return would put a Unicode line separator.
      if (key->modifiers() & Qt::ShiftModifier)
        field_->insertPlainText(QStringLiteral("\n"));
      else
        accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

QString QueryPromptDialog::text() const {
  return field_->toPlainText();
}

}  // namespace tabulink::qt
