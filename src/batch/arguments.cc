#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch.h"
#include "batch/command_table.h"
#include "core/game_day.h"
#include "publish/publish.h"

namespace gamefold {

namespace batch {

namespace {

// The names of the operands a command takes, in order, less the keys.
std::vector<std::string_view> OperandNames(Operands operands, const BatchCommand& command) {
  switch (operands) {
    case Operands::kOutputOrSite:
      // The site's pages are read from the boxscores: index --site needs them too.
      if (!command.site) return {"OUTPUT"};
      [[fallthrough]];
    case Operands::kInputOutput:
    case Operands::kInputOutputKeys:
      return {"INPUT", "OUTPUT"};
    case Operands::kOutputDestination:
      return {"OUTPUT", "DESTINATION"};
  }
  return {};
}

}  // namespace

bool TakeOperands(const CommandRow& row, std::vector<std::string> operands, BatchCommand* command,
                  std::string* problem) {
  std::vector<std::string_view> names = OperandNames(row.operands, *command);
  if (operands.size() < names.size()) {
    problem->assign(row.name).append(" needs ").append(names[0]);
    if (names.size() == 2) problem->append(" and ").append(names[1]);
    return false;
  }
  if (row.operands != Operands::kInputOutputKeys && operands.size() > names.size()) {
    problem->assign(row.name).append(": too many arguments");
    return false;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "INPUT") {
      command->input_folder = operands[i];
    } else if (names[i] == "OUTPUT") {
      command->output_folder = operands[i];
    } else {
      Destination destination;
      if (!ParseDestination(operands[i], &destination, problem)) return false;
      command->destination = operands[i];
      command->parsed_destination = destination;
    }
  }
  command->keys.assign(operands.begin() + static_cast<long>(names.size()), operands.end());
  // A key that names no calendar date (20080230) is a typing mistake: no boxscore names it.
  for (const std::string& key : command->keys) {
    if (!ParseDayKey(key)) {
      *problem = "\"" + key + "\" is not a game-day key YYYYMMDD";
      return false;
    }
  }
  return true;
}

}  // namespace batch

bool ParseBatchArguments(const std::vector<std::string>& args, BatchCommand* command,
                         std::string* problem) {
  *command = BatchCommand();
  if (args.empty()) {
    *problem = "no command given";
    return false;
  }
  // Help wins wherever it stands before "--", whatever else is wrong.
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      command->kind = BatchCommand::Kind::kHelp;
      return true;
    }
  }
  if (args[0] == "--version" && args.size() == 1) {
    command->kind = BatchCommand::Kind::kVersion;
    return true;
  }
  const batch::CommandRow* row = batch::FindCommand(args[0]);
  if (row == nullptr) {
    *problem = "unknown command " + args[0];
    return false;
  }
  command->kind = row->kind;
  return batch::ParseCommandArguments(*row, args, command, problem);
}

}  // namespace gamefold
