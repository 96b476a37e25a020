// The POSIX side of processes: ids, and programs of ours started as children.
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "core/platform_processes.h"

namespace gamefold::platform {

long CurrentProcessId() { return static_cast<long>(::getpid()); }

bool IsProcessRunning(long pid) {
  if (pid <= 0 || pid > INT_MAX) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
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

}  // namespace gamefold::platform
