// gamefold-batch: lists, processes and indexes game days from a shell, without the window.

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "batch/batch.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // The bar redraws itself with carriage returns, which only a terminal shows as intended.
  bool show_progress = ::isatty(STDERR_FILENO) == 1;
  int status = gamefold::RunBatch(args, std::cout, std::cerr, show_progress);
  // A listing cut short by a full disk or a closed pipe must not pass for a complete one.
  std::cout.flush();
  if (!std::cout && status == gamefold::kExitSuccess) {
    std::cerr << "gamefold-batch: cannot write the standard output\n";
    return gamefold::kExitFailure;
  }
  return status;
}
