// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// Locks: LockFileEx on a hidden lock file that stays.

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include "core/platform_locks.h"
#include "core/platform_win32_internal.h"

namespace gamefold::platform {

struct FileLock::State {
  HANDLE file = INVALID_HANDLE_VALUE;
};

FileLock::FileLock() : state_(std::make_unique<State>()) {}

FileLock::~FileLock() { Unlock(); }

FileLock::Outcome FileLock::TryLock(const std::string& path, int* errnum) {
  Unlock();
  std::wstring wide;
  if (!Widen(path, &wide)) return Outcome::kUnavailable;
  // FILE_FLAG_OPEN_REPARSE_POINT: a link named like the lock is opened itself, never followed
  // to make its target, and is then refused below.
  HANDLE file =
      ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *errnum = LastErrno();
    // Something is there under the lock's name that cannot be opened (a folder, a file of
    // another user): a run without the lock would interleave with others. Where nothing is
    // there, the folder takes no files, and the write itself tells why.
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Outcome::kUnavailable;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) *errnum = EISDIR;
    return Outcome::kRefused;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  bool link = IsReparsePoint(file) && IsNameSurrogate(file);
  if (link || ::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    ::CloseHandle(file);
    *errnum = link ? ELOOP : EINVAL;
    return Outcome::kRefused;
  }
  OVERLAPPED from_start{};
  if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &from_start)) {
    bool busy = ::GetLastError() == ERROR_LOCK_VIOLATION;
    ::CloseHandle(file);
    return busy ? Outcome::kBusy : Outcome::kUnavailable;
  }
  state_->file = file;
  return Outcome::kTaken;
}

// The lock file stays: a waiter may hold it open, and a new file under the same name would
// then be a second lock.
void FileLock::Unlock() {
  if (state_->file == INVALID_HANDLE_VALUE) return;
  ::CloseHandle(state_->file);  // closing the handle lets go of its locks
  state_->file = INVALID_HANDLE_VALUE;
}

}  // namespace gamefold::platform
