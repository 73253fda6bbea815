#include "failure/interruption.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "failure/run_files.h"

namespace tabulink {
namespace {

// The run's orderly end takes milliseconds once it sees the signal; this long it may take before
// the watcher ends the process itself, and as long again once the run has claimed its end.
constexpr int kGraceMs = 3000;

// The signals whose default would end the process without a word: each ends the run in order.
constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM};

static_assert(std::atomic<int>::is_always_lock_free, "touched from a signal handler");

std::atomic<int> pendingSignal{0};
int wakePipe[2] = {-1, -1};
bool installed = false;

enum Claim : int { kNobody, kRun, kWatcher };
std::atomic<int> claim{kNobody};

std::function<void()> interruptAction;

void ignoreSignal(int) {}

void onSignal(int signal) {
  int none = 0;
  pendingSignal.compare_exchange_strong(none, signal);
  int saved = errno;
  char byte = static_cast<char>(signal);
  (void)!::write(wakePipe[1], &byte, 1);
  errno = saved;
}

// Waits up to `ms` (forever when negative) for a signal's byte; true when one came.
bool awaitSignal(int ms) {
  pollfd poll{wakePipe[0], POLLIN, 0};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    int left = ms;
    if (ms >= 0)
      left = static_cast<int>(std::max<long long>(
          0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                   std::chrono::steady_clock::now())
                 .count()));
    int ready = ::poll(&poll, 1, left);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char bytes[16];
    while (::read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
    return true;
  }
}

void watch(EmergencyEnd emergencyEnd) {
  awaitSignal(-1);
  const int signal = pendingSignal.load();
  if (interruptAction) std::thread(interruptAction).detach();
  // A second signal means: now.
  awaitSignal(kGraceMs);
  int nobody = kNobody;
  if (claim.compare_exchange_strong(nobody, kWatcher)) {
    removeRunFilesForGood();
    if (emergencyEnd) emergencyEnd(signal);
  } else {
    // The run is ending; it gets as long again before the process goes regardless.
    awaitSignal(kGraceMs);
  }
  ::_exit(128 + signal);
}

}  // namespace

void installInterruptAction(std::function<void()> action) {
  interruptAction = std::move(action);
}

void installInterruptHandling(EmergencyEnd emergencyEnd) {
  if (installed || ::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls go on: the run itself decides where to stop.
  action.sa_flags = SA_RESTART;
  for (int signal : kEndingSignals)
    ::sigaction(signal, &action, nullptr);
  // An output pipe whose reader went away, or a file grown to the size limit (ulimit -f), is a
  // write error the export reports, not the silent end of the process (which would leave the
  // cache behind). A handler, not SIG_IGN, so that programs started later get the default back.
  action.sa_handler = ignoreSignal;
  ::sigaction(SIGPIPE, &action, nullptr);
  ::sigaction(SIGXFSZ, &action, nullptr);
  std::thread(watch, std::move(emergencyEnd)).detach();
}

int interruptSignal() {
  return pendingSignal.load(std::memory_order_relaxed);
}

bool claimEnd() {
  if (!installed) return true;
  int nobody = kNobody;
  return claim.compare_exchange_strong(nobody, kRun) || claim.load() == kRun;
}

void waitForEnd() {
  for (;;)
    ::pause();
}

std::string signalName(int signal) {
  const char* name = ::sigabbrev_np(signal);
  return name != nullptr ? std::string("SIG") + name : "signal " + std::to_string(signal);
}

}  // namespace tabulink
