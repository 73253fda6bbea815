#pragma once
// A move-only owner of one open file descriptor, closed when the owner goes; and opening a file
// under a whole-file lock.

#include <sys/types.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace tabulink {

class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() { reset(); }
  FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Gives up the ownership: the caller closes the descriptor.
  int release() { return std::exchange(fd_, -1); }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// Opens `path` with the open(2) `flags` (O_CLOEXEC added, `mode` when creating, less the umask)
// and takes a whole-file lock without waiting: shared, or exclusive so that no other program
// opens the file while it is held. An invalid handle with errno set when either fails.
FileHandle openLocked(const std::string& path, int flags, bool sharedLock, mode_t mode = 0666);

}  // namespace tabulink
