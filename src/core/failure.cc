#include "core/failure.h"

#include <cerrno>
#include <cstring>

namespace gamefold {

namespace {

// The classic runtime error numbers that users of the window have always been shown; the
// description that follows says the rest.
int ErrorNumberOf(int errnum) {
  switch (errnum) {
    case ENOENT:
      return 53;  // File not found
    case ENOTDIR:
      return 76;  // Path not found
    case EACCES:
    case EPERM:
    case EROFS:
      return 70;  // Permission denied
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return 61;  // Disk full
    default:
      return 75;  // Path/File access error
  }
}

}  // namespace

Failure FailureFromErrno(int errnum, std::string_view what, std::string_view path) {
  Failure failure;
  failure.number = ErrorNumberOf(errnum);
  failure.description.append(what).append(" ").append(path).append(": ");
  failure.description.append(std::strerror(errnum));
  failure.path = std::string(path);
  return failure;
}

std::string ErrorMessageText(const Failure& failure) {
  std::string text = "Error Encountered ";
  text += std::to_string(failure.number);
  text += " ";
  text += failure.description;
  text += "\n";
  text += " Please report to Tavrel at ";
  text += kMaintainerAddress;
  text += " ";
  return text;
}

}  // namespace gamefold
