#include "app/trace_log.h"

#include "core/platform_paths.h"

namespace gamefold {

TraceLog::TraceLog(const Clock* clock) : clock_(clock) {}

TraceLog::~TraceLog() { Close(); }

bool TraceLog::Open(const std::string& path, Failure* err, bool* in_use) {
  Close();
  bool held = false;
  int errnum = 0;
  if (in_use != nullptr) *in_use = false;
  // A second program started in the same folder must leave the first one's log whole.
  if (!file_.OpenHeld(path, &errnum, &held)) {
    if (held) {
      err->number = 75;
      err->description = "another Gamefold is using the trace log " + platform::NativePath(path);
      if (in_use != nullptr) *in_use = true;
    } else {
      *err = FailureFromErrno(errnum, "cannot create the trace log", path);
    }
    return false;
  }
  return true;
}

void TraceLog::Trace(std::string_view text) {
  if (!file_.is_open()) return;
  std::string line = FormatTraceTime(clock_->Now());
  line.append(text);
  line.append("\r\n");
  // One unbuffered write a line: the line is in the file when Trace returns. A failed write
  // (a full disk) must not stop the command being traced, so it is dropped.
  (void)file_.Append(line);
}

void TraceLog::Close() { file_.Close(); }

}  // namespace gamefold
