#include "gui/scripted_ui.h"

#include <algorithm>
#include <utility>

namespace tabulink {

class ScriptedUi::Timer : public UiTimer {
 public:
  Timer(ScriptedUi& ui, std::function<void()> action) : ui_(ui), action_(std::move(action)) {
    ui_.timers_.push_back(this);
  }
  ~Timer() override { std::erase(ui_.timers_, this); }
  void Activate() override { active_ = true; }
  void DeActivate() override { active_ = false; }
  bool active() const { return active_; }
  void tick() { action_(); }

 private:
  ScriptedUi& ui_;
  std::function<void()> action_;
  bool active_ = false;
};

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
  dialog.window = nextWindow_++;
  WindowId before = std::exchange(active, dialog.window);
  DialogOutcome outcome = runScript(tableScripts, dialog);
  active = before;
  return outcome;
}

DialogOutcome ScriptedUi::gridWindow(GridWindow& window) {
  gridTitles.push_back(window.title);
  window.window = nextWindow_++;
  runScript(gridScripts, window);
  window.onClose();
  return DialogOutcome::Closed;
}

std::unique_ptr<UiTimer> ScriptedUi::createTimer(int, std::function<void()> action) {
  return std::make_unique<Timer>(*this, std::move(action));
}

void ScriptedUi::tickTimers() {
  // A tick may create or end timers: run the ones active at the start of the round.
  std::vector<Timer*> round;
  for (Timer* timer : timers_)
    if (timer->active()) round.push_back(timer);
  for (Timer* timer : round)
    if (std::find(timers_.begin(), timers_.end(), timer) != timers_.end() && timer->active())
      timer->tick();
}

size_t ScriptedUi::activeTimers() const {
  return static_cast<size_t>(
      std::count_if(timers_.begin(), timers_.end(), [](const Timer* t) { return t->active(); }));
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
