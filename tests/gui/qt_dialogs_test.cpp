// The desktop's dialogs as real widgets on the offscreen platform, opened through the GUI layer
// and driven by keys and clicks: log-in, table list, query prompt, message boxes, the lock of a
// dialog during a fetch, and window timers.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <filesystem>

#include "failure/report_sources.h"
#include "gui/ui.h"
#include "qt_person.h"
#include "support/odbc_env.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::click;
using test::Person;
using test::typeInto;

template <class T>
T* child(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// The widgets that Tab visits from `first`, in order, until it comes round again.
std::vector<QString> tabCycle(QWidget* first) {
  std::vector<QString> names;
  QWidget* widget = first;
  do {
    names.push_back(widget->objectName());
    widget = widget->nextInFocusChain();
    while (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(first->window()) ||
           widget->isWindow())
      widget = widget->nextInFocusChain();
  } while (widget != first && names.size() < 20);
  return names;
}

// No two of the window's direct children overlap, and each lies inside it.
void expectTidyLayout(QWidget& window) {
  const QList<QWidget*> children = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* a : children) {
    EXPECT_TRUE(window.rect().contains(a->geometry())) << a->objectName().toStdString();
    for (QWidget* b : children) {
      if (a == b) continue;
      EXPECT_FALSE(a->geometry().intersects(b->geometry()))
          << a->objectName().toStdString() << " overlaps " << b->objectName().toStdString();
    }
  }
}

TEST(QtDialogs, LoginDialogAsLaidOutBoundAndClosedEveryWay) {
  const std::vector<std::string> sources{"Sales", "Stock", "Archive"};
  std::string dsn = "Nowhere", user = "ann", password = "secret";
  int connects = 0;
  LoginDialog dialog{sources, dsn, user, password, [&] { ++connects; }};

  Person person;
  person.then("ODBC Login", [&](QWidget& w) {
    auto* combo = child<QComboBox>(w, "dsn");
    auto* name = child<QLineEdit>(w, "user");
    auto* secret = child<QLineEdit>(w, "password");
    auto* ok = child<QPushButton>(w, "ok");
    // Opened with the first data source, the configured user and password; no help button.
    EXPECT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->currentText(), "Sales");
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(name->text(), "ann");
    EXPECT_EQ(secret->text(), "secret");
    EXPECT_EQ(secret->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(child<QPushButton>(w, "cancel")->isDefault());
    EXPECT_EQ(child<QLabel>(w, "dsnLabel")->text(), "&DSN Entry:");
    EXPECT_EQ(child<QLabel>(w, "userLabel")->text(), "&Name:");
    EXPECT_EQ(child<QLabel>(w, "passwordLabel")->text(), "&Password:");
    EXPECT_EQ(tabCycle(combo), (std::vector<QString>{"dsn", "user", "password", "ok", "cancel"}));
    // The template's arrangement: fields in a column, buttons beside them, nothing overlapping.
    expectTidyLayout(w);
    EXPECT_LT(combo->y(), name->y());
    EXPECT_LT(name->y(), secret->y());
    EXPECT_GT(ok->x(), combo->geometry().right());
    EXPECT_LT(ok->y(), child<QPushButton>(w, "cancel")->y());
    EXPECT_GT(w.width(), w.height());

    // Alt+N reaches the user field through its label's mnemonic; typing edits the run's value.
    QTest::keyClick(&w, Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), name);
    typeInto(*name, "bob");
    combo->setCurrentIndex(1);
    // OK runs the bound routine and leaves the dialog open, Enter too.
    click(w, "ok");
    QTest::keyClick(secret, Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(connects, 2);
    QTest::keyClick(&w, Qt::Key_Escape);
  });
  EXPECT_EQ(ui().loginDialog(dialog), DialogOutcome::Closed);
  EXPECT_EQ(dsn, "Stock");
  EXPECT_EQ(user, "bob");

  // Cancel and the close box end it too, without running the routine.
  person.then("ODBC Login", [](QWidget& w) { click(w, "cancel"); });
  ui().loginDialog(dialog);
  person.then("ODBC Login", [](QWidget& w) { w.close(); });
  ui().loginDialog(dialog);
  EXPECT_EQ(connects, 2);
  EXPECT_TRUE(person.done());
}

