#include "gui/scripted_ui.h"

namespace tabulink {
namespace {

template <typename Dialog>
DialogOutcome runScript(std::deque<std::function<void(Dialog&)>>& scripts, Dialog& dialog) {
  if (!scripts.empty()) {
    auto script = std::move(scripts.front());
    scripts.pop_front();
    script(dialog);
  }
  return DialogOutcome::Closed;
}

}  // namespace

void ScriptedUi::messageBox(std::string_view title, std::string_view text, MessageIcon icon) {
  messages.push_back({std::string(title), std::string(text), icon});
}

void ScriptedUi::listDialog(std::string_view title, const std::vector<std::string>& lines) {
  lists.push_back({std::string(title), lines});
}

ErrorChoice ScriptedUi::errorDialog(const ErrorDialog& dialog) {
  errorDialogs.push_back(dialog);
  if (errorChoices.empty()) return ErrorChoice::Quit;
  ErrorChoice choice = errorChoices.front();
  errorChoices.pop_front();
  return choice;
}

DialogOutcome ScriptedUi::loginDialog(LoginDialog& dialog) {
  return runScript(loginScripts, dialog);
}

DialogOutcome ScriptedUi::tableDialog(TableDialog& dialog) {
  return runScript(tableScripts, dialog);
}

DialogOutcome ScriptedUi::queryPrompt(std::string_view, std::string_view, std::string& value,
                                      bool& accepted) {
  accepted = false;
  if (promptAnswers.empty()) return DialogOutcome::Closed;
  std::optional<std::string> answer = std::move(promptAnswers.front());
  promptAnswers.pop_front();
  if (answer) {
    value = *answer;
    accepted = true;
  }
  return DialogOutcome::Closed;
}

}  // namespace tabulink
