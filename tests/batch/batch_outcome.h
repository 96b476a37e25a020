#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace gamefold::testing {

/// The first line of gamefold-batch's usage text, which bad usage prints to stderr.
inline constexpr std::string_view kUsageStart = "usage: gamefold-batch list INPUT OUTPUT\n";

/// What one run of the batch commands gave: its exit status and what it printed.
struct Outcome {
  int status = 0;
  std::string out;
  std::string err;
};

/// A file: URL of a folder, as a user writes it on either system (file:///C:/web/ on Windows).
inline std::string FileUrl(std::string folder) {
  std::replace(folder.begin(), folder.end(), '\\', '/');
  return "file://" + std::string(folder.starts_with("/") ? "" : "/") + folder + "/";
}

}  // namespace gamefold::testing
