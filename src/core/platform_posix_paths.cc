// The POSIX side of paths.
#include <unistd.h>

#include <climits>
#include <cstring>

#include "core/platform_paths.h"

namespace gamefold::platform {

const char kPathSeparator = '/';

bool IsPathSeparator(char c) { return c == '/'; }

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path[0] == '/'; }

std::string NativePath(std::string_view path) { return std::string(path); }

std::string CurrentFolder() {
  std::string path(PATH_MAX, '\0');
  if (::getcwd(path.data(), path.size()) == nullptr) return "";
  path.resize(std::strlen(path.c_str()));
  return path;
}

std::vector<std::string> DriveRoots() { return {}; }

}  // namespace gamefold::platform
