#pragma once
// A text output file written through one buffer: one system call per buffer, not per line. The
// first failed write is kept so the export can report it once. The file is written under a
// temporary name and takes its own name only when the export finishes it (PendingOutput).

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// Copies the first and the last sizeof(Word) of the `n` bytes at `from` to `to`, which for n
// from sizeof(Word) to twice that is all of them (the two words overlap where n is less).
template <class Word>
inline void copyEnds(char* to, const char* from, size_t n) {
  Word head, tail;
  std::memcpy(&head, from, sizeof head);
  std::memcpy(&tail, from + n - sizeof tail, sizeof tail);
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + n - sizeof tail, &tail, sizeof tail);
}

// Copies `n` bytes to `to`: those of a short cell, most cells, without a call of the library.
inline void copyBytes(char* to, const char* from, size_t n) {
  if (n > 16) {
    std::memcpy(to, from, n);
  } else if (n >= 8) {
    copyEnds<uint64_t>(to, from, n);
  } else if (n >= 4) {
    copyEnds<uint32_t>(to, from, n);
  } else if (n > 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

// A line made in place at the end of a file's buffer, its bytes written through a pointer: the
// buffer grows (with room to spare for the cells to come) only when a write would pass the room
// it has, and the line takes its length once, at done().
class LineWriter {
 public:
  explicit LineWriter(TextOutputFile& file)
      : file_(file), buffer_(file.buffer()), start_(buffer_.size()), used_(start_) {}
  // A line left unfinished is dropped.
  ~LineWriter() { buffer_.resize(start_); }
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  void put(char c) {
    *room(1) = c;
    ++used_;
  }
  void put(std::string_view bytes) {
    copyBytes(room(bytes.size()), bytes.data(), bytes.size());
    used_ += bytes.size();
  }
  // `text` followed by blanks up to `width` bytes (a longer text is written whole).
  void putFilled(std::string_view text, size_t width) {
    const size_t n = std::max(text.size(), width);
    char* at = room(n);
    copyBytes(at, text.data(), text.size());
    if (n > text.size()) std::memset(at + text.size(), ' ', n - text.size());
    used_ += n;
  }
  // Ends the line with CR LF.
  void done() {
    put("\r\n");
    buffer_.resize(used_);
    file_.lineDone();
    start_ = used_ = buffer_.size();
  }

 private:
  // Room for `n` bytes at the end of the line, valid until the next call.
  char* room(size_t n) {
    if (buffer_.size() - used_ < n) buffer_.resize(used_ + n + kSpare);
    return buffer_.data() + used_;
  }

  static constexpr size_t kSpare = 256;
  TextOutputFile& file_;
  std::string& buffer_;
  size_t start_;
  size_t used_;
};

// "Error creating the ascii output file: " (or writing) and the errno right-aligned in 10.
std::string asciiFileError(std::string_view action, int code);

}  // namespace tabulink
