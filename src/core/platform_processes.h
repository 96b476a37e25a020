#pragma once

// Processes: this one, others by their ids, programs of ours started as children, and the
// requests to stop that reach this one.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/platform_errors.h"

namespace gamefold::platform {

/// This process's id.
long CurrentProcessId();

/// True when a process with this id still runs.
bool IsProcessRunning(long pid);

/// The path of the running program, for finding the programs installed beside it; "" when it
/// cannot be told.
std::string ProgramPath();

/// A program of ours started with one two-way channel as its standard input and output, its
/// standard error and environment shared with this process. Where a system has no such programs
/// (the Windows build) Start fails with ENOSYS.
class ChildProcess {
 public:
  ChildProcess();
  /// Closes the channel and waits for the program to end.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  /// Starts program with no arguments; false with *errnum (ENOENT when there is none).
  [[nodiscard]] bool Start(const std::string& program, int* errnum);
  /// Writes all of bytes; false with *errnum, EPIPE when the program has ended, never a signal.
  [[nodiscard]] bool Send(std::string_view bytes, int* errnum);
  /// Reads exactly size bytes; false with *errnum, 0 when the program closed the channel first.
  [[nodiscard]] bool Receive(char* buffer, size_t size, int* errnum);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// Requests to stop (SIGINT and SIGTERM; on Windows Ctrl+C, Ctrl+Break and the console's
/// closing), held back from Catch on, to be read between runs so that none cuts a write short.
class StopRequests {
 public:
  StopRequests();
  ~StopRequests();
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

  [[nodiscard]] bool Catch();
  /// True once a stop was asked for.
  bool Requested();

 private:
  // A folder watch waits for a stop and for file events at once.
  friend class FolderWatch;
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace gamefold::platform
