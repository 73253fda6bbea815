#pragma once
// A scratch file of the run for bytes an export holds until its end: made in the folder the cache
// tables go to, written in order through a buffer and read back in order once, a buffer at a
// time. It is the run's own (created exclusively) and removed however the export ends: by its
// owner, or with the run's files when a signal ends the run.

#include <cstdint>
#include <string>
#include <vector>

#include "table/file_handle.h"

namespace tabulink {

class SpillFile {
 public:
  SpillFile() = default;
  ~SpillFile() { remove(); }
  SpillFile(const SpillFile&) = delete;
  SpillFile& operator=(const SpillFile&) = delete;

  // Creates the file; 0, or the errno of the failure.
  int create();
  const std::string& path() const { return path_; }

  // The bytes to be written are made at the end of buffer(), without a copy of their own;
  // written() after each piece. After a failure the rest is dropped: what was written is
  // incomplete either way, and error() keeps the first failure.
  std::string& buffer() { return buffer_; }
  void written() {
    if (buffer_.size() >= kChunk) writeBuffer();
  }
  // The next `n` bytes, reading from the beginning of the file on once everything is written:
  // `at` points to them until the next call. False at a failure, the file holding fewer among
  // them (error()).
  bool next(size_t n, const char*& at);
  int error() const { return error_; }

  void remove();

 private:
  static constexpr size_t kChunk = 256 * 1024;
  void writeBuffer();

  FileHandle file_;
  std::string path_;
  std::string buffer_;  // bytes not yet written
  bool reading_ = false;
  std::vector<char> window_;  // bytes read; those from begin_ to end_ not yet taken by next()
  size_t begin_ = 0;
  size_t end_ = 0;
  uint64_t readAt_ = 0;  // where the file is read next
  int error_ = 0;
};

}  // namespace tabulink
