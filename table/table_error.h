#pragma once
// The run-time error objects of the table layer, and raising them through the error block.

#include <cerrno>
#include <string>

#include "failure/os_code.h"
#include "failure/run_error.h"
#include "table/field_codec.h"

namespace tabulink {

// An error of a table command (subsystem "DBCMD"), naming the operation.
RunError commandError(int gencode, int subcode, std::string operation);
// An error of the table driver (subsystem "DBFNTX"), naming the file when one is involved; `err` is
// the errno behind `oscode`.
RunError driverError(int gencode, int subcode, std::string file = {}, int oscode = 0, int err = 0);

// Hands `error` to the error block; true when the operation is to be tried again (the block
// answered Retry and the error allows it).
bool raiseTableError(const RunError& error);

// Raises the error of a value a field refused (encodeField's WrongType or TooWide), which the
// error block may default.
void raiseRefusedValue(PutResult result);
// Raises "Corruption detected" for the file at `path`, with the errno `err` of a failed read.
void raiseCorruption(const std::string& path, int err = 0);
// Runs `attempt` (a write to the file at `path` that sets errno when it fails) until it succeeds,
// raising "Write error" after each failure; false when the error block gave the write up.
template <class Attempt>
bool retryWrite(const std::string& path, Attempt attempt) {
  while (!attempt()) {
    const int err = errno;
    RunError error = driverError(EG_WRITE, 1011, path, osCodeFromErrno(err), err);
    error.CANRETRY = true;
    error.CANDEFAULT = true;
    if (!raiseTableError(error)) return false;
  }
  return true;
}

}  // namespace tabulink
