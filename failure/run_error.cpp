#include "failure/run_error.h"

#include <cstring>
#include <utility>

#include "failure/run_files.h"

namespace tabulink {

std::string_view genericErrorText(int gencode) {
  switch (gencode) {
    case EG_ARG:
      return "Argument error";
    case EG_ZERODIV:
      return "Zero divisor";
    case EG_NOMETHOD:
      return "No exported method";
    case EG_NOVAR:
      return "Variable does not exist";
    case EG_NOALIAS:
      return "Alias does not exist";
    case EG_NOVARMETHOD:
      return "No exported variable";
    case EG_DUPALIAS:
      return "Alias already in use";
    case EG_CREATE:
      return "Create error";
    case EG_OPEN:
      return "Open error";
    case EG_WRITE:
      return "Write error";
    case EG_CORRUPTION:
      return "Corruption detected";
    case EG_DATATYPE:
      return "Data type error";
    case EG_DATAWIDTH:
      return "Data width error";
    case EG_NOTABLE:
      return "Workarea not in use";
    case EG_SHARED:
      return "Exclusive required";
    case EG_READONLY:
      return "Write not allowed";
    case EG_APPENDLOCK:
      return "Append lock failed";
    case EG_LOCK:
      return "Lock Failure";
  }
  return {};
}

RunError makeRunError(int gencode, std::string subsystem, int subcode) {
  RunError error;
  error.GENCODE = gencode;
  error.SUBSYSTEM = std::move(subsystem);
  error.SUBCODE = subcode;
  error.DESCRIPTION = std::string(genericErrorText(gencode));
  return error;
}

std::string ERRORMESSAGE(const RunError& error) {
  std::string line;
  if (error.OSCODE == 0) {
    line = error.SEVERITY > 1 ? "Error " : "Warning ";
  } else {
    line = "(DOS Error " + std::to_string(error.OSCODE) + ") ";
  }
  line += error.SUBSYSTEM.empty() ? "???" : error.SUBSYSTEM;
  line += "/" + std::to_string(error.SUBCODE);
  if (!error.DESCRIPTION.empty()) line += "  " + error.DESCRIPTION;
  if (!error.FILENAME.empty()) {
    line += ": " + shownFileName(error.FILENAME);
  } else if (!error.OPERATION.empty()) {
    line += ": " + error.OPERATION;
  }
  // The code is the original platform's; the system's own words say what happened here.
  if (error.OSCODE != 0 && error.errnoValue != 0)
    line += std::string(" (") + std::strerror(error.errnoValue) + ")";
  return line;
}

}  // namespace tabulink
