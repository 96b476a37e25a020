#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_internal.h"
#include "catalogue/catalogue.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/platform.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "monthindex/index_page.h"
#include "site/site.h"

namespace gamefold::batch {

namespace {

// "<n> days to process, <m> days processed, year <word>", as the window's counters and year
// indicator would show them after this rebuild.
void ReportCounts(const CatalogueResult& result, std::ostream& err) {
  std::string_view word = result.indicator ? IndicatorWord(*result.indicator) : "unchanged";
  err << result.days_in.value_or(0) << " days to process, " << result.days_out.value_or(0)
      << " days processed, year " << word << '\n';
}

// 52, "Bad file name or number": the first boxscore's name cannot give the days their year.
constexpr int kBadFirstNameNumber = 52;

// "2007, 2009".
std::string JoinedYears(const std::set<std::string, std::less<>>& years) {
  std::string text;
  for (const std::string& year : years) text.append(text.empty() ? "" : ", ").append(year);
  return text;
}

// The days and games done so far, drawn over itself on a terminal.
class Progress {
 public:
  Progress(std::ostream& err, bool shown, size_t days, size_t games)
      : err_(err), shown_(shown), days_(days), games_(games) {}

  void GameRead() {
    ++games_done_;
    Draw();
  }
  void DayWritten() {
    ++days_done_;
    Draw();
  }
  // Ends the bar's line, so that the messages after it start on a line of their own.
  void Finish() {
    if (shown_ && drawn_) err_ << '\n';
  }

 private:
  void Draw() {
    if (!shown_) return;
    size_t filled = games_ == 0 ? (days_ == 0 ? 0 : kProgressWidth * days_done_ / days_)
                                : kProgressWidth * games_done_ / games_;
    std::string line = "\r[";
    line.append(filled, '#').append(kProgressWidth - filled, ' ').append("] ");
    line += std::to_string(days_done_) + "/" + std::to_string(days_) + " days, " +
            std::to_string(games_done_) + "/" + std::to_string(games_) + " games";
    err_ << line << std::flush;
    drawn_ = true;
  }

