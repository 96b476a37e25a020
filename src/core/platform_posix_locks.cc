// The POSIX side of locks: flock on a lock file that is removed as it is let go.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/platform_locks.h"

namespace gamefold::platform {

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

}  // namespace gamefold::platform
