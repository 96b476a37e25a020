#include "batch/batch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "batch/run_report.h"
#include "catalogue/catalogue.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/folder_lock.h"
#include "core/game_day.h"
#include "core/platform.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "monthindex/index_page.h"
#include "publish/publish.h"
#include "site/site.h"

namespace gamefold {

namespace {

constexpr std::string_view kUsage =
    "usage: gamefold-batch list INPUT OUTPUT\n"
    "       gamefold-batch list --changed [--content 1|2|3] [--charset NAME] INPUT OUTPUT\n"
    "       gamefold-batch process [--content 1|2|3] [--index] [--all] [OPTIONS] INPUT OUTPUT "
    "[KEY...]\n"
    "       gamefold-batch index [OPTIONS] OUTPUT\n"
    "       gamefold-batch index --site [OPTIONS] INPUT OUTPUT\n"
    "       gamefold-batch watch [--content 1|2|3] [--index] [--all] [--poll SECONDS]\n"
    "                            [--settle SECONDS] [OPTIONS] INPUT OUTPUT\n"
    "       gamefold-batch site [--report json] [--quiet] [--charset NAME] INPUT OUTPUT\n"
    "       gamefold-batch publish [--dry-run] [--allow-plain-ftp] [--report json] [--quiet]\n"
    "                              OUTPUT DESTINATION\n"
    "       gamefold-batch --help | --version\n";

constexpr std::string_view kHelp =
    "\n"
    "Turns the boxscore files (*.BOX) of INPUT into day pages GamesOfYYYYMMDD.htm in OUTPUT.\n"
    "\n"
    "  list     prints the game days that have boxscores but no page yet, one key a line\n"
    "    --changed     the days whose page is missing or would change, without writing\n"
    "  process  writes the page of each KEY (YYYYMMDD), in the order given; without KEY, of\n"
    "           every day that list prints of the first boxscore's year (other years: --all);\n"
    "           a day without boxscores fails\n"
    "    --content 1   boxscores only (the default)\n"
    "    --content 2   boxscores and scoresheets\n"
    "    --content 3   boxscores, scoresheets and logs\n"
    "    --index       then writes the month index GamesIndex.htm as well\n"
    "    --all         every day that has boxscores; pages whose bytes stay the same are\n"
    "                  left untouched\n"
    "  index    writes the month index GamesIndex.htm from the pages in OUTPUT\n"
    "  watch    processes what is waiting, then each day whose boxscores appear or change, once\n"
    "           they have been quiet for a while; what failed is tried again after 3 settle\n"
    "           times (at least 1 s), then after twice the pause each time, up to 10 minutes;\n"
    "           stops on SIGINT or SIGTERM\n"
    "    --poll SECONDS    compares the folder so often instead of waiting for file events\n"
    "                      (network shares)\n"
    "    --settle SECONDS  how long a day's files must stay unchanged (default 10)\n"
    "  site     writes the league's standings Standings.htm and a page a team (Team-*.htm) into\n"
    "           OUTPUT from the line scores of the days that have a page there; divisions come\n"
    "           from OUTPUT/league.txt: [Division] lines, each followed by its teams\n"
    "  publish  sends the day pages, the index and vuzad.css of OUTPUT that changed since they\n"
    "           were last sent to DESTINATION: sftp://user@host/folder/, ftps://user@host/folder/\n"
    "           (TLS required), ftp://user@host/folder/ (TLS required as well, unless\n"
    "           --allow-plain-ftp) or file:///folder/\n"
    "    --dry-run     prints what would be sent, sends nothing; a network host is not asked\n"
    "    --allow-plain-ftp  publish, process, watch: lets an ftp:// login go without TLS when\n"
    "                  the server offers none, with a warning on every run\n"
    "  The password comes from ~/.netrc or GAMEFOLD_PUBLISH_PASSWORD, never the command line.\n"
    "\n"
    "OPTIONS of process, index and watch:\n"
    "  --report json     one JSON object per run on standard output\n"
    "  -q, --quiet       nothing on standard error but failures\n"
    "  --charset NAME    declares the pages' character set, e.g. utf-8\n"
    "  --durable         brings the pages to the disk before telling them written\n"
    "  --publish DEST    process, watch: publishes OUTPUT to DEST after each run that succeeds\n"
    "  --site            also writes the site's pages (as site does), links each day page to\n"
    "                    the days before and after it and to the standings, and the index to\n"
    "                    the standings; index --site takes INPUT as well\n"
    "\n"
    "A file that already holds the bytes it would get is never rewritten. Writers of one OUTPUT\n"
    "take turns: a second one waits up to a minute, then fails.\n"
    "\n"
    "Exit status: 0 done, 1 failed (the reason is on standard error), 2 bad usage.\n";

constexpr int kProgressWidth = 30;

// A key names a page "GamesOf" + key + ".htm" that the catalogue reads back later: eight digits
// whose month and day give a day index from 101 to 1231, or the page would stop every later
// rebuild with a failure.
bool IsDayKey(std::string_view key) {
  if (key.size() != kDayKeyLength || !IsDigits(key)) return false;
  int day_index = *DigitsAt(key, kKeyDayIndexPosition, 4);
  return day_index >= kFirstDayIndex && day_index <= kLastDayIndex;
}

bool ParseContentChoice(std::string_view text, int* choice) {
  if (text != "1" && text != "2" && text != "3") return false;
  *choice = text[0] - '0';
  return true;
}

// Seconds as a decimal number from 0 to a day; fractions let tests wait briefly.
bool ParseSeconds(std::string_view text, double* seconds) {
  if (text.empty() || text.size() > 12) return false;
  size_t dots = 0;
  for (char c : text) {
    if (c == '.') {
      ++dots;
    } else if (!IsDigit(c)) {
      return false;
    }
  }
  if (dots > 1 || text == ".") return false;
  *seconds = std::stod(std::string(text));
  return *seconds <= 86400;
}

// The commands an option belongs to.
enum CommandSet : unsigned {
  kOnList = 1,
  kOnProcess = 2,
  kOnIndex = 4,
  kOnWatch = 8,
  kOnPublish = 16,
  kOnSite = 32,
};

unsigned SetOf(BatchCommand::Kind kind) {
  switch (kind) {
    case BatchCommand::Kind::kList:
      return kOnList;
    case BatchCommand::Kind::kProcess:
      return kOnProcess;
    case BatchCommand::Kind::kIndex:
      return kOnIndex;
    case BatchCommand::Kind::kWatch:
      return kOnWatch;
    case BatchCommand::Kind::kPublish:
      return kOnPublish;
    case BatchCommand::Kind::kSite:
      return kOnSite;
    default:
      return 0;
  }
}

// One option of the command; false with the problem when it is unknown there, lacks its value
// or has a bad one.
bool ParseOption(const std::vector<std::string>& args, size_t* i, BatchCommand* command,
                 std::string* problem) {
  std::string_view arg = args[*i];
  size_t equals = arg.find('=');
  std::string_view name = arg.substr(0, equals);
  unsigned on = SetOf(command->kind);
  auto belongs = [&](unsigned commands) { return (commands & on) != 0; };
  // The value after "=" or in the next argument; false when there is none.
  auto value = [&](std::string_view* text) {
    if (equals != std::string_view::npos) {
      *text = arg.substr(equals + 1);
      return true;
    }
    if (*i + 1 == args.size()) return false;
    *text = args[++*i];
    return true;
  };
  bool takes_value = name == "--content" || name == "--charset" || name == "--report" ||
                     name == "--poll" || name == "--settle" || name == "--publish";
  if (!takes_value && equals != std::string_view::npos) name = arg;
  std::string_view text;
  if (name == "--index" && belongs(kOnProcess | kOnWatch)) {
    command->write_index = true;
  } else if (name == "--site" && belongs(kOnProcess | kOnIndex | kOnWatch)) {
    command->site = true;
  } else if (name == "--all" && belongs(kOnProcess | kOnWatch)) {
    command->all_days = true;
  } else if (name == "--changed" && belongs(kOnList)) {
    command->changed_only = true;
  } else if (name == "--dry-run" && belongs(kOnPublish)) {
    command->dry_run = true;
  } else if (name == "--allow-plain-ftp" && belongs(kOnProcess | kOnWatch | kOnPublish)) {
    command->allow_plain_ftp = true;
  } else if (name == "--publish" && belongs(kOnProcess | kOnWatch)) {
    Destination destination;
    if (!value(&text)) {
      *problem = "--publish needs a DESTINATION";
      return false;
    }
    if (!ParseDestination(text, &destination, problem)) return false;
    command->destination = std::string(text);
  } else if ((name == "-q" || name == "--quiet") &&
             belongs(kOnProcess | kOnIndex | kOnWatch | kOnPublish | kOnSite)) {
    command->quiet = true;
  } else if (name == "--durable" && belongs(kOnProcess | kOnIndex | kOnWatch)) {
    command->durable = true;
  } else if (name == "--content" && belongs(kOnList | kOnProcess | kOnWatch)) {
    if (!value(&text)) {
      *problem = "--content needs 1, 2 or 3";
      return false;
    }
    if (!ParseContentChoice(text, &command->content_choice)) {
      *problem = "--content needs 1, 2 or 3, not \"" + std::string(text) + "\"";
      return false;
    }
  } else if (name == "--charset" && belongs(kOnList | kOnProcess | kOnIndex | kOnWatch | kOnSite)) {
    if (!value(&text) || !IsCharsetName(text)) {
      *problem = "--charset needs a character set name such as utf-8";
      return false;
    }
    command->charset = std::string(text);
  } else if (name == "--report" &&
             belongs(kOnProcess | kOnIndex | kOnWatch | kOnPublish | kOnSite)) {
    if (!value(&text) || text != "json") {
      *problem = "--report needs json";
      return false;
    }
    command->report_json = true;
  } else if ((name == "--poll" || name == "--settle") && belongs(kOnWatch)) {
    double* seconds = name == "--poll" ? &command->poll_seconds : &command->settle_seconds;
    if (!value(&text) || !ParseSeconds(text, seconds) || (name == "--poll" && *seconds == 0)) {
      *problem = std::string(name) + " needs a number of seconds";
      return false;
    }
  } else {
    // Named without its value, which may hold a password meant for another command.
    *problem = "unknown option " + std::string(arg.substr(0, equals));
    return false;
  }
  return true;
}

// Splits the arguments after the command word into options and operands; "--" ends the options,
// so that a folder may begin with "-".
bool SplitArguments(const std::vector<std::string>& args, BatchCommand* command,
                    std::vector<std::string>* operands, std::string* problem) {
  bool options_done = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg.size() < 2 || arg[0] != '-') {
      operands->push_back(arg);
    } else if (arg == "--") {
      options_done = true;
    } else if (!ParseOption(args, &i, command, problem)) {
      return false;
    }
  }
  return true;
}

