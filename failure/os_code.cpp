#include "failure/os_code.h"

#include <cerrno>

namespace tabulink {

int osCodeFromErrno(int errnoValue) {
  switch (errnoValue) {
    case 0:
      return 0;
    case ENOENT:
      return 2;  // file not found
    case ENOTDIR:
      return 3;  // path not found
    case EMFILE:
    case ENFILE:
      return 4;  // too many open files
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return 5;  // access denied
    case EBADF:
      return 6;  // invalid handle
    case ENOMEM:
      return 8;   // not enough memory
    case EAGAIN:  // a lock held by another process
    case EBUSY:
    case ETXTBSY:
      return 32;  // sharing violation
    case EEXIST:
      return 80;  // file exists
    case EINVAL:
      return 87;  // invalid parameter
    case ENOSPC:
    case EDQUOT:
      return 112;  // disk full
    case ENAMETOOLONG:
      return 206;  // file name too long
    default:
      return 31;  // general failure
  }
}

}  // namespace tabulink
