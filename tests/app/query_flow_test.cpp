// The interactive flow in process with the scripted UI: log-in, table dialog, prompt, the lock of
// the table dialog during a fetch, the grid window and the progress titles.

#include "app/query_flow.h"
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/error_collection.h"
#include "app/main_sequence.h"
#include "app/run_settings.h"
#include "app/screen_grid.h"
#include "core/text.h"
#include "odbc/todbc.h"
#include "resultset/tdbodbcdirect.h"
#include "support/odbc_env.h"
#include "support/odbc_sources.h"
#include "support/scripted_ui_scope.h"
#include "support/temp_dir.h"
#include "table/work_areas.h"

namespace tabulink {
namespace {

using test::readFile;
using test::writeFile;

size_t lineCount(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class QueryFlow : public ::testing::Test {
 protected:
  QueryFlow() : cwd(dir.path()), temp("TEMP", dir.file("tmp")) {
    std::filesystem::create_directory(dir.file("tmp"));
    runSettings() = RunSettings{};
    resetErrorCollection();
    table = test::testTable("towns");
    test::recreateTable(test::kSQLite, table, "code char(4), city varchar(6)");
    std::unique_ptr<TOdbc> db = test::connectTo(test::kSQLite);
    test::run(*db, "INSERT INTO " + table + " VALUES ('A1', 'Rome'), ('B2', NULL), ('C3', 'Oslo')");
  }
  ~QueryFlow() override {
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp"))) << "cache files left behind";
    EXPECT_EQ(WorkAreas::instance().findAlias("OutDbf"), 0) << "the DBF output is still open";
  }

  // The table dialog's person: picks the test table and presses OK `times` times.
  void pressOk(int times = 1) {
    ui->tableScripts.push_back([this, times](TableDialog& d) {
      // The table dialog stays the active window while the queries run.
      ui->active = d.window;
      d.selected = table;
      for (int i = 0; i < times; ++i)
        d.onOk();
    });
  }
  void output(const std::string& type, const std::string& file) {
    runSettings().Type = type;
    runSettings().FileOut = file;
  }

  test::TempDir dir;
  test::CurrentDir cwd;
  test::ScopedEnv temp;
  test::ScriptedUiScope ui;
  std::string table;
};

TEST_F(QueryFlow, LoginOkTwiceConnectsAndExportsTwice) {
  writeFile("job.ini",
            "[ODBC]\nSQL=SELECT * FROM " + table + "\n[Output]\nType=DBF\nFileOut=out.dbf\n");
  ui->loginScripts.push_back([](LoginDialog& d) {
    d.dsn = "TestSQLite";
    d.onOk();
    std::filesystem::rename("out.dbf", "first.dbf");
    d.onOk();  // the first output was released, so the second export can make it again
  });
  MAIN(parseCommandLine({"job.ini"}));
  EXPECT_TRUE(ui->messages.empty());
  EXPECT_FALSE(errorsReported());
  EXPECT_EQ(readFile("first.dbf"), readFile("out.dbf"));
  EXPECT_EQ(readFile("out.dbf")[4], 3);  // record count, the header completed
}

TEST_F(QueryFlow, PromptCancelledReturnsWithoutAMessage) {
  output("TEXT", "out.txt");
  pressOk();
  ui->promptAnswers.push_back(std::nullopt);
  OPENODBC("TestSQLite", "", "");
  EXPECT_TRUE(ui->messages.empty());
  EXPECT_FALSE(errorsReported());
  EXPECT_FALSE(std::filesystem::exists("out.txt"));
}

TEST_F(QueryFlow, PromptTextOfFixedLengthRuns) {
  output("TEXT", "out.txt");
  pressOk();
  // The prompt edits 256 characters, so the statement arrives with its trailing blanks.
  ui->promptAnswers.push_back(padRight("SELECT * FROM " + table, 256));
  OPENODBC("TestSQLite", "", "");
  EXPECT_FALSE(errorsReported());
  EXPECT_EQ(lineCount(readFile("out.txt")), 4u);
}

TEST_F(QueryFlow, AFailingQueryIsShownAtOnceAndTheNextOneRuns) {
  output("TEXT", "out.txt");
  pressOk(3);
  ui->promptAnswers = {"SELECT * FROM no_such_towns", "SELECT * FROM " + table,
                       "UPDATE also_missing SET x = 1"};
  OPENODBC("TestSQLite", "", "");
  EXPECT_EQ(lineCount(readFile("out.txt")), 4u);
  // Each failure when it happened, and not again when the dialog closed.
  ASSERT_EQ(ui->messages.size(), 2u);
  EXPECT_EQ(ui->messages[0].title, "ODBC SQL Error");
  EXPECT_EQ(ui->messages[0].text.rfind("The statement failed:\n\nSELECT * FROM no_such_towns\n\n"
                                       "SQLSTATE S1000: [SQLite]no such table",
                                       0),
            0u)
      << ui->messages[0].text;
  EXPECT_NE(ui->messages[1].text.find("also_missing"), std::string::npos);

  // With an error file the entries are recorded there as well.
  runSettings().FileErr = "errors.txt";
  pressOk();
  ui->promptAnswers = {"SELECT * FROM no_such_towns"};
  OPENODBC("TestSQLite", "", "");
  EXPECT_EQ(ui->messages.size(), 3u);
  EXPECT_TRUE(errorsReported());
}

// Notes how often pending messages had run at each lock and unlock of a window.
class LockWatchUi : public ScriptedUi {
 public:
  void lockWindow(WindowId window, bool locked, std::function<void()> stop) override {
    runsAtLock.push_back(pendingMessageRuns);
    ScriptedUi::lockWindow(window, locked, std::move(stop));
  }
  std::vector<int> runsAtLock;
};

TEST_F(QueryFlow, TableDialogLockedDuringTheFetchAndUnlockedAfter) {
  output("ASCIITABLE", "out.txt");
  runSettings().Asyncronous = true;  // a file output fetches synchronously all the same
  auto* watch = new LockWatchUi;
  std::unique_ptr<Ui> scripted = installUi(std::unique_ptr<Ui>(watch));
  WindowId window = 0;
  watch->tableScripts.push_back([&](TableDialog& d) {
    window = d.window;
    d.selected = table;
    d.onOk();
  });
  watch->promptAnswers.push_back("SELECT * FROM " + table + " ORDER BY code");
  OPENODBC("TestSQLite", "", "");
  ASSERT_NE(window, 0u);
  EXPECT_EQ(watch->locks,
            (std::vector<std::pair<WindowId, bool>>{{window, true}, {window, false}}));
  // The rows were fetched (pending messages running before each fetch) while it was locked.
  ASSERT_EQ(watch->runsAtLock.size(), 2u);
  EXPECT_GE(watch->runsAtLock[1] - watch->runsAtLock[0], 3);
  EXPECT_EQ(readFile("out.txt"),
            "+----+------+\r\n|code|city  |\r\n+----+------+\r\n|A1  |Rome  |\r\n"
            "|B2  |      |\r\n|C3  |Oslo  |\r\n+----+------+\r\n");
  EXPECT_FALSE(errorsReported());
  installUi(std::move(scripted));
}

TEST_F(QueryFlow, ScreenGridShowsTheCacheAndClosingEndsTheResultSet) {
  output("SCREEN", "");
  runSettings().Asyncronous = true;
  pressOk();
  ui->promptAnswers.push_back("SELECT * FROM " + table + " ORDER BY code");
  bool seen = false;
  ui->gridScripts.push_back([&](GridWindow& w) {
    seen = true;
    EXPECT_EQ(w.headers, (std::vector<std::string>{"code", "city"}));
    // The grid opens at once on the row held; the fill goes on behind it, and the grid shows its
    // rows as they arrive and once it has ended, though the table dialog is the active window.
    EXPECT_EQ(w.rowCount(), 1);
    const int refreshes = ui->gridRefreshes;
    while (ui->activeTimers() > 0)
      ui->tickTimers();
    EXPECT_EQ(ui->gridRefreshes, refreshes + 2);
    EXPECT_EQ(w.rowCount(), 3);
    EXPECT_EQ(w.cell(1, 2), "Rome");  // without the padding to the field's width
    EXPECT_EQ(w.cell(3, 1), "C3");
    EXPECT_EQ(w.cell(2, 2), "");  // NULL shows empty, not as the cache's stand-in
  });
  OPENODBC("TestSQLite", "", "");
  EXPECT_TRUE(seen);
  EXPECT_EQ(ui->gridTitles, std::vector<std::string>{"Tabulink rel.2.1 - Rows:       1"});
  // The progress goes to the grid's own title, not to the active table dialog's.
  ASSERT_EQ(ui->titles.size(), 2u);
  EXPECT_EQ(ui->titles[0].first, ui->titles[1].first);
  EXPECT_NE(ui->titles[0].first, ui->active);
  EXPECT_EQ(ui->titles[0].second, "Tabulink rel.2.1 - Rows retrieved so far:       3");
  EXPECT_EQ(ui->titles[1].second, "Tabulink rel.2.1 - Rows completed:       3");
  EXPECT_TRUE(ui->locks.empty());  // an asynchronous query does not lock the dialog
  EXPECT_EQ(ui->activeTimers(), 0u);
  EXPECT_FALSE(errorsReported());
}

// Painting the grid while its timer fill runs, between ticks and inside them as the message pump
// does, moves neither the fill nor an edit in progress: every row arrives once and in order, the
// edit shows in the grid and stays on its row, and its update reaches the data source.
TEST_F(QueryFlow, PaintingTheGridMovesNeitherTheFillNorAnEdit) {
  constexpr long kRows = 2000;
  const std::string rows = test::testTable("painted");
  test::recreateTable(test::kSQLite, rows, "id integer primary key, name varchar(20)");
  std::unique_ptr<TOdbc> db = test::connectTo(test::kSQLite);
  test::insertSeries(*db, rows, kRows, "i, 'name ' || i");
  auto rs =
      std::make_shared<TDbOdbcDirect>("SELECT id, name FROM " + rows + " ORDER BY id", db.get());
  ASSERT_TRUE(rs->Open());
  // The grid opens on the first row while the fill goes on behind it; each tick paints it.
  std::function<void()> paint;
  rs->AutoFill(1, 5, [&](long, TDbOdbcDirect&) { paint(); });
  ui->gridScripts.push_back([&](GridWindow& w) {
    ASSERT_TRUE(rs->FieldPut(2, Value("edited")));
    const auto text = [&](long row) { return w.cell(row, 1) + " " + w.cell(row, 2); };
    const auto expected = [](long row) {
      return std::to_string(row) + " name " + std::to_string(row);
    };
    // The first row, the middle one and the last one held: what a scrolled grid asks for.
    std::set<std::string> firstRow;
    long paints = 0;
    long wrong = 0;
    paint = [&] {
      ++paints;
      firstRow.insert(text(1));
      for (long row : {w.rowCount() / 2 + 1, w.rowCount()})
        wrong += row > 1 && text(row) != expected(row);
    };
    ui->pendingMessages = paint;
    while (ui->activeTimers() > 0) {
      ui->tickTimers();
      paint();
    }
    ui->pendingMessages = {};
    EXPECT_GT(paints, kRows);  // inside the ticks too, before every fetch
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(firstRow, std::set<std::string>{"1 edited"});
    EXPECT_EQ(rs->Recno(), 1);
    EXPECT_EQ(rs->nEditRecord(), 1);
    ASSERT_EQ(w.rowCount(), kRows);
    for (long row = 2; row <= kRows; ++row)
      ASSERT_EQ(text(row), expected(row));
    EXPECT_TRUE(rs->Update()) << rs->cLastError();
  });
  SCREENGRID(rs);
  TDbOdbcDirect check("SELECT name FROM " + rows + " WHERE id = 1", db.get());
  ASSERT_TRUE(check.Open());
  EXPECT_EQ(trimRight(CVALTOCHAR(check.FieldGet(1))), "edited");
  EXPECT_TRUE(db->aErrors().empty());
}

TEST_F(QueryFlow, ConnectionFailureAndEmptyDatabase) {
  OPENODBC("NoSuchSource", "", "");
  test::ScopedEnv odbcIni("ODBCINI", dir.file("odbc.ini"));
  writeFile(dir.file("odbc.ini"), test::sqliteDsn("Empty", dir.file("empty.db")));
  OPENODBC("Empty", "", "");
  ASSERT_EQ(ui->messages.size(), 2u);
  EXPECT_EQ(ui->messages[0].text,
            "ODBC session not successfully initialized: [IM002] [unixODBC][Driver Manager]Data "
            "source name not found and no default driver specified");
  EXPECT_EQ(ui->messages[1].text, "There are not tables on that database, aborting...");
}

TEST_F(QueryFlow, DialogsThatCannotOpenWithoutADisplay) {
  // The headless backend: the table list cannot open; the run reports it instead of waiting.
  std::unique_ptr<Ui> scripted = installUi(chooseUi());
  OPENODBC("TestSQLite", "", "");
  installUi(std::move(scripted));
  EXPECT_TRUE(errorsReported());
}

}  // namespace
}  // namespace tabulink
