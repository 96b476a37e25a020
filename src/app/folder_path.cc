#include "app/folder_path.h"

#include "core/platform_paths.h"

namespace gamefold {

namespace {

bool IsSeparator(char c, PathStyle style) {
  return c == '/' || (style == PathStyle::kWindows && c == '\\');
}

char Separator(PathStyle style) { return style == PathStyle::kWindows ? '\\' : '/'; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// How many bytes of a normalized Windows path its root takes: "C:\" 3, "\\host\share\" up to
// and with the separator after the share; 0 for a path with no root.
size_t WindowsRootLength(std::string_view path) {
  if (path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && path[2] == '\\') return 3;
  if (path.size() < 3 || path[0] != '\\' || path[1] != '\\') return 0;
  size_t host_end = path.find('\\', 2);
  if (host_end == std::string_view::npos || host_end == 2) return 0;
  size_t share_end = path.find('\\', host_end + 1);
  if (share_end == host_end + 1) return 0;
  return share_end == std::string_view::npos ? path.size() : share_end + 1;
}

bool EqualFoldingCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

}  // namespace

PathStyle NativePathStyle() {
  return platform::kPathSeparator == '\\' ? PathStyle::kWindows : PathStyle::kPosix;
}

bool IsAbsoluteFolder(std::string_view path, PathStyle style) {
  if (style == PathStyle::kPosix) return !path.empty() && path[0] == '/';
  return !RootOf(path, style).empty();
}

std::string RootOf(std::string_view path, PathStyle style) {
  if (style == PathStyle::kPosix) return !path.empty() && path[0] == '/' ? "/" : "";
  std::string normalized = NormalizedFolder(path, style);
  size_t length = WindowsRootLength(normalized);
  std::string root = normalized.substr(0, length);
  if (!root.empty() && root.back() != '\\') root += '\\';
  return root;
}

std::string NormalizedFolder(std::string_view path, PathStyle style) {
  std::string folder(path);
  if (style == PathStyle::kWindows) {
    // One backslash between parts; the two that open a share's path stay.
    std::string single;
    for (size_t i = 0; i < folder.size(); ++i) {
      char c = folder[i] == '/' ? '\\' : folder[i];
      if (c == '\\' && i >= 2 && !single.empty() && single.back() == '\\') continue;
      single += c;
    }
    folder = std::move(single);
    if (folder.size() >= 2 && IsLetter(folder[0]) && folder[1] == ':') folder[0] = Upper(folder[0]);
    // "C:" alone is the drive's root to the pickers.
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';
    size_t root = WindowsRootLength(folder);
    while (folder.size() > root && folder.size() > 1 && folder.back() == '\\') folder.pop_back();
    return folder;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder.empty() ? "/" : folder;
}

std::string ParentFolder(const std::string& folder, PathStyle style) {
  std::string root = RootOf(folder, style);
  if (folder.size() <= root.size()) return root.empty() ? folder : root;
  size_t separator = folder.size();
  while (separator > root.size() && !IsSeparator(folder[separator - 1], style)) --separator;
  if (separator <= root.size()) return root;
  return folder.substr(0, separator - 1);
}

std::string LastPart(const std::string& folder, PathStyle style) {
  std::string root = RootOf(folder, style);
  if (folder.size() <= root.size()) return folder;
  size_t separator = folder.size();
  while (separator > 0 && !IsSeparator(folder[separator - 1], style)) --separator;
  return folder.substr(separator);
}

std::string ChildFolder(const std::string& folder, std::string_view name, PathStyle style) {
  std::string child = folder;
  if (child.empty() || !IsSeparator(child.back(), style)) child += Separator(style);
  child.append(name);
  return child;
}

std::string MountPointOf(const std::string& path, const std::vector<std::string>& mounts,
                         PathStyle style) {
  std::string best = RootOf(path, style);
  size_t best_size = 0;
  for (const std::string& mount : mounts) {
    if (mount.size() > path.size() || mount.size() <= best_size) continue;
    std::string_view start(path.data(), mount.size());
    bool same = style == PathStyle::kWindows ? EqualFoldingCase(start, mount) : start == mount;
    // The mount must end where a part of path ends.
    bool at_boundary = path.size() == mount.size() || IsSeparator(mount.back(), style) ||
                       IsSeparator(path[mount.size()], style);
    if (same && at_boundary) {
      best = mount;
      best_size = mount.size();
    }
  }
  return best;
}

}  // namespace gamefold
