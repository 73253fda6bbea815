#include "gui/qt/query_prompt.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace tabulink::qt {
namespace {

// The prompt's layout in pixels for a font 13 pixels high; a larger font scales it, so that no
// text is cut.
constexpr int kBaseHeight = 13;

}  // namespace

QueryPromptDialog::QueryPromptDialog(const QString& title, const QString& label,
                                     const QString& value, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      label_(new QLabel(label, this)),
      field_(new QLineEdit(this)),
      ok_(new QPushButton(tr("&Ok"), this)),
      cancel_(new QPushButton(tr("&Cancel"), this)) {
  setWindowModality(Qt::WindowModal);
  setWindowTitle(title);
  field_->setMaxLength(kMaxLength);
  // The value comes padded to its fixed length; without the blanks there is room to type.
  QString shown = value.left(kMaxLength);
  while (shown.endsWith(u' '))
    shown.chop(1);
  field_->setText(shown);
  ok_->setDefault(true);

  const int height = QFontMetrics(font()).height();
  auto scaled = [height](int pixels) { return std::max(pixels, pixels * height / kBaseHeight); };
  // No control gets less room than its text needs in this font.
  auto place = [&](QWidget* widget, int left, int top, int width, int controlHeight) {
    const QSize least = widget->minimumSizeHint();
    widget->setGeometry(scaled(left), scaled(top), std::max(scaled(width), least.width()),
                        std::max(scaled(controlHeight), least.height()));
  };
  place(label_, 36, 9, 250, 10);
  place(field_, 32, 20, 120, 12);
  place(ok_, 45, 41, 35, 12);
  place(cancel_, 99, 41, 35, 12);
  // Buttons widened for their text keep a gap between them.
  const int gap = ok_->geometry().right() + 1 + scaled(6) - cancel_->x();
  if (gap > 0) cancel_->move(cancel_->x() + gap, cancel_->y());
  setFixedSize(scaled(312), scaled(120));
  if (QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  setTabOrder(field_, ok_);
  setTabOrder(ok_, cancel_);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  field_->setFocus();
}

QString QueryPromptDialog::text() const {
  return field_->text();
}

}  // namespace tabulink::qt
