#include "app/dialogs.h"

#include "app/error_collection.h"
#include "app/query_flow.h"
#include "app/run_settings.h"

namespace tabulink {

bool reportNoDisplay(DialogOutcome outcome, std::string_view dialog, std::string_view advice) {
  if (outcome != DialogOutcome::NoDisplay) return false;
  std::string text = "No display is available for the ";
  text.append(dialog).append(": ").append(advice);
  ZULERROR(text);
  return true;
}

void runLoginDialog(const std::vector<std::string>& dataSources, std::string_view advice) {
  RunSettings& s = runSettings();
  LoginDialog dialog{dataSources, s.DSN, s.User, s.Password,
                     [&s] { OPENODBC(s.DSN, s.User, s.Password); }};
  reportNoDisplay(ui().loginDialog(dialog), "log-in dialog", advice);
}

}  // namespace tabulink