TEST(QtDialogs, TableDialogRunsItsRoutineAndRefusesToCloseWhileLocked) {
  const std::vector<std::string> tables{"zebra", "apple", "mango"};
  std::string selected = "zebra";
  bool asynchronous = false;
  TableDialog dialog{tables, selected, asynchronous, {}};
  std::vector<std::string> opened;
  dialog.onOk = [&] {
    opened.push_back(selected);
    // The routine runs with the dialog locked, as a synchronous fetch does.
    ui().lockWindow(dialog.window, true, {});
    QWidget* w = test::windowTitled("Select ODBC source database");
    EXPECT_FALSE(child<QPushButton>(*w, "cancel")->isEnabled());
    // An error report now would list the dialog among the program's windows.
    EXPECT_EQ(topLevelWindowTitles(), std::vector<std::string>{"Select ODBC source database"});
    QTest::keyClick(w, Qt::Key_Escape);
    w->close();
    ui().processPendingMessages();
    EXPECT_TRUE(w->isVisible()) << "a locked dialog closed";
    ui().lockWindow(dialog.window, false, {});
  };

  Person person;
  person.then("Select ODBC source database", [&](QWidget& w) {
    auto* list = child<QListWidget>(w, "tables");
    auto* check = child<QCheckBox>(w, "asynchronous");
    // The data source's order, not sorted; the first selected; the list is no tab stop.
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "zebra");
    EXPECT_EQ(list->item(2)->text(), "mango");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(check->text(), "Asynchronous mode");
    EXPECT_TRUE(child<QPushButton>(w, "ok")->isDefault());
    EXPECT_EQ(tabCycle(check), (std::vector<QString>{"asynchronous", "ok", "cancel"}));
    expectTidyLayout(w);
    EXPECT_EQ(dialog.window, reinterpret_cast<WindowId>(&w));
    EXPECT_EQ(ui().activeWindow(), dialog.window);

    QTest::keyClick(check, Qt::Key_Space);
    // Alt+T reaches the list again from the keyboard.
    QTest::keyClick(&w, Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), list);
    list->setCurrentRow(1);
    click(w, "ok");
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(child<QPushButton>(w, "cancel")->isEnabled()) << "still locked";
    const QRect third = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third.center());
    click(w, "cancel");
  });
  ui().tableDialog(dialog);
  EXPECT_EQ(opened, (std::vector<std::string>{"apple", "mango"}));
  EXPECT_TRUE(asynchronous);
  EXPECT_EQ(dialog.window, 0u);
}

TEST(QtDialogs, QueryPromptTakesLongStatementsOverLinesAndCancelLeavesTheValue) {
  const std::string padded = std::string("SELECT * FROM towns") + std::string(237, ' ');
  std::string value = padded;
  bool accepted = true;

  Person person;
  person.then("ODBC SQL Query", [](QWidget& w) {
    auto* field = w.findChild<QPlainTextEdit*>();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->toPlainText(), "SELECT * FROM towns");
    EXPECT_EQ(w.findChild<QLabel*>()->text(), "Sql Query");
    EXPECT_EQ(QApplication::focusWidget(), field);
    // Wide enough for a statement, not only its first words.
    EXPECT_GE(field->width(), QFontMetrics(field->font()).horizontalAdvance(QString(60, u'x')));
    QPushButton* ok = nullptr;
    for (QPushButton* button : w.findChildren<QPushButton*>())
      if (button->text() == "&Ok") ok = button;
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    // Centred on the screen.
    const QPoint centre = w.screen()->availableGeometry().center();
    EXPECT_LE((w.frameGeometry().center() - centre).manhattanLength(), 4);
    typeInto(*field, "abc");
    QTest::keyClick(field, Qt::Key_Escape);
  });
  ui().queryPrompt("ODBC SQL Query", "Sql Query", value, accepted);
  EXPECT_FALSE(accepted);
  EXPECT_EQ(value, padded);

  person.then("ODBC SQL Query", [](QWidget& w) { click(w, "&Cancel"); });
  ui().queryPrompt("ODBC SQL Query", "Sql Query", value, accepted);
  person.then("ODBC SQL Query", [](QWidget& w) { w.close(); });
  ui().queryPrompt("ODBC SQL Query", "Sql Query", value, accepted);
  EXPECT_FALSE(accepted);
  EXPECT_EQ(value, padded);

  // 300 characters over two lines (Shift+Return breaks the line), all kept; Return runs it.
  person.then("ODBC SQL Query", [](QWidget& w) {
    auto* field = w.findChild<QPlainTextEdit*>();
    field->clear();
    typeInto(*field, "SELECT " + QString(293, u'x'));
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(field, "FROM t");
    QTest::keyClick(field, Qt::Key_Return);
  });
  ui().queryPrompt("ODBC SQL Query", "Sql Query", value, accepted);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(value, "SELECT " + std::string(293, 'x') + "\nFROM t");
  EXPECT_TRUE(person.done());
}

