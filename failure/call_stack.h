#pragma once
// The routines on the call stack at a run-time error, as names and line numbers read from the
// program's debugging information.

#include <string>
#include <string_view>
#include <vector>

namespace tabulink {

struct StackFrame {
  std::string routine;  // qualified name without its parameter list
  int line = 0;         // 0 when the routine has no line information
};

// The routines below the error block named `block`, innermost first: the first is the routine
// that raised the error. At most 72 routines (call levels 2 to 73), only those with a name.
std::vector<StackFrame> callStackBelow(std::string_view block);

// A demangled routine name without its parameter list and qualifiers: "ns::f(int) const" → "ns::f".
std::string routineName(std::string_view demangled);

}  // namespace tabulink
