// The interactive run end to end in one process with the desktop backend on the offscreen
// platform, against the SQLite demo-style source and PostgreSQL: MAIN driven as a person would
// (pick the data source, type the credentials, pick a table, edit the query, read the grid,
// close it, Cancel, Cancel).

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "app/command_line.h"
#include "app/error_collection.h"
#include "app/main_sequence.h"
#include "app/run_settings.h"
#include "qt_person.h"
#include "support/odbc_env.h"
#include "support/odbc_sources.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::click;
using test::DataSource;
using test::Person;
using test::typeInto;
using test::windowTitled;

QString cellAt(QWidget& grid, int row, int column) {
  QAbstractItemModel* model = grid.findChild<QTableView*>()->model();
  return model->data(model->index(row, column)).toString();
}

QStringList headers(QWidget& grid) {
  QAbstractItemModel* model = grid.findChild<QTableView*>()->model();
  QStringList names;
  for (int column = 0; column < model->columnCount(); ++column)
    names << model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  return names;
}

int rowsShown(QWidget& grid) {
  return grid.findChild<QTableView*>()->model()->rowCount();
}

class DesktopRun : public ::testing::TestWithParam<DataSource> {
 protected:
  DesktopRun() : cwd(dir.path()), temp("TEMP", dir.file("tmp")) {
    std::filesystem::create_directory(dir.file("tmp"));
    runSettings() = RunSettings{};
    resetErrorCollection();
    table = test::testTable("orders");
    test::recreateTable(GetParam(), table,
                        "code char(4), amount numeric(8,2), noted varchar(20), due date");
    std::unique_ptr<TOdbc> db = test::connectTo(GetParam());
    test::run(*db, "INSERT INTO " + table +
                       " VALUES ('A1', 1234.5, 'first', '2024-01-31'), ('B2', NULL, NULL, NULL),"
                       " ('C3', -7, 'x', '1999-12-01')");
    // Decimal comma for the text outputs; the grid keeps the point.
    test::writeFile("job.ini", "[ODBC]\nUser=" + std::string(GetParam().user) +
                                   "\n[Output]\nDecChar=,\nFileErr=errors.txt\n");
  }
  ~DesktopRun() override {
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp"))) << "cache files left behind";
  }

  bool cacheEmpty() const { return std::filesystem::is_empty(dir.file("tmp")); }

  // The person logs in to this test's data source and picks this test's table, ticking
  // "Asynchronous mode" when `asynchronous`.
  void logInAndPick(Person& person, bool asynchronous = false) {
    person.then("ODBC Login", [this](QWidget& w) {
      auto* sources = w.findChild<QComboBox*>("dsn");
      // The names come blank-filled.
      sources->setCurrentIndex(
          sources->findText(QString(GetParam().dsn) + " ", Qt::MatchStartsWith));
      EXPECT_EQ(w.findChild<QLineEdit*>("user")->text(), GetParam().user);
      typeInto(*w.findChild<QLineEdit*>("password"), GetParam().password);
      click(w, "ok");
    });
    person.then("Select ODBC source database", [this, asynchronous](QWidget& w) {
      if (asynchronous) QTest::keyClick(w.findChild<QCheckBox*>("asynchronous"), Qt::Key_Space);
      auto* list = w.findChild<QListWidget*>("tables");
      QList<QListWidgetItem*> found =
          list->findItems(QString::fromStdString(table), Qt::MatchExactly);
      ASSERT_EQ(found.size(), 1);
      list->setCurrentItem(found.front());
      click(w, "ok");
    });
  }
  // The person edits the prompt to `sql` and presses Enter. The prompt offers the picked table's
  // whole content, or the statement last run on that table.
  void query(Person& person, const std::string& sql) {
    person.then(
        "ODBC SQL Query",
        [sql, last = lastQuery_](QWidget& w) {
          auto* field = w.findChild<QPlainTextEdit*>();
          const QString offered = field->toPlainText();
          EXPECT_TRUE(offered.startsWith("SELECT * FROM ") ||
                      offered == QString::fromStdString(last))
              << offered.toStdString();
          typeInto(*field, QString::fromStdString(sql));
          QTest::keyClick(field, Qt::Key_Return);
        },
        true);
    lastQuery_ = sql;
  }
  void cancelBoth(Person& person) {
    person.then("Select ODBC source database", [](QWidget& w) { click(w, "cancel"); });
    person.then("ODBC Login", [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Escape); });
  }

  test::TempDir dir;
  test::CurrentDir cwd;
  test::ScopedEnv temp;
  std::string table;
  std::string lastQuery_;
};

