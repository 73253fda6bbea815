#include "app/job_warnings.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "app/export_output.h"
#include "core/text.h"

namespace tabulink {
namespace {

struct SectionKeys {
  std::string_view section;
  std::vector<std::string_view> keys;
};

// The keys the program reads, by section (SQL1, SQL2, ... besides).
const std::array<SectionKeys, 3>& knownKeys() {
  static const std::array<SectionKeys, 3> known{{
      {"ODBC", {"DSN", "User", "Password", "SQL", "Asyncronous", "LoginTimeout"}},
      {"Output", {"Type", "FileOut", "FileErr", "DecChar", "DecNo", "Encoding"}},
      {"Options", {"SupportEmail", "Verbose"}},
  }};
  return known;
}

bool isContinuationKey(std::string_view key) {
  return startsWithNoCase(key, "SQL") && key.size() > 3 &&
         std::all_of(key.begin() + 3, key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void warn(const std::string& line) {
  std::fprintf(stderr, "tabulink: %s\n", line.c_str());
}

}  // namespace

void warnAboutUnknownKeys(const IniDocument& ini, const std::string& file) {
  for (const std::string& section : ini.sections()) {
    auto known = std::find_if(knownKeys().begin(), knownKeys().end(), [&](const SectionKeys& s) {
      return equalsNoCase(s.section, trim(section));
    });
    if (known == knownKeys().end()) {
      warn(file + ": unknown section [" + section + "], not read");
      continue;
    }
    for (const std::string& key : ini.keys(section)) {
      const bool read =
          std::any_of(known->keys.begin(), known->keys.end(),
                      [&](std::string_view name) { return equalsNoCase(name, key); }) ||
          (known->section == "ODBC" && isContinuationKey(key));
      if (!read) warn(file + ": unknown key " + key + "= in [" + section + "], not read");
    }
  }
}

void warnAboutUnknownType(std::string_view type) {
  if (knownOutputType(type)) return;
  warn("Type=" + std::string(type) +
       " names no output type (Screen, DBF, AsciiTable, CSV, Text): tab-delimited text is "
       "written");
}

}  // namespace tabulink
