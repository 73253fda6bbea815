#pragma once
// Facts about the running program and the machine that the error report records.

#include <cstdint>
#include <filesystem>
#include <string>

namespace tabulink {

struct ProcessorInfo {
  std::string name;  // the processor's model name, "unknown" when the system does not say
  long mhz = 0;      // its clock speed in MHz, 0 when unknown
};

struct SystemVersion {
  int major = 0;
  int minor = 0;
  std::string build;    // the rest of the kernel release after major and minor, "0-18-amd64"
  std::string variant;  // the kernel's version text, "#1 SMP PREEMPT_DYNAMIC Debian ..."
};

struct HeapUse {
  uint64_t current = 0;  // bytes handed out by the allocator now
  uint64_t highest = 0;  // the process's peak memory in use, never below `current`
};

std::filesystem::path programPath();
// Size of the program file in bytes, 0 when it cannot be found.
uint64_t programSize();
// Whole seconds since the process started.
long secondsSinceStart();
ProcessorInfo processorInfo();
// Total physical memory in bytes.
uint64_t physicalMemory();
SystemVersion systemVersion();
// The whole content of the file at `path`; empty when it cannot be read.
std::string readText(const std::filesystem::path& path);
// "major.minor, Build <build> <variant>", as the error report and the crash report show it.
std::string systemVersionText();
// What the system is, in its own words: "Linux 6.1.0-13-amd64 x86_64, Debian GNU/Linux 12".
std::string systemDescription();
// The machine's host name.
std::string computerName();
// A number that identifies the installation: the first 32 bits of /etc/machine-id read as a
// signed number, a negative one with 2147483647 added; 0 when the file cannot be read.
long installationTicket();
// Writable data objects (static and global variables) in the program file's symbol table, 0 when
// the file carries no symbol table.
long staticVariableCount();
HeapUse heapUse();
// The compiler and its version that built the program.
std::string compilerVersion();

}  // namespace tabulink
