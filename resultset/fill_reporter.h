#pragma once
// Hands a fill message to the reporter installed with installFillReporter (dropped when none is).

#include "resultset/tdbodbcdirect.h"

namespace tabulink {

void reportFill(std::string_view message);

}  // namespace tabulink
