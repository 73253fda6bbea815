#include "app/export_text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/text.h"
#include "core/write_all.h"
#include "failure/run_files.h"

namespace tabulink {

int TextOutputFile::create(const std::string& path) {
  abandon();
  output_ = PendingOutput(path);
  writeError_ = 0;
  for (;;) {
    auto tracking = lockRunFiles();
    std::string target = output_.nextWritePath();
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (output_.inPlace() ? O_TRUNC : O_EXCL);
    file_ = FileHandle(::open(target.c_str(), flags, 0666));
    if (file_.valid()) {
      output_.created(target, output_.finalPath());
      break;
    }
    if (errno != EEXIST || output_.inPlace()) return errno;
  }
  buffer_.reserve(kFlushAt + 64 * 1024);
  return 0;
}

void TextOutputFile::flush() {
  // After a failure the rest is dropped: the file is incomplete either way and the failure is
  // reported once, when the file is finished.
  if (writeError_ == 0 && file_.valid() && !writeAll(file_.get(), buffer_)) writeError_ = errno;
  buffer_.clear();
}

int TextOutputFile::finish() {
  flush();
  int error = writeError_;
  if (file_.valid() && ::close(file_.release()) != 0 && error == 0) error = errno;
  writeError_ = 0;
  if (error != 0) {
    output_.abandon();
    return error;
  }
  return output_.commit();
}

void TextOutputFile::abandon() {
  buffer_.clear();
  file_.reset();
  output_.abandon();
}

std::string asciiFileError(std::string_view action, int code) {
  std::string text = "Error ";
  text.append(action).append(" the ascii output file: ");
  appendPadLeft(text, std::to_string(code), 10);
  return text.append(" (").append(std::strerror(code)).append(")");
}

}  // namespace tabulink
