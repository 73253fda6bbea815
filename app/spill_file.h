#pragma once
// A scratch file of the run for bytes an export holds until its end: made in the folder the cache
// tables go to, written in order through a buffer and read back in order once. It is the run's
// own (created exclusively) and removed however the export ends: by its owner, or with the run's
// files when a signal ends the run.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "table/buffered_file.h"

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

  // Adds `bytes` at the end. After a failure the rest is dropped: what was written is incomplete
  // either way, and error() keeps the first failure.
  void append(std::string_view bytes);
  // Fills `out` with the next bytes, reading from the beginning of the file on; false at a
  // failure, the file holding fewer among them (error()).
  bool read(std::span<char> out);
  int error() const { return error_; }

  void remove();

 private:
  BufferedFile file_;
  std::string path_;
  uint64_t readAt_ = 0;
  int error_ = 0;
};

}  // namespace tabulink
