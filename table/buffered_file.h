#pragma once
// Positional reads and writes on one file through a write-behind run and a read-ahead window, so
// sequential records and memo texts cost one system call per buffer rather than per piece.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "table/file_handle.h"

namespace tabulink {

class BufferedFile {
 public:
  BufferedFile() = default;
  BufferedFile(FileHandle file, uint64_t size)
      : file_(std::move(file)), size_(size), fileEnd_(size) {}
  BufferedFile(BufferedFile&&) = default;
  BufferedFile& operator=(BufferedFile&&) = default;

  // The bytes at `offset`; false on a system failure (errno tells which). Pending bytes stay
  // pending after a failure, so the same write may be tried again.
  bool write(uint64_t offset, std::span<const char> bytes) {
    // The usual write: right behind the pending ones, with room left, past the bytes read ahead.
    if (offset == pendingOffset_ + pending_.size() && !pending_.empty() &&
        pending_.size() + bytes.size() <= kCapacity && offset >= windowOffset_ + window_.size()) {
      pending_.append(bytes.data(), bytes.size());
      size_ = std::max(size_, offset + bytes.size());
      return true;
    }
    return writeElsewhere(offset, bytes);
  }
  // Reads up to out.size() bytes at `offset`; the count read (short at the end of the file), or
  // -1 on a system failure.
  int64_t read(uint64_t offset, std::span<char> out);
  bool flush();
  // Gives pending writes up after a failure the caller chose not to retry.
  void discardPending() { pending_.clear(); }
  bool truncate(uint64_t size);
  // Gives the bytes from `begin` to `end` up, for a scratch file whose beginning is done with, so
  // that it never reaches the disk: pending bytes among them are dropped unwritten, those already
  // written are punched out of the file. They are not to be read again (they read as zeros, or
  // not at all past what the file holds); the size stays. Returns where the bytes given back end;
  // `begin` when none were (pending bytes before `begin` hold them, or the file system cannot
  // punch).
  uint64_t release(uint64_t begin, uint64_t end);

  uint64_t size() const { return size_; }  // pending writes included
  int fd() const { return file_.get(); }
  bool isOpen() const { return file_.valid(); }
  void close() {
    pending_.clear();
    window_.clear();
    file_.reset();
  }

 private:
  static constexpr size_t kCapacity = 64 * 1024;

  bool writeElsewhere(uint64_t offset, std::span<const char> bytes);
  bool writeThrough(uint64_t offset, std::span<const char> bytes);
  void updateWindow(uint64_t offset, std::span<const char> bytes);

  FileHandle file_;
  uint64_t size_ = 0;
  uint64_t fileEnd_ = 0;  // how far bytes were written to the file itself
  std::string pending_;   // bytes not yet written, from pendingOffset_ on
  uint64_t pendingOffset_ = 0;
  std::vector<char> window_;  // bytes read ahead from windowOffset_ on, kept equal to the file
  uint64_t windowOffset_ = 0;
};

}  // namespace tabulink
