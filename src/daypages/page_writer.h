#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

#include "core/text_file.h"
#include "daypages/day_work.h"

namespace gamefold {

/// Puts a built day's page in place in output_folder: a file already holding the same bytes is
/// not touched at all (see ReplaceFileIfChanged); otherwise the page replaces it atomically, or
/// is staged into batch where one is given. Sets the day's placed, changed and failure; a day
/// that was not built is not placed.
void PlaceDayPage(const std::string& output_folder, DurableBatch* batch, DayWork* day);

/// Puts the days' pages in place on a thread of its own, one after the other in the order they
/// are handed over, while the caller builds the next: creating and replacing files is the
/// kernel's work, about as long as building the pages. After a day that could not be placed, the
/// days after it are not written: the run stops there.
class PageWriter {
 public:
  /// batch: where a durable run stages its pages, null to write each in place at once. It must
  /// outlive the writer, and be used by no one else meanwhile.
  PageWriter(const std::string& output_folder, DurableBatch* batch);
  /// Stops at once: days handed over and not yet placed are not written.
  ~PageWriter();
  PageWriter(const PageWriter&) = delete;
  PageWriter& operator=(const PageWriter&) = delete;

  /// True when every day's buffers are handed over, or finished and not yet taken back.
  bool Full() const { return handed_ - taken_ == kDays; }
  /// The buffers to build the next day into, unless Full.
  DayWork* Next() { return &days_[handed_ % kDays]; }
  /// Hands over the day of Next, to be placed after the days handed over before it.
  void Write();
  /// Takes back the oldest day handed over once the writer is done with it; null when every
  /// day is taken back, or when wait is false and the oldest is not done yet. The day stays the
  /// caller's until the next call of Next.
  DayWork* Finished(bool wait);

 private:
  // One day built, one written, and one more that lets either side run ahead for a day.
  static constexpr size_t kDays = 3;

  void Run();

  DayWork days_[kDays];
  const std::string output_folder_;
  DurableBatch* const batch_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t handed_ = 0;  // days handed over; changed by the caller, under the mutex
  size_t placed_ = 0;  // days the writer is done with; changed by the writer, under the mutex
  size_t taken_ = 0;   // days taken back; the caller's alone
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace gamefold
