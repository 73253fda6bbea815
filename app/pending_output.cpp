#include "app/pending_output.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "failure/run_files.h"
#include "table/file_handle.h"

namespace tabulink {
namespace {

std::string randomLetters(size_t count) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string letters;
  for (size_t i = 0; i < count; ++i)
    letters += kLetters[pick(generator)];
  return letters;
}

}  // namespace

PendingOutput::PendingOutput(const std::string& finalPath) : final_(finalPath) {
  // The names of the process's own descriptors lead to whatever it was given (a terminal, a pipe,
  // a file the shell opened, perhaps for appending): never replaced, only written.
  if (finalPath == "/dev/stdout" || finalPath == "/dev/stderr" ||
      finalPath.starts_with("/dev/fd/") || finalPath.starts_with("/proc/self/fd/")) {
    inPlace_ = true;
    return;
  }
  struct stat info {};
  if (::lstat(finalPath.c_str(), &info) != 0) return;
  if (S_ISLNK(info.st_mode)) {
    std::error_code error;
    std::filesystem::path target = std::filesystem::canonical(finalPath, error);
    if (!error) final_ = target.string();
    if (::stat(final_.c_str(), &info) != 0) return;
  }
  inPlace_ = !S_ISREG(info.st_mode);
  // An output the run may write in a folder it may not add files to cannot be replaced: it is
  // written in place instead.
  const std::string parent = std::filesystem::path(final_).parent_path().string();
  if (!inPlace_ && ::access(parent.empty() ? "." : parent.c_str(), W_OK | X_OK) != 0 &&
      ::access(final_.c_str(), W_OK) == 0)
    inPlace_ = true;
}

std::string PendingOutput::nextWritePath() {
  if (inPlace_) return final_;
  return final_ + "." + randomLetters(6) + ".part";
}

void PendingOutput::created(const std::string& path, const std::string& finalPath) {
  if (inPlace_) return;
  trackRunFile(path, RunFileKind::UnfinishedOutput);
  // Renamed in the reverse order of creation: the main file, made first, goes into place last.
  parts_.insert(parts_.begin(), {path, finalPath});
}

int PendingOutput::commit() {
  if (inPlace_ || parts_.empty()) return 0;
  auto tracking = lockRunFiles();
  // A table and its memo file cannot be renamed in one step: runs that put outputs in place in
  // one folder take turns (a lock on the folder, released when the process ends however it ends),
  // so that no table meets the memo file of another run.
  FileHandle folder;
  if (parts_.size() > 1) {
    std::string parent = std::filesystem::path(final_).parent_path().string();
    folder = FileHandle(
        ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (folder.valid() && ::flock(folder.get(), LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  struct stat previous {};
  const bool replacing = ::stat(final_.c_str(), &previous) == 0 && S_ISREG(previous.st_mode);
  // An earlier main file goes first when companions follow: an old table beside a new memo
  // file would pass for an output, no table at all does not.
  if (replacing && parts_.size() > 1) ::unlink(final_.c_str());
  int error = 0;
  for (const Part& part : parts_) {
    if (replacing) {
      // The replaced file's owner keeps it (a run as root replacing a user's output); where
      // the run may not give a file away, the owner is the run's, as for a new file.
      [[maybe_unused]] const int owned =
          ::chown(part.path.c_str(), previous.st_uid, previous.st_gid);
      ::chmod(part.path.c_str(), previous.st_mode & 07777);
    }
    if (::rename(part.path.c_str(), part.finalPath.c_str()) != 0) {
      error = errno;
      break;
    }
    untrackRunFile(part.path);
  }
  if (error != 0) abandon();
  parts_.clear();
  return error;
}

void PendingOutput::abandon() {
  auto tracking = lockRunFiles();
  for (const Part& part : parts_) {
    ::unlink(part.path.c_str());
    untrackRunFile(part.path);
  }
  parts_.clear();
}

}  // namespace tabulink
