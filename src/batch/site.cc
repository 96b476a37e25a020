#include "site/site.h"

#include <string>
#include <vector>

#include "batch/batch_internal.h"
#include "batch/command_table.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text.h"
#include "core/text_file.h"

namespace gamefold::batch {

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

int RunSite(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  Run run{command, NotesOf(command, err), err, false, {"site"}};
  bool done = Locked(&run, [&run] { return SitePass(&run); });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

namespace {
constexpr OptionId kSiteOptions[] = {OptionId::kReport, OptionId::kQuiet, OptionId::kCharset};
}  // namespace

const CommandRow kSiteCommand = {
    "site",
    BatchCommand::Kind::kSite,
    "site [--report json] [--quiet] [--charset NAME] INPUT OUTPUT\n",
    "  site     writes the league's standings Standings.htm and a page a team (Team-*.htm) into\n"
    "           OUTPUT from the line scores of the days that have a page there; divisions come\n"
    "           from OUTPUT/league.txt: [Division] lines, each followed by its teams\n",
    kSiteOptions,
    Operands::kInputOutput,
    [](const BatchCommand& command, std::ostream& out, std::ostream& err, bool) {
      return RunSite(command, out, err);
    },
};

}  // namespace gamefold::batch
