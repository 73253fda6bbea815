#pragma once
// The GUI layer: everything the driver and the result set ask of windows, dialogs and the message
// loop goes through one `Ui`. Backends: headless (no display), scripted (tests) and, on a desktop,
// a toolkit backend.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tabulink {

enum class MessageIcon { Information, Exclamation, Stop };

// How a modal dialog ended. `NoDisplay`: it could not open because no person can answer it; the
// caller reports that and goes on as if the dialog had been cancelled.
enum class DialogOutcome { Closed, NoDisplay };

// The log-in dialog: a choice of data source, a user and a password, edited in place. OK runs
// `onOk` and leaves the dialog open; Cancel closes it.
struct LoginDialog {
  const std::vector<std::string>& dataSources;
  std::string& dsn;
  std::string& user;
  std::string& password;
  std::function<void()> onOk;
};

// The table dialog: a list of tables whose selection is edited in place, a check box bound to
// `asynchronous`; double-click and OK run `onOk` and leave the dialog open; Cancel closes it.
struct TableDialog {
  const std::vector<std::string>& tables;
  std::string& selected;
  bool& asynchronous;
  std::function<void()> onOk;
};

// The run-time error dialog: the message line, the call stack, and the buttons the error allows
// (Quit always). "See Error.log file" opens the log at `logPath` in the desktop's viewer.
struct ErrorDialog {
  std::string message;
  std::vector<std::string> stack;
  bool canRetry = false;
  bool canDefault = false;
  std::string logPath;
};
enum class ErrorChoice { Quit, Retry, Default };

class Ui {
 public:
  virtual ~Ui() = default;

  // Modal message box owned by the active window; returns when it is dismissed.
  virtual void messageBox(std::string_view title, std::string_view text, MessageIcon icon) = 0;

  virtual DialogOutcome loginDialog(LoginDialog& dialog) = 0;
  virtual DialogOutcome tableDialog(TableDialog& dialog) = 0;

  // The query prompt: edits `value`, a text of fixed length. `accepted` is true when it was closed
  // with OK, and only then is `value` changed.
  virtual DialogOutcome queryPrompt(std::string_view title, std::string_view label,
                                    std::string& value, bool& accepted) = 0;

  // A modal list of lines under a title.
  virtual void listDialog(std::string_view title, const std::vector<std::string>& lines) = 0;

  virtual ErrorChoice errorDialog(const ErrorDialog& dialog) = 0;

  // Lets pending window messages run (a long fetch calls this before every row).
  virtual void processPendingMessages() = 0;
  // The wait cursor while true, the arrow cursor again when false.
  virtual void setWaitCursor(bool wait) = 0;
};

// The process-wide backend; the headless one until `installUi` chooses another.
Ui& ui();
// Installs `backend` and returns the one it replaces.
std::unique_ptr<Ui> installUi(std::unique_ptr<Ui> backend);

// The backend for this process: headless without a display. The desktop toolkit backend is not
// built yet, so a display changes nothing for now.
std::unique_ptr<Ui> chooseUi();

// Whether a display is available for windows: DISPLAY or WAYLAND_DISPLAY set, or
// QT_QPA_PLATFORM set explicitly.
bool displayAvailable();

}  // namespace tabulink
