#include "table/dbf_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "table/field_codec.h"
#include "table/table_error.h"

namespace tabulink {
namespace {

constexpr char kEndOfFile = 0x1A;
constexpr uint8_t kDbase4WithMemo = 0x8B;

// Creates (or empties) `path` under an exclusive lock and lets `fill` write it. With `exclusive`
// an existing file is left alone and the name reported as taken; with `ownerOnly` a new file is
// 0600 from its creation on (the mode asked of open(2) can only lose bits to the umask).
template <class Fill>
DbfTable::Created createFile(const std::string& path, bool canDefault, bool exclusive,
                             bool ownerOnly, Fill fill) {
  for (;;) {
    FileHandle handle = openLocked(path, O_RDWR | O_CREAT | (exclusive ? O_EXCL : 0), false,
                                   ownerOnly ? 0600 : 0666);
    if (handle.valid() && ownerOnly && ::fchmod(handle.get(), 0600) != 0) handle.reset();
    if (!handle.valid()) {
      if (exclusive && errno == EEXIST) return DbfTable::Created::NameTaken;
      const int err = errno;
      RunError error = driverError(EG_CREATE, 1004, path, osCodeFromErrno(err), err);
      error.CANRETRY = true;
      error.CANDEFAULT = canDefault;
      if (raiseTableError(error)) continue;
      return DbfTable::Created::GivenUp;
    }
    BufferedFile file(std::move(handle), 0);
    if (retryWrite(path, [&] { return file.truncate(0) && fill(file) && file.flush(); }))
      return DbfTable::Created::Yes;
    // An exclusive creation made the file: what a failed write (a full disk) left of it goes.
    if (exclusive) ::unlink(path.c_str());
    return DbfTable::Created::GivenUp;
  }
}

// Opens an existing file of a table; "Open error" while it cannot be had.
bool openExisting(const std::string& path, bool shared, bool readOnly, BufferedFile& out) {
  for (;;) {
    FileHandle handle = openLocked(path, readOnly ? O_RDONLY : O_RDWR, shared);
    struct stat info {};
    if (handle.valid() && ::fstat(handle.get(), &info) == 0) {
      out = BufferedFile(std::move(handle), S_ISREG(info.st_mode) ? info.st_size : 0);
      return true;
    }
    int err = errno;
    // A file held by another program, or one we may not use, is a sharing violation.
    int code = err == EACCES || err == EPERM || err == EWOULDBLOCK ? 32 : osCodeFromErrno(err);
    RunError error = driverError(EG_OPEN, 1001, path, code, err);
    error.CANRETRY = true;
    error.CANDEFAULT = true;
    if (!raiseTableError(error)) return false;
  }
}

}  // namespace

std::string DbfTable::tablePath(const std::string& file) {
  return std::filesystem::path(file).has_extension() ? file : file + ".dbf";
}

bool DbfTable::create(const std::string& file, const std::vector<FieldDescription>& structure) {
  return createTable(file, structure, false, false) == Created::Yes;
}

DbfTable::Created DbfTable::createExclusive(const std::string& file,
                                            const std::vector<FieldDescription>& structure,
                                            bool ownerOnly) {
  return createTable(file, structure, true, ownerOnly);
}

DbfTable::Created DbfTable::createTable(const std::string& file,
                                        const std::vector<FieldDescription>& structure,
                                        bool exclusive, bool ownerOnly) {
  if (file.empty() || structure.empty()) {
    RunError error = commandError(EG_ARG, 1014, "DBCREATE");
    error.CANDEFAULT = true;
    raiseTableError(error);
    return Created::GivenUp;
  }
  DbfLayout layout;
  if (buildLayout(structure, layout) != LayoutError::None) {
    RunError error = commandError(EG_CREATE, 1015, "DBCREATE");
    error.CANDEFAULT = true;
    raiseTableError(error);
    return Created::GivenUp;
  }
  std::string path = tablePath(file);
  std::string bytes(layout.headerLength + 1, '\0');
  encodeHeader(layout, 0, Date::today(), std::span<char, kDbfHeaderSize>(bytes.data(), 32));
  std::string descriptors = encodeDescriptors(layout);
  std::memcpy(bytes.data() + kDbfHeaderSize, descriptors.data(), descriptors.size());
  bytes.back() = kEndOfFile;
  Created created = createFile(path, true, exclusive, ownerOnly,
                               [&](BufferedFile& out) { return out.write(0, bytes); });
  if (created != Created::Yes || !layout.hasMemo()) return created;
  Created memo =
      createFile(MemoFile::pathFor(path), false, exclusive, ownerOnly, MemoFile::writeEmpty);
  // A memo file of that name already there (left behind, or another program's) makes the whole
  // name taken, and one that could not be made leaves no table: the table file just made goes
  // again.
  if (memo != Created::Yes && exclusive) ::unlink(path.c_str());
  return memo;
}

std::unique_ptr<DbfTable> DbfTable::open(const std::string& file, bool shared, bool readOnly) {
  std::string path = tablePath(file);
  BufferedFile dbf;
  if (!openExisting(path, shared, readOnly, dbf)) return nullptr;

  DbfLayout layout;
  uint32_t storedCount = 0;
  std::array<char, kDbfHeaderSize> header{};
  if (dbf.read(0, header) != static_cast<int64_t>(header.size()) ||
      readHeader(header, layout, storedCount) != LayoutError::None ||
      layout.headerLength > dbf.size()) {
    raiseCorruption(path);
    return nullptr;
  }
  std::string descriptors(layout.headerLength - kDbfHeaderSize, '\0');
  if (dbf.read(kDbfHeaderSize, descriptors) != static_cast<int64_t>(descriptors.size()) ||
      readDescriptors(descriptors, layout) != LayoutError::None) {
    raiseCorruption(path);
    return nullptr;
  }
  // The file size decides the record count, so a missing end byte or a header count that was
  // never completed does not matter; a header that counts more records than the file holds means
  // the file was cut short.
  uint64_t count = (dbf.size() - layout.headerLength) / layout.recordLength;
  if (storedCount > count || count >= UINT32_MAX) {
    raiseCorruption(path);
    return nullptr;
  }

  std::unique_ptr<DbfTable> table(new DbfTable);
  if (layout.hasMemo()) {
    std::string memoPath = MemoFile::pathFor(path);
    BufferedFile memo;
    if (!openExisting(memoPath, shared, readOnly, memo)) return nullptr;
    if (!table->memo_.attach(std::move(memo), memoPath)) {
      raiseCorruption(memoPath);
      return nullptr;
    }
    if (layout.version == kDbase4WithMemo) table->memo_.keepLengths();
  }
  table->path_ = std::move(path);
  table->dbf_ = std::move(dbf);
  table->layout_ = std::move(layout);
  table->record_ = table->layout_.blankRecord;
  table->count_ = static_cast<uint32_t>(count);
  table->shared_ = shared;
  table->readOnly_ = readOnly;
  table->goTop();
  return table;
}

void DbfTable::close() {
  if (!dbf_.isOpen()) return;
  if (!readOnly_) {
    writeRecord();
    if (memo_.isOpen() && !retryWrite(memo_.path(), [&] { return memo_.flush(); })) memo_.close();
    if (headerChanged_) writeHeader();
    if (!retryWrite(path_, [&] { return dbf_.flush(); })) dbf_.discardPending();
  }
  memo_.close();
  dbf_.close();
}

void DbfTable::discard() {
  memo_.close();
  dbf_.close();
}

void DbfTable::keepMemoLengths() {
  if (!layout_.hasMemo() || layout_.version == kDbase4WithMemo) return;
  memo_.keepLengths();
  layout_.version = kDbase4WithMemo;
  headerChanged_ = true;
}

uint64_t DbfTable::recordOffset(uint32_t n) const {
  return layout_.headerLength + uint64_t{layout_.recordLength} * (n - 1);
}

void DbfTable::stand(uint32_t recNo) {
  if (!positioned_ || recNo_ != recNo) loaded_ = false;
  recNo_ = recNo;
  positioned_ = true;
  bof_ = false;
  eof_ = false;
}

void DbfTable::standOnPhantom() {
  recNo_ = count_ + 1;
  positioned_ = false;
  bof_ = true;
  eof_ = true;
  record_ = layout_.blankRecord;
  loaded_ = true;
  changed_ = false;
}

void DbfTable::goTo(int64_t n) {
  writeRecord();
  if (n >= 1 && n <= count_) {
    stand(static_cast<uint32_t>(n));
  } else {
    standOnPhantom();
  }
}

void DbfTable::goTop() {
  goTo(1);
}

void DbfTable::goBottom() {
  goTo(count_);
}

void DbfTable::skip(int64_t count) {
  if (count == 0) {
    // Re-reads the current record when it is next needed; position and flags stay.
    writeRecord();
    if (positioned_) loaded_ = false;
    return;
  }
  goTo(int64_t{recNo_} + count);
  if (count > 0) {
    bof_ = false;
  } else if (!positioned_) {
    // Skipping back past the first record stays on it, with begin-of-file set.
    goTop();
    bof_ = true;
  }
}

bool DbfTable::refuse(const char* operation) {
  RunError error = readOnly_ ? commandError(EG_READONLY, 1025, operation)
                             : commandError(EG_SHARED, 1023, operation);
  error.CANDEFAULT = true;
  raiseTableError(error);
  return true;
}

bool DbfTable::append() {
  if (refuseChange("DBAPPEND", false)) return false;
  writeRecord();
  if (count_ + 1 >= UINT32_MAX) {
    // The record count is a 32-bit number; a retry could not change that.
    RunError error = driverError(EG_WRITE, 1011, path_, osCodeFromErrno(EFBIG), EFBIG);
    error.CANDEFAULT = true;
    raiseTableError(error);
    return false;
  }
  record_ = layout_.blankRecord;
  recNo_ = ++count_;
  positioned_ = true;
  loaded_ = true;
  changed_ = true;
  headerChanged_ = true;
  bof_ = false;
  eof_ = false;
  return true;
}

bool DbfTable::load() {
  if (loaded_) return true;
  loaded_ = true;
  int64_t got = dbf_.read(recordOffset(recNo_), record_);
  if (got == static_cast<int64_t>(record_.size())) return true;
  int err = got < 0 ? errno : 0;
  record_ = layout_.blankRecord;
  raiseCorruption(path_, err);
  return false;
}

bool DbfTable::writeRecord() {
  if (!changed_) return true;
  changed_ = false;
  if (retryWrite(path_, [&] { return dbf_.write(recordOffset(recNo_), record_); })) return true;
  dbf_.discardPending();
  return false;
}

bool DbfTable::writeHeader() {
  std::array<char, kDbfHeaderSize> header{};
  encodeHeader(layout_, count_, Date::today(), header);
  uint64_t end = recordOffset(count_ + 1);
  static constexpr char kEnd[] = {kEndOfFile};
  // Only the one holding the table alone may cut the file behind its last record.
  bool written = retryWrite(path_, [&] {
    return (shared_ || (dbf_.write(end, kEnd) && dbf_.truncate(end + 1))) &&
           dbf_.write(0, header) && dbf_.flush();
  });
  if (written) headerChanged_ = false;
  return written;
}

char* DbfTable::changeableRecord() {
  if (!positioned_ || refuseChange("FIELDPUT", false) || !load()) return nullptr;
  return record_.data();
}

char* DbfTable::changeableField(size_t index) {
  char* record = index < layout_.fields.size() ? changeableRecord() : nullptr;
  return record != nullptr ? record + layout_.fields[index].offset : nullptr;
}

char* DbfTable::writableRecord() {
  if (changeableRecord() == nullptr) return nullptr;
  changed_ = true;
  record_[0] = ' ';
  return record_.data();
}

bool DbfTable::putMemo(size_t index, std::string_view text) {
  char* dest = changeableField(index);
  if (dest == nullptr || layout_.fields[index].kind != FieldKind::Memo) return false;
  uint32_t block = 0;
  if (!text.empty() && !memo_.append(text, block)) return false;
  encodeMemoBlock(layout_.fields[index], block, dest);
  changed_ = true;
  record_[0] = ' ';
  return true;
}

bool DbfTable::put(size_t index, const Value& value) {
  if (index < layout_.fields.size() && layout_.fields[index].kind == FieldKind::Memo &&
      value.isText())
    return putMemo(index, value.text());
  char* dest = changeableField(index);
  if (dest == nullptr) return false;
  // A memo field takes only a text.
  const PutResult result = encodeField(layout_.fields[index], value, dest);
  if (result == PutResult::WrongType) {
    raiseRefusedValue(result);
    return false;
  }
  changed_ = true;
  if (result == PutResult::TooWide) {
    raiseRefusedValue(result);
    return false;
  }
  record_[0] = ' ';
  return true;
}

Value DbfTable::get(size_t index) {
  Value value;
  get(index, value);
  return value;
}

void DbfTable::get(size_t index, Value& out) {
  load();
  get(record_, index, out);
}

void DbfTable::get(std::string_view record, size_t index, Value& out) {
  if (index >= layout_.fields.size() || record.size() != layout_.recordLength) {
    out = Value();
    return;
  }
  const DbfField& field = layout_.fields[index];
  const char* src = record.data() + field.offset;
  if (field.kind != FieldKind::Memo) {
    decodeField(field, src, out);
    return;
  }
  uint64_t block = 0;
  std::string& text = out.reuseText();
  if (!decodeMemoBlock(field, src, block)) {
    raiseCorruption(path_);
    return;
  }
  memo_.read(block, text);
}

std::string_view DbfTable::bytes(size_t index) {
  if (index >= layout_.fields.size()) return {};
  load();
  const DbfField& field = layout_.fields[index];
  return std::string_view(record_).substr(field.offset, field.length);
}

std::string_view DbfTable::record() {
  load();
  return record_;
}

bool DbfTable::readRecord(int64_t n, std::string& out) {
  if (n < 1 || n > count_) return false;
  if (positioned_ && n == recNo_ && loaded_) {
    out.assign(record_);
    return true;
  }
  out.resize(layout_.recordLength);
  const int64_t got = dbf_.read(recordOffset(static_cast<uint32_t>(n)), out);
  if (got == static_cast<int64_t>(out.size())) return true;
  raiseCorruption(path_, got < 0 ? errno : 0);
  return false;
}

void DbfTable::releaseBeforeCurrent() {
  if (!positioned_ || !load()) return;
  releasedTo_ = dbf_.release(std::max(releasedTo_, recordOffset(1)), recordOffset(recNo_));
  if (!memo_.isOpen()) return;
  // Texts are appended in record order: those before the current record's first are done with.
  uint64_t first = memo_.nextFree();
  for (const DbfField& field : layout_.fields) {
    uint64_t block = 0;
    if (field.kind == FieldKind::Memo &&
        decodeMemoBlock(field, record_.data() + field.offset, block) && block > 0)
      first = std::min(first, block);
  }
  memo_.releaseBefore(first);
}

void DbfTable::deleteRecord() {
  if (!positioned_ || refuseChange("DBDELETE", false) || !load()) return;
  record_[0] = '*';
  changed_ = true;
}

bool DbfTable::deleted() {
  load();
  return record_[0] == '*';
}

bool DbfTable::pack() {
  if (refuseChange("__DBPACK", true)) return false;
  writeRecord();
  uint32_t kept = 0;
  for (uint32_t k = 1; k <= count_; ++k) {
    int64_t got = dbf_.read(recordOffset(k), record_);
    if (got != static_cast<int64_t>(record_.size())) {
      raiseCorruption(path_, got < 0 ? errno : 0);
      break;
    }
    if (record_[0] == '*') continue;
    ++kept;
    if (kept != k && !retryWrite(path_, [&] { return dbf_.write(recordOffset(kept), record_); }))
      dbf_.discardPending();
  }
  if (kept != count_) {
    count_ = kept;
    headerChanged_ = true;
  }
  positioned_ = false;  // the buffer holds whatever was read last
  goTop();
  return true;
}

bool DbfTable::zap() {
  if (refuseChange("__DBZAP", true)) return false;
  writeRecord();
  count_ = 0;
  releasedTo_ = 0;
  headerChanged_ = true;
  if (memo_.isOpen()) retryWrite(memo_.path(), [&] { return memo_.reset(); });
  goTo(0);
  return true;
}

}  // namespace tabulink
