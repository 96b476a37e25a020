#pragma once

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

}  // namespace gamefold::testing
