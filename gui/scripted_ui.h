#pragma once
// The backend for tests: records every message box and answers dialogs from a script that the
// test sets. A dialog without a script closes at once, as if cancelled.

#include <deque>
#include <optional>

#include "gui/ui.h"

namespace tabulink {

class ScriptedUi : public Ui {
 public:
  struct Message {
    std::string title;
    std::string text;
    MessageIcon icon;
  };

  // Each dialog runs its script once, in the order the dialogs open; the script plays the person
  // (edits the bound values, calls onOk) and returning from it closes the dialog.
  std::deque<std::function<void(LoginDialog&)>> loginScripts;
  std::deque<std::function<void(TableDialog&)>> tableScripts;
  // Query prompts answered in order: a text is typed and OK pressed; nullopt cancels.
  std::deque<std::optional<std::string>> promptAnswers;

  // Error dialogs answered in order; Quit when none is left.
  std::deque<ErrorChoice> errorChoices;

  // Each grid window runs its script once, in order; without one it closes at once. Closing
  // asks the window's closing check.
  std::deque<std::function<void(GridWindow&)>> gridScripts;

  std::vector<Message> messages;  // every message box, in order
  struct List {
    std::string title;
    std::vector<std::string> lines;
  };
  std::vector<List> lists;                // every list dialog, in order
  std::vector<ErrorDialog> errorDialogs;  // every error dialog, in order
  std::vector<std::string> gridTitles;    // every grid window opened, in order
  int gridRefreshes = 0;
  int pendingMessageRuns = 0;  // calls of processPendingMessages
  // What the pending messages do each time they run (a grid painting, say); nothing when empty.
  std::function<void()> pendingMessages;
  bool waitCursor = false;

  // The active window; a table dialog is active while its script runs.
  WindowId active = 0;
  std::vector<std::pair<WindowId, std::string>> titles;    // every title set, in order
  std::vector<std::pair<WindowId, bool>> locks;            // every lock and unlock, in order
  std::vector<std::pair<WindowId, std::string>> progress;  // every progress line, in order
  std::function<void()> stopFetch;                         // what Esc would run now

  // Runs the action of every active timer once, as one round of timer messages would.
  void tickTimers();
  size_t activeTimers() const;

  void messageBox(std::string_view title, std::string_view text, MessageIcon icon) override;
  DialogOutcome loginDialog(LoginDialog& dialog) override;
  DialogOutcome tableDialog(TableDialog& dialog) override;
  DialogOutcome queryPrompt(std::string_view title, std::string_view label, std::string& value,
                            bool& accepted) override;
  void listDialog(std::string_view title, const std::vector<std::string>& lines) override;
  ErrorChoice errorDialog(const ErrorDialog& dialog) override;
  DialogOutcome gridWindow(GridWindow& window) override;
  void refreshGrid(WindowId) override { ++gridRefreshes; }
  std::unique_ptr<UiTimer> createTimer(int intervalMs, std::function<void()> action) override;
  WindowId activeWindow() override { return active; }
  void setWindowTitle(WindowId window, std::string_view title) override {
    titles.emplace_back(window, std::string(title));
  }
  void lockWindow(WindowId window, bool locked, std::function<void()> stop) override {
    locks.emplace_back(window, locked);
    stopFetch = locked ? std::move(stop) : std::function<void()>();
  }
  void showProgress(WindowId window, std::string_view text) override {
    progress.emplace_back(window, std::string(text));
  }
  void processPendingMessages() override {
    ++pendingMessageRuns;
    if (pendingMessages) pendingMessages();
  }
  bool messagesRunCode() const override { return false; }

 private:
  class Timer;
  std::vector<Timer*> timers_;
  WindowId nextWindow_ = 100;
  void setWaitCursor(bool wait) override { waitCursor = wait; }
};

}  // namespace tabulink
