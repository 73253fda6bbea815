#include "failure/run_files.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

namespace tabulink {
namespace {

struct Tracked {
  std::string path;
  RunFileKind kind;
};

// Never destroyed: the end of the process may come from another thread during static destruction.
std::recursive_timed_mutex& guard() {
  static auto& mutex = *new std::recursive_timed_mutex;
  return mutex;
}

std::vector<Tracked>& tracked() {
  static auto& files = *new std::vector<Tracked>;
  return files;
}

// The tracked files as a handler of a fatal signal reads them: one after the other, each its kind
// ('S' scratch, 'O' unfinished output) and its path with its terminating zero, a zero byte last.
// Each change is written, under the tracking's lock, into the buffer not in use and then made
// current, so that a handler finds whole paths even when it interrupts a change; once a handler has
// begun, the buffers are left alone. Paths beyond the buffer's room are left out.
constexpr size_t kSnapshotBytes = 16384;
char snapshots[2][kSnapshotBytes] = {};
std::atomic<const char*> currentSnapshot{nullptr};
std::atomic<bool> snapshotTaken{false};
static_assert(std::atomic<const char*>::is_always_lock_free, "read from a signal handler");

void publishSnapshot() {
  if (snapshotTaken.load()) return;
  char* buffer = currentSnapshot.load() == snapshots[0] ? snapshots[1] : snapshots[0];
  size_t used = 0;
  for (const Tracked& file : tracked()) {
    const size_t size = file.path.size() + 1;
    if (used + 1 + size >= kSnapshotBytes) break;
    buffer[used++] = file.kind == RunFileKind::Scratch ? 'S' : 'O';
    std::memcpy(buffer + used, file.path.c_str(), size);
    used += size;
  }
  buffer[used] = '\0';
  currentSnapshot.store(buffer);
}

void removeTracked(bool outputsToo) {
  std::vector<Tracked>& files = tracked();
  std::erase_if(files, [&](const Tracked& file) {
    if (file.kind == RunFileKind::UnfinishedOutput && !outputsToo) return false;
    ::unlink(file.path.c_str());
    return true;
  });
  publishSnapshot();
}

struct OutputName {
  std::filesystem::path temporary;
  std::filesystem::path finalPath;
};

// The outputs under temporary names, by those names without their extension. A lock of its own:
// a message may be made while the tracking is held, by this thread or another.
std::mutex& namesGuard() {
  static auto& mutex = *new std::mutex;
  return mutex;
}

std::map<std::filesystem::path, OutputName>& outputNames() {
  static auto& names = *new std::map<std::filesystem::path, OutputName>;
  return names;
}

}  // namespace

std::unique_lock<std::recursive_timed_mutex> lockRunFiles() {
  return std::unique_lock(guard());
}

void trackRunFile(const std::string& path, RunFileKind kind) {
  auto lock = lockRunFiles();
  tracked().push_back({path, kind});
  publishSnapshot();
}

void untrackRunFile(const std::string& path) {
  auto lock = lockRunFiles();
  std::erase_if(tracked(), [&](const Tracked& file) { return file.path == path; });
  publishSnapshot();
}

void removeRunFilesFromSignalHandler(bool outputsToo) {
  snapshotTaken.store(true);
  const char* entry = currentSnapshot.load();
  if (entry == nullptr) return;
  while (*entry != '\0') {
    const char* path = entry + 1;
    if (*entry == 'S' || outputsToo) ::unlink(path);
    entry = path + std::strlen(path) + 1;
  }
}

void removeRunFiles(bool outputsToo) {
  auto lock = lockRunFiles();
  removeTracked(outputsToo);
}

void removeRunFilesForGood() {
  // A run stuck while it holds the tracking (an error dialog nobody answers during a creation)
  // must not keep the process from ending: after a moment the files go all the same.
  bool locked = guard().try_lock_for(std::chrono::seconds(1));
  removeTracked(true);
  (void)locked;  // left locked on purpose: the process ends next
}

void nameRunFile(const std::string& temporary, const std::string& finalPath) {
  std::lock_guard lock(namesGuard());
  outputNames()[std::filesystem::path(temporary).replace_extension()] = {temporary, finalPath};
}

void forgetRunFileName(const std::string& temporary) {
  std::lock_guard lock(namesGuard());
  outputNames().erase(std::filesystem::path(temporary).replace_extension());
}

std::string shownFileName(const std::string& path) {
  std::filesystem::path file(path);
  std::lock_guard lock(namesGuard());
  const auto named = outputNames().find(std::filesystem::path(file).replace_extension());
  if (named == outputNames().end()) return path;
  const OutputName& output = named->second;
  if (file == output.temporary) return output.finalPath.string();
  // A companion keeps its own extension, as it does when it is put in place.
  return std::filesystem::path(output.finalPath).replace_extension(file.extension()).string();
}

}  // namespace tabulink
