#pragma once
// Runs the real tabulink binary as a user or cron would: in a given directory, with given
// environment changes, no standard input; returns its exit status and standard error.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace tabulink::test {

struct ProgramRun {
  int exitStatus = -1;
  std::string standardError;
};

// `env` entries are "NAME=value" pairs added to (or replacing in) the current environment.
inline ProgramRun runTabulink(const std::string& cwd, const std::vector<std::string>& args,
                              const std::vector<std::string>& env = {}) {
  std::string program = std::string(TABULINK_BINARY_DIR) + "/tabulink";
  std::string errFile = cwd + "/.stderr";
  // In the sanitizer build: the SQLite driver loads and unloads the ODBC installer library for
  // every connection, which leaves that library's profile cache behind as a leak of an unknown
  // module; the test processes keep the library loaded instead (test_environment.cpp), the
  // program cannot, so its leak check is left to the in-process tests.
  std::vector<std::string> changes = env;
  if (std::none_of(changes.begin(), changes.end(),
                   [](const std::string& c) { return c.starts_with("ASAN_OPTIONS="); }))
    changes.push_back("ASAN_OPTIONS=detect_leaks=0");
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& change : changes)
      replaced |= change.substr(0, change.find('=')) == name;
    if (!replaced) environment.push_back(entry);
  }
  environment.insert(environment.end(), changes.begin(), changes.end());

  std::vector<char*> argv{program.data()};
  std::vector<std::string> argCopies = args;
  for (std::string& a : argCopies)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : environment)
    envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  ProgramRun run;
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.standardError = readFile(errFile);
  unlink(errFile.c_str());
  return run;
}

}  // namespace tabulink::test
