#include "app/export_text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/text.h"

namespace tabulink {

int TextOutputFile::create(const std::string& path) {
  file_ = FileHandle(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  writeError_ = 0;
  buffer_.clear();
  if (!file_.valid()) return errno;
  buffer_.reserve(kFlushAt + 64 * 1024);
  return 0;
}

void TextOutputFile::flush() {
  const char* data = buffer_.data();
  size_t left = buffer_.size();
  // After a failure the rest is dropped: the file is incomplete either way and the failure is
  // reported once, when the file is closed.
  while (left > 0 && writeError_ == 0 && file_.valid()) {
    ssize_t written = ::write(file_.get(), data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      writeError_ = errno;
      break;
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
  buffer_.clear();
}

int TextOutputFile::close() {
  flush();
  file_.reset();
  int error = writeError_;
  writeError_ = 0;
  return error;
}

std::string asciiFileError(std::string_view action, int code) {
  std::string text = "Error ";
  text.append(action).append(" the ascii output file: ");
  appendPadLeft(text, std::to_string(code), 10);
  return text;
}

}  // namespace tabulink
