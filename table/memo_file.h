#pragma once
// The .dbt memo file of a table: 512-byte blocks, block 0 holding the next free block number,
// every text followed by at least one 0x1A up to a block boundary. Texts are only ever appended.
// A text may begin with the 8-byte length header of the dBASE IV form (FF FF 08 00, then the
// length with the header, 32-bit little-endian): such a text is read to its length, 0x1A and NUL
// bytes included; any other text ends at its first 0x1A.

#include <cstdint>
#include <string>
#include <string_view>

#include "table/buffered_file.h"

namespace tabulink {

inline constexpr uint64_t kMemoBlockSize = 512;

class MemoFile {
 public:
  // The memo file's name: the table's with the extension ".dbt" instead of its own.
  static std::string pathFor(const std::string& tablePath);
  // Writes the header block of an empty memo file (next free block 1) into `file`.
  static bool writeEmpty(BufferedFile& file);

  MemoFile() = default;
  // Takes an opened memo file; false when it is too short to hold its header.
  bool attach(BufferedFile file, std::string path);

  // From now on texts are written with the length header, so that every byte comes back.
  void keepLengths() { keepLengths_ = true; }

  // Appends `text` (not empty) and returns its start block through `block`. Raises a write error
  // (retried while the error block asks) and returns false when the text could not be written.
  bool append(std::string_view text, uint32_t& block);
  // The text starting at `block` into `text` (its capacity reused): as long as its length header
  // says, else every byte before the first 0x1A. A block past the end of the file (or a length
  // running past it) raises "Corruption detected" and reads as empty text.
  void read(uint64_t block, std::string& text);
  // Gives the texts in the blocks before `block` up: those still buffered are never written, the
  // space of those written goes back to the file system (see BufferedFile::release).
  void releaseBefore(uint64_t block);
  // Makes the memo file anew: one header block, next free block 1.
  bool reset();
  // Writes buffered texts and the next free block number.
  bool flush();
  void close();

  bool isOpen() const { return file_.isOpen(); }
  const std::string& path() const { return path_; }
  uint32_t nextFree() const { return nextFree_; }

 private:
  bool writeNextFree();

  BufferedFile file_;
  std::string path_;
  uint32_t nextFree_ = 1;
  bool headerChanged_ = false;
  bool keepLengths_ = false;
  uint64_t releasedTo_ = kMemoBlockSize;  // the header block is never given back
};

}  // namespace tabulink
