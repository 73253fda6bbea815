#include "failure/tmail.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace tabulink {
namespace {

constexpr const char* kMailProgram = "xdg-email";

std::string recipientText(const MailAddress& address) {
  if (address.first.empty()) return address.second;
  return address.first + " <" + address.second + ">";
}

// Runs `argv` without a shell (no text of the mail is ever read as a command) and returns its
// exit status, or -1 when it could not be started or did not exit normally.
int runCommand(const std::vector<std::string>& argv) {
  std::vector<std::string> copies = argv;
  std::vector<char*> args;
  for (std::string& arg : copies)
    args.push_back(arg.data());
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

std::vector<std::string> TMail::command() const {
  std::vector<std::string> argv{kMailProgram, "--subject", cSubject, "--body", cNoteText};
  for (size_t i = 1; i < aRecipients.size(); ++i) {
    argv.push_back("--cc");
    argv.push_back(recipientText(aRecipients[i]));
  }
  for (const MailFile& file : aFiles) {
    argv.push_back("--attach");
    argv.push_back(file.first);
  }
  if (!aRecipients.empty()) argv.push_back(recipientText(aRecipients.front()));
  return argv;
}

void TMail::Activate() {
  if (nRetCode != -1) {
    nRetCode = runCommand(command());
    if (nRetCode != 0) nRetCode = -1;
  }
}

}  // namespace tabulink
