#include "table/buffered_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tabulink {

bool BufferedFile::writeThrough(uint64_t offset, std::span<const char> bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::pwrite(file_.get(), bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    bytes = bytes.subspan(static_cast<size_t>(n));
    offset += static_cast<uint64_t>(n);
    fileEnd_ = std::max(fileEnd_, offset);
  }
  return true;
}

// Keeps the read-ahead window equal to the file, so a record read after its write needs no flush.
void BufferedFile::updateWindow(uint64_t offset, std::span<const char> bytes) {
  uint64_t windowEnd = windowOffset_ + window_.size();
  uint64_t end = offset + bytes.size();
  uint64_t from = std::max(offset, windowOffset_);
  uint64_t to = std::min(end, windowEnd);
  if (from >= to) return;
  std::memcpy(window_.data() + (from - windowOffset_), bytes.data() + (from - offset), to - from);
}

bool BufferedFile::writeElsewhere(uint64_t offset, std::span<const char> bytes) {
  updateWindow(offset, bytes);
  uint64_t pendingEnd = pendingOffset_ + pending_.size();
  if (!pending_.empty() && offset >= pendingOffset_ && offset + bytes.size() <= pendingEnd) {
    std::memcpy(pending_.data() + (offset - pendingOffset_), bytes.data(), bytes.size());
  } else if (!pending_.empty() && offset >= pendingEnd &&
             (offset == pendingEnd || pendingEnd >= fileEnd_) &&
             offset - pendingOffset_ + bytes.size() <= kCapacity) {
    // A gap behind everything in the file reads as zeros whether it is written or not (a memo
    // text may leave a block unused), so the run takes it and goes on.
    pending_.resize(static_cast<size_t>(offset - pendingOffset_));
    pending_.append(bytes.data(), bytes.size());
  } else {
    if (!flush()) return false;
    if (bytes.size() >= kCapacity) {
      if (!writeThrough(offset, bytes)) return false;
    } else {
      if (pending_.capacity() < kCapacity) pending_.reserve(kCapacity);
      pending_.assign(bytes.data(), bytes.size());
      pendingOffset_ = offset;
    }
  }
  size_ = std::max(size_, offset + bytes.size());
  return true;
}

bool BufferedFile::flush() {
  if (pending_.empty()) return true;
  if (!writeThrough(pendingOffset_, pending_)) return false;
  pending_.clear();
  return true;
}

int64_t BufferedFile::read(uint64_t offset, std::span<char> out) {
  if (offset >= size_ || out.empty()) return 0;
  size_t wanted = static_cast<size_t>(std::min<uint64_t>(out.size(), size_ - offset));
  // Bytes written a moment ago (a memo read back right after it was stored) come from the
  // write-behind run: no flush, no refill of the window.
  if (!pending_.empty() && offset >= pendingOffset_ &&
      offset + wanted <= pendingOffset_ + pending_.size()) {
    std::memcpy(out.data(), pending_.data() + (offset - pendingOffset_), wanted);
    return static_cast<int64_t>(wanted);
  }
  uint64_t windowEnd = windowOffset_ + window_.size();
  if (offset < windowOffset_ || offset + wanted > windowEnd) {
    // The window is refilled from the file, so whatever is pending must be there first.
    if (!flush()) return -1;
    if (wanted >= kCapacity) {
      size_t done = 0;
      while (done < wanted) {
        ssize_t n = ::pread(file_.get(), out.data() + done, wanted - done,
                            static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
      }
      return static_cast<int64_t>(done);
    }
    window_.resize(kCapacity);
    size_t filled = 0;
    while (filled < kCapacity) {
      ssize_t n = ::pread(file_.get(), window_.data() + filled, kCapacity - filled,
                          static_cast<off_t>(offset + filled));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        window_.clear();
        return -1;
      }
      if (n == 0) break;
      filled += static_cast<size_t>(n);
    }
    window_.resize(filled);
    windowOffset_ = offset;
    wanted = std::min(wanted, filled);
  }
  std::memcpy(out.data(), window_.data() + (offset - windowOffset_), wanted);
  return static_cast<int64_t>(wanted);
}

uint64_t BufferedFile::release(uint64_t begin, uint64_t end) {
  if (end <= begin || !file_.valid()) return begin;
  // The window is kept equal to the file.
  if (windowOffset_ < end && windowOffset_ + window_.size() > begin) window_.clear();
  if (!pending_.empty() && pendingOffset_ < end) {
    // Pending bytes before `begin` are kept, and cannot be written apart from those after them.
    if (pendingOffset_ < begin) return begin;
    const size_t dropped =
        static_cast<size_t>(std::min<uint64_t>(end - pendingOffset_, pending_.size()));
    pending_.erase(0, dropped);
    pendingOffset_ += dropped;
  }
  const uint64_t inFile = std::min(end, fileEnd_);
  if (inFile <= begin) return end;
  while (::fallocate(file_.get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                     static_cast<off_t>(begin), static_cast<off_t>(inFile - begin)) != 0) {
    if (errno != EINTR) return begin;
  }
  return end;
}

bool BufferedFile::truncate(uint64_t size) {
  if (!flush()) return false;
  while (::ftruncate(file_.get(), static_cast<off_t>(size)) != 0) {
    if (errno != EINTR) return false;
  }
  size_ = size;
  fileEnd_ = size;
  if (windowOffset_ >= size) {
    window_.clear();
  } else if (windowOffset_ + window_.size() > size) {
    window_.resize(size - windowOffset_);
  }
  return true;
}

}  // namespace tabulink
