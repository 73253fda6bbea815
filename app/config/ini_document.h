#pragma once
// One INI file held as its lines, so that changing one key rewrites nothing else. Syntax: section
// names in square brackets; "key=value" lines, the value being everything after the first "=";
// names matched without regard to letter case; blanks around names and values dropped; a value
// enclosed in a pair of single or double quotation marks loses them; lines beginning with ";" or
// "#" are comments. Where a section or key appears twice, the first one wins. A UTF-8
// byte-order mark at the start is no part of the first line (and is kept when writing). Values
// are read whole, however long.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tabulink {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string_view content);
  // The file's lines; a missing or unreadable file gives an empty document.
  static IniDocument load(const std::string& path);
  // Writes the document to `path` through a temporary file and a rename, so a failed write never
  // leaves half a file. Returns false when the file cannot be written.
  bool save(const std::string& path) const;

  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  std::vector<std::string> sections() const;
  // The key names of a section's lines as written, in file order (none for a missing section).
  std::vector<std::string> keys(std::string_view section) const;

  void set(std::string_view section, std::string_view key, std::string_view value);
  // Both return whether anything was removed.
  bool removeSection(std::string_view section);
  bool removeKey(std::string_view section, std::string_view key);

  std::string content() const;

 private:
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n" or "" for a last line without one
  };
  // Where a section's header and its last line stand.
  struct Span {
    size_t header;
    size_t end;  // one past the section's last line
  };
  // The first section of a name and the first line of each of its keys, by upper-cased name.
  struct SectionIndex {
    Span span;
    std::unordered_map<std::string, size_t> keys;
  };
  using Index = std::unordered_map<std::string, SectionIndex>;
  // Built in one pass on the first look-up after a change, so that reading n keys costs one
  // pass over the lines rather than n.
  const Index& index() const;
  const SectionIndex* findSection(std::string_view section) const;
  std::optional<size_t> findKey(const SectionIndex& section, std::string_view key) const;
  std::string newLineEnd() const;
  void changed() { index_.reset(); }

  std::string byteOrderMark_;  // as the content began: the mark, or nothing
  std::vector<Line> lines_;
  mutable std::optional<Index> index_;
};

}  // namespace tabulink
