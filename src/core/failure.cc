#include "core/failure.h"

#include <cerrno>

#include "core/platform_errors.h"
#include "core/platform_paths.h"

namespace gamefold {

namespace {

// The classic runtime error numbers that users of the window have always been shown; the
// description that follows says the rest.
int ErrorNumberOf(int errnum) {
  if (errnum == ENOENT) return 53;    // File not found
  if (errnum == ENOTDIR) return 76;   // Path not found
  if (errnum == EACCES || errnum == EPERM || errnum == EROFS) return 70;  // Permission denied
  if (errnum == ENOSPC || errnum == EFBIG || errnum == platform::kQuotaExceeded) {
    return 61;  // Disk full
  }
  return 75;  // Path/File access error
}

}  // namespace

std::string PrintableName(std::string_view name) {
  std::string printable;
  printable.reserve(name.size());
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      printable.push_back(c);
    } else if (c == '\n') {
      printable.append("\\n");
    } else if (c == '\r') {
      printable.append("\\r");
    } else if (c == '\t') {
      printable.append("\\t");
    } else {
      static constexpr char kHex[] = "0123456789abcdef";
      printable.append("\\x").push_back(kHex[byte >> 4]);
      printable.push_back(kHex[byte & 15]);
    }
  }
  return printable;
}

Failure FailureFromErrno(int errnum, std::string_view what, std::string_view path) {
  Failure failure;
  failure.number = ErrorNumberOf(errnum);
  failure.description.append(what).append(" ").append(PrintableName(platform::NativePath(path)));
  failure.description.append(": ");
  failure.description.append(platform::ErrorText(errnum));
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
