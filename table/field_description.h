#pragma once
// One row of a table structure as handed to DBCREATE: the field description
// {name, type letter, length, decimals}.

#include <string>

namespace tabulink {

struct FieldDescription {
  std::string name;  // 1: up to 10 characters are kept, upper-cased
  std::string type;  // 2: C, N, F, D, L, M, B, 8, I, 2 or 4
  int length = 0;    // 3
  int decimals = 0;  // 4
};

}  // namespace tabulink
