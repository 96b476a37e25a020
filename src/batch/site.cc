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

// What the site's pages came to; league.txt's fault even with --quiet: the standings are not
// what the user meant.
void ShowSite(Run* run, const SiteResult& result) {
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
}

int RunSite(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  OutputSettings settings = SettingsOf(command);
  settings.site = true;
  return IndexCommand(command, out, err, settings, false);
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
