#include "gui/qt/grid_model.h"

#include <climits>

#include "gui/qt/qt_text.h"

namespace tabulink::qt {
namespace {

int heldRows(const GridWindow& window) {
  const long rows = window.rowCount ? window.rowCount() : 0;
  return static_cast<int>(std::min<long>(rows, INT_MAX));
}

}  // namespace

GridModel::GridModel(const GridWindow& window, QObject* parent)
    : QAbstractTableModel(parent), window_(window), rows_(heldRows(window)) {}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(window_.headers.size());
}

std::string GridModel::cellText(int row, int column) const {
  return window_.cell ? window_.cell(row + 1, column + 1) : std::string();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole: {
      const std::string text = cellText(index.row(), index.column());
      return toQString(std::string_view(text).substr(0, kPaintedLength));
    }
    case Qt::ToolTipRole: {
      // A text cut in its column shows whole here, up to a length that still fits a screen.
      const std::string text = cellText(index.row(), index.column());
      if (text.empty()) return {};
      if (text.size() <= kPaintedLength) return toQString(text);
      return toQString(std::string_view(text).substr(0, kPaintedLength)) + QChar(0x2026);
    }
    case Qt::TextAlignmentRole: {
      const auto column = static_cast<size_t>(index.column());
      const bool number = column < window_.numeric.size() && window_.numeric[column];
      return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    default:
      return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || static_cast<size_t>(section) >= window_.headers.size()) return {};
  return toQString(window_.headers[static_cast<size_t>(section)]);
}

void GridModel::refresh() {
  const int rows = heldRows(window_);
  if (rows > rows_) {
    beginInsertRows({}, rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  } else if (rows < rows_) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  }
}

}  // namespace tabulink::qt
