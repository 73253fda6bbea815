#include "table/table_error.h"

#include "table/work_areas.h"

#include "failure/error_block.h"

namespace tabulink {

RunError commandError(int gencode, int subcode, std::string operation) {
  RunError error = makeRunError(gencode, "DBCMD", subcode);
  error.OPERATION = std::move(operation);
  return error;
}

RunError driverError(int gencode, int subcode, std::string file, int oscode, int err) {
  RunError error = makeRunError(gencode, std::string(kDefaultDriver), subcode);
  error.OSCODE = oscode;
  error.errnoValue = err;
  error.FILENAME = std::move(file);
  return error;
}

bool raiseTableError(const RunError& error) {
  return raiseError(error) == ErrorAnswer::Retry && error.CANRETRY;
}

void raiseRefusedValue(PutResult result) {
  RunError error = result == PutResult::WrongType ? driverError(EG_DATATYPE, 1020)
                                                  : driverError(EG_DATAWIDTH, 1021);
  error.CANDEFAULT = true;
  raiseTableError(error);
}

void raiseCorruption(const std::string& path, int err) {
  RunError error = driverError(EG_CORRUPTION, 1012, path, osCodeFromErrno(err), err);
  error.CANDEFAULT = true;
  raiseTableError(error);
}

}  // namespace tabulink