  std::ostream& err_;
  bool shown_;
  size_t days_, games_;
  size_t days_done_ = 0, games_done_ = 0;
  bool drawn_ = false;
};

// The days whose pages the site's links change as well, and the days that have pages.
bool SiteDays(Run* run, const std::vector<std::string>& input_names, std::vector<std::string>* keys,
              std::vector<std::string>* site_days) {
  std::vector<std::string> output_names;
  Failure failure;
  if (!ListFolder(run->command.output_folder, kDayPagePattern, &output_names, &failure)) {
    run->Fail(failure);
    return false;
  }
  AddSiteNeighbours(output_names, input_names, keys, site_days);
  return true;
}

// Writes the page of every key, in order; stops at the first failure, keeping the pages done.
bool ProcessDays(Run* run, const std::vector<std::string>& input_names,
                 const std::vector<std::string>& days) {
  const BatchCommand& command = run->command;
  std::vector<std::string> keys = days;
  std::vector<std::string> site_days;
  if (command.site && !SiteDays(run, input_names, &keys, &site_days)) return false;
  bool show_progress = run->show_progress && !command.quiet;
  Progress progress(run->err, show_progress, keys.size(),
                    show_progress ? CountGames(input_names, keys) : 0);
  ProcessEvents events;
  events.reading_file = [&progress](const std::string&) { progress.GameRead(); };
  events.page_result = [run](std::string_view key, bool written) {
    run->report.days.emplace_back(key);
    run->Settled(JoinPath(run->command.output_folder, DayPageName(key)), written);
  };
  events.day_done = [&progress](std::string_view, size_t) { progress.DayWritten(); };
  DayProcessor processor;
  Failure failure;
  ProcessJob job{command.input_folder,   input_names,     command.output_folder,
                 command.content_choice, command.charset, command.durable};
  if (command.site) job.site_days = &site_days;
  bool all_done = processor.ProcessDays(job, keys, events, &failure) == keys.size();
  progress.Finish();
  if (!all_done) run->Fail(failure);
  return all_done;
}

// The days to process: those given, every day with boxscores (--all), or else every day the
// catalogue lists.
bool DaysToProcess(Run* run, const std::vector<std::string>& input_names,
                   std::vector<std::string>* keys) {
  const BatchCommand& command = run->command;
  if (!command.keys.empty()) {
    *keys = command.keys;
    return true;
  }
  if (command.all_days) {
    *keys = AllDays(command, input_names, run->notes);
    return true;
  }
  std::vector<std::string> output_names;
  Failure failure;
  if (!ListFolder(command.output_folder, kDayPagePattern, &output_names, &failure)) {
    run->Fail(failure);
    return false;
  }
  CatalogueResult result = BuildCatalogue(input_names, output_names);
  std::string_view first_name = input_names.empty() ? "" : std::string_view(input_names.front());
  if (result.end != CatalogueResult::End::kListed) {
    if (ReportCatalogueEnd(result, command, first_name, run->notes, &failure)) return true;
    run->Fail(failure);
    return false;
  }
  // The catalogue reads every name as a day of the first name's year: a season that crosses
  // New Year lists its January days under the year before, days without a boxscore of their
  // own. Only the days of that year are taken; the others wait for --all, and the user is told.
  std::set<std::string, std::less<>> days_of_boxscores;
  std::set<std::string, std::less<>> other_years;
  std::string_view year = first_name.substr(0, 4);
  for (const std::string& name : input_names) {
    std::string_view key = DayKeyOf(name);
    if (!IsDayKey(key)) continue;
    days_of_boxscores.emplace(key);
    if (key.substr(0, 4) != year) other_years.emplace(key.substr(0, 4));
  }
  for (const std::string& entry : result.entries) {
    std::string_view key = DayKeyOf(entry);
    if (days_of_boxscores.contains(key)) keys->emplace_back(key);
  }
  if (!other_years.empty()) {
    run->report.unpublished_years.assign(other_years.begin(), other_years.end());
    run->notes << "Boxscores of " << JoinedYears(other_years) << " not published: only the days of "
               << year << " are listed; process --all publishes them\n";
  }
  return true;
}

}  // namespace

// A key names a page "GamesOf" + key + ".htm" that the catalogue reads back later: eight digits
// whose month and day give a day index from 101 to 1231, or the page would stop every later
// rebuild with a failure.
bool IsDayKey(std::string_view key) {
  if (key.size() != kDayKeyLength || !IsDigits(key)) return false;
  int day_index = *DigitsAt(key, kKeyDayIndexPosition, 4);
  return day_index >= kFirstDayIndex && day_index <= kLastDayIndex;
}

void ReportFailure(const Failure& failure, std::ostream& err) {
  err << "Error Encountered " << failure.number << ' ' << failure.description << '\n';
}

// Tells why a rebuild listed nothing, when it ended early; false, with the failure, after its
// error exit or when the first boxscore name is not 17 characters long: that lists nothing
// although boxscores wait, which must not pass for a run with nothing to do. The counters are
// told only when counts is true.
bool ReportCatalogueEnd(const CatalogueResult& result, const BatchCommand& command,
                        std::string_view first_input_name, std::ostream& notes, Failure* failure,
                        bool counts) {
  switch (result.end) {
    case CatalogueResult::End::kNoBoxscores:
      notes << "No boxscore files (*.BOX) in " << PrintableName(command.input_folder)
            << ": no days listed\n";
      return true;
    case CatalogueResult::End::kFileError: {
      std::string path = JoinPath(command.input_folder, first_input_name);
      *failure = {kBadFirstNameNumber,
                  "File Error in Boxes " + PrintableName(path) +
                      ": the first boxscore name is not 17 characters long, so no days are listed",
                  path};
      return false;
    }
    case CatalogueResult::End::kFailed:
      *failure = result.failure;
      return false;
    case CatalogueResult::End::kListed:
      if (!result.notice.empty()) notes << "Warning: " << result.notice << '\n';
      if (counts) ReportCounts(result, notes);
      return true;
  }
  return true;
}

// Every day that has boxscores: the game-day keys that begin their names, each once, in order.
// Taken from the names rather than from the catalogue, which reads every name as a day of the
// first name's year and would make pages without games for the days of other years.
std::vector<std::string> AllDays(const BatchCommand& command,
                                 const std::vector<std::string>& input_names, std::ostream& notes) {
  std::set<std::string, std::less<>> keys;
  for (const std::string& name : input_names) {
    if (IsDayKey(DayKeyOf(name))) keys.emplace(DayKeyOf(name));
  }
  if (input_names.empty()) {
    notes << "No boxscore files (*.BOX) in " << PrintableName(command.input_folder)
          << ": no days listed\n";
  }
  return {keys.begin(), keys.end()};
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

bool WriteIndex(Run* run, const std::vector<std::string>& output_names) {
  Failure failure;
  bool written = false;
  if (!WriteIndexPage(run->command.output_folder, output_names, &failure, run->command.charset,
                      &written, run->command.durable, run->command.site)) {
    run->Fail(failure);
    return false;
  }
  run->Settled(JoinPath(run->command.output_folder, kIndexPageName), written);
  return true;
}

// Writes the pages of keys, then, as after "&PROCESS", lists the output folder afresh, rebuilds
// the catalogue (telling its counters when counts) and makes the index from that same listing
// when write_index.
bool WritePages(Run* run, const std::vector<std::string>& input_names,
                const std::vector<std::string>& keys, bool write_index, bool counts) {
  if (!ProcessDays(run, input_names, keys)) return false;
  std::vector<std::string> output_names;
  Failure failure;
  if (!ListFolder(run->command.output_folder, kDayPagePattern, &output_names, &failure)) {
    run->Fail(failure);
    return false;
  }
  CatalogueResult result = BuildCatalogue(input_names, output_names);
  if (result.end == CatalogueResult::End::kFailed) {
    run->Fail(result.failure);
    return false;
  }
  if (counts && result.end == CatalogueResult::End::kListed) ReportCounts(result, run->notes);
  if (run->command.site && !SitePass(run)) return false;
  if (!write_index) return true;
  if (!WriteIndex(run, output_names)) return false;
  // Publishing warns in its turn.
  if (run->command.kind == BatchCommand::Kind::kProcess && run->command.destination.empty()) {
    WarnWithoutStyleSheet(run);
  }
  return true;
}

bool ProcessPass(Run* run) {
  std::vector<std::string> input_names, keys;
  Failure failure;
  if (!ListFolder(run->command.input_folder, kBoxscorePattern, &input_names, &failure)) {
    run->Fail(failure);
    return false;
  }
  // Watch tells one line a run, of its own.
  bool counts = run->command.kind != BatchCommand::Kind::kWatch;
  return DaysToProcess(run, input_names, &keys) &&
         WritePages(run, input_names, keys, run->command.write_index, counts);
}

void EmitReport(const Run& run, std::ostream& out) {
  if (run.command.report_json) out << ReportJson(run.report) << std::endl;
}

}  // namespace gamefold::batch
