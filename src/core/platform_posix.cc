#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/platform.h"

namespace gamefold::platform {

const char kPathSeparator = '/';
const int kQuotaExceeded = EDQUOT;

bool IsPathSeparator(char c) { return c == '/'; }

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path[0] == '/'; }

std::string NativePath(std::string_view path) { return std::string(path); }

namespace {

EntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::kRegular;
  if (S_ISDIR(mode)) return EntryKind::kFolder;
  return EntryKind::kOther;
}

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

struct FolderReader::State {
  DIR* dir = nullptr;
  dirent* entry = nullptr;
};

FolderReader::FolderReader() : state_(std::make_unique<State>()) {}

FolderReader::~FolderReader() {
  if (state_->dir != nullptr) ::closedir(state_->dir);
}

bool FolderReader::Open(const std::string& folder, int* errnum) {
  state_->dir = ::opendir(folder.c_str());
  if (state_->dir == nullptr) *errnum = errno;
  return state_->dir != nullptr;
}

bool FolderReader::Next(int* errnum) {
  for (;;) {
    errno = 0;
    state_->entry = ::readdir(state_->dir);
    if (state_->entry == nullptr) {
      *errnum = errno;
      return false;
    }
    const char* name = state_->entry->d_name;
    if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) return true;
  }
}

std::string_view FolderReader::name() const { return state_->entry->d_name; }

bool FolderReader::hidden() const { return state_->entry->d_name[0] == '.'; }

EntryKind FolderReader::kind() const {
  switch (state_->entry->d_type) {
    case DT_REG:
      return EntryKind::kRegular;
    case DT_DIR:
      return EntryKind::kFolder;
    case DT_LNK:
    case DT_UNKNOWN:
      break;
    default:
      return EntryKind::kOther;
  }
  // Only links and file systems that do not report the type need a stat.
  struct stat info {};
  if (::fstatat(::dirfd(state_->dir), state_->entry->d_name, &info, 0) != 0) {
    return EntryKind::kOther;
  }
  return KindOfMode(info.st_mode);
}

size_t FolderReader::size_hint() const {
  struct stat info {};
  if (::fstat(::dirfd(state_->dir), &info) != 0 || info.st_size <= 0) return 0;
  return static_cast<size_t>(info.st_size);
}

EntryKind KindOfPath(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return EntryKind::kMissing;
  return KindOfMode(info.st_mode);
}

bool IsSpecialFile(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode) &&
         !S_ISLNK(info.st_mode);
}

namespace {

// Reads the regular file open at fd to its end, or its first `most` bytes, and closes fd;
// anything else is refused: EISDIR for a folder, EINVAL for a FIFO, a socket or a device.
bool ReadOpenFile(int fd, std::vector<char>* bytes, int* errnum, size_t most = SIZE_MAX) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    *errnum = errno;
    ::close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *errnum = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return false;
  }
  // The size is a hint only: the file may grow or shrink while it is read.
  bytes->resize(std::min(static_cast<size_t>(info.st_size), most - 1) + 1);
  size_t filled = 0;
  while (filled < most) {
    if (filled == bytes->size()) bytes->resize(std::min(bytes->size() * 2, most));
    ssize_t got = ::read(fd, bytes->data() + filled, bytes->size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      *errnum = errno;
      ::close(fd);
      bytes->clear();
      return false;
    }
    if (got == 0) break;
    filled += static_cast<size_t>(got);
  }
  ::close(fd);
  bytes->resize(filled);
  return true;
}

// O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer that never comes.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;

// The absolute path without links that path leads to; "" with *errnum when it leads nowhere.
std::string RealPath(const std::string& path, int* errnum) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) {
    *errnum = errno;
    return "";
  }
  std::string resolved = real;
  std::free(real);
  return resolved;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::vector<char>* bytes, int* errnum, Links links) {
  bytes->clear();
  int fd = ::open(path.c_str(), kReadFlags | (links == Links::kRefuse ? O_NOFOLLOW : 0));
  if (fd < 0) {
    *errnum = errno;
    return false;
  }
  return ReadOpenFile(fd, bytes, errnum);
}

bool ReadFileInFolder(const std::string& folder, const std::string& name, std::vector<char>* bytes,
                      int* errnum, size_t most) {
  bytes->clear();
  std::string path = folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
  int fd = ::open(path.c_str(), kReadFlags | O_NOFOLLOW);
  if (fd < 0 && errno == ELOOP) {
    // A link: followed only to a file inside the folder, whatever links lie on the way.
    std::string target = RealPath(path, errnum);
    if (target.empty()) return false;
    std::string base = RealPath(folder.empty() ? "." : folder, errnum);
    if (base.empty()) return false;
    if (base.back() != '/') base += '/';
    if (!target.starts_with(base)) {
      *errnum = EXDEV;
      return false;
    }
    fd = ::open(target.c_str(), kReadFlags | O_NOFOLLOW);
  }
  if (fd < 0) {
    *errnum = errno;
    return false;
  }
  return ReadOpenFile(fd, bytes, errnum, most);
}

bool WriteNewFile(const std::string& path, std::string_view content, int* errnum) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    *errnum = errno;
    return false;
  }
  bool written = WriteAll(fd, content);
  *errnum = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    *errnum = errno;
  }
  return written;
}

bool ReplaceByRename(const std::string& from, const std::string& to, int* errnum) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  *errnum = errno;
  return false;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

struct AppendFile::State {
  int fd = -1;
};

AppendFile::AppendFile() : state_(std::make_unique<State>()) {}

AppendFile::~AppendFile() { Close(); }

bool AppendFile::OpenHeld(const std::string& path, int* errnum, bool* in_use) {
  Close();
  *in_use = false;
  // Not truncated on open: another program's file must stay whole. The lock lives as long as
  // the file is open.
  state_->fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (state_->fd < 0) {
    *errnum = errno;
    return false;
  }
  if (::flock(state_->fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    Close();
    *in_use = true;
    return false;
  }
  if (::ftruncate(state_->fd, 0) != 0) {
    *errnum = errno;
    Close();
    return false;
  }
  return true;
}

bool AppendFile::Append(std::string_view bytes) {
  return state_->fd >= 0 && WriteAll(state_->fd, bytes);
}

void AppendFile::Close() {
  if (state_->fd >= 0) ::close(state_->fd);
  state_->fd = -1;
}

bool AppendFile::is_open() const { return state_->fd >= 0; }

std::string CurrentFolder() {
  std::string path(PATH_MAX, '\0');
  if (::getcwd(path.data(), path.size()) == nullptr) return "";
  path.resize(std::strlen(path.c_str()));
  return path;
}

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
  constexpr uint32_t kMask = IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_MOVED_TO |
                             IN_MOVED_FROM | IN_DELETE | IN_ATTRIB | IN_DELETE_SELF |
                             IN_MOVE_SELF;
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

bool SyncFiles(const std::vector<std::string>& paths, int* errnum) {
  if (paths.empty()) return true;
  std::string folder = paths.front().substr(0, paths.front().rfind('/') + 1);
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 || ::syncfs(fd) != 0) {
    *errnum = errno;
    if (fd >= 0) ::close(fd);
    return false;
  }
  ::close(fd);
  return true;
}

bool SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace gamefold::platform
