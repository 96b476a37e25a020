#pragma once

#include <string>

namespace gamefold::testing {

/// What one run gave, of a program or of gamefold-batch's commands in this process: how it
/// ended and what it printed.
struct Outcome {
  int status = 0;  // the exit status; -1 when the run did not exit
  std::string out;
  std::string err;
  int signal = 0;       // the signal that killed a child run
  long max_rss_kb = 0;  // a child run's peak memory
};

}  // namespace gamefold::testing
