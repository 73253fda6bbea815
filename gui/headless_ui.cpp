#include "gui/headless_ui.h"

#include <cstdio>
#include <string>

namespace tabulink {

namespace {

class IdleTimer : public UiTimer {
 public:
  void Activate() override {}
  void DeActivate() override {}
};

void writeError(const std::string& block) {
  std::fwrite(block.data(), 1, block.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void HeadlessUi::messageBox(std::string_view title, std::string_view text, MessageIcon) {
  std::string block;
  block.append(title).append(": ").append(text).append("\n");
  writeError(block);
}

void HeadlessUi::listDialog(std::string_view title, const std::vector<std::string>& lines) {
  std::string block;
  block.append(title).append(":\n");
  for (const std::string& line : lines)
    block.append(line).append("\n");
  writeError(block);
}

ErrorChoice HeadlessUi::errorDialog(const ErrorDialog& dialog) {
  writeError(dialog.message + "\nSee Error.log: " + dialog.logPath + "\n");
  return ErrorChoice::Quit;
}

DialogOutcome HeadlessUi::loginDialog(LoginDialog&) {
  return DialogOutcome::NoDisplay;
}

DialogOutcome HeadlessUi::tableDialog(TableDialog&) {
  return DialogOutcome::NoDisplay;
}

DialogOutcome HeadlessUi::gridWindow(GridWindow&) {
  return DialogOutcome::NoDisplay;
}

std::unique_ptr<UiTimer> HeadlessUi::createTimer(int, std::function<void()>) {
  return std::make_unique<IdleTimer>();
}

DialogOutcome HeadlessUi::queryPrompt(std::string_view, std::string_view, std::string&,
                                      bool& accepted) {
  accepted = false;
  return DialogOutcome::NoDisplay;
}

}  // namespace tabulink
