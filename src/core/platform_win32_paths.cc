// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// Paths: separators, drive letters, shares, the current folder.

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include "core/platform_paths.h"
#include "core/platform_win32_internal.h"

namespace gamefold::platform {

const char kPathSeparator = '\\';

bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAbsolutePath(std::string_view path) {
  bool drive = path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2]) &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  bool unc = path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
  return drive || unc;
}

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  return native;
}

std::string CurrentFolder() {
  DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return "";
  std::wstring path(size, L'\0');
  DWORD length = ::GetCurrentDirectoryW(size, path.data());
  return length == 0 || length >= size ? "" : Narrow(path.data(), length);
}

std::vector<std::string> DriveRoots() {
  std::vector<std::string> roots;
  DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (drives & (1u << letter))
      roots.push_back(std::string(1, static_cast<char>('A' + letter)) + ":\\");
  }
  return roots;
}

}  // namespace gamefold::platform
