#include "batch/batch.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "batch/batch_internal.h"
#include "batch/command_table.h"
#include "publish/publish.h"

namespace gamefold {

namespace batch {

namespace {

constexpr const CommandRow* kCommands[] = {&kListCommand,  &kProcessCommand, &kIndexCommand,
                                           &kWatchCommand, &kSiteCommand,    &kPublishCommand};

constexpr std::string_view kHelpStart =
    "\n"
    "Turns the boxscore files (*.BOX) of INPUT into day pages GamesOfYYYYMMDD.htm in OUTPUT.\n"
    "\n";

constexpr std::string_view kHelpEnd =
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

// The destination of a command as it will be used: read again from its text, so that one
// built in code never publishes to what a failed or forgotten reading left behind.
bool CheckDestination(BatchCommand* command, std::string* problem) {
  command->parsed_destination.reset();
  if (command->destination.empty()) {
    if (command->kind != BatchCommand::Kind::kPublish) return true;
    *problem = "publish needs OUTPUT and DESTINATION";
    return false;
  }
  Destination destination;
  if (!ParseDestination(command->destination, &destination, problem)) return false;
  command->parsed_destination = destination;
  return true;
}

}  // namespace

std::span<const CommandRow* const> CommandTable() { return kCommands; }

const CommandRow* FindCommand(std::string_view name) {
  auto row = std::find_if(std::begin(kCommands), std::end(kCommands),
                          [name](const CommandRow* one) { return one->name == name; });
  return row == std::end(kCommands) ? nullptr : *row;
}

const CommandRow* CommandOfKind(BatchCommand::Kind kind) {
  auto row = std::find_if(std::begin(kCommands), std::end(kCommands),
                          [kind](const CommandRow* one) { return one->kind == kind; });
  return row == std::end(kCommands) ? nullptr : *row;
}

std::string UsageText() {
  constexpr std::string_view kProgram = "gamefold-batch ";
  const std::string indent(std::string_view("usage: ").size() + kProgram.size(), ' ');
  std::string text;
  auto add_line = [&](std::string_view line) {
    if (line.starts_with(' ')) {
      text.append(indent);
    } else {
      text.append(text.empty() ? "usage: " : "       ").append(kProgram);
    }
    text.append(line).append("\n");
  };
  for (const CommandRow* row : kCommands) {
    std::string_view lines = row->synopsis;
    while (!lines.empty()) {
      size_t end = lines.find('\n');
      add_line(lines.substr(0, end));
      lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    }
  }
  add_line("--help | --version");
  return text;
}

std::string HelpText() {
  std::string text(kHelpStart);
  for (const CommandRow* row : kCommands) text.append(row->help);
  return text.append(kHelpEnd);
}

}  // namespace batch

int RunBatchCommand(const BatchCommand& command, std::ostream& out, std::ostream& err,
                    bool show_progress) {
  if (command.kind == BatchCommand::Kind::kHelp) {
    out << batch::UsageText() << batch::HelpText();
    return kExitSuccess;
  }
  if (command.kind == BatchCommand::Kind::kVersion) {
    out << "gamefold-batch " << GAMEFOLD_VERSION << '\n';
    return kExitSuccess;
  }
  const batch::CommandRow* row = batch::CommandOfKind(command.kind);
  BatchCommand checked = command;
  std::string problem;
  if (row == nullptr) return kExitUsage;
  if (!batch::CheckDestination(&checked, &problem)) {
    err << "gamefold-batch: " << problem << '\n';
    return kExitUsage;
  }
  return row->run(checked, out, err, show_progress);
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             bool show_progress) {
  BatchCommand command;
  std::string problem;
  if (!ParseBatchArguments(args, &command, &problem)) {
    err << "gamefold-batch: " << problem << '\n' << batch::UsageText();
    return kExitUsage;
  }
  return RunBatchCommand(command, out, err, show_progress);
}

}  // namespace gamefold
