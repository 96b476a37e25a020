#pragma once

// What unattended runs ask of the operating system: a lock on an output folder, the file events
// of an input folder, a clean stop on SIGINT and SIGTERM, and syncs. os_services_posix.cc holds
// every call behind it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// The lock file that writers of an output folder hold; hidden, so that no listing counts it.
inline constexpr std::string_view kLockFileName = ".gamefold.lock";

/// The advisory lock of a folder's lock file, held from Acquire until Release or destruction:
/// two runs writing into one folder never interleave.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock() { Release(); }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  /// Takes the lock, waiting up to wait_seconds while another run holds it; false with a
  /// failure naming the folder when it stays held. A folder where the lock file cannot be
  /// made (read-only, missing) is taken without a lock: nothing can be written there, and the
  /// write itself reports why. The lock file is removed again on release.
  bool Acquire(const std::string& folder, double wait_seconds, Failure* err);
  void Release();

 private:
  int fd_ = -1;
  std::string path_;
};

/// SIGINT and SIGTERM held back from Catch on, to be read as a request to stop between runs, so
/// that a stop never cuts a write short. Restores their handling when destroyed.
class StopSignals {
 public:
  StopSignals() = default;
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool Catch();
  /// True once a stop was asked for.
  bool Requested();

 private:
  friend class FolderEvents;
  int fd_ = -1;
  bool requested_ = false;
};

/// Changes of a folder's entries, as the system reports them, or (on a share where file events
/// do not arrive) nothing but the passing of time, for the caller to compare listings.
class FolderEvents {
 public:
  FolderEvents() = default;
  ~FolderEvents();
  FolderEvents(const FolderEvents&) = delete;
  FolderEvents& operator=(const FolderEvents&) = delete;

  /// Starts watching folder; with polling, only waits. False with a failure when the folder
  /// cannot be watched.
  bool Open(const std::string& folder, bool polling, Failure* err);
  /// What one wait saw.
  struct Changes {
    std::vector<std::string> names;  // entries written, moved or removed
    bool lost = false;               // the system dropped events: any entry may have changed
    bool folder_gone = false;        // the folder itself was removed or moved away
  };
  /// Waits up to timeout_ms for changes or a stop. False once a stop was asked for.
  bool Wait(int timeout_ms, StopSignals* stop, Changes* changes);

 private:
  int fd_ = -1;
};

/// What tells that a file changed when no file event does.
struct FileStamp {
  std::int64_t size = -1;
  std::int64_t modified_ns = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileStamp&) const = default;
};

/// The stamp of the file at path; size -1 when it is missing.
FileStamp StampOf(const std::string& path);

/// Brings every written byte of the file system that holds folder to the disk; false when the
/// system refuses.
bool SyncFileSystemOf(const std::string& folder);

/// Brings folder's entries (the names of files renamed into it) to the disk.
bool SyncFolder(const std::string& folder);

}  // namespace gamefold
