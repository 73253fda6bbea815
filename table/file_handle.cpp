#include "table/file_handle.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace tabulink {

FileHandle openLocked(const std::string& path, int flags, bool sharedLock, mode_t mode) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  FileHandle file(fd);
  if (!file.valid()) return file;
  while (::flock(fd, (sharedLock ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    int err = errno;
    file.reset();
    errno = err;
    break;
  }
  return file;
}

}  // namespace tabulink
