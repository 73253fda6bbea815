#pragma once
// Runs the real tabulink binary as a user or cron would: in a given directory, with given
// environment changes, no standard input; returns its exit status and standard error. Or starts
// it and waits for it later, for runs that overlap or are sent a signal.

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
  int exitStatus = -1;  // 128 + the signal for a process a signal ended (as a shell shows it)
  bool signaled = false;
  std::string standardError;
};

// A started run: its process and the file that collects its standard error.
struct StartedRun {
  pid_t pid = -1;
  std::string errFile;
};

// `env` entries are "NAME=value" pairs added to (or replacing in) the current environment.
// `shellSetUp`, when given, are shell commands run just before the program replaces the shell
// ("ulimit -f 100", "umask 0277"). Standard error goes to `errName` in `cwd`.
inline StartedRun startTabulink(const std::string& cwd, const std::vector<std::string>& args,
                                const std::vector<std::string>& env = {},
                                const std::string& shellSetUp = {},
                                const std::string& errName = ".stderr") {
  std::string program = std::string(TABULINK_BINARY_DIR) + "/tabulink";
  std::string errFile = cwd + "/" + errName;
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

  std::string shell = "/bin/sh", dashC = "-c", script = shellSetUp + "\nexec \"$0\" \"$@\"";
  std::vector<char*> argv{program.data()};
  if (!shellSetUp.empty()) argv = {shell.data(), dashC.data(), script.data(), program.data()};
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
  StartedRun started{-1, errFile};
  if (posix_spawn(&started.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
    started.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return started;
}

inline ProgramRun waitForTabulink(const StartedRun& started) {
  ProgramRun run;
  if (started.pid > 0) {
    int status = 0;
    waitpid(started.pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.signaled = WIFSIGNALED(status);
  }
  run.standardError = readFile(started.errFile);
  unlink(started.errFile.c_str());
  return run;
}

inline ProgramRun runTabulink(const std::string& cwd, const std::vector<std::string>& args,
                              const std::vector<std::string>& env = {},
                              const std::string& shellSetUp = {}) {
  return waitForTabulink(startTabulink(cwd, args, env, shellSetUp));
}

}  // namespace tabulink::test
