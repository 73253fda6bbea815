#pragma once
// A server that accepts and never answers (support/silent_listener.py), for the tests of what
// may hang: it stands in for a database server or an X display while the object lives.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

namespace tabulink::test {

class SilentListener {
 public:
  // `display`: listens on port 6000 + N and `number()` is N; otherwise `number()` is the port.
  explicit SilentListener(bool display = false) {
    int toChild[2], fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    std::string python = "/usr/bin/python3",
                script = TABULINK_SOURCE_DIR "/tests/support/silent_listener.py",
                flag = "--display";
    char* argv[] = {python.data(), script.data(), display ? flag.data() : nullptr, nullptr};
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    input_ = toChild[1];
    std::string line;
    char c;
    while (::read(fromChild[0], &c, 1) == 1 && c != '\n')
      line += c;
    ::close(fromChild[0]);
    number_ = line.empty() ? -1 : std::stoi(line);
  }
  ~SilentListener() {
    ::close(input_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  int number() const { return number_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int number_ = -1;
};

}  // namespace tabulink::test
