// Feeds arbitrary bytes to the INI reader: reading keys, changing one and reading it back.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/config/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tabulink::IniDocument;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  IniDocument ini(text);
  if (ini.content() != text) __builtin_trap();  // reading keeps every byte
  for (const char* key : {"DSN", "SQL", "Type", ""})
    ini.value("ODBC", key);
  for (const std::string& section : ini.sections())
    ini.value(section, "DSN");
  ini.set("ODBC", "DSN", "fuzz");
  if (ini.value("ODBC", "DSN") != "fuzz") __builtin_trap();
  ini.removeKey("ODBC", "DSN");
  ini.removeSection("Output");
  return 0;
}
