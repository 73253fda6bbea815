#pragma once
// The run-time error object: what a failing operation of the program itself (a table file that
// cannot be created, a value too wide for its field) hands to the installed error block.

#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"

namespace tabulink {

// Generic error codes (GENCODE).
inline constexpr int EG_ARG = 1;
inline constexpr int EG_ZERODIV = 5;
inline constexpr int EG_NOMETHOD = 13;
inline constexpr int EG_NOVAR = 14;
inline constexpr int EG_NOALIAS = 15;
inline constexpr int EG_NOVARMETHOD = 16;
inline constexpr int EG_DUPALIAS = 18;
inline constexpr int EG_CREATE = 20;
inline constexpr int EG_OPEN = 21;
inline constexpr int EG_WRITE = 24;
inline constexpr int EG_CORRUPTION = 32;
inline constexpr int EG_DATATYPE = 33;
inline constexpr int EG_DATAWIDTH = 34;
inline constexpr int EG_NOTABLE = 35;
inline constexpr int EG_SHARED = 37;
inline constexpr int EG_READONLY = 39;
inline constexpr int EG_APPENDLOCK = 40;
inline constexpr int EG_LOCK = 41;

// The run-time error text of a generic code ("Create error" for EG_CREATE); empty when unknown.
std::string_view genericErrorText(int gencode);

struct RunError {
  int GENCODE = 0;
  int OSCODE = 0;      // system code, 0 when none; from errno through osCodeFromErrno
  int errnoValue = 0;  // the errno OSCODE was made from, whose text the message adds
  int SEVERITY = 2;    // greater than 1 for an error, 1 for a warning
  std::string SUBSYSTEM;
  int SUBCODE = 0;
  std::string DESCRIPTION;
  std::string FILENAME;
  std::string OPERATION;
  std::vector<Value> ARGS;  // arguments of the failed operation, possibly none
  bool CANRETRY = false;
  bool CANDEFAULT = false;
};

// An error of `subsystem` whose description is the generic code's text.
RunError makeRunError(int gencode, std::string subsystem, int subcode);

// The one-line message: "Error DBFNTX/1021  Data width error", "(DOS Error 5) DBFNTX/1004  Create
// error: out.dbf (Permission denied)", the system's text of the errno at the end. A file written
// under a temporary name is named as the output it becomes.
std::string ERRORMESSAGE(const RunError& error);

}  // namespace tabulink
