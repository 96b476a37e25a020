#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_internal.h"
#include "batch/command_table.h"
#include "batch/watch_settling.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/platform.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "runs/runs.h"

namespace gamefold::batch {

namespace {

// One run of watch over the days whose files settled: only the days that still have
// boxscores (a day whose files all went keeps its page), and the index when a file of the
// watch's run changed.
bool WatchPass(Run* run, const std::vector<std::string>& due, DayProcessor* processor) {
  ProcessRequest request{DayChoice::kSettled, due};
  if (run->command.write_index) {
    request.index = run->report.written.empty() ? IndexChoice::kWhenWritten : IndexChoice::kAlways;
  }
  return DaysPass(run, request, false, processor);
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

// How often a watch compares listings where the system tells of no file events.
constexpr double kPollWithoutEvents = 5;

// The boxscore names that changed since the last look: from the file events, every name when
// the system dropped some, and, when polling and it is time, from comparing the stamps.
void GatherChanges(const BatchCommand& command, double poll_seconds,
                   platform::FolderWatch::Changes* changes, FileStamps* stamps,
                   SteadyClock::time_point* next_poll) {
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
    FileStamps fresh = StampsOf(command.input_folder);
    ChangedNames(*stamps, fresh, &changes->names);
    *stamps = std::move(fresh);
    *next_poll = now + Seconds(poll_seconds);
  }
}

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
  platform::FileStamp stamp;
  int errnum = 0;
  return !platform::StampOfPath(folder, &stamp, &errnum) && (errnum == ENOENT || errnum == ENOTDIR);
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
  FileStamps stamps;
  if (polling) stamps = StampsOf(command.input_folder);
  Retries retries(command.settle_seconds);
  // Its buffers serve every run of the watch.
  DayProcessor processor;
  WatchRun(command, out, err, true, {}, &retries,
           [&processor](Run* run) { return ProcessPass(run, &processor); });
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
    WatchRun(
        command, out, err, whole_pass, due, &retries, [whole_pass, &due, &processor](Run* run) {
          return (!whole_pass || ProcessPass(run, &processor)) && WatchPass(run, due, &processor);
        });
  }
  return kExitSuccess;
}

namespace {
constexpr OptionId kWatchOptions[] = {
    OptionId::kContent, OptionId::kIndex,   OptionId::kAll,     OptionId::kSite,
    OptionId::kPoll,    OptionId::kSettle,  OptionId::kReport,  OptionId::kQuiet,
    OptionId::kCharset, OptionId::kDurable, OptionId::kPublish, OptionId::kAllowPlainFtp};
}  // namespace

const CommandRow kWatchCommand = {
    "watch",
    BatchCommand::Kind::kWatch,
    "watch [--content 1|2|3] [--index] [--all] [--poll SECONDS]\n"
    "      [--settle SECONDS] [OPTIONS] INPUT OUTPUT\n",
    "  watch    processes what is waiting, then each day whose boxscores appear or change, once\n"
    "           they have been quiet for a while; what failed is tried again after 3 settle\n"
    "           times (at least 1 s), then after twice the pause each time, up to 10 minutes;\n"
    "           stops on SIGINT or SIGTERM\n"
    "    --poll SECONDS    compares the folder so often instead of waiting for file events\n"
    "                      (network shares)\n"
    "    --settle SECONDS  how long a day's files must stay unchanged (default 10)\n",
    kWatchOptions,
    Operands::kInputOutput,
    [](const BatchCommand& command, std::ostream& out, std::ostream& err, bool) {
      return RunWatch(command, out, err);
    },
};

}  // namespace gamefold::batch
