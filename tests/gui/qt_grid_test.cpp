// The grid window on the offscreen platform over a result of the test's making: what a person
// does with it beyond reading (copy, select all, find, wide cells, scrolling by columns, rows
// arriving), and its closing check.

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include "failure/program_end.h"
#include "gui/ui.h"
#include "qt_person.h"

namespace tabulink {
namespace {

using test::Person;

// A result of `rows` × `columns` whose cell text says where it is; `held` rows arrived so far.
struct Result {
  long rows;
  int columns;
  long held;
  int completions = 0;
  int closings = 0;
  bool allowClose = true;

  GridWindow window(const std::string& title) {
    GridWindow w;
    w.title = title;
    for (int c = 1; c <= columns; ++c)
      w.headers.push_back("col" + std::to_string(c));
    w.numeric.assign(static_cast<size_t>(columns), false);
    w.rowCount = [this] { return held; };
    w.cell = [this](long row, int column) {
      if (row == 7 && column == 2) return std::string(5000, 'w');
      if (row == 12 && column == 1) return std::string("caf\xe9");  // Latin-1, not UTF-8
      return "r" + std::to_string(row) + "c" + std::to_string(column);
    };
    w.complete = [this] {
      ++completions;
      held = rows;
    };
    w.onClose = [this] {
      ++closings;
      return allowClose;
    };
    return w;
  }
};

QTableView* viewOf(QWidget& grid) {
  return grid.findChild<QTableView*>();
}

TEST(QtGrid, CopySelectAllFindAndWideCells) {
  Result result{50000, 40, 20000};
  GridWindow window = result.window("Tabulink rel.2.1 - Rows:  20,000");
  Person person;
  person.then("Tabulink rel.", [&](QWidget& grid) {
    QApplication::setActiveWindow(&grid);  // as the person's click into it would
    QTableView* view = viewOf(grid);
    QAbstractItemModel* model = view->model();
    EXPECT_EQ(model->rowCount(), 20000);

    // Ctrl+C copies the selected rows, tab-delimited.
    view->selectRow(2);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    std::string third;
    for (int c = 1; c <= 40; ++c)
      third += (c > 1 ? "\t" : "") + ("r3c" + std::to_string(c));
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), third + "\n");

    // Rows picked out of order and some twice copy once each, in the grid's order; a value that
    // is no UTF-8 copies as the grid shows it.
    auto pick = [view, model](int first, int last) {
      view->selectionModel()->select(QItemSelection(model->index(first, 0), model->index(last, 0)),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    view->clearSelection();
    pick(10, 11);
    pick(1, 1);
    pick(11, 12);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split(u'\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("r2c1\t") && lines[1].startsWith("r11c1\t") &&
                lines[2].startsWith(QString("caf") + QChar(0xFFFD) + "\t") &&
                lines[3].startsWith("r13c1\t") && lines[4].isEmpty())
        << lines.join("|").toStdString();

    // A wide value is cut for painting and in its tooltip; the copy keeps all of it.
    const QModelIndex wide = model->index(6, 1);
    EXPECT_EQ(model->data(wide).toString().size(), 1000);
    EXPECT_EQ(model->data(wide, Qt::ToolTipRole).toString(), QString(1000, u'w') + QChar(0x2026));
    view->selectRow(6);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().contains(QString(5000, u'w')));

    // Select all takes every row of the result, fetching the rest first.
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(result.completions, 1);
    EXPECT_EQ(model->rowCount(), 50000);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QString all = QApplication::clipboard()->text();
    EXPECT_EQ(all.count(u'\n'), 50000);
    EXPECT_TRUE(all.endsWith("r50000c40\n"));

    // Ctrl+F opens the find bar; Enter moves to the next row holding the text, in any case.
    view->selectRow(0);
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    auto* find = grid.findChild<QLineEdit*>();
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isVisible());
    QTest::keyClicks(find, "R41999C7");
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(view->currentIndex().row(), 41998);
    QTest::keyClick(find, Qt::Key_Return);  // only that row holds it: found again, wrapping round
    EXPECT_EQ(view->currentIndex().row(), 41998);
    grid.close();
  });
  ui().gridWindow(window);
  EXPECT_EQ(result.closings, 1);
}

