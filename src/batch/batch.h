#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/content_choice.h"
#include "publish/publish.h"

namespace gamefold {

/// Exit statuses of gamefold-batch.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

/// One call of gamefold-batch, as its arguments ask for it.
struct BatchCommand {
  enum class Kind { kHelp, kVersion, kList, kProcess, kIndex, kWatch, kPublish, kSite };
  Kind kind = Kind::kHelp;
  ContentChoice content_choice = ContentChoice::kBoxscores;
  bool write_index = false;
  bool all_days = false;          // process, watch: every day with boxscores, not only the new ones
  bool changed_only = false;      // list: the days whose page is missing or would change
  bool report_json = false;       // one JSON object per run on out
  bool quiet = false;             // nothing on err but failures
  std::string charset;            // declared in every page written, when not empty
  bool durable = false;           // pages reach the disk before they are reported written
  bool site = false;              // process, index, watch: the standings and team pages as well
  double poll_seconds = 0;        // watch: 0 waits for file events, else compares listings so often
  double settle_seconds = 10;     // watch: how long a day's files must stay quiet
  double lock_wait_seconds = 60;  // how long to wait for another run writing the same folder
  std::string destination;        // publish's DESTINATION, or where process and watch publish to
  /// destination as read when the arguments were; RunBatchCommand reads it again from the text,
  /// and publishing goes only where it says.
  std::optional<Destination> parsed_destination;
  bool dry_run = false;           // publish: tells what would be sent, sends nothing
  bool allow_plain_ftp = false;   // an ftp:// destination may log in without TLS
  std::string input_folder;
  std::string output_folder;
  std::vector<std::string> keys;
};

/// Reads the arguments (without the program name) into command; false on bad usage, with what
/// is wrong in *problem.
[[nodiscard]] bool ParseBatchArguments(const std::vector<std::string>& args, BatchCommand* command,
                                       std::string* problem);

/// Runs a parsed command: results on out, messages (and, when show_progress, a progress bar) on
/// err. Returns the exit status.
int RunBatchCommand(const BatchCommand& command, std::ostream& out, std::ostream& err,
                    bool show_progress);

/// Parses and runs; bad usage prints the problem and the usage text on err and gives kExitUsage.
int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             bool show_progress);

}  // namespace gamefold
