#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gamefold {

/// How paths are written: POSIX ("/home/league"), or Windows with drive letters
/// ("C:\Games\Boxes") and network shares ("\\host\share\Boxes"), where "/" separates too.
enum class PathStyle { kPosix, kWindows };

/// The style of the system the program runs on.
PathStyle NativePathStyle();

/// True when path names a folder without help from a current folder: "/x"; "C:\x", "C:/x" or
/// "\\host\share" in the Windows style.
bool IsAbsoluteFolder(std::string_view path, PathStyle style);

/// The root that path lies under: "/"; "C:\" or "\\host\share\" in the Windows style (drive
/// letter in capitals). Empty for a path that is not absolute.
std::string RootOf(std::string_view path, PathStyle style);

/// A folder path as the pickers keep it: no separator at its end but for a root's; in the
/// Windows style backslashes only and the drive letter in capitals.
std::string NormalizedFolder(std::string_view path, PathStyle style);

/// The folder that holds a normalized folder; a root is its own parent.
std::string ParentFolder(const std::string& folder, PathStyle style);

/// The last part of a normalized folder's path; a root's is the root itself.
std::string LastPart(const std::string& folder, PathStyle style);

/// The subfolder name of a normalized folder.
std::string ChildFolder(const std::string& folder, std::string_view name, PathStyle style);

/// The mount point or drive root of mounts that holds path: the longest that is path or one of
/// its ancestors (letters of either case alike in the Windows style); the root of path when
/// none is.
std::string MountPointOf(const std::string& path, const std::vector<std::string>& mounts,
                         PathStyle style);

}  // namespace gamefold