TEST_P(DesktopRun, LogInQueryReadTheGridAndLeave) {
  Person person;
  logInAndPick(person);
  query(person, "SELECT * FROM " + table + " ORDER BY code");
  person.then("Tabulink rel.", [this](QWidget& grid) {
    EXPECT_EQ(grid.windowTitle(), "Tabulink rel.2.1 - Rows:       3");
    EXPECT_TRUE(grid.isMaximized());
    EXPECT_FALSE(grid.windowIcon().isNull());
    EXPECT_EQ(QApplication::focusWidget(), grid.findChild<QTableView*>());
    EXPECT_EQ(headers(grid), (QStringList{"code", "amount", "noted", "due"}));
    EXPECT_EQ(cellAt(grid, 0, 3).trimmed(), "2024-01-31");  // the date as the source gave it
    ASSERT_EQ(rowsShown(grid), 3);
    EXPECT_EQ(cellAt(grid, 0, 0), "A1");  // its padding is no part of it
    EXPECT_EQ(cellAt(grid, 0, 1).trimmed(), "1234.50");
    EXPECT_EQ(cellAt(grid, 2, 1).trimmed(), "-7.00");
    // NULL shows empty, not as the cache's stand-in.
    EXPECT_EQ(cellAt(grid, 1, 1), "");
    EXPECT_EQ(cellAt(grid, 1, 2), "");
    EXPECT_FALSE(cacheEmpty()) << "the cache went before the window closed";
    grid.close();
  });
  cancelBoth(person);
  MAIN(parseCommandLine({"job.ini"}));
  EXPECT_TRUE(person.done());
  EXPECT_FALSE(errorsReported()) << test::readFile("errors.txt");
  EXPECT_FALSE(std::filesystem::exists("errors.txt"));
}

TEST_P(DesktopRun, ASecondGridReturnsAtOnceAndEachCloseEndsItsResult) {
  Person person;
  logInAndPick(person);
  query(person, "SELECT * FROM " + table);
  // With the first grid open, the table dialog takes a second query.
  person.then("Tabulink rel.2.1 - Rows:       3", [](QWidget&) {});
  person.then(
      "Select ODBC source database", [](QWidget& w) { click(w, "ok"); }, true);
  query(person, "SELECT code FROM " + table + " WHERE code = 'B2'");
  person.then("Tabulink rel.2.1 - Rows:       1", [this](QWidget& second) {
    EXPECT_EQ(cellAt(second, 0, 0), "B2");
    // The second call has returned: the table dialog is free again while both grids are open.
    EXPECT_TRUE(QTest::qWaitFor([] {
      QWidget* dialog = windowTitled("Select ODBC source database");
      return dialog != nullptr && dialog->findChild<QPushButton*>("ok")->isEnabled();
    }));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("tmp")), {}), 2);
    second.close();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("tmp")), {}), 1);
    windowTitled("Tabulink rel.2.1 - Rows:       3")->close();
  });
  cancelBoth(person);
  MAIN(parseCommandLine({"job.ini"}));
  EXPECT_FALSE(errorsReported()) << test::readFile("errors.txt");
}

TEST_P(DesktopRun, AFailingQueryIsShownAtOnceAndTheNextQueryRuns) {
  Person person;
  logInAndPick(person);
  query(person, "SELECT * FROM no_such_" + table);
  person.then(
      "ODBC SQL Error",
      [this](QWidget& box) {
        const QString text = box.findChild<QLabel*>("qt_msgbox_label")->text();
        EXPECT_TRUE(text.contains("SQLSTATE ")) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromStdString("no_such_" + table)));
        QTest::keyClick(&box, Qt::Key_Return);
      },
      true);
  person.then(
      "Select ODBC source database", [](QWidget& w) { click(w, "ok"); }, true);
  query(person, "SELECT * FROM " + table);
  person.then("Tabulink rel.2.1 - Rows:       3", [](QWidget& grid) { grid.close(); });
  cancelBoth(person);
  MAIN(parseCommandLine({"job.ini"}));
  EXPECT_TRUE(person.done());
  // The error file records it as well.
  EXPECT_TRUE(errorsReported());
  EXPECT_NE(test::readFile("errors.txt").find("no_such_"), std::string::npos);
}

