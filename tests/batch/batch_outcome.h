#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch.h"
#include "tests/support/outcome.h"

namespace gamefold::testing {

/// The first line of gamefold-batch's usage text, which bad usage prints to stderr.
inline constexpr std::string_view kUsageStart = "usage: gamefold-batch list INPUT OUTPUT\n";

/// Runs gamefold-batch with args in this process, as its main does; a progress bar only when
/// asked for.
inline Outcome Batch(const std::vector<std::string>& args, bool progress = false) {
  std::ostringstream out, err;
  int status = RunBatch(args, out, err, progress);
  return {status, out.str(), err.str()};
}

/// A file: URL of a folder, as a user writes it on either system (file:///C:/web/ on Windows).
inline std::string FileUrl(std::string folder) {
  std::replace(folder.begin(), folder.end(), '\\', '/');
  return "file://" + std::string(folder.starts_with("/") ? "" : "/") + folder + "/";
}

}  // namespace gamefold::testing
