#pragma once

// What a program of ours meets as it starts: its arguments and its standard streams.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gamefold::platform {

/// The program's arguments without its name, as UTF-8 on Windows whatever the code page.
std::vector<std::string> ProgramArguments(int argc, char** argv);

/// Makes standard output write its bytes as they are: no LF turned into CR LF on Windows.
void UseBinaryStandardOutput();

/// True when standard error is a terminal (a console on Windows).
bool StandardErrorIsTerminal();

/// Reads exactly size bytes of standard input, past any buffer of the C library; false at its
/// end or on a failure.
[[nodiscard]] bool ReadStandardInput(char* buffer, size_t size);

/// Writes all of bytes to standard output, past any buffer of the C library; false on a failure.
[[nodiscard]] bool WriteStandardOutput(std::string_view bytes);

}  // namespace gamefold::platform
