#include "gui/headless_ui.h"

#include <cstdio>
#include <string>

namespace tabulink {

void HeadlessUi::messageBox(std::string_view title, std::string_view text, MessageIcon) {
  std::string block;
  block.reserve(title.size() + text.size() + 3);
  block.append(title).append(": ").append(text).append("\n");
  std::fwrite(block.data(), 1, block.size(), stderr);
  std::fflush(stderr);
}

DialogOutcome HeadlessUi::loginDialog(LoginDialog&) {
  return DialogOutcome::NoDisplay;
}

DialogOutcome HeadlessUi::tableDialog(TableDialog&) {
  return DialogOutcome::NoDisplay;
}

DialogOutcome HeadlessUi::queryPrompt(std::string_view, std::string_view, std::string&,
                                      bool& accepted) {
  accepted = false;
  return DialogOutcome::NoDisplay;
}

}  // namespace tabulink
