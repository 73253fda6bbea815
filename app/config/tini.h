#pragma once
// TIni: reads and writes one INI file. Values come back in the kind of a default (or of a current
// value): numbers as integers, logicals true only for ".T.", dates in the process-wide format.

#include <optional>
#include <string>
#include <vector>

#include "app/config/ini_document.h"
#include "core/value.h"

namespace tabulink {

class TIni {
 public:
  std::string cIniFile;  // path; empty means the per-user file (see perUserIniPath)
  bool lAutoSet = true;  // Get writes a returned default back into the file

  // A non-empty name without any "." (directory part included) gets ".ini" appended, except a
  // name in /dev/.
  static TIni New(const std::string& fileName = {});

  // The key's value in the kind of `defaultValue`, or of `current` when the default is absent.
  // A missing key gives the default; when the result equals a given default and lAutoSet is on,
  // the default is written into the file.
  Value Get(const std::string& section, const std::string& key, const Value& defaultValue = {},
            const Value& current = {});
  // Writes the text form of `value` (CVALTOCHAR); every other line of the file stays as it was.
  void Set(const std::string& section, const std::string& key, const Value& value);

  // Section names, as many as the 4,096-byte list of the profile service holds.
  std::vector<std::string> Sections() const;
  void DelSection(const std::string& section);
  void DelEntry(const std::string& section, const std::string& key);

 private:
  std::string path() const;
  // The file as read on first use; every change goes through it and is saved at once, so the
  // file is read once per object, not once per key.
  IniDocument& document() const;

  mutable std::optional<IniDocument> document_;
};

// The per-user file that stands in for the user profile: $XDG_CONFIG_HOME/tabulink/tabulink.ini,
// or ~/.config/tabulink/tabulink.ini when XDG_CONFIG_HOME is unset.
std::string perUserIniPath();

}  // namespace tabulink
