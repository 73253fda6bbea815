#include "app/spill_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/write_all.h"
#include "failure/run_files.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

int SpillFile::create() {
  remove();
  error_ = 0;
  reading_ = false;
  begin_ = end_ = 0;
  readAt_ = 0;
  buffer_.clear();
  // A name another program (or a file left behind) holds moves on to the next one.
  for (int tries = 0; tries < kTempFileTries; ++tries) {
    const std::string name = CTEMPFILE(cacheDirectory(), "TMP");
    if (name.empty()) break;
    auto tracking = lockRunFiles();
    // Tracked before it exists, so that an end that comes meanwhile leaves no file behind.
    trackRunFile(name, RunFileKind::Scratch);
    FileHandle file(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.valid()) {
      file_ = std::move(file);
      path_ = name;
      buffer_.reserve(kChunk + 64 * 1024);
      return 0;
    }
    const int error = errno;
    untrackRunFile(name);
    if (error != EEXIST) return error;
  }
  return EEXIST;
}

void SpillFile::writeBuffer() {
  if (error_ == 0 && (!file_.valid() || !writeAll(file_.get(), buffer_)))
    error_ = file_.valid() ? errno : EBADF;
  buffer_.clear();
}

bool SpillFile::next(size_t n, const char*& at) {
  if (!reading_) {
    writeBuffer();
    reading_ = true;
    window_.resize(kChunk);
  }
  if (end_ - begin_ < n) {
    std::memmove(window_.data(), window_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    if (window_.size() < n) window_.resize(n);
    while (error_ == 0 && end_ < n) {
      const ssize_t got = ::pread(file_.get(), window_.data() + end_, window_.size() - end_,
                                  static_cast<off_t>(readAt_));
      // Bytes missing from what was written are a failure as much as an unreadable file.
      if (got < 0 && errno != EINTR) error_ = errno;
      if (got == 0) error_ = EIO;
      if (got <= 0) continue;
      end_ += static_cast<size_t>(got);
      readAt_ += static_cast<uint64_t>(got);
    }
  }
  if (error_ != 0) return false;
  at = window_.data() + begin_;
  begin_ += n;
  return true;
}

void SpillFile::remove() {
  if (path_.empty()) return;
  auto tracking = lockRunFiles();
  file_.reset();
  ::unlink(path_.c_str());
  untrackRunFile(path_);
  path_.clear();
  buffer_ = {};
  window_ = {};
}

}  // namespace tabulink
