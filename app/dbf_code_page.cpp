#include "app/dbf_code_page.h"

#include <fcntl.h>

#include <cerrno>
#include <filesystem>

#include "core/write_all.h"
#include "table/file_handle.h"

namespace tabulink {

std::string codePagePath(const std::string& tablePath) {
  return std::filesystem::path(tablePath).replace_extension(".cpg").string();
}

int writeCodePage(const std::string& path, const std::string& encoding) {
  FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (file.get() < 0) return errno;
  return writeAll(file.get(), encoding) ? 0 : errno;
}

}  // namespace tabulink
