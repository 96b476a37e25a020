#include "batch/batch.h"

#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "monthindex/index_page.h"

namespace gamefold {

namespace {

constexpr std::string_view kUsage =
    "usage: gamefold-batch list INPUT OUTPUT\n"
    "       gamefold-batch process [--content 1|2|3] [--index] INPUT OUTPUT [KEY...]\n"
    "       gamefold-batch index OUTPUT\n"
    "       gamefold-batch --help | --version\n";

constexpr std::string_view kHelp =
    "\n"
    "Turns the boxscore files (*.BOX) of INPUT into day pages GamesOfYYYYMMDD.htm in OUTPUT.\n"
    "\n"
    "  list     prints the game days that have boxscores but no page yet, one key a line\n"
    "  process  writes the page of each KEY (YYYYMMDD), in the order given; without KEY, of\n"
    "           every day that list prints\n"
    "    --content 1   boxscores only (the default)\n"
    "    --content 2   boxscores and scoresheets\n"
    "    --content 3   boxscores, scoresheets and logs\n"
    "    --index       then writes the month index GamesIndex.htm as well\n"
    "  index    writes the month index GamesIndex.htm from the pages in OUTPUT\n"
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

// The options of "process"; false with the problem when one is unknown or lacks its value.
bool ParseProcessOption(const std::vector<std::string>& args, size_t* i, BatchCommand* command,
                        std::string* problem) {
  std::string_view arg = args[*i];
  if (arg == "--index") {
    command->write_index = true;
    return true;
  }
  if (arg == "--content" || arg.starts_with("--content=")) {
    std::string_view value;
    if (arg == "--content") {
      if (*i + 1 == args.size()) {
        *problem = "--content needs 1, 2 or 3";
        return false;
      }
      value = args[++*i];
    } else {
      value = arg.substr(std::string_view("--content=").size());
    }
    if (!ParseContentChoice(value, &command->content_choice)) {
      *problem = "--content needs 1, 2 or 3, not \"" + std::string(value) + "\"";
      return false;
    }
    return true;
  }
  *problem = "unknown option " + std::string(arg);
  return false;
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
    } else if (command->kind != BatchCommand::Kind::kProcess) {
      *problem = "unknown option " + arg;
      return false;
    } else if (!ParseProcessOption(args, &i, command, problem)) {
      return false;
    }
  }
  return true;
}

bool TakeOperands(std::vector<std::string> operands, BatchCommand* command, std::string* problem) {
  const std::string_view name = command->kind == BatchCommand::Kind::kList      ? "list"
                                : command->kind == BatchCommand::Kind::kProcess ? "process"
                                                                                : "index";
  size_t folders = command->kind == BatchCommand::Kind::kIndex ? 1 : 2;
  bool takes_keys = command->kind == BatchCommand::Kind::kProcess;
  if (operands.size() < folders) {
    *problem = std::string(name) + (folders == 1 ? " needs OUTPUT" : " needs INPUT and OUTPUT");
    return false;
  }
  if (!takes_keys && operands.size() > folders) {
    *problem = std::string(name) + ": too many arguments";
    return false;
  }
  if (folders == 2) command->input_folder = operands[0];
  command->output_folder = operands[folders - 1];
  command->keys.assign(operands.begin() + static_cast<long>(folders), operands.end());
  for (const std::string& key : command->keys) {
    if (!IsDayKey(key)) {
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

// Tells why a rebuild listed nothing, when it ended early; false after its error exit.
bool ReportCatalogueEnd(const CatalogueResult& result, const BatchCommand& command,
                        std::string_view first_input_name, std::ostream& err) {
  switch (result.end) {
    case CatalogueResult::End::kNoBoxscores:
      err << "No boxscore files (*.BOX) in " << command.input_folder << ": no days listed\n";
      return true;
    case CatalogueResult::End::kFileError:
      err << "File Error in Boxes " << first_input_name
          << ": the first boxscore name is not 17 characters long, so no days are listed\n";
      return true;
    case CatalogueResult::End::kFailed:
      ReportFailure(result.failure, err);
      return false;
    case CatalogueResult::End::kListed:
      if (!result.notice.empty()) err << "Warning: " << result.notice << '\n';
      ReportCounts(result, err);
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

int RunList(const BatchCommand& command, std::ostream& out, std::ostream& err) {
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
  if (!ReportCatalogueEnd(result, command, first_name, err)) return kExitFailure;
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

// Writes the page of every key, in order; stops at the first failure, keeping the pages done.
bool ProcessDays(const BatchCommand& command, const std::vector<std::string>& input_names,
                 const std::vector<std::string>& keys, std::ostream& err, bool show_progress) {
  Progress progress(err, show_progress, keys.size(),
                    show_progress ? CountGames(input_names, keys) : 0);
  ProcessEvents events;
  events.reading_file = [&progress](const std::string&) { progress.GameRead(); };
  events.day_done = [&progress](std::string_view, size_t) { progress.DayWritten(); };
  DayProcessor processor;
  Failure failure;
  ProcessJob job{command.input_folder, input_names, command.output_folder, command.content_choice};
  bool all_done = processor.ProcessDays(job, keys, events, &failure) == keys.size();
  progress.Finish();
  if (!all_done) ReportFailure(failure, err);
  return all_done;
}

// The days to process: those given, or else every day the catalogue lists.
bool DaysToProcess(const BatchCommand& command, const std::vector<std::string>& input_names,
                   std::vector<std::string>* keys, std::ostream& err) {
  if (!command.keys.empty()) {
    *keys = command.keys;
    return true;
  }
  std::vector<std::string> output_names;
  Failure failure;
  if (!ListFolder(command.output_folder, kDayPagePattern, &output_names, &failure)) {
    ReportFailure(failure, err);
    return false;
  }
  CatalogueResult result = Get_Dates(input_names, output_names);
  if (result.end == CatalogueResult::End::kListed) {
    for (const std::string& entry : result.entries) keys->emplace_back(DayKeyOf(entry));
    return true;
  }
  std::string_view first_name = input_names.empty() ? "" : std::string_view(input_names.front());
  return ReportCatalogueEnd(result, command, first_name, err);
}

int RunProcess(const BatchCommand& command, std::ostream& err, bool show_progress) {
  std::vector<std::string> input_names;
  Failure failure;
  if (!ListFolder(command.input_folder, kBoxscorePattern, &input_names, &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
  }
  std::vector<std::string> keys;
  if (!DaysToProcess(command, input_names, &keys, err)) return kExitFailure;
  if (!ProcessDays(command, input_names, keys, err, show_progress)) return kExitFailure;

  // As after "&PROCESS": the output folder is listed afresh and the catalogue rebuilt, and the
  // index is made from that same listing.
  std::vector<std::string> output_names;
  if (!ListFolder(command.output_folder, kDayPagePattern, &output_names, &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
  }
  CatalogueResult result = Get_Dates(input_names, output_names);
  if (result.end == CatalogueResult::End::kFailed) {
    ReportFailure(result.failure, err);
    return kExitFailure;
  }
  if (result.end == CatalogueResult::End::kListed) ReportCounts(result, err);
  if (command.write_index && !WriteIndexPage(command.output_folder, output_names, &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
  }
  return kExitSuccess;
}

int RunIndex(const BatchCommand& command, std::ostream& err) {
  std::vector<std::string> output_names;
  Failure failure;
  if (!ListFolder(command.output_folder, kDayPagePattern, &output_names, &failure) ||
      !WriteIndexPage(command.output_folder, output_names, &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
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
      return RunProcess(command, err, show_progress);
    case BatchCommand::Kind::kIndex:
      return RunIndex(command, err);
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
