#pragma once

// Paths as this system writes them. Paths are bytes as the user gave them: on Windows they are
// UTF-8, converted to the system's wide characters at each call.

#include <string>
#include <string_view>
#include <vector>

namespace gamefold::platform {

/// The separator this system writes between folders and names.
extern const char kPathSeparator;

/// True for a byte that separates folders in a path here: "/" everywhere, "\" on Windows too.
bool IsPathSeparator(char c);

/// True for a path that needs no current folder: "/x"; on Windows also "C:\x" and "\\host\share".
bool IsAbsolutePath(std::string_view path);

/// path with its separators written as this system writes them, for messages.
std::string NativePath(std::string_view path);

/// The current folder, as an absolute path; "" when it cannot be told.
std::string CurrentFolder();

/// The roots of the drives where the system has drive letters ("C:\", "D:\", ...); empty
/// elsewhere.
std::vector<std::string> DriveRoots();

}  // namespace gamefold::platform
