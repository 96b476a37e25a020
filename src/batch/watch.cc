#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_internal.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/platform.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/process.h"

namespace gamefold::batch {

namespace {

// What tells that a file changed where no file event does.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path) {
  std::error_code error;
  FileStamp stamp;
  stamp.size = std::filesystem::file_size(path, error);
  stamp.modified = std::filesystem::last_write_time(path, error);
  return stamp;
}

// The boxscores' stamps, for comparing listings where file events do not arrive.
std::map<std::string, FileStamp> StampsOf(const std::string& folder) {
  std::map<std::string, FileStamp> stamps;
  std::vector<std::string> names;
  Failure failure;
  if (!ListFolder(folder, kBoxscorePattern, &names, &failure)) return stamps;
  for (const std::string& name : names) stamps[name] = StampOf(JoinPath(folder, name));
  return stamps;
}

// The names that came, went or changed between two stamp maps.
void ChangedNames(const std::map<std::string, FileStamp>& before,
                  const std::map<std::string, FileStamp>& after, std::vector<std::string>* names) {
  for (const auto& [name, stamp] : after) {
    auto old = before.find(name);
    if (old == before.end() || !(old->second == stamp)) names->push_back(name);
  }
  for (const auto& [name, stamp] : before) {
    if (!after.contains(name)) names->push_back(name);
  }
}

// One run of watch over the days whose files settled: only the days that still have
// boxscores (a day whose files all went keeps its page), and the index when a page changed.
bool WatchPass(Run* run, const std::vector<std::string>& due) {
  std::vector<std::string> input_names, keys;
  Failure failure;
  if (!ListFolder(run->command.input_folder, kBoxscorePattern, &input_names, &failure)) {
    run->Fail(failure);
    return false;
  }
  for (const std::string& key : due) {
    if (!DayFiles(input_names, key).empty()) keys.push_back(key);
  }
  if (keys.empty()) return true;
  if (!WritePages(run, input_names, keys, false, false)) return false;
  if (!run->command.write_index || run->report.written.empty()) return true;
  std::vector<std::string> output_names;
  if (!ListFolder(run->command.output_folder, kDayPagePattern, &output_names, &failure)) {
    run->Fail(failure);
    return false;
  }
  return WriteIndex(run, output_names);
}

// One line a run on err (failures only with --quiet) and its report on out; a retry tells its
// number, and a failed run when it is tried again.
void EndWatchRun(const Run& run, std::ostream& out, int retry, std::string_view next_try) {
  if (!run.command.quiet || !run.report.failures.empty()) {
    std::string line = "watch: " + std::to_string(run.report.days.size()) + " days, " +
                       std::to_string(run.report.written.size()) + " files written, " +
                       std::to_string(run.report.unchanged.size()) + " unchanged, " +
                       std::to_string(run.report.failures.size()) + " failed";
    if (retry > 0) line += ", retry " + std::to_string(retry);
    if (!next_try.empty()) line.append(", next try in ").append(next_try);
    run.err << line << std::endl;
  }
  EmitReport(run, out);
}

using SteadyClock = std::chrono::steady_clock;

// How often a watch compares listings where the system tells of no file events.
constexpr double kPollWithoutEvents = 5;

SteadyClock::duration Seconds(double seconds) {
  return std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds));
}

// The days whose boxscores changed, each with the time of its last change: a day is due once
// its files have stayed quiet for the settle time, so that no day is published while its
// boxscores are still being written.
class SettlingDays {
 public:
  explicit SettlingDays(double settle_seconds) : settle_(Seconds(settle_seconds)) {}

  void Touch(const std::vector<std::string>& names, SteadyClock::time_point now) {
    for (const std::string& name : names) {
      std::string_view key = DayKeyOf(name);
      if (!name.empty() && name[0] != '.' && MatchesPattern(name, kBoxscorePattern) &&
          IsDayKey(key)) {
        last_change_[std::string(key)] = now;
      }
    }
  }
  // The sooner of latest and the time the next day is due.
  SteadyClock::time_point NextDue(SteadyClock::time_point latest) const {
    for (const auto& [key, when] : last_change_) latest = std::min(latest, when + settle_);
    return latest;
  }
  std::vector<std::string> TakeDue(SteadyClock::time_point now) {
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

 private:
  SteadyClock::duration settle_;
  std::map<std::string, SteadyClock::time_point> last_change_;
};

// The boxscore names that changed since the last look: from the file events, every name when
// the system dropped some, and, when polling and it is time, from comparing the stamps.
void GatherChanges(const BatchCommand& command, double poll_seconds,
                   platform::FolderWatch::Changes* changes,
                   std::map<std::string, FileStamp>* stamps, SteadyClock::time_point* next_poll) {
  Failure failure;
  if (changes->lost) {
    std::vector<std::string> all;
    // A folder that cannot be listed now is reported by the run these changes start, which
    // lists it again.
    (void)ListFolder(command.input_folder, kBoxscorePattern, &all, &failure);
    changes->names.insert(changes->names.end(), all.begin(), all.end());
  }
  SteadyClock::time_point now = SteadyClock::now();
  if (poll_seconds > 0 && now >= *next_poll) {
    std::map<std::string, FileStamp> fresh = StampsOf(command.input_folder);
    ChangedNames(*stamps, fresh, &changes->names);
    *stamps = std::move(fresh);
    *next_poll = now + Seconds(poll_seconds);
  }
}

// The pauses between two tries of what failed: never so short that a lasting fault is tried
// in a busy loop (--settle 0), nor so long that a fixed one waits for long.
constexpr double kShortestRetryPause = 1;
constexpr double kLongestRetryPause = 600;

// What failed in watch's runs, kept due: a day may fail for a while (its page name taken by a
// folder, a full disk) and the host may be away, with no boxscore changing meanwhile. The first
// retry comes three settle times after the failure (30 s by default, at least a second), each
// next one after twice the pause before, up to ten minutes, so that a lasting fault is not
// hammered; tests shorten it through --settle.
class Retries {
 public:
  explicit Retries(double settle_seconds)
      : first_pause_(std::max(3 * settle_seconds, kShortestRetryPause)) {}

