#pragma once
// A text output file written through one buffer: one system call per buffer, not per line. The
// first failed write is kept so the export can report it once.

#include <string>
#include <string_view>

#include "table/file_handle.h"

namespace tabulink {

class TextOutputFile {
 public:
  // Creates (or empties) the file at `path`; 0, or the errno of the failure.
  int create(const std::string& path);
  int fd() const { return file_.get(); }

  void append(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kFlushAt) flush();
  }
  // Writes what is buffered and closes the file; 0, or the errno of the first failed write.
  int close();

 private:
  static constexpr size_t kFlushAt = 256 * 1024;
  void flush();

  FileHandle file_;
  std::string buffer_;
  int writeError_ = 0;
};

// "Error creating the ascii output file: " (or writing) and the errno right-aligned in 10.
std::string asciiFileError(std::string_view action, int code);

}  // namespace tabulink