TEST(QtDialogs, MessageBoxesCarryTitleTextAndIcon) {
  Person person;
  std::vector<QMessageBox::Icon> icons;
  for (int i = 0; i < 3; ++i)
    person.then("Alert", [&](QWidget& w) {
      auto* box = qobject_cast<QMessageBox*>(&w);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text(), "Invalid DSN Entry: Sales");
      icons.push_back(box->icon());
      QTest::keyClick(&w, Qt::Key_Return);
    });
  ui().messageBox("Alert", "Invalid DSN Entry: Sales", MessageIcon::Information);
  ui().messageBox("Alert", "Invalid DSN Entry: Sales", MessageIcon::Exclamation);
  ui().messageBox("Alert", "Invalid DSN Entry: Sales", MessageIcon::Stop);
  EXPECT_EQ(icons, (std::vector<QMessageBox::Icon>{QMessageBox::Information, QMessageBox::Warning,
                                                   QMessageBox::Critical}));
}

TEST(QtDialogs, ErrorDialogOffersOnlyTheAnswersTheErrorAllowsInTheirPlaces) {
  ErrorDialog error{"Data width error", {"   Called from EXPORT(12)"}, false, false, "Error.log"};
  // The buttons from left to right; the default one marked "*".
  auto row = [](QWidget& w) {
    std::vector<QPushButton*> buttons;
    for (QPushButton* button : w.findChildren<QPushButton*>())
      if (button->objectName() != "seeLog") buttons.push_back(button);
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    QStringList texts;
    for (QPushButton* button : buttons)
      texts << button->text() + (button->isDefault() ? "*" : "");
    return texts.join(' ');
  };
  Person person;
  person.then("Error", [&](QWidget& w) {
    EXPECT_EQ(row(w), "&Quit*");
    QPushButton* quit = w.findChild<QPushButton*>();
    for (QPushButton* button : w.findChildren<QPushButton*>())
      if (button->text() == "&Quit") quit = button;
    EXPECT_NEAR(quit->geometry().center().x(), w.width() / 2, w.width() / 10) << "centred";
    EXPECT_EQ(w.findChild<QListWidget*>("stack")->item(0)->text(), "   Called from EXPORT(12)");
    EXPECT_EQ(w.findChild<QLabel*>("description")->text(),
              "   Error description: Data width error");
    // Enter takes the default button.
    QTest::keyClick(&w, Qt::Key_Return);
  });
  EXPECT_EQ(ui().errorDialog(error), ErrorChoice::Quit);

  error.canDefault = true;
  person.then("Error", [&](QWidget& w) {
    EXPECT_EQ(row(w), "&Quit* &Default");
    click(w, "&Default");
  });
  EXPECT_EQ(ui().errorDialog(error), ErrorChoice::Default);

  error.canDefault = false;
  error.canRetry = true;
  person.then("Error", [&](QWidget& w) {
    EXPECT_EQ(row(w), "&Quit* &Retry");
    w.close();  // the close box is Quit
  });
  EXPECT_EQ(ui().errorDialog(error), ErrorChoice::Quit);

  // "See Error.log file" hands the log to the desktop's viewer (a stand-in xdg-open first on the
  // PATH records its arguments) and leaves the dialog open.
  error.canDefault = true;
  test::TempDir bin;
  test::writeFile(bin.file("xdg-open"), "#!/bin/sh\necho \"$@\" > '" + bin.file("opened") + "'\n");
  std::filesystem::permissions(bin.file("xdg-open"), std::filesystem::perms::owner_all);
  test::ScopedEnv path("PATH", bin.path().string() + ":" + std::getenv("PATH"));
  person.then("Error", [&](QWidget& w) {
    EXPECT_EQ(row(w), "&Retry &Quit* &Default");
    click(w, "See Error.log file");
    // The opener runs on its own: it has written its line once the line feed is there (the file
    // exists, empty, before that).
    for (int waited = 0; waited < 100 && !test::readFile(bin.file("opened")).ends_with('\n');
         ++waited)
      QTest::qWait(20);
    EXPECT_EQ(test::readFile(bin.file("opened")), "Error.log\n");
    EXPECT_TRUE(w.isVisible());
    click(w, "&Retry");
  });
  EXPECT_EQ(ui().errorDialog(error), ErrorChoice::Retry);

  // An opener that finds no viewer: the dialog says so. A long description shows whole.
  test::writeFile(bin.file("xdg-open"), "#!/bin/sh\nexit 3\n");
  error.message = "Error DBFNTX/1004  Create error: /srv/exports/" + std::string(300, 'x') + ".dbf";
  person.then("Error", [&](QWidget& w) {
    auto* description = w.findChild<QLabel*>("description");
    EXPECT_GE(description->height(), description->heightForWidth(description->width()));
    EXPECT_LE(description->geometry().bottom(), w.findChild<QPushButton*>("seeLog")->y());
    // The dialog grew with it: its buttons are still inside.
    for (QPushButton* button : w.findChildren<QPushButton*>())
      EXPECT_LE(button->geometry().bottom(), w.height()) << button->text().toStdString();
    auto* seeLog = w.findChild<QPushButton*>("seeLog");
    click(w, "seeLog");
    EXPECT_TRUE(QTest::qWaitFor([seeLog] { return seeLog->text() == "No viewer for Error.log"; }));
    click(w, "&Quit");
  });
  EXPECT_EQ(ui().errorDialog(error), ErrorChoice::Quit);
}

