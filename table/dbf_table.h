#pragma once
// One open DBF table: its two files, its layout computed once, one record buffer and the current
// position. Records are written when the position leaves them; the header is completed at close.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "table/buffered_file.h"
#include "table/dbf_layout.h"
#include "table/memo_file.h"

namespace tabulink {

class DbfTable {
 public:
  // The table file a name stands for: ".dbf" added when the name has no extension.
  static std::string tablePath(const std::string& file);

  // Creates an empty table of `structure` (replacing any existing file) and closes it again;
  // failures raise their run-time errors. False when the creation was given up.
  static bool create(const std::string& file, const std::vector<FieldDescription>& structure);
  // The same, but only when neither the table file nor its memo file exists yet (O_EXCL), so two
  // programs never share a file: NameTaken leaves every existing file untouched. With
  // `ownerOnly` both files are readable and writable by their owner alone (0600), whatever the
  // umask, from the moment they exist.
  enum class Created { Yes, NameTaken, GivenUp };
  static Created createExclusive(const std::string& file,
                                 const std::vector<FieldDescription>& structure,
                                 bool ownerOnly = false);
  // Opens a table, positioned on record 1; failures (including a damaged file) raise their
  // run-time errors. Null when the open was given up.
  static std::unique_ptr<DbfTable> open(const std::string& file, bool shared, bool readOnly);

  ~DbfTable() { close(); }
  DbfTable(const DbfTable&) = delete;
  DbfTable& operator=(const DbfTable&) = delete;

  // Writes the current record when it changed, completes the header when the table changed
  // (date, record count, end byte behind the last record) and closes both files.
  void close();
  // Closes both files without writing anything: for a table about to be deleted.
  void discard();

  const std::string& fileName() const { return path_; }
  const DbfLayout& layout() const { return layout_; }
  size_t fieldCount() const { return layout_.fields.size(); }
  bool isShared() const { return shared_; }
  bool isReadOnly() const { return readOnly_; }

  uint32_t recNo() const { return recNo_; }
  uint32_t recCount() const { return count_; }
  bool bof() const { return bof_; }
  bool eof() const { return eof_; }
  bool found() const { return false; }  // nothing is ever searched

  // Record n, or the phantom record (number count + 1) when n is outside 1..count.
  void goTo(int64_t n);
  void goTop();
  void goBottom();
  void skip(int64_t count = 1);

  // Adds a blank record and makes it current; false when refused or given up.
  bool append();
  // From now on memo texts are stored with their length, so that they come back byte for byte
  // (0x1A and NUL included): the table becomes a dBASE IV table with memo (version 0x8B), which
  // such tables stay when opened again. For tables only this program writes, such as caches.
  void keepMemoLengths();
  // Assigns field `index` (0-based) of the current record; false when the value was not stored
  // as given (wrong type, too wide, refused, phantom record).
  bool put(size_t index, const Value& value);
  // The same for a memo field given its text, which goes to the memo file (an empty text stores
  // no block).
  bool putMemo(size_t index, std::string_view text);
  // The current record, for the caller to write the bytes of whole fields made by the field
  // codecs at their layout offsets; the record counts as changed. Null when it cannot be changed.
  char* writableRecord();
  // The value of field `index` (0-based) of the current record.
  Value get(size_t index);
  // The same into `out`, reusing the capacity of a text it already holds (for loops over rows).
  void get(size_t index, Value& out);
  // The same of `record`, the bytes of a record of this table that readRecord gave.
  void get(std::string_view record, size_t index, Value& out);
  // The bytes of field `index` of the current record as stored, without a copy; valid until the
  // position or the record changes. Empty for an index outside the fields.
  std::string_view bytes(size_t index);
  // The whole current record the same way: the deletion flag, then the fields at their offsets.
  std::string_view record();
  // Record n as it is now, the current record's changes not yet written included, into `out`
  // (the caller's bytes), leaving the position and the current record alone: for a reader beside
  // the one that moves and changes. False when there is no record n.
  bool readRecord(int64_t n, std::string& out);
  // Gives the file space of the records before the current one, and of the memo texts only they
  // hold, back to the file system: for a scratch table read once in order (a cache being
  // exported), whose earlier records are never read again: those still in the write buffer are
  // never written (see BufferedFile::release).
  void releaseBeforeCurrent();
  void deleteRecord();
  bool deleted();
  // Removes deleted records for good, renumbering the rest; then on record 1.
  bool pack();
  // Removes every record; then on the phantom record.
  bool zap();

 private:
  DbfTable() = default;
  static Created createTable(const std::string& file,
                             const std::vector<FieldDescription>& structure, bool exclusive,
                             bool ownerOnly);

  void stand(uint32_t recNo);  // positions without reading
  void standOnPhantom();
  bool load();         // reads the current record into the buffer once
  bool writeRecord();  // writes the buffer when it changed
  bool writeHeader();
  // Asked once per stored field: the usual answer comes before any call.
  bool refuseChange(const char* operation, bool needsExclusive) {
    return (readOnly_ || (needsExclusive && shared_)) && refuse(operation);
  }
  bool refuse(const char* operation);  // raises why the change is refused
  // The bytes of field `index` in the current record, ready to be changed; null when the field
  // or the record cannot be changed.
  char* changeableField(size_t index);
  char* changeableRecord();  // the same for the whole record
  uint64_t recordOffset(uint32_t n) const;

  std::string path_;
  BufferedFile dbf_;
  MemoFile memo_;
  DbfLayout layout_;
  std::string record_;       // the current record's bytes
  uint64_t releasedTo_ = 0;  // where the record bytes given back by releaseBeforeCurrent end
  uint32_t count_ = 0;
  uint32_t recNo_ = 1;
  bool positioned_ = false;
  bool loaded_ = false;
  bool changed_ = false;
  bool headerChanged_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool shared_ = false;
  bool readOnly_ = false;
};

}  // namespace tabulink
