#pragma once

// Locks through which programs take turns at a folder.

#include <memory>
#include <string>

#include "core/platform_errors.h"

namespace gamefold::platform {

/// An exclusive lock on a lock file, through which the writers of one folder take turns.
class FileLock {
 public:
  enum class Outcome { kTaken, kBusy, kUnavailable, kRefused };
  FileLock();
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  /// Opens path, creating it without following a link there, and tries once to lock it
  /// without waiting: kBusy while another holds it; kUnavailable where no file can be made or
  /// locked (a read-only or missing folder, a share without locks); kRefused with *errnum where
  /// the folder takes files but path cannot be the lock: a link (ELOOP), a folder (EISDIR), no
  /// regular file (EINVAL), a file this user may not open (EACCES).
  Outcome TryLock(const std::string& path, int* errnum);
  /// Lets go; first removes the lock file where no waiter can be fooled by that (not on
  /// Windows, where a waiter may hold the file open).
  void Unlock();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace gamefold::platform
