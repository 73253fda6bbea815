#include "failure/error_log.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/text.h"
#include "core/write_all.h"

namespace tabulink {
namespace {

// A temporary file beside the log, removed unless it was renamed into place.
class TempFile {
 public:
  explicit TempFile(const std::filesystem::path& dir)
      : path_((dir / ".Error.log.XXXXXX").string()), fd_(mkstemp(path_.data())) {}
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_ && fd_ != kNone) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool open() const { return fd_ >= 0; }

  bool write(std::string_view bytes) { return writeAll(fd_, bytes); }

  // Closes the file (a failed close can mean lost data) and moves it to `target`.
  bool moveTo(const std::filesystem::path& target) {
    int fd = std::exchange(fd_, kClosed);
    if (::close(fd) != 0) return false;
    if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
    kept_ = true;
    return true;
  }

  // mkstemp creates the file for its owner only; the log gets the usual permissions.
  bool useUsualPermissions() const {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return ::fchmod(fd_, 0666 & ~mask) == 0;
  }

 private:
  static constexpr int kNone = -1;    // mkstemp failed: nothing to remove
  static constexpr int kClosed = -2;  // closed, the file still to remove unless kept
  std::string path_;
  int fd_;
  bool kept_ = false;
};

}  // namespace

std::filesystem::path errorLogPath() {
  std::error_code error;
  std::filesystem::path dir = std::filesystem::current_path(error);
  return dir / kErrorLogName;
}

std::vector<std::filesystem::path> findErrorLogs(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> found;
  std::error_code error;
  for (auto it = std::filesystem::directory_iterator(dir, error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (equalsNoCase(it->path().filename().string(), kErrorLogName)) found.push_back(it->path());
  }
  return found;
}

namespace {

std::atomic<bool> written{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read from a signal handler");

}  // namespace

bool writeErrorLog(std::string_view report) {
  std::filesystem::path target = errorLogPath();
  std::filesystem::path dir = target.parent_path();
  TempFile file(dir);
  if (!file.open() || !file.useUsualPermissions() || !file.write(report) || !file.write("\x1A") ||
      !file.moveTo(target)) {
    return false;
  }
  for (const std::filesystem::path& other : findErrorLogs(dir)) {
    std::error_code ignored;
    if (other.filename() != kErrorLogName) std::filesystem::remove(other, ignored);
  }
  written.store(true);
  return true;
}

bool errorLogWritten() {
  return written.load();
}

}  // namespace tabulink
