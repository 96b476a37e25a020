#include "batch/batch_internal.h"
#include "batch/command_table.h"
#include "runs/runs.h"

namespace gamefold::batch {

int RunIndex(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  Run run{command, NotesOf(command, err), err, false, {"index"}};
  bool done = Locked(&run, [&run] {
    RunResult result;
    // Finished tells the failure that the result holds.
    (void)IndexRun(PlaceOf(run.command), SettingsOf(run.command), true, CommonEvents(&run),
                   &result);
    return Finished(&run, result);
  });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

namespace {
constexpr OptionId kIndexOptions[] = {OptionId::kSite, OptionId::kReport, OptionId::kQuiet,
                                      OptionId::kCharset, OptionId::kDurable};
}  // namespace

const CommandRow kIndexCommand = {
    "index",
    BatchCommand::Kind::kIndex,
    "index [OPTIONS] OUTPUT\n"
    "index --site [OPTIONS] INPUT OUTPUT\n",
    "  index    writes the month index GamesIndex.htm from the pages in OUTPUT\n",
    kIndexOptions,
    Operands::kOutputOrSite,
    [](const BatchCommand& command, std::ostream& out, std::ostream& err, bool) {
      return RunIndex(command, out, err);
    },
};

}  // namespace gamefold::batch
