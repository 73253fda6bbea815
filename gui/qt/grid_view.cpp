#include "gui/qt/grid_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace tabulink::qt {

GridView::GridView(QWidget* parent) : QTableView(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setShowGrid(true);
  setGridStyle(Qt::SolidLine);
  setWordWrap(false);
  setStyleSheet(QStringLiteral("QTableView { gridline-color: black; }"));
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void GridView::keyPressEvent(QKeyEvent* event) {
  // Ctrl+Home and Ctrl+End select the first and the last row, so a copy takes what is shown
  // highlighted (the view would only move its cursor).
  if (event->modifiers() == Qt::ControlModifier &&
      (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) && model() != nullptr &&
      model()->rowCount() > 0) {
    const int row = event->key() == Qt::Key_Home ? 0 : model()->rowCount() - 1;
    const QModelIndex index = model()->index(row, std::max(currentIndex().column(), 0));
    // Through the selection model: the view's own calls would read the held Ctrl as "toggle".
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    return;
  }
  if (event->modifiers() == Qt::NoModifier &&
      (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
    horizontalScrollBar()->triggerAction(event->key() == Qt::Key_Left
                                             ? QAbstractSlider::SliderSingleStepSub
                                             : QAbstractSlider::SliderSingleStepAdd);
    return;
  }
  QTableView::keyPressEvent(event);
}

void GridView::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (model() == nullptr || model()->columnCount() == 0) return;
  const int rows = model()->rowCount();
  const int below = rows > 0 ? rowViewportPosition(rows - 1) + rowHeight(rows - 1) : 0;
  const int bottom = viewport()->height();
  if (below >= bottom) return;
  QPainter painter(viewport());
  painter.setPen(QPen(Qt::black, 1));
  for (int column = 0; column < model()->columnCount(); ++column) {
    if (isColumnHidden(column)) continue;
    const int x = columnViewportPosition(column) + columnWidth(column) - 1;
    if (x >= 0 && x < viewport()->width()) painter.drawLine(x, std::max(below, 0), x, bottom);
  }
}

}  // namespace tabulink::qt
