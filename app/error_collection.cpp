#include "app/error_collection.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "app/pending_output.h"
#include "app/run_settings.h"
#include "core/date.h"
#include "core/write_all.h"
#include "failure/interruption.h"
#include "gui/ui.h"
#include "table/file_handle.h"

namespace tabulink {
namespace {

struct Collection {
  std::string text;
  bool reported = false;
  int interruptedBy = 0;
};

// The text is read by the watcher thread when it ends an interrupted run itself.
std::mutex& collectionMutex() {
  static auto& mutex = *new std::mutex;
  return mutex;
}

Collection& collection() {
  static Collection c;
  return c;
}

void appendEntry(std::string_view text) {
  std::lock_guard lock(collectionMutex());
  Collection& c = collection();
  c.reported = true;
  c.text.append(dateTimeStamp()).append(" - ");
  c.text.append(text).append("\r\n");
}

// Adds `text` at the end of the file at `path`, or writes it to the descriptor the name stands
// for; 0, or the errno of the failure. Runs sharing one error file each add their entries in
// one piece: an append never overwrites another run's, and the lock keeps a write that comes in
// several calls whole. A lock that another program keeps for good is given up after a while.
int appendWhole(const std::string& path, std::string_view text) {
  // Links are followed as they are for an output: another user's link in /tmp leads nowhere.
  std::string refusal;
  const std::string target = followedPath(path, refusal);
  if (!refusal.empty()) return errno;
  FileHandle file;
  int fd = ownDescriptor(target);
  if (fd < 0) {
    file = FileHandle(
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!file.valid()) return errno;
    fd = file.get();
  }
  bool locked = false;
  for (int tries = 0; tries < 500 && !locked; ++tries) {
    locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!locked && errno != EWOULDBLOCK && errno != EINTR) break;
    if (!locked) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  int error = writeAll(fd, text) ? 0 : errno;
  if (locked) ::flock(fd, LOCK_UN);
  // Some file systems report a failed write only when the file is closed.
  if (file.valid() && ::close(file.release()) != 0 && error == 0) error = errno;
  return error;
}

}  // namespace

void ZULERROR(std::string_view text) {
  if (runSettings().FileErr.empty()) {
    {
      std::lock_guard lock(collectionMutex());
      collection().reported = true;
    }
    ui().messageBox("Alert", text, MessageIcon::Exclamation);
    return;
  }
  appendEntry(text);
}

void ZULWRITEERRORS() {
  const std::string& file = runSettings().FileErr;
  std::string text;
  {
    std::lock_guard lock(collectionMutex());
    text = collection().text;
  }
  if (file.empty() || text.empty()) return;
  if (int error = appendWhole(file, text); error != 0) {
    // The entries are what the run has to say: they must reach someone.
    std::string why = "Tabulink: the error file " + file + " could not be written (" +
                      std::strerror(error) + "); its entries follow.\n";
    writeAll(STDERR_FILENO, why);
    writeAll(STDERR_FILENO, text);
  }
}

void recordInterruption(int signal) {
  std::string text = "The run was interrupted by " + signalName(signal) + " (signal " +
                     std::to_string(signal) + ")";
  {
    std::lock_guard lock(collectionMutex());
    collection().interruptedBy = signal;
  }
  if (runSettings().FileErr.empty()) {
    writeAll(STDERR_FILENO, "Alert: " + text + "\n");
    return;
  }
  appendEntry(text);
}

bool errorsReported() {
  std::lock_guard lock(collectionMutex());
  return collection().reported;
}

int runExitStatus() {
  std::lock_guard lock(collectionMutex());
  const Collection& c = collection();
  if (c.interruptedBy != 0) return 128 + c.interruptedBy;
  return c.reported ? 2 : 0;
}

void resetErrorCollection() {
  std::lock_guard lock(collectionMutex());
  collection() = Collection{};
}

}  // namespace tabulink
