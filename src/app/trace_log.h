#pragma once

#include <string>
#include <string_view>

#include "core/clock.h"
#include "core/failure.h"
#include "core/platform_files.h"

namespace gamefold {

/// The trace log's file name, in the current directory.
inline constexpr std::string_view kTraceLogName = "boxtrace.txt";

/// The trace log: every line is the date-time immediately followed by a text, then CR LF. Each
/// line reaches the file as it is traced, so the log tells what happened even when the program
/// is killed.
class TraceLog {
 public:
  explicit TraceLog(const Clock* clock);
  ~TraceLog();
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;

  /// Creates the log at path, emptying an existing one. Fails when it cannot be created, or
  /// (setting *in_use) when another program holds it open as its log; the log then stays
  /// closed, the file untouched, and Trace does nothing.
  [[nodiscard]] bool Open(const std::string& path, Failure* err, bool* in_use = nullptr);
  /// Appends the current date-time and text as one line; nothing when the log is closed.
  void Trace(std::string_view text);
  /// Closes the log; later traces are dropped.
  void Close();
  bool is_open() const { return file_.is_open(); }

 private:
  const Clock* clock_;
  platform::AppendFile file_;
};

}  // namespace gamefold
