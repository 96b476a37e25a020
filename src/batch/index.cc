#include <string>
#include <vector>

#include "batch/batch_internal.h"
#include "batch/command_table.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text_file.h"

namespace gamefold::batch {

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
