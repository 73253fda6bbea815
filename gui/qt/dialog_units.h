#pragma once
// Dialog templates are laid out in dialog units: across, a quarter of the font's average
// character width; down, an eighth of its height. These turn them into pixels of the widget's font.

#include <QPoint>
#include <QRect>

class QWidget;

namespace tabulink::qt {

class DialogUnits {
 public:
  explicit DialogUnits(const QWidget& widget);
  QPoint toPixels(QPoint units) const;
  QRect toPixels(const QRect& units) const;

 private:
  int charWidth_;   // average character width in pixels
  int charHeight_;  // line height in pixels
};

// Lays out a dialog built from a template whose geometries are dialog units: each child's
// geometry and the dialog's client size become pixels; the dialog moves to its
// "templatePosition" (dialog units from the top-left corner of its parent, or of the screen).
void layOutTemplate(QWidget& dialog);

}  // namespace tabulink::qt
