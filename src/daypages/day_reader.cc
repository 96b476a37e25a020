#include "daypages/day_reader.h"

#include "core/text_file.h"

namespace gamefold {

DayReader::DayReader(const ProcessJob& job, std::span<const std::string> keys)
    : job_(job), keys_(keys) {
  thread_ = std::thread([this] { Run(); });
}

DayReader::~DayReader() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

ReadAhead* DayReader::Next() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty(); });
  ReadAhead* day = ready_.front();
  ready_.pop_front();
  return day;
}

void DayReader::Done(ReadAhead* day) {
  std::lock_guard<std::mutex> lock(mutex_);
  spare_.push_back(day);
  changed_.notify_all();
}

void DayReader::Run() {
  ReadAhead days[kDays];
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (ReadAhead& day : days) spare_.push_back(&day);
  }
  std::vector<std::vector<std::string>> files = FilesOfDays(job_.input_names, keys_);
  for (size_t k = 0; k < keys_.size(); ++k) {
    ReadAhead* filling = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || !spare_.empty(); });
      if (stop_) return;
      filling = spare_.front();
      spare_.pop_front();
    }
    Read(&files[k], filling);
    bool failed = filling->failed_at != SIZE_MAX;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ready_.push_back(filling);
    }
    changed_.notify_all();
    // The run stops at a failed day: nothing after it is read.
    if (failed) break;
  }
  // Stay until the caller has given back the days it holds, which live here.
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return stop_; });
}

void DayReader::Read(std::vector<std::string>* names, ReadAhead* day) {
  // The buffers of a large day are not kept for the next, as the processor's are not.
  size_t held = 0;
  for (const std::vector<char>& text : day->texts) held += text.capacity();
  if (held > kMostKeptBytes) day->texts = std::vector<std::vector<char>>();
  day->names.swap(*names);
  day->failed_at = SIZE_MAX;
  if (day->texts.size() < day->names.size()) day->texts.resize(day->names.size());
  for (size_t i = 0; i < day->names.size(); ++i) {
    if (!ReadFileOfFolder(job_.input_folder, day->names[i], &day->texts[i], &day->failure)) {
      day->failed_at = i;
      break;
    }
  }
}

}  // namespace gamefold
