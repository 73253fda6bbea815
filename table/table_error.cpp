#include "table/table_error.h"

#include <cerrno>

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
  error.SUBSYSTEM = "DBFNTX";
  error.SUBCODE = subcode;
  error.DESCRIPTION = std::string(genericErrorText(gencode));
  error.FILENAME = std::move(file);
  return error;
}

int systemErrorCode(int err) {
  switch (err) {
    case ENOENT:
      return 2;
    case ENOTDIR:
      return 3;
    case EACCES:
    case EPERM:
    case EROFS:
      return 5;
    case EWOULDBLOCK:
      return 32;
    default:
      return err;
  }
}

bool raiseTableError(const RunError& error) {
  return raiseError(error) == ErrorAnswer::Retry && error.CANRETRY;
}

}  // namespace tabulink
