// The POSIX side of the program's arguments and standard streams.
#include <unistd.h>

#include <cerrno>

#include "core/platform_console.h"

namespace gamefold::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void UseBinaryStandardOutput() {}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

bool ReadStandardInput(char* buffer, size_t size) {
  while (size > 0) {
    ssize_t got = ::read(STDIN_FILENO, buffer, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    buffer += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteStandardOutput(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

}  // namespace gamefold::platform
