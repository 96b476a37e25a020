#pragma once

// What the files of the window share: a side of the window, byte texts shown, and the count of
// handlers running.

#include <QString>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "core/platform_files.h"

namespace gamefold {

/// One side of the window: a drive list, its folder list and the hidden file list they point at,
/// with the trace texts of its handlers.
struct Form1::Side {
  DriveList* drive;
  FolderList* dir;
  FileList* files;
  std::string_view drive_change;
  std::string_view dir_change;
};

/// Bytes of a name or a message as the system's own encoding shows them.
inline QString FromBytes(std::string_view bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

/// Whether the path names a folder that exists.
inline bool IsFolder(const std::string& path) {
  return platform::KindOfPath(path) == platform::EntryKind::kFolder;
}

/// Counts a handler as running for as long as it lives.
class BusyScope {
 public:
  explicit BusyScope(int* busy) : busy_(busy) { ++*busy_; }
  ~BusyScope() { --*busy_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  int* busy_;
};

}  // namespace gamefold
