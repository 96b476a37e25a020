#include "daypages/page_writer.h"

#include "core/game_day.h"

namespace gamefold {

void PlaceDayPage(const std::string& output_folder, DurableBatch* batch, DayWork* day) {
  day->placed = false;
  day->changed = false;
  if (!day->built) return;
  std::string path = JoinPath(output_folder, DayPageName(day->key));
  // Read here, just before it would be replaced, the file is the one the page replaces, even
  // for a day asked for twice in a run.
  if (FileHoldsBytes(path, day->page, &day->old_page)) {
    day->placed = true;
    return;
  }
  day->changed = true;
  day->placed = batch != nullptr ? batch->Stage(path, day->page, &day->failure)
                                 : WriteFileAtomically(path, day->page, &day->failure);
}

PageWriter::PageWriter(const std::string& output_folder, DurableBatch* batch)
    : output_folder_(output_folder), batch_(batch) {
  thread_ = std::thread([this] { Run(); });
}

PageWriter::~PageWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void PageWriter::Write() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++handed_;
  }
  changed_.notify_all();
}

DayWork* PageWriter::Finished(bool wait) {
  if (taken_ == handed_) return nullptr;
  std::unique_lock<std::mutex> lock(mutex_);
  if (wait) changed_.wait(lock, [this] { return placed_ > taken_; });
  if (placed_ == taken_) return nullptr;
  return &days_[taken_++ % kDays];
}

void PageWriter::Run() {
  bool failed = false;
  for (size_t at = 0;; ++at) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this, at] { return stop_ || handed_ > at; });
      if (stop_) return;
    }
    DayWork* day = &days_[at % kDays];
    if (failed) {
      day->placed = false;
    } else {
      PlaceDayPage(output_folder_, batch_, day);
      failed = !day->placed;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      placed_ = at + 1;
    }
    changed_.notify_all();
  }
}

}  // namespace gamefold