TEST(QtGrid, ColumnsFitTheValuesToTheEndOfALargeTableAndKeysReachIt) {
  constexpr long kRows = 1000000;
  GridWindow window;
  window.title = "Tabulink rel.2.1 - Rows: 1,000,000";
  window.headers = {"n", "name", "note"};
  window.numeric = {true, false, false};
  window.widths = {12, 200, 0};  // a number field of 12, a varchar(200), a memo
  window.rowCount = [] { return kRows; };
  window.cell = [](long row, int column) {
    if (column == 1) return std::to_string(row * 1000 + 7);  // up to ten digits at the end
    if (column == 2) return "item-" + std::to_string(row);
    return row == kRows ? std::string(3000, 'm') : std::string("short");
  };
  Person person;
  person.then("Tabulink rel.", [&](QWidget& grid) {
    QApplication::setActiveWindow(&grid);
    QTableView* view = viewOf(grid);
    QAbstractItemModel* model = view->model();
    auto fits = [view, model](int row, int column) {
      const QString text = model->data(model->index(row, column)).toString();
      return view->columnWidth(column) >= view->fontMetrics().horizontalAdvance(text) + 6;
    };
    const int textWidth = view->columnWidth(1);
    EXPECT_TRUE(fits(0, 0) && fits(0, 1));
    // A varchar(200) holding short values is as wide as they are, not as its field.
    EXPECT_LT(textWidth, 200);

    // Ctrl+End selects the last row; its number shows every digit, its text whole.
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view->selectionModel()->selectedRows().value(0).row(), kRows - 1);
    EXPECT_TRUE(fits(kRows - 1, 0));
    EXPECT_TRUE(fits(kRows - 1, 1));
    EXPECT_GT(view->columnWidth(1), textWidth);
    // The long memo widens its column within reason; its tooltip is capped.
    EXPECT_LE(view->columnWidth(2), 400);
    EXPECT_EQ(model->data(model->index(kRows - 1, 2), Qt::ToolTipRole).toString().size(), 1001);

    // Ctrl+Shift+C copies the highlighted row with the column names.
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "n\tname\tnote\n1000000007\titem-1000000\t" + QString(3000, u'm') + "\n");
    QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view->selectionModel()->selectedRows().value(0).row(), 0);

    // Esc closes the find bar.
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    auto* find = grid.findChild<QLineEdit*>();
    ASSERT_TRUE(find->isVisible());
    QTest::keyClick(find, Qt::Key_Escape);
    EXPECT_FALSE(find->isVisible());
    EXPECT_TRUE(grid.isVisible());
    grid.close();
  });
  ui().gridWindow(window);
}

TEST(QtGrid, RowsArriveKeepingTheViewAndARefusedCloseKeepsTheWindow) {
  Result result{300, 30, 100};
  result.allowClose = false;
  GridWindow window = result.window("Tabulink rel.2.1 - Rows:     100");
  Person person;
  person.then("Tabulink rel.", [&](QWidget& grid) {
    QApplication::setActiveWindow(&grid);  // as the person's click into it would
    QTableView* view = viewOf(grid);
    // Left and right move the view by whole columns, not a cell cursor.
    QScrollBar* across = view->horizontalScrollBar();
    ASSERT_GT(across->maximum(), 0);
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(across->value(), 2);
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_EQ(across->value(), 1);

    view->selectRow(50);
    view->scrollTo(view->model()->index(50, 0), QAbstractItemView::PositionAtTop);
    const int scrolled = view->verticalScrollBar()->value();
    result.held = 250;
    ui().refreshGrid(window.window);
    EXPECT_EQ(view->model()->rowCount(), 250);
    EXPECT_EQ(view->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(view->selectionModel()->selectedRows().value(0).row(), 50);

    // Its loop is the program's main one: a run-time error met now may be retried.
    EXPECT_TRUE(mainWindowRunning());
    grid.close();
    EXPECT_TRUE(grid.isVisible()) << "closed although its check refused";
    result.allowClose = true;
    grid.close();
  });
  ui().gridWindow(window);
  EXPECT_EQ(result.closings, 2);
  EXPECT_FALSE(mainWindowRunning());
}

}  // namespace
}  // namespace tabulink