bool TakeOperands(std::vector<std::string> operands, BatchCommand* command, std::string* problem) {
  const std::string_view name = command->kind == BatchCommand::Kind::kList      ? "list"
                                : command->kind == BatchCommand::Kind::kProcess ? "process"
                                : command->kind == BatchCommand::Kind::kWatch   ? "watch"
                                : command->kind == BatchCommand::Kind::kPublish ? "publish"
                                : command->kind == BatchCommand::Kind::kSite    ? "site"
                                                                                : "index";
  // The site's pages are read from the boxscores: index --site needs them too.
  size_t folders = command->kind == BatchCommand::Kind::kIndex && !command->site ? 1 : 2;
  bool takes_keys = command->kind == BatchCommand::Kind::kProcess;
  if (operands.size() < folders) {
    *problem = std::string(name) + (folders == 1 ? " needs OUTPUT"
                                    : command->kind == BatchCommand::Kind::kPublish
                                        ? " needs OUTPUT and DESTINATION"
                                        : " needs INPUT and OUTPUT");
    return false;
  }
  if (!takes_keys && operands.size() > folders) {
    *problem = std::string(name) + ": too many arguments";
    return false;
  }
  if (command->kind == BatchCommand::Kind::kPublish) {
    if (operands.size() != 2) {
      *problem = "publish needs OUTPUT and DESTINATION";
      return false;
    }
    Destination destination;
    command->output_folder = operands[0];
    command->destination = operands[1];
    return ParseDestination(operands[1], &destination, problem);
  }
  if (folders == 2) command->input_folder = operands[0];
  command->output_folder = operands[folders - 1];
  command->keys.assign(operands.begin() + static_cast<long>(folders), operands.end());
  // A key that names no calendar date (20080230) is a typing mistake: no boxscore names it.
  for (const std::string& key : command->keys) {
    if (!ParseDayKey(key)) {
      *problem = "\"" + key + "\" is not a game-day key YYYYMMDD";
      return false;
    }
  }
  return true;
}

