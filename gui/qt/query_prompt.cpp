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
  auto place = [&](QWidget* widget, int left, int top, int width, int controlHeight) {
    widget->setGeometry(scaled(left), scaled(top), scaled(width),
                        std::max(scaled(controlHeight), widget->minimumSizeHint().height()));
  };
  place(label_, 36, 9, 250, 10);
  place(field_, 32, 20, 120, 12);
  place(ok_, 45, 41, 35, 12);
  place(cancel_, 99, 41, 35, 12);
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
