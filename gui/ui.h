#pragma once
// The GUI layer: everything the driver and the result set ask of windows, dialogs and the message
// loop goes through one `Ui`. Backends: headless (no display), scripted (tests) and, on a desktop,
// a toolkit backend.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tabulink {

enum class MessageIcon { Information, Exclamation, Stop };

// A window of the program as the layer knows it; 0 is no window.
using WindowId = std::uintptr_t;

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
  WindowId window = 0;  // set by the backend while the dialog is open
};

// The grid window of the screen output: a maximized top-level window whose grid shows `rowCount`
// rows (the rows held now) of `headers.size()` columns; `cell` gives the text of a cell (rows and
// columns from 1), without blank padding. `complete` fetches the rest of the result (before every
// row is selected). `onClose` is the closing check: true allows the window to close. The backend
// keeps a copy.
struct GridWindow {
  std::string title;
  std::vector<std::string> headers;
  std::vector<bool> numeric;  // per column: a number, shown right-aligned
  // Per column: the widest value it can hold, in characters (0 when unknown); the values seen
  // widen a column up to it, and a number's column never hides a digit.
  std::vector<int> widths;
  std::function<long()> rowCount;
  std::function<std::string(long row, int column)> cell;
  std::function<void()> complete;
  std::function<bool()> onClose;
  // The file outputs the rows can be saved to (their names), and the saving of every row to one
  // of them (by its place in that list) at a path the user chose.
  std::vector<std::string> saveTypes;
  std::function<void(size_t type, const std::string& path)> save;
  WindowId window = 0;  // set by the backend once the window is shown
};

// A window timer: while active, its action runs on the GUI thread every interval, whenever a
// message loop runs. Destroying it stops it.
class UiTimer {
 public:
  virtual ~UiTimer() = default;
  virtual void Activate() = 0;
  virtual void DeActivate() = 0;
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

  // The query prompt: edits `value`, a statement of any length and any number of lines, padded
  // with blanks to at least the length it came with. `accepted` is true when it was closed with
  // OK, and only then is `value` changed.
  virtual DialogOutcome queryPrompt(std::string_view title, std::string_view label,
                                    std::string& value, bool& accepted) = 0;

  // A modal list of lines under a title.
  virtual void listDialog(std::string_view title, const std::vector<std::string>& lines) = 0;

  virtual ErrorChoice errorDialog(const ErrorDialog& dialog) = 0;

  // Shows the grid window. The first one returns when the user has closed it; one opened while
  // another is open returns at once.
  virtual DialogOutcome gridWindow(GridWindow& window) = 0;
  // Shows again what the grid window `window` holds (rows may have been added).
  virtual void refreshGrid(WindowId window) = 0;

  // A timer owned by the window active now, created inactive.
  virtual std::unique_ptr<UiTimer> createTimer(int intervalMs, std::function<void()> action) = 0;

  virtual WindowId activeWindow() = 0;
  virtual void setWindowTitle(WindowId window, std::string_view title) = 0;
  // Locks `window` during a synchronous fetch (its controls disabled, closing refused, the wait
  // cursor over it), or unlocks it again. While locked, its Esc key and Cancel button run `stop`.
  virtual void lockWindow(WindowId window, bool locked, std::function<void()> stop) = 0;
  // A line of progress shown in the locked `window` until it is unlocked.
  virtual void showProgress(WindowId window, std::string_view text) = 0;

  // Lets pending window messages run (a long fetch calls this before every row).
  virtual void processPendingMessages() = 0;
  // Whether pending window messages can run the program's own code (a timer's action, a
  // dialog's button): true for a desktop backend; the headless and scripted ones run nothing.
  virtual bool messagesRunCode() const = 0;
  // The wait cursor while true, the arrow cursor again when false.
  virtual void setWaitCursor(bool wait) = 0;
};

// The process-wide backend; the headless one until `installUi` chooses another.
Ui& ui();
// Installs `backend` and returns the one it replaces.
std::unique_ptr<Ui> installUi(std::unique_ptr<Ui> backend);

// The backend for this process: the desktop one when a display answers (or the toolkit's
// platform is set explicitly), else headless. Defined by the desktop backend's library (gui/qt),
// the only one that links the toolkit.
std::unique_ptr<Ui> chooseUi();

// Whether chooseUi found a display that answers (an X server or a Wayland compositor), on which
// other programs (a mail client, a viewer) can open windows too; false until it is called.
bool displayAvailable();
void setDisplayAvailable(bool available);

}  // namespace tabulink
