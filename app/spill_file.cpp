#include "app/spill_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "failure/run_files.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

int SpillFile::create() {
  remove();
  error_ = 0;
  readAt_ = 0;
  // A name another program (or a file left behind) holds moves on to the next one.
  for (int tries = 0; tries < kTempFileTries; ++tries) {
    const std::string name = CTEMPFILE(cacheDirectory(), "TMP");
    if (name.empty()) break;
    auto tracking = lockRunFiles();
    // Tracked before it exists, so that an end that comes meanwhile leaves no file behind.
    trackRunFile(name, RunFileKind::Scratch);
    FileHandle file(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.valid()) {
      file_ = BufferedFile(std::move(file), 0);
      path_ = name;
      return 0;
    }
    const int error = errno;
    untrackRunFile(name);
    if (error != EEXIST) return error;
  }
  return EEXIST;
}

void SpillFile::append(std::string_view bytes) {
  if (error_ != 0 || !file_.isOpen()) return;
  if (!file_.write(file_.size(), bytes)) {
    error_ = errno;
    file_.discardPending();
  }
}

bool SpillFile::read(std::span<char> out) {
  while (!out.empty() && error_ == 0) {
    const int64_t n = file_.read(readAt_, out);
    if (n <= 0) {
      // Bytes missing from what was written are a failure as much as an unreadable file.
      error_ = n < 0 ? errno : EIO;
      return false;
    }
    readAt_ += static_cast<uint64_t>(n);
    out = out.subspan(static_cast<size_t>(n));
  }
  return error_ == 0;
}

void SpillFile::remove() {
  if (path_.empty()) return;
  auto tracking = lockRunFiles();
  file_.close();
  ::unlink(path_.c_str());
  untrackRunFile(path_);
  path_.clear();
}

}  // namespace tabulink
