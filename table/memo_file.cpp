#include "table/memo_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "table/little_endian.h"
#include "table/table_error.h"

namespace tabulink {
namespace {

constexpr char kEndOfText = 0x1A;

// The dBASE IV text header; bytes 4 to 7 take the length.
constexpr std::array<char, 8> kLengthHeader = {'\xFF', '\xFF', '\x08', '\x00', 0, 0, 0, 0};

std::array<char, 4> le32(uint32_t v) {
  std::array<char, 4> bytes;
  putLittleEndian(bytes.data(), v, bytes.size());
  return bytes;
}

}  // namespace

std::string MemoFile::pathFor(const std::string& tablePath) {
  return std::filesystem::path(tablePath).replace_extension(".dbt").string();
}

bool MemoFile::writeEmpty(BufferedFile& file) {
  std::array<char, kMemoBlockSize> header{};
  header[0] = 1;
  return file.truncate(0) && file.write(0, header) && file.flush();
}

bool MemoFile::attach(BufferedFile file, std::string path) {
  file_ = std::move(file);
  path_ = std::move(path);
  headerChanged_ = false;
  std::array<char, 4> header{};
  if (file_.size() < kMemoBlockSize || file_.read(0, header) != 4) return false;
  uint32_t stored = static_cast<uint32_t>(getLittleEndian(header.data(), 4));
  // A header left stale by a program that died never lets a new text overwrite an old one: the
  // next text goes behind the last block in the file at least. A number further out than one
  // empty block is damage and is not followed either.
  uint64_t blocksInFile = (file_.size() + kMemoBlockSize - 1) / kMemoBlockSize;
  uint64_t next = stored >= blocksInFile && stored <= blocksInFile + 1 ? stored : blocksInFile;
  if (next > UINT32_MAX) return false;
  nextFree_ = static_cast<uint32_t>(next);
  return true;
}

bool MemoFile::append(std::string_view text, uint32_t& block) {
  static const std::array<char, kMemoBlockSize> kFiller = [] {
    std::array<char, kMemoBlockSize> filler;
    filler.fill(kEndOfText);
    return filler;
  }();
  const size_t header = keepLengths_ ? kLengthHeader.size() : 0;
  const uint64_t length = header + text.size();
  std::array<char, 8> lengthHeader = kLengthHeader;
  const std::array<char, 4> stored = le32(static_cast<uint32_t>(length));
  std::copy(stored.begin(), stored.end(), lengthHeader.begin() + 4);
  uint64_t used = (length + 1) / kMemoBlockSize + 1;
  bool written = retryWrite(path_, [&] {
    if (nextFree_ + used > UINT32_MAX || length > UINT32_MAX) {
      errno = EFBIG;
      return false;
    }
    uint64_t offset = kMemoBlockSize * nextFree_;
    size_t filler = kMemoBlockSize - length % kMemoBlockSize;
    return (header == 0 || file_.write(offset, {lengthHeader.data(), header})) &&
           file_.write(offset + header, {text.data(), text.size()}) &&
           file_.write(offset + length, {kFiller.data(), filler});
  });
  if (!written) {
    file_.discardPending();
    return false;
  }
  block = nextFree_;
  nextFree_ = static_cast<uint32_t>(nextFree_ + used);
  headerChanged_ = true;
  return true;
}

void MemoFile::read(uint64_t block, std::string& text) {
  text.clear();
  if (block == 0) return;
  if (block >= file_.size() / kMemoBlockSize + (file_.size() % kMemoBlockSize != 0)) {
    raiseCorruption(path_);
    return;
  }
  uint64_t offset = kMemoBlockSize * block;
  std::array<char, 8> header{};
  if (file_.read(offset, header) == static_cast<int64_t>(header.size()) &&
      std::equal(kLengthHeader.begin(), kLengthHeader.begin() + 4, header.begin())) {
    const uint32_t length = static_cast<uint32_t>(getLittleEndian(header.data() + 4, 4));
    if (length < header.size() || offset + length > file_.size()) {
      raiseCorruption(path_);
      return;
    }
    text.resize(length - header.size());
    if (file_.read(offset + header.size(), text) != static_cast<int64_t>(text.size())) {
      raiseCorruption(path_, errno);
      text.clear();
    }
    return;
  }
  for (;;) {
    size_t old = text.size();
    text.resize(old + kMemoBlockSize);
    int64_t got = file_.read(offset, {text.data() + old, kMemoBlockSize});
    if (got < 0) {
      raiseCorruption(path_, errno);
      text.resize(old);
      return;
    }
    const char* end = static_cast<const char*>(
        std::memchr(text.data() + old, kEndOfText, static_cast<size_t>(got)));
    if (end != nullptr) {
      text.resize(static_cast<size_t>(end - text.data()));
      return;
    }
    text.resize(old + static_cast<size_t>(got));
    // A text that runs into the end of the file without its 0x1A ends there.
    if (got < static_cast<int64_t>(kMemoBlockSize)) return;
    offset += kMemoBlockSize;
  }
}

void MemoFile::releaseBefore(uint64_t block) {
  releasedTo_ = file_.release(releasedTo_, block * kMemoBlockSize);
}

bool MemoFile::reset() {
  if (!writeEmpty(file_)) return false;
  nextFree_ = 1;
  releasedTo_ = kMemoBlockSize;
  headerChanged_ = false;
  return true;
}

bool MemoFile::writeNextFree() {
  if (!headerChanged_) return true;
  if (!file_.write(0, le32(nextFree_))) return false;
  headerChanged_ = false;
  return true;
}

bool MemoFile::flush() {
  return writeNextFree() && file_.flush();
}

void MemoFile::close() {
  file_.close();
  path_.clear();
}

}  // namespace tabulink
