// gamefold-batch: lists, processes and indexes game days from a shell, without the window.

#include <iostream>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "core/platform_console.h"

int main(int argc, char** argv) {
  std::vector<std::string> args = gamefold::platform::ProgramArguments(argc, argv);
  // Scripts read the same bytes on every system: lines end in LF alone.
  gamefold::platform::UseBinaryStandardOutput();
  // The bar redraws itself with carriage returns, which only a terminal shows as intended.
  bool show_progress = gamefold::platform::StandardErrorIsTerminal();
  int status = gamefold::RunBatch(args, std::cout, std::cerr, show_progress);
  // A listing cut short by a full disk or a closed pipe must not pass for a complete one.
  std::cout.flush();
  if (!std::cout && status == gamefold::kExitSuccess) {
    std::cerr << "gamefold-batch: cannot write the standard output\n";
    return gamefold::kExitFailure;
  }
  return status;
}