  bool pending() const { return whole_pass_ || publish_ || !days_.empty(); }
  bool whole_pass() const { return whole_pass_; }
  const std::set<std::string>& days() const { return days_; }
  SteadyClock::time_point when() const { return when_; }
  int count() const { return failures_; }

  // Keeps what failed due; returns the pause before the next try, as the run line tells it.
  std::string Failed(bool whole_pass, const std::vector<std::string>& days, bool publish,
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
  void Succeeded() {
    whole_pass_ = publish_ = false;
    days_.clear();
    failures_ = 0;
  }

 private:
  double first_pause_;
  bool whole_pass_ = false, publish_ = false;
  std::set<std::string> days_;
  int failures_ = 0;
  SteadyClock::time_point when_;
};

// One run of watch: pass under the lock, then publishing when it succeeded; what failed stays
// due in *retries.
template <typename Pass>
void WatchRun(const BatchCommand& command, std::ostream& out, std::ostream& err, bool whole_pass,
              const std::vector<std::string>& days, Retries* retries, Pass pass) {
  Run run{command, NotesOf(command, err), err, false, {"watch"}};
  int retry = retries->pending() ? retries->count() : 0;
  bool pass_done = false;
  bool done = Locked(&run, [&run, &pass, &out, &pass_done] {
    return ThenPublish(&run, out, [&run, &pass, &pass_done] { return pass_done = pass(&run); });
  });
  std::string next_try;
  if (done) {
    retries->Succeeded();
  } else if (pass_done) {
    next_try = retries->Failed(false, {}, true, SteadyClock::now());
  } else {
    next_try = retries->Failed(whole_pass, days, false, SteadyClock::now());
  }
  EndWatchRun(run, out, retry, next_try);
}

// True once folder is gone: a watch of it has nothing more to wait for.
bool FolderGone(const std::string& folder) {
  std::error_code error;
  return std::filesystem::status(folder, error).type() == std::filesystem::file_type::not_found;
}

}  // namespace

int RunWatch(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  platform::StopRequests stop;
  platform::FolderWatch events;
  // Where the system tells of no file events, listings are compared as with --poll.
  double poll_seconds = command.poll_seconds > 0     ? command.poll_seconds
                        : platform::kHasFolderEvents ? 0
                                                     : kPollWithoutEvents;
  bool polling = poll_seconds > 0;
  int errnum = EINVAL;
  if (!stop.Catch() || (!polling && !events.Open(command.input_folder, &errnum))) {
    ReportFailure(FailureFromErrno(errnum, "cannot watch", command.input_folder), err);
    return kExitFailure;
  }
  // Watching starts before the first run, so that nothing written meanwhile is missed.
  std::map<std::string, FileStamp> stamps;
  if (polling) stamps = StampsOf(command.input_folder);
  Retries retries(command.settle_seconds);
  WatchRun(command, out, err, true, {}, &retries, [](Run* run) { return ProcessPass(run); });
  SettlingDays days(command.settle_seconds);
  SteadyClock::time_point next_poll = SteadyClock::now() + Seconds(poll_seconds);
  for (;;) {
    SteadyClock::time_point wake = days.NextDue(SteadyClock::now() + std::chrono::minutes(1));
    if (polling) wake = std::min(wake, next_poll);
    if (retries.pending()) wake = std::min(wake, retries.when());
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - SteadyClock::now());
    platform::FolderWatch::Changes changes;
    if (!events.Wait(static_cast<int>(std::max<long long>(wait.count(), 0)), &stop, &changes)) {
      break;
    }
    // Without file events the folder's going shows only when it is looked for.
    if (changes.folder_gone || (polling && FolderGone(command.input_folder))) {
      // Nothing more can arrive: end with a failure, so that a service manager restarts the
      // watch once the folder is back.
      ReportFailure(FailureFromErrno(ENOENT, "cannot watch", command.input_folder), err);
      return kExitFailure;
    }
    GatherChanges(command, poll_seconds, &changes, &stamps, &next_poll);
    SteadyClock::time_point now = SteadyClock::now();
    days.Touch(changes.names, now);
    std::vector<std::string> due = days.TakeDue(now);
    if (due.empty() && !(retries.pending() && now >= retries.when())) continue;
    // A run for new days takes what failed before along.
    bool whole_pass = retries.whole_pass();
    std::set<std::string> keys(due.begin(), due.end());
    keys.insert(retries.days().begin(), retries.days().end());
    due.assign(keys.begin(), keys.end());
    WatchRun(command, out, err, whole_pass, due, &retries, [whole_pass, &due](Run* run) {
      return (!whole_pass || ProcessPass(run)) && WatchPass(run, due);
    });
  }
  return kExitSuccess;
}

}  // namespace gamefold::batch
