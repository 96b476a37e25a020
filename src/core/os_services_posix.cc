#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <thread>

#include "core/os_services.h"
#include "core/text_file.h"

namespace gamefold {

namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

bool FolderLock::Acquire(const std::string& folder, double wait_seconds, Failure* err) {
  Release();
  std::string path = JoinPath(folder, kLockFileName);
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(std::llround(std::max(wait_seconds, 0.0) * 1000));
  for (;;) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // A folder where nothing can be made is taken without a lock: the write itself reports why.
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // The holder before removed the file as it let go: a lock on that file locks nothing,
      // so it is taken again on the file the name now leads to.
      struct stat held {
      }, named{};
      if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
          held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
        fd_ = fd;
        path_ = path;
        return true;
      }
      ::close(fd);
      continue;
    }
    int errnum = errno;
    ::close(fd);
    // A file system without locks (some shares): go on as before locks were taken.
    if (errnum != EWOULDBLOCK && errnum != EINTR) return true;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  err->number = 75;
  err->description = "another run is writing into " + folder + "; gave up waiting for it after " +
                     std::to_string(std::llround(wait_seconds)) + " s";
  err->path = folder;
  return false;
}

void FolderLock::Release() {
  if (fd_ < 0) return;
  // Removed while still held, so that the folder that is published keeps no file of ours.
  ::unlink(path_.c_str());
  ::close(fd_);
  fd_ = -1;
}

bool StopSignals::Catch() {
  sigset_t set = StopSet();
  if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) return false;
  fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  return fd_ >= 0;
}

bool StopSignals::Requested() {
  if (fd_ >= 0 && !requested_) {
    signalfd_siginfo info;
    requested_ = ::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info);
  }
  return requested_;
}

StopSignals::~StopSignals() {
  if (fd_ < 0) return;
  ::close(fd_);
  sigset_t set = StopSet();
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

bool FolderEvents::Open(const std::string& folder, bool polling, Failure* err) {
  if (polling) return true;
  fd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  // Every way a boxscore can come, change or go; IN_MODIFY too, so that a file still being
  // written keeps its day unsettled.
  constexpr uint32_t kMask = IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM |
                             IN_DELETE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
  if (fd_ < 0 || ::inotify_add_watch(fd_, folder.c_str(), kMask) < 0) {
    *err = FailureFromErrno(errno, "cannot watch", folder);
    return false;
  }
  return true;
}

bool FolderEvents::Wait(int timeout_ms, StopSignals* stop, Changes* changes) {
  pollfd fds[2] = {{stop->fd_, POLLIN, 0}, {fd_, POLLIN, 0}};
  int count = fd_ >= 0 ? 2 : 1;
  if (::poll(fds, static_cast<nfds_t>(count), std::max(timeout_ms, 0)) > 0 && count == 2 &&
      (fds[1].revents & POLLIN) != 0) {
    alignas(inotify_event) char buffer[16384];
    ssize_t got;
    while ((got = ::read(fd_, buffer, sizeof buffer)) > 0) {
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if ((event->mask & IN_Q_OVERFLOW) != 0) changes->lost = true;
        if ((event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
          changes->folder_gone = true;
        }
        if (event->len > 0) changes->names.emplace_back(event->name);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
  }
  return !stop->Requested();
}

FolderEvents::~FolderEvents() {
  if (fd_ >= 0) ::close(fd_);
}

FileStamp StampOf(const std::string& path) {
  struct stat info {};
  FileStamp stamp;
  if (::stat(path.c_str(), &info) != 0) return stamp;
  stamp.size = info.st_size;
  stamp.modified_ns = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
  stamp.inode = info.st_ino;
  return stamp;
}

bool SyncFileSystemOf(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::syncfs(fd) == 0;
  ::close(fd);
  return synced;
}

bool SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace gamefold
