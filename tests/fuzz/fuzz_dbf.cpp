// Feeds arbitrary bytes to the table reader as a .dbf/.dbt pair: opening, walking every record,
// reading every field, then appending, deleting and packing. The first two bytes give the
// length of the .dbf part (little-endian); the rest is the memo file.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "failure/error_block.h"
#include "table/dbcmd.h"
#include "table/dbf_table.h"
#include "table/work_areas.h"

namespace {

// A directory of its own for the two files, removed when the fuzzer ends.
const std::string& workDir() {
  // Never destroyed, so the exit handler that removes it still finds its name.
  static const std::string& dir = *[] {
    auto* pattern =
        new std::string((std::filesystem::temp_directory_path() / "fuzz-dbf-XXXXXX").string());
    if (mkdtemp(pattern->data()) == nullptr) std::abort();
    std::atexit([] { std::filesystem::remove_all(workDir()); });
    return pattern;
  }();
  return dir;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tabulink;
  static bool installed = [] {
    installErrorBlock([](const RunError&) { return ErrorAnswer::Default; });
    return true;
  }();
  (void)installed;
  if (size < 2) return 0;
  size_t tableSize = std::min<size_t>(data[0] | data[1] << 8, size - 2);
  std::string table = workDir() + "/t.dbf";
  writeFile(table, data + 2, tableSize);
  writeFile(workDir() + "/t.dbt", data + 2 + tableSize, size - 2 - tableSize);

  if (!DBUSEAREA(true, "", table, "FUZZ")) return 0;
  DbfTable* open = WorkAreas::instance().currentTable();
  int fields = static_cast<int>(open->fieldCount());
  int walked = 0;
  for (DBGOTOP(); !DBEOF() && walked < 200; DBSKIP(), ++walked) {
    for (int i = 1; i <= fields; ++i)
      FIELDGET(i);
    DELETED();
  }
  DBGOBOTTOM();
  DBSKIP(-1);
  DBDELETE();
  DBAPPEND();
  const Value samples[] = {Value("text"), Value::number(-12.5, 2), Value(Date::fromYmd(2005, 1, 5)),
                           Value(true)};
  for (int i = 1; i <= fields; ++i)
    for (const Value& value : samples)
      FIELDPUT(i, value);
  for (int i = 1; i <= fields; ++i)
    FIELDGET(i);
  __DBPACK();
  DBCLOSEAREA();
  return 0;
}
