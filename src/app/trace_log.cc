#include "app/trace_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace gamefold {

TraceLog::TraceLog(const Clock* clock) : clock_(clock) {}

TraceLog::~TraceLog() { Close(); }

bool TraceLog::Open(const std::string& path, Failure* err, bool* in_use) {
  Close();
  if (in_use != nullptr) *in_use = false;
  // Not truncated on open: a second program started in the same folder must leave the first
  // one's log whole. The lock lives as long as the log is open.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    *err = FailureFromErrno(errno, "cannot create the trace log", path);
    return false;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    Close();
    err->number = 75;
    err->description = "another Gamefold is using the trace log " + path;
    if (in_use != nullptr) *in_use = true;
    return false;
  }
  if (::ftruncate(fd_, 0) != 0) {
    *err = FailureFromErrno(errno, "cannot create the trace log", path);
    Close();
    return false;
  }
  return true;
}

void TraceLog::Trace(std::string_view text) {
  if (fd_ < 0) return;
  std::string line = FormatTraceTime(clock_->Now());
  line.append(text);
  line.append("\r\n");
  // One unbuffered write a line: the line is in the file when Trace returns. A failed write
  // (a full disk) must not stop the command being traced, so it is dropped.
  std::string_view rest = line;
  while (!rest.empty()) {
    ssize_t written = ::write(fd_, rest.data(), rest.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    rest.remove_prefix(static_cast<size_t>(written));
  }
}

void TraceLog::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace gamefold
