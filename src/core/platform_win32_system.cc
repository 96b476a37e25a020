// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// Process ids, child processes, locks, stop requests, folder events, the console.

// windows.h first: the other system headers build on its types.
#include <windows.h>

// The C runtime's file modes, and the splitting of the wide command line.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "core/platform.h"
#include "core/platform_win32_internal.h"

namespace gamefold::platform {

long CurrentProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

bool IsProcessRunning(long pid) {
  if (pid <= 0) return false;
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  // A process we may not look at still runs.
  if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  ::CloseHandle(process);
  return running;
}

std::string ProgramPath() {
  std::wstring path(32768, L'\0');
  DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return "";
  path.resize(length);
  return Narrow(path.data(), path.size());
}

// The Windows build publishes to folders only and starts no program of its own.
struct ChildProcess::State {};

ChildProcess::ChildProcess() : state_(std::make_unique<State>()) {}

ChildProcess::~ChildProcess() = default;

bool ChildProcess::Start(const std::string&, int* errnum) {
  *errnum = ENOSYS;
  return false;
}

bool ChildProcess::Send(std::string_view, int* errnum) {
  *errnum = EPIPE;
  return false;
}

bool ChildProcess::Receive(char*, size_t, int* errnum) {
  *errnum = 0;
  return false;
}

DateTime LocalTimeNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

// Linux's texts, so that a message reads the same on both systems.
std::string ErrorText(int errnum) {
  switch (errnum) {
    case ENOENT:
      return "No such file or directory";
    case EACCES:
      return "Permission denied";
    case EPERM:
      return "Operation not permitted";
    case EROFS:
      return "Read-only file system";
    case ENOSPC:
      return "No space left on device";
    case EFBIG:
      return "File too large";
    case EEXIST:
      return "File exists";
    case ENOTDIR:
      return "Not a directory";
    case EISDIR:
      return "Is a directory";
    case EINVAL:
      return "Invalid argument";
    case ELOOP:
      return "Too many levels of symbolic links";
    case ENAMETOOLONG:
      return "File name too long";
    case ENOMEM:
      return "Cannot allocate memory";
    case ENOTEMPTY:
      return "Directory not empty";
    case EIO:
      return "Input/output error";
    default:
      return std::strerror(errnum);
  }
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  // The narrow arguments went through the code page; the wide command line holds every name.
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(wide[i]));
  ::LocalFree(wide);
  return args;
}

void UseBinaryStandardOutput() {
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::vector<std::string> DriveRoots() {
  std::vector<std::string> roots;
  DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (drives & (1u << letter))
      roots.push_back(std::string(1, static_cast<char>('A' + letter)) + ":\\");
  }
  return roots;
}

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

const bool kHasFolderEvents = false;

namespace {

std::atomic<bool> stop_requested{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  stop_requested = true;
  return TRUE;
}

}  // namespace

struct StopRequests::State {
  bool caught = false;
};

StopRequests::StopRequests() : state_(std::make_unique<State>()) {}

StopRequests::~StopRequests() {
  if (state_->caught) ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool StopRequests::Catch() {
  state_->caught = ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
  return state_->caught;
}

bool StopRequests::Requested() { return stop_requested; }

struct FolderWatch::State {};

FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}

FolderWatch::~FolderWatch() = default;

bool FolderWatch::Open(const std::string&, int*) { return true; }

// No file events here: waits in short steps, so that a stop is seen soon.
bool FolderWatch::Wait(int timeout_ms, StopRequests* stop, Changes*) {
  for (int waited = 0; waited < timeout_ms && !stop->Requested(); waited += 100) {
    ::Sleep(static_cast<DWORD>(std::min(100, timeout_ms - waited)));
  }
  return !stop->Requested();
}
}  // namespace gamefold::platform
