#include "failure/system_facts.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string_view>

#include <elf.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "core/text.h"

namespace tabulink {
namespace {

std::string_view trimSpace(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The value of the first "name<tabs>: value" line of /proc/cpuinfo with that name.
std::string cpuinfoValue(const std::string& cpuinfo, std::string_view name) {
  std::istringstream lines(cpuinfo);
  for (std::string line; std::getline(lines, line);) {
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (trimSpace(std::string_view(line).substr(0, colon)) == name)
      return std::string(trimSpace(std::string_view(line).substr(colon + 1)));
  }
  return {};
}

// The whole program file mapped read-only for the symbol count.
class MappedFile {
 public:
  explicit MappedFile(const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
      void* data =
          ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
      if (data != MAP_FAILED) {
        data_ = static_cast<const unsigned char*>(data);
        size_ = static_cast<size_t>(info.st_size);
      }
    }
    ::close(fd);
  }
  ~MappedFile() {
    if (data_ != nullptr) ::munmap(const_cast<unsigned char*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // The object of type T at `offset`, or null when it would not lie wholly inside the file.
  template <typename T>
  const T* at(uint64_t offset, uint64_t index = 0) const {
    uint64_t start = offset + index * sizeof(T);
    if (data_ == nullptr || start < offset || start > size_ || size_ - start < sizeof(T))
      return nullptr;
    return reinterpret_cast<const T*>(data_ + start);
  }

 private:
  const unsigned char* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace

std::filesystem::path programPath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error);
}

uint64_t programSize() {
  std::error_code error;
  uintmax_t size = std::filesystem::file_size(programPath(), error);
  return error ? 0 : size;
}

long secondsSinceStart() {
  // Field 22 of the process's stat line is its start in clock ticks after boot; the fields are
  // counted after the command name in parentheses, which may hold blanks.
  std::string stat = readText("/proc/self/stat");
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(stat.substr(close + 1));
  std::string field;
  for (int i = 3; i <= 22; ++i)
    fields >> field;
  double startTicks = VAL(field);
  double uptime = VAL(readText("/proc/uptime"));
  double elapsed = uptime - startTicks / static_cast<double>(::sysconf(_SC_CLK_TCK));
  return elapsed > 0 ? static_cast<long>(elapsed) : 0;
}

ProcessorInfo processorInfo() {
  std::string cpuinfo = readText("/proc/cpuinfo");
  ProcessorInfo info;
  info.name = cpuinfoValue(cpuinfo, "model name");
  if (info.name.empty()) info.name = cpuinfoValue(cpuinfo, "Hardware");
  if (info.name.empty()) info.name = "unknown";
  std::string mhz = cpuinfoValue(cpuinfo, "cpu MHz");
  if (!mhz.empty()) {
    info.mhz = std::lround(VAL(mhz));
  } else {
    // Processors whose cpuinfo gives no speed: the highest frequency of the first core, in kHz.
    info.mhz =
        std::lround(VAL(readText("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq")) / 1000);
  }
  return info;
}

uint64_t physicalMemory() {
  struct sysinfo info {};
  if (::sysinfo(&info) != 0) return 0;
  return static_cast<uint64_t>(info.totalram) * info.mem_unit;
}

SystemVersion systemVersion() {
  struct utsname names {};
  SystemVersion version;
  if (::uname(&names) != 0) return version;
  std::string_view release = names.release;
  const char* end = release.data() + release.size();
  auto [afterMajor, majorError] = std::from_chars(release.data(), end, version.major);
  const char* rest = afterMajor;
  if (majorError == std::errc() && rest != end && *rest == '.') {
    auto [afterMinor, minorError] = std::from_chars(rest + 1, end, version.minor);
    rest = minorError == std::errc() ? afterMinor : rest;
  }
  if (rest != end && *rest == '.') ++rest;
  version.build.assign(rest, end);
  version.variant = names.version;
  return version;
}

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string systemVersionText() {
  SystemVersion version = systemVersion();
  return std::to_string(version.major) + "." + std::to_string(version.minor) + ", Build " +
         version.build + " " + version.variant;
}

std::string systemDescription() {
  struct utsname names {};
  std::string text = ::uname(&names) == 0
                         ? std::string(names.sysname) + " " + names.release + " " + names.machine
                         : std::string("Linux");
  // The distribution's own name, as /etc/os-release gives it.
  std::istringstream release(readText("/etc/os-release"));
  for (std::string line; std::getline(release, line);) {
    if (!line.starts_with("PRETTY_NAME=")) continue;
    std::string name = line.substr(12);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
      name = name.substr(1, name.size() - 2);
    text += ", " + name;
  }
  return text;
}

std::string computerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

long installationTicket() {
  std::string id = readText("/etc/machine-id").substr(0, 8);
  uint32_t bits = 0;
  auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), bits, 16);
  if (error != std::errc() || end != id.data() + 8) return 0;
  long value = static_cast<int32_t>(bits);
  return value < 0 ? value + 2147483647 : value;
}

long staticVariableCount() {
  MappedFile file("/proc/self/exe");
  const Elf64_Ehdr* header = file.at<Elf64_Ehdr>(0);
  if (header == nullptr || std::string_view(reinterpret_cast<const char*>(header->e_ident), 4) !=
                               std::string_view(ELFMAG, SELFMAG)) {
    return 0;
  }
  auto section = [&](uint64_t index) { return file.at<Elf64_Shdr>(header->e_shoff, index); };
  // Variables live in writable sections; constants do not, and neither do the vtables and type
  // data that are only writable until relocation (".data.rel.ro").
  const Elf64_Shdr* names = section(header->e_shstrndx);
  auto isVariableSection = [&](uint64_t index) {
    const Elf64_Shdr* home = section(index);
    if (home == nullptr || (home->sh_flags & SHF_WRITE) == 0 || home->sh_type == SHT_DYNAMIC)
      return false;
    const char* name = names != nullptr ? file.at<char>(names->sh_offset, home->sh_name) : nullptr;
    return name == nullptr || !std::string_view(name).starts_with(".data.rel.ro");
  };
  long count = 0;
  for (uint64_t i = 0; i < header->e_shnum; ++i) {
    const Elf64_Shdr* symbols = section(i);
    if (symbols == nullptr || symbols->sh_type != SHT_SYMTAB || symbols->sh_entsize == 0) continue;
    for (uint64_t j = 0; j < symbols->sh_size / symbols->sh_entsize; ++j) {
      const Elf64_Sym* symbol = file.at<Elf64_Sym>(symbols->sh_offset, j);
      if (symbol == nullptr) break;
      int type = ELF64_ST_TYPE(symbol->st_info);
      if (type != STT_OBJECT && type != STT_TLS) continue;
      if (symbol->st_shndx == SHN_UNDEF || symbol->st_shndx >= SHN_LORESERVE) continue;
      if (isVariableSection(symbol->st_shndx)) ++count;
    }
  }
  return count;
}

HeapUse heapUse() {
  struct mallinfo2 heap = ::mallinfo2();
  HeapUse use;
  use.current = heap.uordblks + heap.hblkhd;
  // The allocator keeps no peak of its own; the peak resident size is the nearest true figure.
  struct rusage usage {};
  if (::getrusage(RUSAGE_SELF, &usage) == 0)
    use.highest = static_cast<uint64_t>(usage.ru_maxrss) * 1024;
  if (use.highest < use.current) use.highest = use.current;
  return use;
}

std::string compilerVersion() {
#if defined(__clang__)
  return __VERSION__;
#else
  return "GCC " __VERSION__;
#endif
}

}  // namespace tabulink
