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
  if (!output_.refusal().empty()) return output_.refusedError();
  if (output_.inPlace()) {
    file_ = FileHandle(output_.openInPlace());
    if (!file_.valid()) return errno;
  }
  while (!file_.valid()) {
    auto tracking = lockRunFiles();
    std::string target = output_.nextWritePath();
    file_ = FileHandle(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file_.valid())
      output_.created(target, output_.finalPath());
    else if (errno != EEXIST)
      return errno;
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
