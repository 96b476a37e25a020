// The POSIX platform layer, its system side: processes, locks, stop requests, folder events,
// the console.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

#include "core/platform.h"

namespace gamefold::platform {

long CurrentProcessId() { return static_cast<long>(::getpid()); }

bool IsProcessRunning(long pid) {
  if (pid <= 0 || pid > INT_MAX) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::string ProgramPath() {
  std::string path(PATH_MAX, '\0');
  ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return "";
  path.resize(static_cast<size_t>(length));
  return path;
}

struct ChildProcess::State {
  int channel = -1;
  pid_t pid = -1;
};

ChildProcess::ChildProcess() : state_(std::make_unique<State>()) {}

ChildProcess::~ChildProcess() {
  // The closed channel is the program's sign to end.
  if (state_->channel >= 0) ::close(state_->channel);
  if (state_->pid > 0) {
    int status = 0;
    while (::waitpid(state_->pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

bool ChildProcess::Start(const std::string& program, int* errnum) {
  // A socket pair rather than two pipes: one channel both ways, and writes that can be told not
  // to raise SIGPIPE when the program has died.
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    *errnum = errno;
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // dup2 clears close-on-exec on the copies, so only they reach the program.
  posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = -1;
  int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  if (spawned != 0) {
    ::close(ends[0]);
    *errnum = spawned;
    return false;
  }
  state_->channel = ends[0];
  state_->pid = pid;
  return true;
}

bool ChildProcess::Send(std::string_view bytes, int* errnum) {
  while (!bytes.empty()) {
    ssize_t sent = ::send(state_->channel, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0) {
      *errnum = errno;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

bool ChildProcess::Receive(char* buffer, size_t size, int* errnum) {
  while (size > 0) {
    ssize_t got = ::read(state_->channel, buffer, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      *errnum = got == 0 ? 0 : errno;
      return false;
    }
    buffer += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

DateTime LocalTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string ErrorText(int errnum) { return std::strerror(errnum); }

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void UseBinaryStandardOutput() {}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::vector<std::string> DriveRoots() { return {}; }

struct FileLock::State {
  int fd = -1;
  std::string path;
};

FileLock::FileLock() : state_(std::make_unique<State>()) {}

FileLock::~FileLock() { Unlock(); }

namespace {

// True when the folder of path takes new files from this user.
bool FolderOfPathWritable(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

FileLock::Outcome FileLock::TryLock(const std::string& path, int* errnum) {
  Unlock();
  for (;;) {
    // Never through a link: a link named like the lock would make its target, anywhere.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0) {
      *errnum = errno;
      // In a folder that takes files, a lock that cannot be had must not mean no lock: two
      // runs would interleave. Elsewhere nothing can be written anyway, and the write tells.
      return FolderOfPathWritable(path) ? Outcome::kRefused : Outcome::kUnavailable;
    }
    struct stat held {};
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      ::close(fd);
      *errnum = EINVAL;
      return Outcome::kRefused;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int failed = errno;
      ::close(fd);
      return failed == EWOULDBLOCK || failed == EINTR ? Outcome::kBusy : Outcome::kUnavailable;
    }
    // The holder before removed the file as it let go: a lock on that file locks nothing, so
    // the lock is taken again on the file that the name now leads to.
    struct stat named {};
    if (::lstat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
        held.st_dev == named.st_dev) {
      state_->fd = fd;
      state_->path = path;
      return Outcome::kTaken;
    }
    ::close(fd);
  }
}

void FileLock::Unlock() {
  if (state_->fd < 0) return;
  // Removed while still held, so that a published folder keeps no file of ours.
  ::unlink(state_->path.c_str());
  ::close(state_->fd);
  state_->fd = -1;
}

const bool kHasFolderEvents = true;

namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

struct StopRequests::State {
  int fd = -1;
  bool requested = false;
};

StopRequests::StopRequests() : state_(std::make_unique<State>()) {}

StopRequests::~StopRequests() {
  if (state_->fd < 0) return;
  ::close(state_->fd);
  sigset_t set = StopSet();
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

bool StopRequests::Catch() {
  sigset_t set = StopSet();
  if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return false;
  state_->fd = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  return state_->fd >= 0;
}

bool StopRequests::Requested() {
  if (state_->fd >= 0 && !state_->requested) {
    signalfd_siginfo info;
    state_->requested = ::read(state_->fd, &info, sizeof info) == ssize_t{sizeof info};
  }
  return state_->requested;
}

struct FolderWatch::State {
  int fd = -1;
};

FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}

FolderWatch::~FolderWatch() {
  if (state_->fd >= 0) ::close(state_->fd);
}

bool FolderWatch::Open(const std::string& folder, int* errnum) {
  state_->fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  // Every way a boxscore can come, change or go; IN_MODIFY too, so that a file still being
  // written keeps its day unsettled.
  constexpr uint32_t kMask = IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM |
                             IN_DELETE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
  if (state_->fd < 0 || ::inotify_add_watch(state_->fd, folder.c_str(), kMask) < 0) {
    *errnum = errno;
    return false;
  }
  return true;
}

bool FolderWatch::Wait(int timeout_ms, StopRequests* stop, Changes* changes) {
  pollfd fds[2] = {{stop->state_->fd, POLLIN, 0}, {state_->fd, POLLIN, 0}};
  if (::poll(fds, 2, std::max(timeout_ms, 0)) > 0 && (fds[1].revents & POLLIN) != 0) {
    alignas(inotify_event) char buffer[16384];
    ssize_t got;
    while ((got = ::read(state_->fd, buffer, sizeof buffer)) > 0) {
      for (ssize_t at = 0; at < got;) {
        inotify_event event;
        std::memcpy(&event, buffer + at, sizeof event);
        if ((event.mask & IN_Q_OVERFLOW) != 0) changes->lost = true;
        if ((event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
          changes->folder_gone = true;
        }
        const char* name = buffer + at + sizeof event;
        if (event.len > 0 && name[0] != '\0') changes->names.emplace_back(name);
        at += static_cast<ssize_t>(sizeof event + event.len);
      }
    }
  }
  return !stop->Requested();
}

}  // namespace gamefold::platform
