// What Linux alone has: the running program's path under /proc, syncs of a whole file system,
// stop requests read from a signalfd and folder events from inotify, waited for together.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "core/platform_file_events.h"
#include "core/platform_files.h"
#include "core/platform_processes.h"

namespace gamefold::platform {

std::string ProgramPath() {
  std::string path(PATH_MAX, '\0');
  ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return "";
  path.resize(static_cast<size_t>(length));
  return path;
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