void ReportFailure(const Failure& failure, std::ostream& err) {
  err << "Error Encountered " << failure.number << ' ' << failure.description << '\n';
}

// "<n> days to process, <m> days processed, year <caption>", as the window's counters and year
// indicator would show them after this rebuild.
void ReportCounts(const CatalogueResult& result, std::ostream& err) {
  std::string caption = "unchanged";
  if (result.indicator) {
    caption = TrimBlanks(result.indicator->caption);
  }
  err << result.days_in.value_or(0) << " days to process, " << result.days_out.value_or(0)
      << " days processed, year " << caption << '\n';
}

// 52, "Bad file name or number": the first boxscore's name cannot give the days their year.
constexpr int kBadFirstNameNumber = 52;

// Tells why a rebuild listed nothing, when it ended early; false, with the failure, after its
// error exit or when the first boxscore name is not 17 characters long: that lists nothing
// although boxscores wait, which must not pass for a run with nothing to do. The counters are
// told only when counts is true.
bool ReportCatalogueEnd(const CatalogueResult& result, const BatchCommand& command,
                        std::string_view first_input_name, std::ostream& notes, Failure* failure,
                        bool counts = true) {
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

// The catalogue reads the years from the first name of each listing and marks the days of the
// others in any order alike, so "list" sorts no more than it must: each listing only brings
// its least name to the front. Which bad name comes first decides only the error exit, which
// is therefore taken again over fully sorted listings.
CatalogueResult ListDays(CompactListing* input_names, CompactListing* output_names) {
  CatalogueResult result = Get_Dates(input_names->names(), output_names->names());
  if (result.end != CatalogueResult::End::kFailed) return result;
  input_names->Sort();
  output_names->Sort();
  return Get_Dates(input_names->names(), output_names->names());
}

// Every day that has boxscores: the game-day keys that begin their names, each once, in order.
// Taken from the names rather than from the catalogue, which reads every name as a day of the
// first name's year and would make pages without games for the days of other years.
std::vector<std::string> AllDays(const BatchCommand& command,
                                 const std::vector<std::string>& input_names,
                                 std::ostream& notes) {
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

// "2007, 2009".
std::string JoinedYears(const std::set<std::string, std::less<>>& years) {
  std::string text;
  for (const std::string& year : years) text.append(text.empty() ? "" : ", ").append(year);
  return text;
}

// Where the messages that are not failures go: nowhere with --quiet.
std::ostream& NotesOf(const BatchCommand& command, std::ostream& err) {
  static std::ostream nowhere(nullptr);
  return command.quiet ? nowhere : err;
}

int RunListChanged(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  std::vector<std::string> input_names, keys;
  Failure failure;
  if (!ListFolder(command.input_folder, kBoxscorePattern, &input_names, &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
  }
  keys = AllDays(command, input_names, err);
  DayProcessor processor;
  ProcessJob job{command.input_folder, input_names, command.output_folder, command.content_choice,
                 command.charset};
  std::string text;
  for (const std::string& key : keys) {
    bool differs = false;
    if (!processor.PageDiffers(job, key, &differs, &failure)) {
      ReportFailure(failure, err);
      return kExitFailure;
    }
    if (differs) text.append(key).append("\n");
  }
  out << text;
  return kExitSuccess;
}

int RunList(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  if (command.changed_only) return RunListChanged(command, out, err);
  CompactListing input_names, output_names;
  Failure failure;
  if (!ListFolder(command.input_folder, kBoxscorePattern, ListingOrder::kLeastFirst, &input_names,
                  &failure) ||
      !ListFolder(command.output_folder, kDayPagePattern, ListingOrder::kLeastFirst, &output_names,
                  &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
  }
  CatalogueResult result = ListDays(&input_names, &output_names);
  std::string_view first_name = input_names.names().empty() ? "" : input_names.names().front();
  if (!ReportCatalogueEnd(result, command, first_name, err, &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
  }
  if (result.end == CatalogueResult::End::kListed) {
    std::string text;
    for (const std::string& entry : result.entries) text.append(entry).append("\n");
    out << text;
  }
  return kExitSuccess;
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

// One run that writes into the output folder: what it tells, and what it did for the report.
struct Run {
  const BatchCommand& command;
  std::ostream& notes;  // err, or nowhere with --quiet
  std::ostream& err;
  bool show_progress;
  RunReport report;

  void Fail(const Failure& failure) {
    ReportFailure(failure, err);
    report.failures.push_back(failure);
  }
  void Settled(const std::string& path, bool written) {
    (written ? report.written : report.unchanged).push_back(path);
  }
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
  CatalogueResult result = Get_Dates(input_names, output_names);
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

// The pages link the style sheet by its bare name, and nothing here writes it: a site without
// one shows its pages unstyled, which the user should hear of before the world sees it.
void WarnWithoutStyleSheet(Run* run) {
  constexpr std::string_view kStyleSheet = "vuzad.css";
  std::string path = JoinPath(run->command.output_folder, kStyleSheet);
  if (platform::KindOfPath(path) == platform::EntryKind::kMissing) {
    run->notes << "Warning: no " << kStyleSheet << " in " << run->command.output_folder
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

// Writes the standings and team pages from the day pages now in the output folder.
bool SitePass(Run* run) {
  const BatchCommand& command = run->command;
  std::vector<std::string> input_names;
  Failure failure;
  if (!ListFolder(command.input_folder, kBoxscorePattern, &input_names, &failure)) {
    run->Fail(failure);
    return false;
  }
  SiteResult result;
  bool done = WriteSite({command.input_folder, input_names, command.output_folder, command.charset},
                        &result, &failure);
  run->report.site = true;
  if (!result.league_problem.empty()) {
    run->err << "Warning: " << result.league_problem << "; the standings are one table\n";
  }
  for (const std::string& name : result.uncounted) {
    run->notes << "site: " << PrintableName(name)
               << " not counted in the standings: its line score cannot be read\n";
  }
  run->report.uncounted = result.uncounted;
  run->report.site_pages = result.written.size() + result.unchanged.size();
  for (const std::string& path : result.written) run->Settled(path, true);
  for (const std::string& path : result.unchanged) run->Settled(path, false);
  if (!done) run->Fail(failure);
  return done;
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
  CatalogueResult result = Get_Dates(input_names, output_names);
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

// Runs pass with the output folder locked against other writers.
template <typename Pass>
bool Locked(Run* run, Pass pass) {
  FolderLock lock;
  Failure failure;
  if (!lock.Acquire(run->command.output_folder, run->command.lock_wait_seconds, &failure)) {
    run->Fail(failure);
    return false;
  }
  return pass();
}

void EmitReport(const Run& run, std::ostream& out);

// Sends what changed in the output folder to the run's destination, with a bar of the files on
// a terminal; --dry-run prints the files that would go, one a line on out.
bool PublishPass(Run* run, std::ostream& out) {
  const BatchCommand& command = run->command;
  Destination destination;
  std::string problem;
  ParseDestination(command.destination, &destination, &problem);  // checked with the arguments
  destination.allow_plain_ftp = command.allow_plain_ftp;
  // On every run and even with --quiet: the user must not forget that it is so.
  if (command.allow_plain_ftp && destination.scheme == Destination::Scheme::kFtp) {
    run->err << "Warning: --allow-plain-ftp: the password for " << destination.server
             << " travels unencrypted when the server offers no TLS\n";
  }
  bool show_progress = run->show_progress && !command.quiet && !command.dry_run;
  bool drawn = false;
  auto progress = [&](const std::string&, size_t done, size_t total) {
    if (!show_progress) return;
    size_t filled = kProgressWidth * done / total;
    std::string line = "\r[";
    line.append(filled, '#').append(kProgressWidth - filled, ' ').append("] ");
    run->err << line << done << "/" << total << " files sent" << std::flush;
    drawn = true;
  };
  PublishResult result;
  bool done = Publish(command.output_folder, destination, command.dry_run, progress, &result);
  if (drawn) run->err << '\n';
  run->report.destination = destination.url;
  run->report.dry_run = command.dry_run;
  run->report.sent = result.sent;
  run->report.current = result.unchanged;
  // Told even with --quiet: a file the user meant for the site did not go.
  for (const SkippedFile& skipped : result.skipped) {
    run->err << "publish: skipped " << PrintableName(skipped.name) << ": " << skipped.reason
             << '\n';
    run->report.skipped.push_back(skipped.name);
  }
  if (command.dry_run && !command.report_json) {
    std::string text;
    for (const std::string& name : result.sent) text.append(name).append("\n");
    out << text;
  }
  if (command.dry_run && destination.scheme != Destination::Scheme::kFile) {
    run->notes << "publish --dry-run: " << destination.server
               << " was not asked; copies changed or lost there are found only by a real run\n";
  }
  for (const Failure& failure : result.failures) run->Fail(failure);
  if (!done && !result.sent.empty()) {
    run->err << "Sent before the failure:";
    for (const std::string& name : result.sent) run->err << ' ' << PrintableName(name);
    run->err << '\n';
  }
  if (done && !command.dry_run) {
    run->notes << "publish: " << result.sent.size() << " files sent, " << result.unchanged.size()
               << " unchanged, to " << destination.url << '\n';
  }
  if (done) WarnWithoutStyleSheet(run);
  return done;
}

// A run's pass, then publishing when it succeeded and a destination was given.
template <typename Pass>
bool ThenPublish(Run* run, std::ostream& out, Pass pass) {
  return pass() && (run->command.destination.empty() || PublishPass(run, out));
}

int RunPublish(const BatchCommand& command, std::ostream& out, std::ostream& err,
               bool show_progress) {
  Run run{command, NotesOf(command, err), err, show_progress, {"publish"}};
  bool done = Locked(&run, [&run, &out] { return PublishPass(&run, out); });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

void EmitReport(const Run& run, std::ostream& out) {
  if (run.command.report_json) out << ReportJson(run.report) << std::endl;
}

int RunProcess(const BatchCommand& command, std::ostream& out, std::ostream& err,
               bool show_progress) {
  Run run{command, NotesOf(command, err), err, show_progress, {"process"}};
  bool done = Locked(
      &run, [&run, &out] { return ThenPublish(&run, out, [&run] { return ProcessPass(&run); }); });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

int RunIndex(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  Run run{command, NotesOf(command, err), err, false, {"index"}};
  bool done = Locked(&run, [&run] {
    std::vector<std::string> output_names;
    Failure failure;
    if (!ListFolder(run.command.output_folder, kDayPagePattern, &output_names, &failure)) {
      run.Fail(failure);
      return false;
    }
    return (!run.command.site || SitePass(&run)) && WriteIndex(&run, output_names);
  });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

int RunSite(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  Run run{command, NotesOf(command, err), err, false, {"site"}};
  bool done = Locked(&run, [&run] { return SitePass(&run); });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

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
    ListFolder(command.input_folder, kBoxscorePattern, &all, &failure);
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

int RunWatch(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  platform::StopRequests stop;
  platform::FolderWatch events;
  // Where the system tells of no file events, listings are compared as with --poll.
  double poll_seconds = command.poll_seconds > 0 ? command.poll_seconds
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

}  // namespace

bool ParseBatchArguments(const std::vector<std::string>& args, BatchCommand* command,
                         std::string* problem) {
  *command = BatchCommand();
  if (args.empty()) {
    *problem = "no command given";
    return false;
  }
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      command->kind = BatchCommand::Kind::kHelp;
      return true;
    }
  }
  const std::string& word = args[0];
  if (word == "--version" && args.size() == 1) {
    command->kind = BatchCommand::Kind::kVersion;
    return true;
  }
  if (word == "list") {
    command->kind = BatchCommand::Kind::kList;
  } else if (word == "process") {
    command->kind = BatchCommand::Kind::kProcess;
  } else if (word == "index") {
    command->kind = BatchCommand::Kind::kIndex;
  } else if (word == "watch") {
    command->kind = BatchCommand::Kind::kWatch;
  } else if (word == "publish") {
    command->kind = BatchCommand::Kind::kPublish;
  } else if (word == "site") {
    command->kind = BatchCommand::Kind::kSite;
  } else {
    *problem = "unknown command " + word;
    return false;
  }
  std::vector<std::string> operands;
  return SplitArguments(args, command, &operands, problem) &&
         TakeOperands(std::move(operands), command, problem);
}

int RunBatchCommand(const BatchCommand& command, std::ostream& out, std::ostream& err,
                    bool show_progress) {
  switch (command.kind) {
    case BatchCommand::Kind::kHelp:
      out << kUsage << kHelp;
      return kExitSuccess;
    case BatchCommand::Kind::kVersion:
      out << "gamefold-batch " << GAMEFOLD_VERSION << '\n';
      return kExitSuccess;
    case BatchCommand::Kind::kList:
      return RunList(command, out, err);
    case BatchCommand::Kind::kProcess:
      return RunProcess(command, out, err, show_progress);
    case BatchCommand::Kind::kIndex:
      return RunIndex(command, out, err);
    case BatchCommand::Kind::kWatch:
      return RunWatch(command, out, err);
    case BatchCommand::Kind::kPublish:
      return RunPublish(command, out, err, show_progress);
    case BatchCommand::Kind::kSite:
      return RunSite(command, out, err);
  }
  return kExitUsage;
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             bool show_progress) {
  BatchCommand command;
  std::string problem;
  if (!ParseBatchArguments(args, &command, &problem)) {
    err << "gamefold-batch: " << problem << '\n' << kUsage;
    return kExitUsage;
  }
  return RunBatchCommand(command, out, err, show_progress);
}

}  // namespace gamefold
