#include "app/job_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/error_collection.h"

namespace tabulink {
namespace {

// The whole content of `path` ("-" the standard input), or nothing when it cannot be read.
std::optional<std::string> readWhole(const std::string& path) {
  std::ifstream in(path == "-" ? "/dev/stdin" : path, std::ios::binary);
  if (!in) return std::nullopt;
  try {
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return content;
  } catch (const std::ios_base::failure&) {
    // A failed read (a folder named as the file) is thrown by the stream buffer itself; errno
    // still says why.
    return std::nullopt;
  }
}

// The content of a file a job option names; reported when it cannot be read.
std::optional<std::string> readOptionFile(const char* what, const std::string& path) {
  errno = 0;
  std::optional<std::string> content = readWhole(path);
  if (!content) {
    const int code = errno != 0 ? errno : EIO;
    ZULERROR(std::string("The ") + what + " file " + path +
             " could not be read: " + std::strerror(code));
  }
  return content;
}

// A password is the file's first line: the line end an editor leaves is no part of it.
std::string firstLine(const std::string& content) {
  std::string line = content.substr(0, content.find('\n'));
  if (line.ends_with('\r')) line.pop_back();
  return line;
}

// A statement file's surrounding white space (its last line end among it) is no part of the
// statement.
std::string statement(const std::string& content) {
  constexpr const char* kSpace = " \t\r\n";
  const size_t start = content.find_first_not_of(kSpace);
  if (start == std::string::npos) return {};
  return content.substr(start, content.find_last_not_of(kSpace) + 1 - start);
}

void set(std::string& key, const std::optional<std::string>& option) {
  if (option) key = *option;
}

}  // namespace

bool JobOptions::any() const {
  return DSN || User || SQL || Type || DecChar || DecNo || FileOut || FileErr || passwordFile ||
         sqlFile;
}

bool applyJobOptions(RunSettings& s, std::string& decNo, const JobOptions& options) {
  // The error file first: a file below that cannot be read is reported into it.
  set(s.FileErr, options.FileErr);
  set(s.DSN, options.DSN);
  set(s.User, options.User);
  set(s.SQL, options.SQL);
  set(s.Type, options.Type);
  set(s.DecChar, options.DecChar);
  set(decNo, options.DecNo);
  set(s.FileOut, options.FileOut);
  if (options.verbose) s.Verbose = true;

  bool read = true;
  if (options.sqlFile) {
    std::optional<std::string> sql = readOptionFile("SQL", *options.sqlFile);
    if (sql) s.SQL = statement(*sql);
    read = read && sql.has_value();
  }
  if (options.passwordFile) {
    std::optional<std::string> password = readOptionFile("password", *options.passwordFile);
    if (password) s.Password = firstLine(*password);
    read = read && password.has_value();
  } else if (const char* password = std::getenv("TABULINK_PASSWORD"); password != nullptr) {
    s.Password = password;
  }
  return read;
}

}  // namespace tabulink
