// Renders the desktop's windows to PNG files for the README: the log-in dialog, the table
// dialog, the query prompt and a grid over the demo data source, each as a person reaches it in
// an interactive run (offscreen platform, QWidget::grab). Run by `make screens`, with the demo's
// ODBC configuration in the environment and the folder for the pictures in TABULINK_SCREENS.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "app/command_line.h"
#include "app/main_sequence.h"
#include "gui/ui.h"
#include "qt_person.h"

namespace tabulink {
namespace {

using test::click;
using test::Person;

void save(QWidget& window, const char* name) {
  const char* folder = std::getenv("TABULINK_SCREENS");
  ASSERT_NE(folder, nullptr) << "TABULINK_SCREENS names the folder for the pictures";
  const QString path = QString::fromUtf8(folder) + "/" + name + ".png";
  EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
}

TEST(Screens, RenderTheInteractiveRun) {
  const std::filesystem::path work = std::filesystem::temp_directory_path() / "tabulink-screens";
  std::filesystem::create_directories(work);
  std::filesystem::current_path(work);
  Person person;
  person.then("ODBC Login", [](QWidget& w) {
    save(w, "login");
    click(w, "ok");
  });
  person.then("Select ODBC source database", [](QWidget& w) {
    auto* list = w.findChild<QListWidget*>("tables");
    list->setCurrentItem(list->findItems("customers", Qt::MatchExactly).value(0));
    save(w, "tables");
    click(w, "ok");
  });
  person.then("ODBC SQL Query", [](QWidget& w) {
    QTest::keyClick(w.findChild<QPlainTextEdit*>(), Qt::Key_End);
    QTest::keyClicks(w.findChild<QPlainTextEdit*>(), " ORDER BY name");
    save(w, "prompt");
    QTest::keyClick(w.findChild<QPlainTextEdit*>(), Qt::Key_Return);
  });
  person.then("Tabulink rel.", [](QWidget& grid) {
    grid.showNormal();
    grid.resize(900, 330);
    QTest::qWait(50);
    save(grid, "grid");
    grid.close();
  });
  person.then("Select ODBC source database", [](QWidget& w) { click(w, "cancel"); });
  person.then("ODBC Login", [](QWidget& w) { click(w, "cancel"); });
  MAIN(parseCommandLine({}));

  person.then("Error", [](QWidget& w) {
    save(w, "error");
    click(w, "&Quit");
  });
  ui().errorDialog({"Error DBFNTX/1021  Data width error",
                    {"   Called from TABLE:PUT(311)", "   Called from ZULCREAROW(88)",
                     "   Called from OPENTABLE(121)", "   Called from MAIN(63)"},
                    false,
                    true,
                    "Error.log"});
}

}  // namespace
}  // namespace tabulink
