#include "failure/call_stack.h"

#include <backtrace.h>
#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/text.h"

namespace tabulink {
namespace {

constexpr size_t kMaxLevels = 72;

void ignoreError(void*, const char*, int) {}

backtrace_state* state() {
  // The library keeps what it read of the debugging information for the life of the process.
  static backtrace_state* created = backtrace_create_state(nullptr, 0, ignoreError, nullptr);
  return created;
}

std::string demangle(const char* symbol) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> plain(
      abi::__cxa_demangle(symbol, nullptr, nullptr, &status), &std::free);
  return status == 0 && plain ? std::string(plain.get()) : std::string(symbol);
}

// The symbol table's name of the routine that holds `pc`, empty when there is none.
std::string symbolName(uintptr_t pc) {
  std::string name;
  backtrace_syminfo(
      state(), pc,
      [](void* data, uintptr_t, const char* symbol, uintptr_t, uintptr_t) {
        if (symbol != nullptr) *static_cast<std::string*>(data) = demangle(symbol);
      },
      ignoreError, &name);
  return name;
}

// The frames of one program counter: the routines inlined there first, then the one that holds
// them. The debugging information names routines without their namespaces where they have no
// linkage of their own, so the holder takes the symbol table's name when there is one.
void addFrames(uintptr_t pc, std::vector<StackFrame>& frames) {
  size_t before = frames.size();
  backtrace_pcinfo(
      state(), pc,
      [](void* data, uintptr_t, const char*, int line, const char* function) {
        if (function != nullptr)
          static_cast<std::vector<StackFrame>*>(data)->push_back(
              {routineName(demangle(function)), line});
        return 0;
      },
      ignoreError, &frames);
  std::string symbol = symbolName(pc);
  if (symbol.empty()) return;
  if (frames.size() == before) frames.push_back({{}, 0});
  frames.back().routine = routineName(symbol);
}

// The error block is reached through std::function and raiseError; none of that is the raiser.
bool isDispatch(std::string_view routine) {
  return routine.starts_with("std::") || routine == "tabulink::raiseError";
}

}  // namespace

std::vector<StackFrame> callStackBelow(std::string_view block) {
  std::vector<uintptr_t> pcs;
  backtrace_simple(
      state(), 0,
      [](void* data, uintptr_t pc) {
        static_cast<std::vector<uintptr_t>*>(data)->push_back(pc);
        return 0;
      },
      ignoreError, &pcs);
  std::vector<StackFrame> all;
  for (uintptr_t pc : pcs)
    addFrames(pc, all);

  auto first = all.begin();
  for (auto it = all.begin(); it != all.end(); ++it) {
    if (it->routine.find(block) != std::string::npos) {
      first = it + 1;
      break;
    }
  }
  while (first != all.end() && isDispatch(first->routine))
    ++first;
  std::vector<StackFrame> below(first, all.end());
  if (below.size() > kMaxLevels) below.resize(kMaxLevels);
  return below;
}

std::string routineName(std::string_view demangled) {
  std::string_view name = trimRight(demangled);
  // Copies the compiler made of a routine: "f(int) [clone .constprop.0]".
  for (size_t clone; name.ends_with(']') && (clone = name.rfind(" [clone ")) != name.npos;)
    name = trimRight(name.substr(0, clone));
  // Qualifiers after the parameter list: " const", " volatile", " &", " &&", " noexcept".
  for (bool cut = true; cut;) {
    cut = false;
    for (std::string_view suffix : {" const", " volatile", " &&", " &", " noexcept"}) {
      if (name.ends_with(suffix)) {
        name.remove_suffix(suffix.size());
        cut = true;
      }
    }
  }
  if (name.ends_with(')')) {
    int depth = 0;
    for (size_t i = name.size(); i-- > 0;) {
      if (name[i] == ')') ++depth;
      if (name[i] == '(' && --depth == 0) {
        name = trimRight(name.substr(0, i));
        break;
      }
    }
  }
  // The return type that names of template instances begin with: "int f<int>" → "f<int>". The
  // first blank outside brackets, from the right, ends it, unless it belongs to an operator's
  // name ("operator new", "operator<< <char>").
  int depth = 0;
  for (size_t i = name.size(); i-- > 0;) {
    char c = name[i];
    if (c == '>' || c == ')' || c == ']' || c == '}') ++depth;
    if (c == '<' || c == '(' || c == '[' || c == '{') --depth;
    if (c == ' ' && depth == 0) {
      std::string_view before = name.substr(0, i);
      size_t scope = before.rfind("::");
      size_t last = scope == before.npos ? 0 : scope + 2;
      if (!before.substr(last).starts_with("operator")) {
        name = name.substr(i + 1);
        break;
      }
      i = last;  // the operator's own characters are no brackets: go on before its name
    }
  }
  return std::string(name);
}

}  // namespace tabulink
