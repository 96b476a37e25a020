#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_internal.h"
#include "batch/progress_line.h"
#include "catalogue/catalogue.h"
#include "core/failure.h"
#include "core/game_day.h"
#include "core/platform_files.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "runs/runs.h"

namespace gamefold::batch {

namespace {

// "<n> days to process, <m> days processed, year <word>", as the window's counters and year
// indicator would show them after this rebuild.
void ReportCounts(const CatalogueResult& result, std::ostream& err) {
  std::string_view word = result.indicator ? IndicatorWord(*result.indicator) : "unchanged";
  err << result.days_in.value_or(0) << " days to process, " << result.days_out.value_or(0)
      << " days processed, year " << word << '\n';
}

// "2007, 2009".
std::string JoinedYears(const std::vector<std::string>& years) {
  std::string text;
  for (const std::string& year : years) text.append(text.empty() ? "" : ", ").append(year);
  return text;
}

// The days and games done so far, drawn over itself on a terminal.
class DayProgress {
 public:
  DayProgress(std::ostream& err, bool shown, size_t days, size_t games)
      : line_(err, shown), days_(days), games_(games) {}

  void GameRead() {
    ++games_done_;
    Draw();
  }
  void DayWritten() {
    ++days_done_;
    Draw();
  }
  void Finish() { line_.Finish(); }

 private:
  void Draw() {
    if (!line_.shown()) return;
    std::string text = std::to_string(days_done_) + "/" + std::to_string(days_) + " days, " +
                       std::to_string(games_done_) + "/" + std::to_string(games_) + " games";
    if (games_ == 0) {
      line_.Draw(days_done_, days_, text);
    } else {
      line_.Draw(games_done_, games_, text);
    }
  }

