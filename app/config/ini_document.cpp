#include "app/config/ini_document.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "core/text.h"

namespace tabulink {
namespace {

std::string_view trimSpace(std::string_view text) {
  size_t start = text.find_first_not_of(" \t\r");
  if (start == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(start, end - start + 1);
}

std::optional<std::string_view> sectionOf(std::string_view line) {
  line = trimSpace(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return trimSpace(line.substr(0, line.find(']')));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> keyOf(std::string_view line) {
  std::string_view trimmed = trimSpace(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' || trimmed.front() == '[')
    return std::nullopt;
  size_t eq = trimmed.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{trimSpace(trimmed.substr(0, eq)), trimSpace(trimmed.substr(eq + 1))};
}

std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

IniDocument::IniDocument(std::string_view content) {
  if (content.starts_with(kByteOrderMark)) {
    byteOrderMark_ = kByteOrderMark;
    content.remove_prefix(kByteOrderMark.size());
  }
  size_t pos = 0;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    if (nl == std::string_view::npos) {
      lines_.push_back({std::string(content.substr(pos)), ""});
      break;
    }
    size_t textEnd = nl > pos && content[nl - 1] == '\r' ? nl - 1 : nl;
    lines_.push_back({std::string(content.substr(pos, textEnd - pos)),
                      std::string(content.substr(textEnd, nl + 1 - textEnd))});
    pos = nl + 1;
  }
}

IniDocument IniDocument::load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return IniDocument(content);
}

bool IniDocument::save(const std::string& path) const {
  std::string temporary = path + ".tmp~";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    std::string text = content();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

const IniDocument::Index& IniDocument::index() const {
  if (index_) return *index_;
  Index& index = index_.emplace();
  SectionIndex* current = nullptr;  // null outside a section and in a repeated one
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (auto name = sectionOf(lines_[i].text)) {
      if (current) current->span.end = i;
      auto [entry, added] = index.try_emplace(upper(*name), SectionIndex{{i, lines_.size()}, {}});
      current = added ? &entry->second : nullptr;
    } else if (current) {
      if (auto line = keyOf(lines_[i].text)) current->keys.try_emplace(upper(line->key), i);
    }
  }
  return index;
}

const IniDocument::SectionIndex* IniDocument::findSection(std::string_view section) const {
  const Index& sections = index();
  auto found = sections.find(upper(trimSpace(section)));
  return found == sections.end() ? nullptr : &found->second;
}

std::optional<size_t> IniDocument::findKey(const SectionIndex& section,
                                           std::string_view key) const {
  auto found = section.keys.find(upper(trimSpace(key)));
  if (found == section.keys.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
  const SectionIndex* found = findSection(section);
  if (!found) return std::nullopt;
  auto index = findKey(*found, key);
  if (!index) return std::nullopt;
  return std::string(unquote(keyOf(lines_[*index].text)->value));
}

std::vector<std::string> IniDocument::sections() const {
  std::vector<std::string> names;
  for (const Line& line : lines_)
    if (auto name = sectionOf(line.text)) names.emplace_back(*name);
  return names;
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
  std::vector<std::string> names;
  const SectionIndex* found = findSection(section);
  if (!found) return names;
  for (size_t i = found->span.header + 1; i < found->span.end; ++i)
    if (auto line = keyOf(lines_[i].text)) names.emplace_back(line->key);
  return names;
}

std::string IniDocument::newLineEnd() const {
  for (const Line& line : lines_)
    if (!line.end.empty()) return line.end;
  return "\n";
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
  std::string keyText(trimSpace(key));
  const SectionIndex* found = findSection(section);
  if (!found) {
    if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = newLineEnd();
    std::string end = newLineEnd();
    lines_.push_back({"[" + std::string(trimSpace(section)) + "]", end});
    lines_.push_back({keyText + "=" + std::string(value), end});
    changed();
    return;
  }
  if (auto index = findKey(*found, key)) {
    std::string written(keyOf(lines_[*index].text)->key);
    lines_[*index].text = written + "=" + std::string(value);
    changed();
    return;
  }
  // A new key goes after the section's last non-blank line, before the blank lines that
  // separate it from the next section.
  const Span span = found->span;
  size_t at = span.end;
  while (at > span.header + 1 && trimSpace(lines_[at - 1].text).empty())
    --at;
  if (lines_[at - 1].end.empty()) lines_[at - 1].end = newLineEnd();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                Line{keyText + "=" + std::string(value), newLineEnd()});
  changed();
}

bool IniDocument::removeSection(std::string_view section) {
  const SectionIndex* found = findSection(section);
  if (!found) return false;
  const Span span = found->span;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(span.header),
               lines_.begin() + static_cast<std::ptrdiff_t>(span.end));
  changed();
  return true;
}

bool IniDocument::removeKey(std::string_view section, std::string_view key) {
  const SectionIndex* found = findSection(section);
  if (!found) return false;
  auto index = findKey(*found, key);
  if (!index) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
  changed();
  return true;
}

std::string IniDocument::content() const {
  std::string out = byteOrderMark_;
  for (const Line& line : lines_)
    out.append(line.text).append(line.end);
  return out;
}

}  // namespace tabulink
