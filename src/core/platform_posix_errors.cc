// The POSIX side of error numbers: the system's own.
#include <cstring>

#include "core/platform_errors.h"

namespace gamefold::platform {

const int kQuotaExceeded = EDQUOT;

std::string ErrorText(int errnum) { return std::strerror(errnum); }

}  // namespace gamefold::platform
