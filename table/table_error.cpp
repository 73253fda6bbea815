#include "table/table_error.h"

#include "table/work_areas.h"

#include "failure/error_block.h"

namespace tabulink {

RunError commandError(int gencode, int subcode, std::string operation) {
  RunError error;
  error.GENCODE = gencode;
  error.SUBSYSTEM = "DBCMD";
  error.SUBCODE = subcode;
  error.DESCRIPTION = std::string(genericErrorText(gencode));
  error.OPERATION = std::move(operation);
  return error;
}

RunError driverError(int gencode, int subcode, std::string file, int oscode) {
  RunError error;
  error.GENCODE = gencode;
  error.OSCODE = oscode;
  error.SUBSYSTEM = kDefaultDriver;
  error.SUBCODE = subcode;
  error.DESCRIPTION = std::string(genericErrorText(gencode));
  error.FILENAME = std::move(file);
  return error;
}

bool raiseTableError(const RunError& error) {
  return raiseError(error) == ErrorAnswer::Retry && error.CANRETRY;
}

}  // namespace tabulink
