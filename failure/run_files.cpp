#include "failure/run_files.h"

#include <unistd.h>

#include <chrono>
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

void removeTracked(bool outputsToo) {
  std::vector<Tracked>& files = tracked();
  std::erase_if(files, [&](const Tracked& file) {
    if (file.kind == RunFileKind::UnfinishedOutput && !outputsToo) return false;
    ::unlink(file.path.c_str());
    return true;
  });
}

}  // namespace

std::unique_lock<std::recursive_timed_mutex> lockRunFiles() {
  return std::unique_lock(guard());
}

void trackRunFile(const std::string& path, RunFileKind kind) {
  auto lock = lockRunFiles();
  tracked().push_back({path, kind});
}

void untrackRunFile(const std::string& path) {
  auto lock = lockRunFiles();
  std::erase_if(tracked(), [&](const Tracked& file) { return file.path == path; });
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

}  // namespace tabulink
