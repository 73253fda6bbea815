// Names holding a blank, bracketed for SQL text.

#include "core/text.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

std::string CHKSP(std::string_view name) {
  if (trim(name).find(' ') == std::string_view::npos) return std::string(name);
  return "[" + std::string(name) + "]";
}

}  // namespace tabulink
