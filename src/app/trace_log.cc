#include "app/trace_log.h"


namespace gamefold {

TraceLog::TraceLog(const Clock* clock) : clock_(clock) {}

TraceLog::~TraceLog() { Close(); }

bool TraceLog::Open(const std::string& path, Failure* err) {
  Close();
  int errnum = 0;
  if (!file_.Create(path, &errnum)) {
    *err = FailureFromErrno(errnum, "cannot create the trace log", path);
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
  file_.Append(line);
}

void TraceLog::Close() { file_.Close(); }

}  // namespace gamefold
