#include "batch/watch_settling.h"

#include <algorithm>
#include <sstream>
#include <string_view>

#include "batch/batch_internal.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text_file.h"

namespace gamefold::batch {

namespace {

// The pauses between two tries of what failed: never so short that a lasting fault is tried
// in a busy loop (--settle 0), nor so long that a fixed one waits for long.
constexpr double kShortestRetryPause = 1;
constexpr double kLongestRetryPause = 600;

}  // namespace

SteadyClock::duration Seconds(double seconds) {
  return std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds));
}

FileStamps StampsOf(const std::string& folder) {
  FileStamps stamps;
  std::vector<std::string> names;
  Failure failure;
  if (!ListFolder(folder, kBoxscorePattern, &names, &failure)) return stamps;
  for (const std::string& name : names) {
    platform::FileStamp stamp;
    int errnum = 0;
    if (!platform::StampOfPath(JoinPath(folder, name), &stamp, &errnum)) stamp = {};
    stamps[name] = stamp;
  }
  return stamps;
}

void ChangedNames(const FileStamps& before, const FileStamps& after,
                  std::vector<std::string>* names) {
  for (const auto& [name, stamp] : after) {
    auto old = before.find(name);
    if (old == before.end() || !(old->second == stamp)) names->push_back(name);
  }
  for (const auto& [name, stamp] : before) {
    if (!after.contains(name)) names->push_back(name);
  }
}

void SettlingDays::Touch(const std::vector<std::string>& names, SteadyClock::time_point now) {
  for (const std::string& name : names) {
    std::string_view key = DayKeyOf(name);
    if (!name.empty() && name[0] != '.' && MatchesPattern(name, kBoxscorePattern) &&
        IsDayKey(key)) {
      last_change_[std::string(key)] = now;
    }
  }
}

SteadyClock::time_point SettlingDays::NextDue(SteadyClock::time_point latest) const {
  for (const auto& [key, when] : last_change_) latest = std::min(latest, when + settle_);
  return latest;
}

std::vector<std::string> SettlingDays::TakeDue(SteadyClock::time_point now) {
  std::vector<std::string> due;
  for (auto it = last_change_.begin(); it != last_change_.end();) {
    if (it->second + settle_ > now) {
      ++it;
      continue;
    }
    due.push_back(it->first);
    it = last_change_.erase(it);
  }
  return due;
}

Retries::Retries(double settle_seconds)
    : first_pause_(std::max(3 * settle_seconds, kShortestRetryPause)) {}

std::string Retries::Failed(bool whole_pass, const std::vector<std::string>& days, bool publish,
                            SteadyClock::time_point now) {
  whole_pass_ = whole_pass;
  days_ = std::set<std::string>(days.begin(), days.end());
  publish_ = publish;
  double pause = first_pause_;
  for (int i = 0; i < failures_ && pause < kLongestRetryPause; ++i) pause *= 2;
  pause = std::min(pause, kLongestRetryPause);
  ++failures_;
  when_ = now + Seconds(pause);
  std::ostringstream text;
  text << pause << " s";
  return text.str();
}

void Retries::Succeeded() {
  whole_pass_ = publish_ = false;
  days_.clear();
  failures_ = 0;
}

}  // namespace gamefold::batch
