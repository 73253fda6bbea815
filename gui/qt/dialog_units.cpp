#include "gui/qt/dialog_units.h"

#include <QFontMetrics>
#include <QScreen>
#include <QWidget>

namespace tabulink::qt {

DialogUnits::DialogUnits(const QWidget& widget) {
  QFontMetrics metrics(widget.font());
  // The average over the letters, as dialog templates measure it.
  static const QString letters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  charWidth_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
  charHeight_ = metrics.height();
}

QPoint DialogUnits::toPixels(QPoint units) const {
  return {units.x() * charWidth_ / 4, units.y() * charHeight_ / 8};
}

QRect DialogUnits::toPixels(const QRect& units) const {
  QPoint topLeft = toPixels(units.topLeft());
  QPoint bottomRight = toPixels(units.topLeft() + QPoint(units.width(), units.height()));
  return {topLeft, bottomRight - QPoint(1, 1)};
}

void layOutTemplate(QWidget& dialog) {
  DialogUnits units(dialog);
  for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    QRect pixels = units.toPixels(child->geometry());
    // A control never gets less height than its text needs in this font.
    pixels.setHeight(std::max(pixels.height(), child->minimumSizeHint().height()));
    child->setGeometry(pixels);
  }
  dialog.setFixedSize(units.toPixels(QRect(QPoint(0, 0), dialog.size())).size());
  QPoint origin;
  if (QWidget* parent = dialog.parentWidget())
    origin = parent->mapToGlobal(QPoint(0, 0));
  else if (QScreen* screen = dialog.screen())
    origin = screen->availableGeometry().topLeft();
  dialog.move(origin + units.toPixels(dialog.property("templatePosition").toPoint()));
}

}  // namespace tabulink::qt
