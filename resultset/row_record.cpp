#include "resultset/row_record.h"

#include "table/field_codec.h"
#include "table/table_error.h"

namespace tabulink {

bool RowRecord::build(const std::vector<FieldDescription>& structure) {
  if (buildLayout(structure, layout_) != LayoutError::None) return false;
  memos_.assign(layout_.fields.size(), std::string());
  clear();
  return true;
}

void RowRecord::clear() {
  record_.assign(layout_.blankRecord);
  for (std::string& memo : memos_)
    memo.clear();  // keeps its capacity for the next row
}

bool RowRecord::put(size_t index, const Value& value) {
  if (index >= layout_.fields.size()) return false;
  const DbfField& field = layout_.fields[index];
  if (field.kind == FieldKind::Memo && value.isText()) return putMemo(index, value.text());
  const PutResult result = encodeField(field, value, record_.data() + field.offset);
  if (result == PutResult::Stored) return true;
  raiseRefusedValue(result);
  return false;
}

bool RowRecord::putMemo(size_t index, std::string_view text) {
  if (index >= layout_.fields.size() || layout_.fields[index].kind != FieldKind::Memo) return false;
  memos_[index].assign(text);
  return true;
}

std::string_view RowRecord::bytes(size_t index) const {
  if (index >= layout_.fields.size()) return {};
  const DbfField& field = layout_.fields[index];
  return std::string_view(record_).substr(field.offset, field.length);
}

void RowRecord::get(size_t index, Value& out) const {
  if (index >= layout_.fields.size()) {
    out = Value();
    return;
  }
  const DbfField& field = layout_.fields[index];
  if (field.kind == FieldKind::Memo) {
    out.reuseText().assign(memos_[index]);
  } else {
    decodeField(field, record_.data() + field.offset, out);
  }
}

}  // namespace tabulink