  ProgressLine line_;
  size_t days_, games_;
  size_t days_done_ = 0, games_done_ = 0;
};

// What gamefold-batch shows of a process run: its notes, its bar and its report.
struct Shown {
  Run* run;
  bool counts;  // the catalogue's counters after the days
  std::optional<DayProgress> progress = {};
};

void ShowChosen(Shown* shown, const ChosenDays& days) {
  Run* run = shown->run;
  const BatchCommand& command = run->command;
  if (days.no_boxscores) NoteNoBoxscores(command, run->notes);
  // Only an end that lets the run go on comes here: no boxscores.
  if (days.catalogue && days.catalogue->end != CatalogueResult::End::kListed) {
    ReportCatalogueEnd(*days.catalogue, command, run->notes);
  }
  if (!days.other_years.empty()) {
    run->report.unpublished_years = days.other_years;
    run->notes << "Boxscores of " << JoinedYears(days.other_years)
               << " not published: only the days of " << days.year
               << " are listed; process --all publishes them\n";
  }
}

void ShowWriting(Shown* shown, std::span<const std::string> keys,
                 std::span<const std::string> input_names) {
  bool show_progress = shown->run->show_progress && !shown->run->command.quiet;
  shown->progress.emplace(shown->run->err, show_progress, keys.size(),
                          show_progress ? CountGames(input_names, keys) : 0);
}

RunEvents EventsOf(Shown* shown) {
  Run* run = shown->run;
  RunEvents events = CommonEvents(run);
  events.chosen = [shown](const ChosenDays& days) { ShowChosen(shown, days); };
  events.writing = [shown](std::span<const std::string> keys,
                           std::span<const std::string> input_names) {
    ShowWriting(shown, keys, input_names);
  };
  events.day.reading_file = [shown](const std::string&) { shown->progress->GameRead(); };
  events.day.page_result = [run](std::string_view key, bool written) {
    run->report.days.emplace_back(key);
    run->Settled(JoinPath(run->command.output_folder, DayPageName(key)), written);
  };
  events.day.day_done = [shown](std::string_view, size_t) { shown->progress->DayWritten(); };
  events.days_ended = [shown](size_t) { shown->progress->Finish(); };
  events.rebuilt = [shown](const CatalogueResult& result) {
    if (shown->counts && result.end == CatalogueResult::End::kListed) {
      ReportCounts(result, shown->run->notes);
    }
  };
  return events;
}

}  // namespace

void ReportFailure(const Failure& failure, std::ostream& err) {
  err << "Error Encountered " << failure.number << ' ' << failure.description << '\n';
}

void NoteNoBoxscores(const BatchCommand& command, std::ostream& notes) {
  notes << "No boxscore files (*.BOX) in " << PrintableName(command.input_folder)
        << ": no days listed\n";
}

// Tells why a rebuild listed nothing, when it ended early for want of boxscores, or the doubts
// it has and its counters.
void ReportCatalogueEnd(const CatalogueResult& result, const BatchCommand& command,
                        std::ostream& notes) {
  if (result.end == CatalogueResult::End::kNoBoxscores) NoteNoBoxscores(command, notes);
  if (result.end != CatalogueResult::End::kListed) return;
  if (!result.notice.empty()) notes << "Warning: " << result.notice << '\n';
  ReportCounts(result, notes);
}

// Where the messages that are not failures go: nowhere with --quiet.
std::ostream& NotesOf(const BatchCommand& command, std::ostream& err) {
  static std::ostream nowhere(nullptr);
  return command.quiet ? nowhere : err;
}

// The pages link the style sheet by its bare name, and nothing here writes it: a site without
// one shows its pages unstyled, which the user should hear of before the world sees it.
void WarnWithoutStyleSheet(Run* run) {
  std::string path = JoinPath(run->command.output_folder, kStyleSheetName);
  if (platform::KindOfPath(path) == platform::EntryKind::kMissing) {
    run->notes << "Warning: no " << kStyleSheetName << " in " << run->command.output_folder
               << ": the pages link it, so they show without their style\n";
  }
}

RunPlace PlaceOf(const BatchCommand& command) {
  // Every command takes the lock itself, to hold it while it publishes as well.
  return {command.input_folder, command.output_folder, command.lock_wait_seconds, {}, true};
}

OutputSettings SettingsOf(const BatchCommand& command) {
  return {command.content_choice, command.charset, command.durable, command.site};
}

// What every run shows of the site's pages and the index.
RunEvents CommonEvents(Run* run) {
  RunEvents events;
  events.site = [run](const SiteResult& result) { ShowSite(run, result); };
  events.index = [run](const std::string& path, bool written) {
    run->Settled(path, written);
    // Publishing warns in its turn.
    if (run->command.kind == BatchCommand::Kind::kProcess && run->command.destination.empty()) {
      WarnWithoutStyleSheet(run);
    }
  };
  return events;
}

bool Finished(Run* run, const RunResult& result) {
  if (!result.done) run->Fail(result.failure);
  return result.done;
}

// The days the command asks for: those given, every day with boxscores (--all), or else every
// day the catalogue lists.
bool ProcessPass(Run* run, DayProcessor* processor) {
  const BatchCommand& command = run->command;
  ProcessRequest request;
  request.days = !command.keys.empty() ? DayChoice::kGiven
                 : command.all_days    ? DayChoice::kAll
                                       : DayChoice::kNew;
  request.keys = command.keys;
  request.index = command.write_index ? IndexChoice::kAlways : IndexChoice::kNever;
  // Watch tells one line a run, of its own.
  return DaysPass(run, request, command.kind != BatchCommand::Kind::kWatch, processor);
}

bool DaysPass(Run* run, const ProcessRequest& request, bool counts, DayProcessor* processor) {
  Shown shown{run, counts};
  RunResult result;
  // Finished tells the failure that the result holds.
  (void)ProcessRun(PlaceOf(run->command), SettingsOf(run->command), request, processor,
                   EventsOf(&shown), &result);
  return Finished(run, result);
}

void EmitReport(const Run& run, std::ostream& out) {
  if (run.command.report_json) out << ReportJson(run.report) << std::endl;
}

}  // namespace gamefold::batch
