#include "daypages/day_reader.h"

#include <set>
#include <string_view>

#include "core/game_day.h"
#include "core/platform.h"
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
  // A day asked again may still wait for its earlier page to be built and written, however far
  // back it was asked: its page is read when it is written, not here.
  std::set<std::string_view> asked;
  for (size_t k = 0; k < keys_.size(); ++k) {
    ReadAhead* filling = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || !spare_.empty(); });
      if (stop_) return;
      filling = spare_.front();
      spare_.pop_front();
    }
    Read(keys_[k], !asked.insert(keys_[k]).second, filling);
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

void DayReader::Read(const std::string& key, bool asked_before, ReadAhead* day) {
  // The buffers of a large day are not kept for the next, as the processor's are not.
  size_t held = day->page.capacity();
  for (const std::vector<char>& text : day->texts) held += text.capacity();
  if (held > kMostKeptBytes) {
    day->texts = std::vector<std::vector<char>>();
    day->page = std::vector<char>();
  }
  day->names = DayFiles(job_.input_names, key);
  day->failed_at = SIZE_MAX;
  if (day->texts.size() < day->names.size()) day->texts.resize(day->names.size());
  for (size_t i = 0; i < day->names.size(); ++i) {
    if (!ReadFileOfFolder(job_.input_folder, day->names[i], &day->texts[i], &day->failure)) {
      day->failed_at = i;
      break;
    }
  }
  day->page_ahead = !asked_before && !day->names.empty() && day->failed_at == SIZE_MAX;
  day->page_read = false;
  if (day->page_ahead) {
    int errnum = 0;
    std::string path = JoinPath(job_.output_folder, DayPageName(key));
    day->page_read = platform::ReadFileBytes(path, &day->page, &errnum);
  }
}

}  // namespace gamefold