TEST_P(DesktopRun, SavingTheGridWritesWhatTheUnattendedExportWrites) {
  const std::string sql = "SELECT * FROM " + table + " ORDER BY code";
  const std::string credentials =
      "\nUser=" + std::string(GetParam().user) + "\nPassword=" + std::string(GetParam().password);
  Person person;
  logInAndPick(person);
  query(person, sql);
  std::vector<std::pair<QString, std::string>> saves{
      {"Boxed text table (*.txt)", "grid-boxed.txt"},
      {"Tab-delimited text (*.txt)", "grid-tab.txt"}};
  for (const auto& [filter, file] : saves) {
    // Once the last save is done: a key sent to the grid would reach it past the dialog.
    person.thenWhen(
        "Tabulink rel.", [](QWidget&) { return windowTitled("Save the grid") == nullptr; },
        [](QWidget& grid) {
          QApplication::setActiveWindow(&grid);
          QTest::keyClick(grid.findChild<QTableView*>(), Qt::Key_S, Qt::ControlModifier);
        });
    person.then(
        "Save the grid",
        [this, filter, file](QWidget& w) {
          auto& dialog = static_cast<QFileDialog&>(w);
          dialog.selectNameFilter(filter);
          auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
          ASSERT_NE(name, nullptr);
          typeInto(*name, QString::fromStdString(dir.file(file)));
          QTest::keyClick(name, Qt::Key_Return);
        },
        true);
  }
  person.thenWhen(
      "Tabulink rel.", [](QWidget&) { return windowTitled("Save the grid") == nullptr; },
      [](QWidget& grid) { grid.close(); });
  cancelBoth(person);
  MAIN(parseCommandLine({"job.ini"}));
  EXPECT_TRUE(person.done());
  // The same statement unattended, to each output.
  for (const auto& [type, file] :
       {std::pair{"ASCIITABLE", "grid-boxed.txt"}, std::pair{"TEXT", "grid-tab.txt"}}) {
    test::writeFile("unattended.ini", "[ODBC]\nDSN=" + std::string(GetParam().dsn) + credentials +
                                          "\nSQL=" + sql + "\n[Output]\nType=" + type +
                                          "\nFileOut=unattended.txt\nDecChar=,\n");
    MAIN(parseCommandLine({"unattended.ini"}));
    EXPECT_EQ(test::readFile(file), test::readFile("unattended.txt")) << type;
  }
  EXPECT_FALSE(errorsReported());
}

INSTANTIATE_TEST_SUITE_P(Sources, DesktopRun, ::testing::Values(test::kSQLite, test::kPgAnsi),
                         test::sourceName);

class DesktopFill : public DesktopRun {
 protected:
  // `rows` rows whose codes are `code` in the test table; the person logs in and picks it.
  void fillAndPick(Person& person, int rows, const std::string& code, bool asynchronous = true) {
    std::unique_ptr<TOdbc> db = test::connectTo(GetParam());
    test::insertSeries(*db, table, rows, code + ", i, 'row ' || i, NULL");
    logInAndPick(person, asynchronous);
  }
};