TEST(QtDialogs, TimersTickInTheMessageLoopAndDieWithTheirWindow) {
  int ticks = 0;
  std::unique_ptr<UiTimer> loose = ui().createTimer(1, [&] { ++ticks; });
  QTest::qWait(20);
  EXPECT_EQ(ticks, 0) << "a timer is created inactive";
  loose->Activate();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
  loose->DeActivate();
  const int stopped = ticks;
  QTest::qWait(20);
  EXPECT_EQ(ticks, stopped);

  // A timer made while a window is active belongs to it: closing the window ends the timer, and
  // the timer object outlives it harmlessly.
  auto owner = std::make_unique<QWidget>();
  owner->show();
  QApplication::setActiveWindow(owner.get());
  ASSERT_EQ(ui().activeWindow(), reinterpret_cast<WindowId>(owner.get()));
  ui().setWindowTitle(ui().activeWindow(), "Rows retrieved so far:      12");
  EXPECT_EQ(owner->windowTitle(), "Rows retrieved so far:      12");
  std::unique_ptr<UiTimer> owned = ui().createTimer(1, [&] { ++ticks; });
  owned->Activate();
  owner.reset();
  const int before = ticks;
  QTest::qWait(20);
  EXPECT_EQ(ticks, before);
  owned->Activate();
  owned->DeActivate();
}

}  // namespace
}  // namespace tabulink
