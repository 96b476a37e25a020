// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// Process ids, child processes (none here), stop requests.

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <atomic>

#include "core/platform_processes.h"
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

}  // namespace gamefold::platform
