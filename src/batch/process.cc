#include "daypages/process.h"

#include "batch/batch_internal.h"
#include "batch/command_table.h"

namespace gamefold::batch {

int RunProcess(const BatchCommand& command, std::ostream& out, std::ostream& err,
               bool show_progress) {
  Run run{command, NotesOf(command, err), err, show_progress, {"process"}};
  DayProcessor processor;
  bool done = Locked(&run, [&run, &out, &processor] {
    return ThenPublish(&run, out, [&run, &processor] { return ProcessPass(&run, &processor); });
  });
  EmitReport(run, out);
  return done ? kExitSuccess : kExitFailure;
}

namespace {
constexpr OptionId kProcessOptions[] = {
    OptionId::kContent, OptionId::kIndex,        OptionId::kAll,     OptionId::kSite,
    OptionId::kReport,  OptionId::kQuiet,        OptionId::kCharset, OptionId::kDurable,
    OptionId::kPublish, OptionId::kAllowPlainFtp};
}  // namespace

const CommandRow kProcessCommand = {
    "process",
    BatchCommand::Kind::kProcess,
    "process [--content 1|2|3] [--index] [--all] [OPTIONS] INPUT OUTPUT [KEY...]\n",
    "  process  writes the page of each KEY (YYYYMMDD), in the order given; without KEY, of\n"
    "           every day that list prints of the first boxscore's year (other years: --all);\n"
    "           a day without boxscores fails\n"
    "    --content 1   boxscores only (the default)\n"
    "    --content 2   boxscores and scoresheets\n"
    "    --content 3   boxscores, scoresheets and logs\n"
    "    --index       then writes the month index GamesIndex.htm as well\n"
    "    --all         every day that has boxscores; pages whose bytes stay the same are\n"
    "                  left untouched\n",
    kProcessOptions,
    Operands::kInputOutputKeys,
    RunProcess,
};

}  // namespace gamefold::batch
