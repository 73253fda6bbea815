#include "gui/qt/grid_probe.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

namespace tabulink::qt {
namespace {

QTableView* openGridView() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && window->windowTitle().startsWith("Tabulink rel."))
      return window->findChild<QTableView*>();
  return nullptr;
}

}  // namespace

bool gridOpen() {
  return openGridView() != nullptr;
}

double paintGridMs() {
  QTableView* view = openGridView();
  if (view == nullptr) return 0;
  QElapsedTimer clock;
  clock.start();
  view->viewport()->grab();
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void scrollGrid(bool toLast) {
  if (QTableView* view = openGridView()) toLast ? view->scrollToBottom() : view->scrollToTop();
}

int copyGridRows(int rows) {
  QTableView* view = openGridView();
  if (view == nullptr) return 0;
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->selectionModel()->select(
      QItemSelection(view->model()->index(0, 0), view->model()->index(rows - 1, 0)),
      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  for (QAction* action : view->window()->actions())
    if (action->shortcut() == QKeySequence::Copy) action->trigger();
  return view->model()->columnCount();
}

void closeGrid() {
  if (QTableView* view = openGridView()) view->window()->close();
}

}  // namespace tabulink::qt
