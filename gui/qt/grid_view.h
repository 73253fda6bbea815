#pragma once
// The grid's view: whole-row selection, left and right move the view by columns, one-pixel
// black lines between cells, and the column lines drawn on down to the bottom of the view below
// the last row.

#include <QTableView>

namespace tabulink::qt {

class GridView : public QTableView {
  Q_OBJECT

 public:
  explicit GridView(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tabulink::qt
