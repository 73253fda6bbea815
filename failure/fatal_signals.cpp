#include "failure/fatal_signals.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/write_all.h"
#include "failure/error_log.h"
#include "failure/error_report.h"
#include "failure/errorsys.h"
#include "failure/run_files.h"
#include "failure/system_facts.h"

namespace tabulink {
namespace {

constexpr std::array kFatalSignals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kMaxFrames = 64;
constexpr size_t kPathBytes = 4096;

// Everything the handler needs is made before any crash: it may only call what is safe in a
// signal handler, and the heap may be what broke.
char logPath[kPathBytes] = {};
char writingPath[kPathBytes] = {};  // beside the log, renamed onto it once written
std::string* reportHead = nullptr;  // the report's first lines, made once
timespec started{};
long secondsBefore = 0;  // from the start of the process to the installation
std::array<struct sigaction, NSIG> previous{};
std::atomic<bool> entered{false};
std::atomic<bool> reported{false};

void writeReport(int signal) {
  const int fd = ::open(writingPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return;
  writeAll(fd, *reportHead);
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  char time[kTimeFromStartBytes];
  writeAll(fd, std::string_view(
                   time, writeTimeFromStart(secondsBefore + (now.tv_sec - started.tv_sec), time)));
  writeAll(fd, "\r\n   Error description: Fatal signal ");
  const char* name = ::sigabbrev_np(signal);
  writeAll(fd, "SIG");
  writeAll(fd, name != nullptr ? name : "?");
  writeAll(fd, " (");
  const char* description = ::sigdescr_np(signal);
  writeAll(fd, description != nullptr ? description : "unknown signal");
  writeAll(fd, ")\r\n\r\nStack Calls\r\n===========\r\n");
  void* frames[kMaxFrames];
  ::backtrace_symbols_fd(frames, ::backtrace(frames, kMaxFrames), fd);
  writeAll(fd, "\x1A");
  if (::close(fd) == 0) ::rename(writingPath, logPath);
}

void onFatalSignal(int signal) {
  const int savedErrno = errno;
  if (!entered.exchange(true)) {
    // A crash while a run-time error is handled (or ends the program) follows from that error:
    // its report, which says more, and the unfinished output it keeps stay. One after an error
    // the run went on from is a crash of its own.
    const bool first = !(errorLogWritten() && errorBeingHandled());
    removeRunFilesFromSignalHandler(first);
    if (first) writeReport(signal);
    reported.store(true);
  } else {
    // Another thread crashed first: its report is written before anything ends the process.
    const timespec pause{0, 10 * 1000 * 1000};
    for (int waited = 0; !reported.load() && waited < 300; ++waited)
      ::nanosleep(&pause, nullptr);
  }
  // What was there before takes the signal once this handler returns: the default ends the
  // process (a fault repeats, a sent signal is pending again), a sanitizer's handler reports.
  ::sigaction(signal, &previous[static_cast<size_t>(signal)], nullptr);
  ::raise(signal);
  errno = savedErrno;
}

// A copy of `text` into `out` with its terminating zero; false when it does not fit.
bool copyPath(const std::string& text, char (&out)[kPathBytes]) {
  if (text.size() >= kPathBytes) return false;
  std::memcpy(out, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace

void installFatalSignalReport() {
  if (reportHead != nullptr) return;
  const std::filesystem::path log = errorLogPath();
  const std::filesystem::path writing =
      log.parent_path() / ("." + log.filename().string() + ".crash");
  if (!copyPath(log.string(), logPath) || !copyPath(writing.string(), writingPath)) return;
  reportHead = new std::string(applicationHeading());
  secondsBefore = secondsSinceStart();
  ::clock_gettime(CLOCK_MONOTONIC, &started);
  // The first backtrace loads what it needs; in the handler nothing may be loaded any more.
  void* frames[kMaxFrames];
  (void)::backtrace(frames, kMaxFrames);
  // A stack of its own, so that a stack overflow on the main thread is reported too.
  static std::array<char, 64 * 1024> alternateStack;
  stack_t stack{};
  stack.ss_sp = alternateStack.data();
  stack.ss_size = alternateStack.size();
  ::sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = onFatalSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_ONSTACK;
  for (int signal : kFatalSignals)
    ::sigaction(signal, &action, &previous[static_cast<size_t>(signal)]);
}

}  // namespace tabulink