TEST_P(DesktopFill, ASynchronousFetchShowsItsProgressAndEscStopsItKeepingTheRows) {
  std::unique_ptr<TOdbc> db = test::connectTo(GetParam());
  test::run(*db, "DELETE FROM " + table);
  test::insertSeries(*db, table, 300000, "'L' || (i % 1000), i, 'row ' || i, NULL");
  Person person;
  logInAndPick(person);
  query(person, "SELECT * FROM " + table);
  bool checked = false;
  // While the rows are fetched: controls disabled but Cancel, the wait cursor, closing refused,
  // the rows so far in the title.
  person.thenWhen(
      "Select ODBC source database",
      [](QWidget& w) { return w.windowTitle().contains("Rows retrieved so far"); },
      [&](QWidget& w) {
        checked = true;
        EXPECT_FALSE(w.findChild<QPushButton*>("ok")->isEnabled());
        EXPECT_TRUE(w.findChild<QPushButton*>("cancel")->isEnabled());
        EXPECT_FALSE(w.findChild<QCheckBox*>("asynchronous")->isEnabled());
        EXPECT_EQ(w.cursor().shape(), Qt::WaitCursor);
        w.close();
        EXPECT_TRUE(w.isVisible());
        QTest::keyClick(&w, Qt::Key_Escape);
      });
  person.then("Tabulink rel.", [](QWidget& grid) {
    // The rows fetched so far stay, the title says they are not all.
    EXPECT_TRUE(grid.windowTitle().endsWith(" - incomplete, fetch stopped"))
        << grid.windowTitle().toStdString();
    EXPECT_GT(rowsShown(grid), 0);
    EXPECT_LT(rowsShown(grid), 300000);
    EXPECT_EQ(cellAt(grid, 0, 2), "row 1");
    QWidget* dialog = windowTitled("Select ODBC source database");
    EXPECT_EQ(dialog->windowTitle(), "Select ODBC source database");
    EXPECT_TRUE(dialog->findChild<QPushButton*>("ok")->isEnabled());
    EXPECT_NE(dialog->cursor().shape(), Qt::WaitCursor);
    grid.close();
  });
  cancelBoth(person);
  MAIN(parseCommandLine({"job.ini"}));
  EXPECT_TRUE(checked);
  EXPECT_FALSE(errorsReported()) << test::readFile("errors.txt");
}

TEST_P(DesktopFill, SelectAllCompletesABackgroundFillFirst) {
  Person person;
  fillAndPick(person, 3000, "'S' || (i % 1000)");
  query(person, "SELECT * FROM " + table);
  QStringList titles;
  person.then("Tabulink rel.", [&](QWidget& grid) {
    QObject::connect(&grid, &QWidget::windowTitleChanged, [&](const QString& t) { titles << t; });
    QTableView* view = grid.findChild<QTableView*>();
    QApplication::setActiveWindow(&grid);  // as the person's click into it would
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(rowsShown(grid), 3003);
    EXPECT_EQ(view->selectionModel()->selectedRows().size(), 3003);
    EXPECT_EQ(grid.windowTitle(), "Tabulink rel.2.1 - Rows completed:   3,003");
    grid.close();
  });
  cancelBoth(person);
  MAIN(parseCommandLine({"job.ini"}));
  EXPECT_TRUE(titles.filter("so far").size() >= 1) << titles.join("|").toStdString();
  EXPECT_FALSE(errorsReported()) << test::readFile("errors.txt");
}

TEST_P(DesktopFill, AGridOutlivesItsTableDialogWithAllItsRows) {
  Person person;
  fillAndPick(person, 20000, "'G' || (i % 1000)");
  query(person, "SELECT code FROM " + table + " WHERE amount IS NULL");  // the first grid: 1 row
  person.then("Tabulink rel.2.1 - Rows completed:       1", [](QWidget&) {});
  person.then(
      "Select ODBC source database", [](QWidget& w) { click(w, "ok"); }, true);
  query(person, "SELECT * FROM " + table);
  // The second grid fills in the background; the person closes the first grid and both dialogs
  // at once, so the connection ends while the second grid still fills.
  person.then("Tabulink rel.2.1 - Rows retrieved so far", [](QWidget&) {
    windowTitled("Tabulink rel.2.1 - Rows completed:       1")->close();
  });
  person.then(
      "Select ODBC source database", [](QWidget& w) { click(w, "cancel"); }, true);
  person.then(
      "ODBC Login", [](QWidget& w) { click(w, "cancel"); }, true);
  MAIN(parseCommandLine({"job.ini"}));
  QWidget* grid = windowTitled("Tabulink rel.");
  ASSERT_NE(grid, nullptr);
  QTest::qWait(50);
  const int rows = rowsShown(*grid);
  grid->close();
  EXPECT_EQ(rows, 20003) << grid->windowTitle().toStdString();
  EXPECT_FALSE(errorsReported()) << test::readFile("errors.txt");
}

