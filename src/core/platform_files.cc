// Files and folders, the part that both systems share: it asks the system through the rest of
// the layer only.
#include "core/platform_files.h"

#include "core/platform_paths.h"

namespace gamefold::platform {

bool MakeFolders(const std::string& folder, int* errnum) {
  if (folder.empty()) {
    *errnum = EINVAL;
    return false;
  }
  EntryKind kind = KindOfPath(folder);
  if (kind == EntryKind::kFolder) return true;
  if (kind != EntryKind::kMissing) {
    *errnum = ENOTDIR;
    return false;
  }
  // The folder above: the path without its last name and the separators around that name.
  size_t end = folder.size();
  while (end > 0 && IsPathSeparator(folder[end - 1])) --end;
  while (end > 0 && !IsPathSeparator(folder[end - 1])) --end;
  while (end > 0 && IsPathSeparator(folder[end - 1])) --end;
  if (end > 0 && !MakeFolders(folder.substr(0, end), errnum)) return false;
  if (MakeFolder(folder, errnum)) return true;
  // Made meanwhile by another program, or a name such as ".." that needs no making.
  return *errnum == EEXIST && KindOfPath(folder) == EntryKind::kFolder;
}

}  // namespace gamefold::platform
