#include "core/folder_lock.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <thread>

#include "core/platform_paths.h"
#include "core/text_file.h"

namespace gamefold {

bool FolderLock::Acquire(const std::string& folder, double wait_seconds, Failure* err,
                         const std::function<void()>& waiting) {
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(std::llround(std::max(wait_seconds, 0.0) * 1000));
  std::string path = JoinPath(folder, kLockFileName);
  for (bool told = false;; told = true) {
    int errnum = 0;
    switch (lock_.TryLock(path, &errnum)) {
      case platform::FileLock::Outcome::kTaken:
      case platform::FileLock::Outcome::kUnavailable:
        return true;
      case platform::FileLock::Outcome::kBusy:
        break;
      case platform::FileLock::Outcome::kRefused:
        // Not waited on: what holds the lock's name stays there until someone removes it.
        *err = FailureFromErrno(errnum, "cannot take the lock", path);
        if (errnum == ELOOP || errnum == EINVAL || errnum == EISDIR) {
          err->description = "cannot take the lock " + PrintableName(platform::NativePath(path)) +
                             (errnum == ELOOP    ? ": it is a link"
                              : errnum == EISDIR ? ": it is a folder"
                                                 : ": it is not a regular file");
        }
        err->description +=
            "; remove it if no run is writing into " + PrintableName(platform::NativePath(folder));
        return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    if (!told && waiting) waiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  err->number = 75;
  err->description = "another run is writing into " + PrintableName(platform::NativePath(folder)) +
                     "; gave up waiting for it after " +
                     std::to_string(std::llround(wait_seconds)) + " s";
  err->path = folder;
  return false;
}

}  // namespace gamefold
