#pragma once
// The system code (OSCODE) of a run-time error in the numbering the error handler and the error
// message line speak: 5 access denied, 32 sharing violation, 2 file not found, and so on.

namespace tabulink {

// The system code of a failed file operation from its errno value; 0 for 0. Codes without an
// equivalent of their own count as 31, a general failure.
int osCodeFromErrno(int errnoValue);

}  // namespace tabulink
