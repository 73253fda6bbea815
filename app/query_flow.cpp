#include "app/query_flow.h"

namespace tabulink {

// The connection and query flow is still to be built: a run records nothing further here.
void OPENODBC(const std::string&, const std::string&, const std::string&) {}

}  // namespace tabulink
