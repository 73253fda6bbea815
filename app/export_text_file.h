#pragma once
// A text output file written through one buffer: one system call per buffer, not per line. The
// first failed write is kept so the export can report it once. The file is written under a
// temporary name and takes its own name only when the export finishes it (PendingOutput).

#include <string>
#include <string_view>

#include "app/pending_output.h"
#include "table/file_handle.h"

namespace tabulink {

class TextOutputFile {
 public:
  TextOutputFile() = default;
  // A file neither finished nor abandoned (the program ends in the middle of an export) keeps
  // what was written, under its temporary name.
  ~TextOutputFile() { flush(); }
  TextOutputFile(const TextOutputFile&) = delete;
  TextOutputFile& operator=(const TextOutputFile&) = delete;

  // Creates the file that becomes `path`; 0, or the errno of the failure (with refusal() saying
  // why, where the output may not be written at all).
  int create(const std::string& path);
  const std::string& refusal() const { return output_.refusal(); }
  int fd() const { return file_.get(); }

  void append(std::string_view bytes) {
    buffer_.append(bytes);
    lineDone();
  }
  // The buffer itself, for a line to be made in place without a copy; lineDone() after each.
  std::string& buffer() { return buffer_; }
  void lineDone() {
    if (buffer_.size() >= kFlushAt) flush();
  }
  // Writes what is buffered, closes the file and puts it in place; 0, or the errno of the first
  // failure (the file is then not put in place).
  int finish();
  // Closes and removes the file: the export did not finish.
  void abandon();

 private:
  static constexpr size_t kFlushAt = 256 * 1024;
  void flush();

  PendingOutput output_;
  FileHandle file_;
  std::string buffer_;
  int writeError_ = 0;
};

// "Error creating the ascii output file: " (or writing) and the errno right-aligned in 10.
std::string asciiFileError(std::string_view action, int code);

}  // namespace tabulink
