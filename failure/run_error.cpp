#include "failure/run_error.h"

namespace tabulink {

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
    line += ": " + error.FILENAME;
  } else if (!error.OPERATION.empty()) {
    line += ": " + error.OPERATION;
  }
  return line;
}

}  // namespace tabulink