TEST_P(DesktopFill, AsynchronousModeOpensTheGridAtOnceAndFillsBehindIt) {
  Person person;
  fillAndPick(person, 400, "'R' || i");
  QStringList titles;
  query(person, "SELECT * FROM " + table);
  // The steps only look and close: a step that waited here could run inside a tick's fetch.
  person.then("Tabulink rel.", [&](QWidget& grid) {
    titles << grid.windowTitle();
    EXPECT_LT(rowsShown(grid), 403) << "the grid waited for the whole result";
    QObject::connect(&grid, &QWidget::windowTitleChanged, [&](const QString& t) { titles << t; });
  });
  person.then("Tabulink rel.2.1 - Rows completed", [](QWidget& grid) {
    EXPECT_EQ(rowsShown(grid), 403);
    EXPECT_EQ(cellAt(grid, 402, 0), "R400");
    grid.close();
  });
  cancelBoth(person);
  MAIN(parseCommandLine({"job.ini"}));
  ASSERT_GE(titles.size(), 3);
  EXPECT_TRUE(titles.front().startsWith("Tabulink rel.2.1 - Rows: "))
      << titles.front().toStdString();
  EXPECT_TRUE(titles[1].startsWith("Tabulink rel.2.1 - Rows retrieved so far: "));
  EXPECT_EQ(titles.back(), "Tabulink rel.2.1 - Rows completed:     403");
  EXPECT_EQ(titles.filter("completed").size(), 1);
  EXPECT_FALSE(errorsReported()) << test::readFile("errors.txt");
}

TEST_P(DesktopFill, TwoBackgroundFillsTitleTheirOwnGridsAndRowsArriveAsTheyCome) {
  Person person;
  fillAndPick(person, 200000, "'T' || (i % 1000)");
  query(person, "SELECT * FROM " + table);
  QStringList bigTitles;
  QStringList smallTitles;
  std::vector<int> rowsSeen;  // the big grid's row count at each insertion of rows
  person.then("Tabulink rel.2.1 - Rows: ", [&](QWidget& big) {
    QObject::connect(&big, &QWidget::windowTitleChanged, [&](const QString& t) { bigTitles << t; });
    QAbstractItemModel* model = big.findChild<QTableView*>()->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted,
                     [&rowsSeen, model] { rowsSeen.push_back(model->rowCount()); });
  });
  // A second query while the first grid still fills.
  person.then(
      "Select ODBC source database", [](QWidget& w) { click(w, "ok"); }, true);
  query(person, "SELECT * FROM " + table + " WHERE amount <= 1234");
  person.then("Tabulink rel.2.1 - Rows completed:   1,235", [&](QWidget& small) {
    QObject::connect(&small, &QWidget::windowTitleChanged,
                     [&](const QString& t) { smallTitles << t; });
  });
  person.then("Tabulink rel.2.1 - Rows completed: 200,003", [&](QWidget& big) {
    EXPECT_EQ(rowsShown(big), 200003);
    EXPECT_EQ(cellAt(big, 200002, 2), "row 200000");
    big.close();
    QWidget* small = windowTitled("Tabulink rel.2.1 - Rows completed:   1,235");
    ASSERT_NE(small, nullptr) << "the small grid's title changed";
    EXPECT_EQ(rowsShown(*small), 1235);
    small->close();
  });
  cancelBoth(person);
  MAIN(parseCommandLine({"job.ini"}));
  EXPECT_TRUE(person.done());
  // The big fill's progress stayed in its own title, a few times a second and not for every row;
  // its rows reached the grid in steps while it ran.
  EXPECT_TRUE(smallTitles.isEmpty()) << smallTitles.join("|").toStdString();
  ASSERT_FALSE(bigTitles.isEmpty());
  EXPECT_EQ(bigTitles.back(), "Tabulink rel.2.1 - Rows completed: 200,003");
  EXPECT_LT(bigTitles.size(), 60);
  EXPECT_GE(rowsSeen.size(), 3u);
  EXPECT_TRUE(std::is_sorted(rowsSeen.begin(), rowsSeen.end()));
  EXPECT_FALSE(errorsReported()) << test::readFile("errors.txt");
}

INSTANTIATE_TEST_SUITE_P(Sources, DesktopFill, ::testing::Values(test::kSQLite, test::kPgAnsi),
                         test::sourceName);

}  // namespace
}  // namespace tabulink
