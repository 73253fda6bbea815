// Renders the desktop's windows to PNG files for the README: the log-in dialog, the table
// dialog, the query prompt and a grid over the demo data source, each as a person reaches it in
// an interactive run, and the error dialog of an output that cannot be created (offscreen
// platform, QWidget::grab, under a plain title bar: the titles carry the row counts). Run by
// `make screens`, with the demo's ODBC configuration in the environment and the folder for the
// pictures in TABULINK_SCREENS.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "app/command_line.h"
#include "app/main_sequence.h"
#include "failure/os_code.h"
#include "failure/run_error.h"
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
  // The offscreen platform draws no frames: the title goes into a bar of the picture's own.
  const QPixmap contents = window.grab();
  const int bar = window.fontMetrics().height() + 10;
  QImage framed(contents.width() + 2, contents.height() + bar + 1, QImage::Format_RGB32);
  framed.fill(QColor(0x50, 0x50, 0x50));
  QPainter painter(&framed);
  painter.fillRect(1, 1, contents.width(), bar - 1, QColor(0xdd, 0xdd, 0xdd));
  QFont font = window.font();
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRect(8, 1, contents.width() - 16, bar - 1), Qt::AlignVCenter | Qt::AlignLeft,
                   window.windowTitle());
  painter.drawPixmap(1, bar, contents);
  painter.end();
  EXPECT_TRUE(framed.save(path)) << path.toStdString();
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
    // A statement over two lines: Shift+Return starts the second.
    QTest::keyClick(w.findChild<QPlainTextEdit*>(), Qt::Key_End);
    QTest::keyClick(w.findChild<QPlainTextEdit*>(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(w.findChild<QPlainTextEdit*>(), "ORDER BY name");
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
  // A DBF output whose folder is missing: the message names the output as the job gave it.
  RunError error = makeRunError(EG_CREATE, "DBFNTX", 1004);
  error.OSCODE = osCodeFromErrno(ENOENT);
  error.errnoValue = ENOENT;
  error.FILENAME = "/home/ana/reports/2024/quarterly/customers.dbf";
  ui().errorDialog({ERRORMESSAGE(error),
                    {"   Called from DBFTABLE:CREATE(95)", "   Called from ZULCREAHEAD(61)",
                     "   Called from OPENTABLE(197)", "   Called from MAIN(63)"},
                    true,
                    true,
                    "Error.log"});
}

}  // namespace
}  // namespace tabulink
