#pragma once

#include <string>
#include <string_view>

#include "build_info.h"

namespace gamefold {

/// A failure as the user is told of it: a number and a description that names the cause and
/// the file.
struct Failure {
  int number = 0;
  std::string description;
  std::string path = {};  // the file or folder at fault, when one is; also named in description
};

/// name as a message may show it: each control byte written as an escape (\n, \r, \t, \x1b),
/// so that a hostile file name can neither break a message's line nor steer a terminal. Other
/// bytes stay as they are.
std::string PrintableName(std::string_view name);

/// Builds the failure for a system call that failed with errnum while doing `what` on path,
/// e.g. FailureFromErrno(EACCES, "cannot write", "/web/GamesOf20080406.htm").
Failure FailureFromErrno(int errnum, std::string_view what, std::string_view path);

/// The maintainer address that the error report asks users to write to, chosen at configure time.
inline constexpr std::string_view kMaintainerAddress = GAMEFOLD_MAINTAINER_EMAIL;

/// The text of the error report: "Error Encountered <n> <description>", a line feed, then the
/// request to report it to the maintainer (with one trailing blank).
std::string ErrorMessageText(const Failure& failure);

}  // namespace gamefold
