#pragma once
// The grid's model: adapts a GridWindow to Qt. It holds no rows; each cell it is asked for is
// read through GridWindow::cell. The row count is the one last seen, so rows added to the result
// later are inserted by refresh().

#include <QAbstractTableModel>

#include "gui/ui.h"

namespace tabulink::qt {

class GridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Painted text and the tooltip are cut here; a copy keeps the whole value.
  static constexpr int kPaintedLength = 1000;

  explicit GridModel(const GridWindow& window, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The whole text of a cell (rows and columns from 0).
  std::string cellText(int row, int column) const;

  // Takes in the rows the result holds now.
  void refresh();

 private:
  const GridWindow& window_;
  int rows_ = 0;
};

}  // namespace tabulink::qt
