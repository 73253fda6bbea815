#pragma once
// One record laid out as the cache table lays out its records, held in memory with its memo texts:
// where a row read once (by a file export) is put instead of the cache table, and read from there
// as a cached row is, until the next row replaces it.

#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "table/dbf_layout.h"

namespace tabulink {

class RowRecord {
 public:
  // False when `structure` makes no record (the table writer would refuse it too).
  bool build(const std::vector<FieldDescription>& structure);

  const DbfLayout& layout() const { return layout_; }

  // Makes the record blank, as a record just appended is.
  void clear();
  // As DbfTable's: the record's bytes to be written at the layout's offsets, a field assigned
  // from a value (a width or type the field refuses raises the same run-time errors) and a memo
  // field given its text, which the record keeps a copy of.
  char* writableRecord() { return record_.data(); }
  bool put(size_t index, const Value& value);
  bool putMemo(size_t index, std::string_view text);

  std::string_view record() const { return record_; }
  std::string_view bytes(size_t index) const;
  void get(size_t index, Value& out) const;

 private:
  DbfLayout layout_;
  std::string record_;
  std::vector<std::string> memos_;  // per field; only those of memo fields are used
};

}  // namespace tabulink
