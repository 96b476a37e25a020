#include "batch/batch_internal.h"
#include "batch/command_table.h"
#include "runs/runs.h"

namespace gamefold::batch {

int IndexCommand(const BatchCommand& command, std::ostream& out, std::ostream& err,
                 const OutputSettings& settings, bool index_page) {
  Run run{command, NotesOf(command, err), err, false, {index_page ? "index" : "site"}};
  bool done = Locked(&run, [&run, &settings, index_page] {
    RunResult result;
    // Finished tells the failure that the result holds.
    (void)IndexRun(PlaceOf(run.command), settings, index_page, CommonEvents(&run), &result);
    return Finished(&run, result);
  });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

int RunIndex(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  return IndexCommand(command, out, err, SettingsOf(command), true);
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
