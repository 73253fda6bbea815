#pragma once
// The backend without a display: message boxes go to standard error and are answered at once;
// dialogs that need a person do not open.

#include "gui/ui.h"

namespace tabulink {

class HeadlessUi : public Ui {
 public:
  // Writes the title, ": ", the text and a line feed to standard error.
  void messageBox(std::string_view title, std::string_view text, MessageIcon icon) override;
  DialogOutcome loginDialog(LoginDialog& dialog) override;
  DialogOutcome tableDialog(TableDialog& dialog) override;
  DialogOutcome queryPrompt(std::string_view title, std::string_view label, std::string& value,
                            bool& accepted) override;
  // Writes the title and then each line to standard error.
  void listDialog(std::string_view title, const std::vector<std::string>& lines) override;
  // Writes the message line and "See Error.log: " with the log's path; the answer is Quit.
  ErrorChoice errorDialog(const ErrorDialog& dialog) override;
  DialogOutcome gridWindow(GridWindow& window) override;
  void refreshGrid(WindowId) override {}
  // Without a message loop a timer never ticks.
  std::unique_ptr<UiTimer> createTimer(int intervalMs, std::function<void()> action) override;
  WindowId activeWindow() override { return 0; }
  void setWindowTitle(WindowId, std::string_view) override {}
  void lockWindow(WindowId, bool, std::function<void()>) override {}
  void showProgress(WindowId, std::string_view) override {}
  void processPendingMessages() override {}
  bool messagesRunCode() const override { return false; }
  void setWaitCursor(bool) override {}
};

}  // namespace tabulink
