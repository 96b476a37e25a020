#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "core/failure.h"
#include "daypages/process.h"

namespace gamefold {

/// Beyond this, a day's buffers are given back rather than kept for the next day.
inline constexpr size_t kMostKeptBytes = size_t{16} << 20;

/// A day's boxscores read ahead on a thread of their own while the day before is built.
struct ReadAhead {
  std::vector<std::string> names;
  std::vector<std::vector<char>> texts;  // one per name read, in order
  size_t failed_at = SIZE_MAX;           // the name whose read failed, if any
  Failure failure;
};

/// Reads the days' boxscores ahead on a thread of its own, while the caller builds the page of
/// the day before: one core reads, the other builds. It tells no events: a read that failed is
/// told by the caller when its day comes, after the days before it are done.
class DayReader {
 public:
  DayReader(const ProcessJob& job, std::span<const std::string> keys);
  ~DayReader();
  DayReader(const DayReader&) = delete;
  DayReader& operator=(const DayReader&) = delete;

  /// Waits for the next day's read and hands it over; Done gives back its buffers.
  ReadAhead* Next();
  void Done(ReadAhead* day);

 private:
  // Days' buffers in turn: one read into here, one read from by the caller, and one more that
  // lets either side run ahead for a day when the other is held up.
  static constexpr size_t kDays = 3;

  void Run();
  void Read(std::vector<std::string>* names, ReadAhead* day);

  const ProcessJob& job_;
  std::span<const std::string> keys_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<ReadAhead*> ready_;  // read, waiting for the caller, in order
  std::deque<ReadAhead*> spare_;  // given back by the caller, to read into next
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace gamefold
