#include "batch/batch.h"

#include <string>
#include <string_view>

#include "batch/batch_internal.h"

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

}  // namespace

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
      return batch::RunList(command, out, err);
    case BatchCommand::Kind::kProcess:
      return batch::RunProcess(command, out, err, show_progress);
    case BatchCommand::Kind::kIndex:
      return batch::RunIndex(command, out, err);
    case BatchCommand::Kind::kWatch:
      return batch::RunWatch(command, out, err);
    case BatchCommand::Kind::kPublish:
      return batch::RunPublish(command, out, err, show_progress);
    case BatchCommand::Kind::kSite:
      return batch::RunSite(command, out, err);
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
