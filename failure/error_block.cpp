#include "failure/error_block.h"

#include <cstdio>
#include <utility>

#include "failure/program_end.h"

namespace tabulink {
namespace {

// Never destroyed: tables still open are closed by exit handlers, which may raise errors after
// the static objects of this file would otherwise be gone.
ErrorBlock& installedBlock() {
  static ErrorBlock& block = *new ErrorBlock(defaultErrorBlock);
  return block;
}

}  // namespace

ErrorBlock installErrorBlock(ErrorBlock block) {
  return std::exchange(installedBlock(), std::move(block));
}

ErrorAnswer raiseError(const RunError& error) {
  return installedBlock()(error);
}

ErrorAnswer defaultErrorBlock(const RunError& error) {
  std::fprintf(stderr, "%s\n", ERRORMESSAGE(error).c_str());
  endProgram();
}

}  // namespace tabulink
