// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// Folder making, file writes, renames, files held open for appending, syncs.

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/platform_files.h"
#include "core/platform_win32_internal.h"

namespace gamefold::platform {

bool MakeFolder(const std::string& folder, int* errnum) {
  std::wstring wide;
  if (!Widen(folder, &wide)) {
    *errnum = ENOENT;
    return false;
  }
  if (::CreateDirectoryW(wide.c_str(), nullptr)) return true;
  *errnum = OpenErrno(wide);
  return false;
}

// Windows has no writeback to start without waiting for it: the sync does it all.
bool WriteNewFile(const std::string& path, std::string_view content, int* errnum, Writeback) {
  std::wstring wide;
  if (!Widen(path, &wide)) {
    *errnum = ENOENT;
    return false;
  }
  // No sharing: while its writer has it open, no other process can remove the file.
  HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *errnum = OpenErrno(wide);
    return false;
  }
  bool written = WriteAll(file, content);
  if (!written) *errnum = LastErrno();
  if (!::CloseHandle(file) && written) {
    written = false;
    *errnum = LastErrno();
  }
  return written;
}

bool ReplaceByRename(const std::string& from, const std::string& to, int* errnum) {
  std::wstring wide_from, wide_to;
  if (!Widen(from, &wide_from) || !Widen(to, &wide_to)) {
    *errnum = ENOENT;
    return false;
  }
  // A reader that holds the page open (a virus scanner, an indexer) lets go within moments:
  // a few short waits spare the user a failure.
  for (int attempt = 0;; ++attempt) {
    if (::MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    DWORD error = ::GetLastError();
    if (KindOfAttributes(AttributesOf(wide_to)) == EntryKind::kFolder) {
      *errnum = EISDIR;
      return false;
    }
    if (attempt == 4 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
                         error != ERROR_LOCK_VIOLATION)) {
      *errnum = ErrnoOf(error);
      return false;
    }
    ::Sleep(50);
  }
}

bool RemoveFile(const std::string& path) {
  std::wstring wide;
  return Widen(path, &wide) && ::DeleteFileW(wide.c_str()) != 0;
}

struct AppendFile::State {
  HANDLE file = INVALID_HANDLE_VALUE;
};

AppendFile::AppendFile() : state_(std::make_unique<State>()) {}

AppendFile::~AppendFile() { Close(); }

bool AppendFile::OpenHeld(const std::string& path, int* errnum, bool* in_use) {
  Close();
  *in_use = false;
  std::wstring wide;
  if (!Widen(path, &wide)) {
    *errnum = ENOENT;
    return false;
  }
  // Others may read the file while it is written, but not write it: a second writer's open
  // fails with a sharing violation, which says that the file is held.
  state_->file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (state_->file == INVALID_HANDLE_VALUE) {
    *in_use = ::GetLastError() == ERROR_SHARING_VIOLATION;
    *errnum = OpenErrno(wide);
    return false;
  }
  if (!::SetEndOfFile(state_->file)) {
    *errnum = LastErrno();
    Close();
    return false;
  }
  return true;
}

bool AppendFile::Append(std::string_view bytes) {
  return state_->file != INVALID_HANDLE_VALUE && WriteAll(state_->file, bytes);
}

void AppendFile::Close() {
  if (state_->file != INVALID_HANDLE_VALUE) ::CloseHandle(state_->file);
  state_->file = INVALID_HANDLE_VALUE;
}

bool AppendFile::is_open() const { return state_->file != INVALID_HANDLE_VALUE; }

bool SyncFiles(const std::vector<std::string>& paths, int* errnum) {
  for (const std::string& path : paths) {
    std::wstring wide;
    if (!Widen(path, &wide)) {
      *errnum = ENOENT;
      return false;
    }
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      *errnum = LastErrno();
      return false;
    }
    bool flushed = ::FlushFileBuffers(file) != 0;
    if (!flushed) *errnum = LastErrno();
    ::CloseHandle(file);
    if (!flushed) return false;
  }
  return true;
}

// NTFS journals its folder entries itself.
bool SyncFolder(const std::string&) { return true; }
}  // namespace gamefold::platform
