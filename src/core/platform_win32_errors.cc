// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// Error numbers: the system's errors as the numbers and texts Linux gives for the same causes.

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <cstring>

#include "core/platform_errors.h"
#include "core/platform_win32_internal.h"

namespace gamefold::platform {

// Windows has no disk quota error of its own: a quota that is full reports a full disk.
const int kQuotaExceeded = -1;

// The error numbers of <cerrno> that Linux gives for the same causes.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
      return ENOENT;
    // A file that another program holds open is refused as a file without permission is.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    default:
      return EIO;
  }
}

int LastErrno() { return ErrnoOf(::GetLastError()); }

// Linux's texts, so that a message reads the same on both systems.
std::string ErrorText(int errnum) {
  switch (errnum) {
    case ENOENT:
      return "No such file or directory";
    case EACCES:
      return "Permission denied";
    case EPERM:
      return "Operation not permitted";
    case EROFS:
      return "Read-only file system";
    case ENOSPC:
      return "No space left on device";
    case EFBIG:
      return "File too large";
    case EEXIST:
      return "File exists";
    case ENOTDIR:
      return "Not a directory";
    case EISDIR:
      return "Is a directory";
    case EINVAL:
      return "Invalid argument";
    case ELOOP:
      return "Too many levels of symbolic links";
    case ENAMETOOLONG:
      return "File name too long";
    case ENOMEM:
      return "Cannot allocate memory";
    case ENOTEMPTY:
      return "Directory not empty";
    case EIO:
      return "Input/output error";
    case ENOTSUP:
      return "Operation not supported";
    default:
      return std::strerror(errnum);
  }
}

}  // namespace gamefold::platform
