#include "gui/qt/qt_ui.h"

#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <vector>

#include "failure/program_end.h"
#include "failure/report_sources.h"
#include "gui/qt/error_dialog.h"
#include "gui/qt/grid_window.h"
#include "gui/qt/login_dialog.h"
#include "gui/qt/qt_text.h"
#include "gui/qt/query_prompt.h"
#include "gui/qt/table_dialog.h"

// Resources of a static library are registered by hand.
static void registerResources() {
  Q_INIT_RESOURCE(tabulink);
}

namespace tabulink {
namespace {

using qt::fromQString;
using qt::toQString;

WindowId idOf(QWidget* window) {
  return reinterpret_cast<WindowId>(window);
}

// A window timer: a QTimer owned by the window that was active when it was made (destroyed with
// it), else by this object; its action runs on the GUI thread.
class QtTimer : public UiTimer {
 public:
  QtTimer(int intervalMs, std::function<void()> action, QWidget* owner)
      : timer_(new QTimer(owner)) {
    timer_->setInterval(intervalMs);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, std::move(action));
  }
  ~QtTimer() override { delete timer_.data(); }
  QtTimer(const QtTimer&) = delete;
  QtTimer& operator=(const QtTimer&) = delete;

  void Activate() override {
    if (timer_) timer_->start();
  }
  void DeActivate() override {
    if (timer_) timer_->stop();
  }

 private:
  QPointer<QTimer> timer_;
};

class QtUi : public Ui {
 public:
  QtUi() {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "tabulink";
      static char* argv[] = {name, nullptr};
      app_ = std::make_unique<QApplication>(argc, argv);
    }
    registerResources();
    QApplication::setApplicationName(QStringLiteral("Tabulink"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/TABULINK")));
    // The error report lists the program's own windows by their titles.
    previousTitles_ = installWindowTitleSource([] {
      std::vector<std::string> titles;
      for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) titles.push_back(fromQString(window->windowTitle()));
      return titles;
    });
  }

  ~QtUi() override {
    installWindowTitleSource(std::move(previousTitles_));
    // Grids still open when the program ends close now, so their result sets end in order.
    for (const QPointer<qt::GridWindowWidget>& grid : grids_)
      delete grid.data();
    // Windows closed earlier wait for their deferred deletion; it happens before Qt goes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    while (waitCursor_)
      setWaitCursor(false);
  }

  void messageBox(std::string_view title, std::string_view text, MessageIcon icon) override {
    QMessageBox box(iconOf(icon), toQString(title), toQString(text), QMessageBox::Ok, owner());
    box.setWindowModality(Qt::WindowModal);
    box.exec();
  }

  DialogOutcome loginDialog(LoginDialog& dialog) override {
    qt::LoginDialogWidget widget(dialog, owner());
    widget.exec();
    return DialogOutcome::Closed;
  }

  DialogOutcome tableDialog(TableDialog& dialog) override {
    qt::TableDialogWidget widget(dialog, owner());
    dialog.window = idOf(&widget);
    widget.exec();
    dialog.window = 0;
    return DialogOutcome::Closed;
  }

  DialogOutcome queryPrompt(std::string_view title, std::string_view label, std::string& value,
                            bool& accepted) override {
    qt::QueryPromptDialog prompt(toQString(title), toQString(label), toQString(value), owner());
    accepted = prompt.exec() == QDialog::Accepted;
    if (accepted) {
      // The value keeps at least the length it came with.
      const size_t length = value.size();
      value = fromQString(prompt.text());
      if (value.size() < length) value.resize(length, ' ');
    }
    return DialogOutcome::Closed;
  }

  void listDialog(std::string_view title, const std::vector<std::string>& lines) override {
    qt::ListDialogWidget(toQString(title), lines, owner()).exec();
  }

  ErrorChoice errorDialog(const ErrorDialog& dialog) override {
    qt::ErrorDialogWidget widget(dialog, owner());
    widget.exec();
    return widget.choice();
  }

  DialogOutcome gridWindow(GridWindow& window) override {
    // A closed grid is deleted later; it no longer counts once hidden.
    std::erase_if(grids_, [](const QPointer<qt::GridWindowWidget>& grid) {
      return grid.isNull() || !grid->isVisible();
    });
    const bool another = !grids_.empty();
    auto* grid = new qt::GridWindowWidget(window);
    grids_.emplace_back(grid);
    current_ = grid;
    window.window = idOf(grid);
    grid->showMaximized();
    grid->activateWindow();
    grid->raise();
    if (another) return DialogOutcome::Closed;
    QEventLoop loop;
    QObject::connect(grid, &qt::GridWindowWidget::closed, &loop, &QEventLoop::quit);
    QObject::connect(grid, &QObject::destroyed, &loop, &QEventLoop::quit);
    // The first grid's loop is the program's main message loop: a run-time error met while it
    // runs may be retried.
    struct MainLoop {
      MainLoop() { setMainWindowRunning(true); }
      ~MainLoop() { setMainWindowRunning(false); }
      MainLoop(const MainLoop&) = delete;
      MainLoop& operator=(const MainLoop&) = delete;
    } running;
    loop.exec();
    return DialogOutcome::Closed;
  }

  void refreshGrid(WindowId window) override {
    for (const QPointer<qt::GridWindowWidget>& grid : grids_)
      if (grid && idOf(grid) == window) grid->refresh();
  }

  std::unique_ptr<UiTimer> createTimer(int intervalMs, std::function<void()> action) override {
    return std::make_unique<QtTimer>(intervalMs, std::move(action), owner());
  }

  WindowId activeWindow() override { return idOf(owner()); }

  void setWindowTitle(WindowId window, std::string_view title) override {
    if (QWidget* widget = find(window)) widget->setWindowTitle(toQString(title));
  }

  void lockWindow(WindowId window, bool locked, std::function<void()> stop) override {
    if (auto* dialog = qobject_cast<qt::TemplateDialog*>(find(window)))
      dialog->setLocked(locked, std::move(stop));
  }

  void showProgress(WindowId window, std::string_view text) override {
    if (auto* dialog = qobject_cast<qt::TemplateDialog*>(find(window)))
      dialog->showProgress(toQString(text));
  }

  void processPendingMessages() override { QCoreApplication::processEvents(); }
  bool messagesRunCode() const override { return true; }

  void setWaitCursor(bool wait) override {
    if (wait == waitCursor_) return;
    waitCursor_ = wait;
    if (wait)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  }

 private:
  static QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
      case MessageIcon::Information:
        return QMessageBox::Information;
      case MessageIcon::Exclamation:
        return QMessageBox::Warning;
      case MessageIcon::Stop:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
  }

  // The active window: the one the desktop made active, else the modal dialog on top, else the
  // grid shown last (a display without a window manager activates nothing).
  QWidget* owner() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (current_ && current_->isVisible()) return current_;
    return nullptr;
  }

  // A window of this program by its id; null for a window that is gone.
  static QWidget* find(WindowId window) {
    if (window == 0) return nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (idOf(widget) == window) return widget;
    return nullptr;
  }

  std::unique_ptr<QApplication> app_;
  NameListSource previousTitles_;
  std::vector<QPointer<qt::GridWindowWidget>> grids_;
  QPointer<qt::GridWindowWidget> current_;
  bool waitCursor_ = false;
};

}  // namespace

std::unique_ptr<Ui> createQtUi() {
  return std::make_unique<QtUi>();
}

}  // namespace tabulink
