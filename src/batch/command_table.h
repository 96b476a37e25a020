#pragma once

// gamefold-batch's commands as one table: each row names its command, its lines of the usage
// text and of --help, the options and operands it takes and the function that runs it. The
// rows live in the commands' own files; options are declared once, in options.cc.

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch.h"

namespace gamefold::batch {

/// The options of gamefold-batch; which command takes which is said by the command's row.
enum class OptionId {
  kChanged,
  kContent,
  kIndex,
  kAll,
  kSite,
  kPoll,
  kSettle,
  kDryRun,
  kAllowPlainFtp,
  kReport,
  kQuiet,
  kCharset,
  kDurable,
  kPublish,
};

/// The operands a command takes, in order.
enum class Operands {
  kInputOutput,        // INPUT OUTPUT
  kInputOutputKeys,    // INPUT OUTPUT [KEY...]
  kOutputOrSite,       // OUTPUT; with --site INPUT OUTPUT, for the site is read from the boxscores
  kOutputDestination,  // OUTPUT DESTINATION
};

/// One command of gamefold-batch.
struct CommandRow {
  std::string_view name;
  BatchCommand::Kind kind;
  /// Its lines of the usage text, each without "gamefold-batch "; a line that goes on from the
  /// one before begins with blanks, aligned under the command's name.
  std::string_view synopsis;
  /// Its part of --help.
  std::string_view help;
  std::span<const OptionId> options;
  Operands operands;
  /// Runs the parsed command; returns the exit status.
  int (*run)(const BatchCommand& command, std::ostream& out, std::ostream& err, bool show_progress);
};

extern const CommandRow kListCommand;
extern const CommandRow kProcessCommand;
extern const CommandRow kIndexCommand;
extern const CommandRow kWatchCommand;
extern const CommandRow kSiteCommand;
extern const CommandRow kPublishCommand;

/// Every command, in the order the usage text and --help tell them.
std::span<const CommandRow* const> CommandTable();

/// The row of the command named name; nullptr when there is none.
const CommandRow* FindCommand(std::string_view name);

/// The row of the command of kind; nullptr for --help and --version.
const CommandRow* CommandOfKind(BatchCommand::Kind kind);

/// The usage text: every command's synopsis, then --help and --version.
std::string UsageText();

/// --help's text after the usage text.
std::string HelpText();

/// Every spelling of the options row declares ("--content", "-q", "--quiet", ...).
std::vector<std::string> OptionSpellings(const CommandRow& row);

/// Takes operands into command as row's operands say; false with the problem.
bool TakeOperands(const CommandRow& row, std::vector<std::string> operands, BatchCommand* command,
                  std::string* problem);

/// Reads args (the command word first) into command by row's declaration; false with the
/// problem, told as the usage error.
bool ParseCommandArguments(const CommandRow& row, const std::vector<std::string>& args,
                           BatchCommand* command, std::string* problem);

}  // namespace gamefold::batch
