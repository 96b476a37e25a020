#pragma once

// How the platform layer reports failures. Every call that can fail gives an error number of
// <cerrno> (ENOENT, EACCES, ...), the same on every system for the same cause, so that users
// see the same error numbers and messages everywhere.

#include <cerrno>
#include <string>

namespace gamefold::platform {

/// The disk quota error number, or a number no call gives where the system has none.
extern const int kQuotaExceeded;

/// The system's text for an error number; the same text for the same number everywhere.
std::string ErrorText(int errnum);

}  // namespace gamefold::platform
