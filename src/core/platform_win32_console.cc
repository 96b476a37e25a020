// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// The program's arguments and its standard streams.

// windows.h first: the other system headers build on its types.
#include <windows.h>

// The C runtime's file modes, and the splitting of the wide command line.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "core/platform_console.h"
#include "core/platform_win32_internal.h"

namespace gamefold::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  // The narrow arguments went through the code page; the wide command line holds every name.
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(wide[i]));
  ::LocalFree(wide);
  return args;
}

void UseBinaryStandardOutput() {
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool ReadStandardInput(char* buffer, size_t size) {
  HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  while (size > 0) {
    DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!::ReadFile(input, buffer, chunk, &got, nullptr) || got == 0) return false;
    buffer += got;
    size -= got;
  }
  return true;
}

bool WriteStandardOutput(std::string_view bytes) {
  return WriteAll(::GetStdHandle(STD_OUTPUT_HANDLE), bytes);
}

}  // namespace gamefold::platform
