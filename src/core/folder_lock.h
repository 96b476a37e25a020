#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/failure.h"
#include "core/platform_locks.h"

namespace gamefold {

/// The lock file that writers of an output folder hold; hidden, so that no listing counts it.
inline constexpr std::string_view kLockFileName = ".gamefold.lock";

/// The lock of a folder, held from Acquire until destruction: two runs writing into one folder
/// never interleave.
class FolderLock {
 public:
  /// Takes the lock, waiting up to wait_seconds while another run holds it; false with a
  /// failure naming the folder when it stays held. A folder where the lock file cannot be made
  /// (read-only, missing) is taken without a lock: nothing can be written there, and the write
  /// itself reports why. In a folder that takes files, a lock file that cannot be had (a link,
  /// a folder, another user's file) fails at once, naming it. waiting, when given, runs once
  /// before the wait begins: only when another run holds the lock.
  [[nodiscard]] bool Acquire(const std::string& folder, double wait_seconds, Failure* err,
                             const std::function<void()>& waiting = {});

 private:
  platform::FileLock lock_;
};

}  // namespace gamefold
