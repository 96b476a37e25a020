#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch.h"
#include "core/game_day.h"
#include "core/text.h"
#include "publish/publish.h"

namespace gamefold {

namespace {

// Seconds as a decimal number from 0 to a day; fractions let tests wait briefly.
bool ParseSeconds(std::string_view text, double* seconds) {
  if (text.empty() || text.size() > 12) return false;
  size_t dots = 0;
  for (char c : text) {
    if (c == '.') {
      ++dots;
    } else if (!IsDigit(c)) {
      return false;
    }
  }
  if (dots > 1 || text == ".") return false;
  *seconds = std::stod(std::string(text));
  return *seconds <= 86400;
}

// The commands an option belongs to.
enum CommandSet : unsigned {
  kOnList = 1,
  kOnProcess = 2,
  kOnIndex = 4,
  kOnWatch = 8,
  kOnPublish = 16,
  kOnSite = 32,
};

unsigned SetOf(BatchCommand::Kind kind) {
  switch (kind) {
    case BatchCommand::Kind::kList:
      return kOnList;
    case BatchCommand::Kind::kProcess:
      return kOnProcess;
    case BatchCommand::Kind::kIndex:
      return kOnIndex;
    case BatchCommand::Kind::kWatch:
      return kOnWatch;
    case BatchCommand::Kind::kPublish:
      return kOnPublish;
    case BatchCommand::Kind::kSite:
      return kOnSite;
    default:
      return 0;
  }
}

// One option of the command; false with the problem when it is unknown there, lacks its value
// or has a bad one.
bool ParseOption(const std::vector<std::string>& args, size_t* i, BatchCommand* command,
                 std::string* problem) {
  std::string_view arg = args[*i];
  size_t equals = arg.find('=');
  std::string_view name = arg.substr(0, equals);
  unsigned on = SetOf(command->kind);
  auto belongs = [&](unsigned commands) { return (commands & on) != 0; };
  // The value after "=" or in the next argument; false when there is none.
  auto value = [&](std::string_view* text) {
    if (equals != std::string_view::npos) {
      *text = arg.substr(equals + 1);
      return true;
    }
    if (*i + 1 == args.size()) return false;
    *text = args[++*i];
    return true;
  };
  bool takes_value = name == "--content" || name == "--charset" || name == "--report" ||
                     name == "--poll" || name == "--settle" || name == "--publish";
  if (!takes_value && equals != std::string_view::npos) name = arg;
  std::string_view text;
  if (name == "--index" && belongs(kOnProcess | kOnWatch)) {
    command->write_index = true;
  } else if (name == "--site" && belongs(kOnProcess | kOnIndex | kOnWatch)) {
    command->site = true;
  } else if (name == "--all" && belongs(kOnProcess | kOnWatch)) {
    command->all_days = true;
  } else if (name == "--changed" && belongs(kOnList)) {
    command->changed_only = true;
  } else if (name == "--dry-run" && belongs(kOnPublish)) {
    command->dry_run = true;
  } else if (name == "--allow-plain-ftp" && belongs(kOnProcess | kOnWatch | kOnPublish)) {
    command->allow_plain_ftp = true;
  } else if (name == "--publish" && belongs(kOnProcess | kOnWatch)) {
    Destination destination;
    if (!value(&text)) {
      *problem = "--publish needs a DESTINATION";
      return false;
    }
    if (!ParseDestination(text, &destination, problem)) return false;
    command->destination = std::string(text);
  } else if ((name == "-q" || name == "--quiet") &&
             belongs(kOnProcess | kOnIndex | kOnWatch | kOnPublish | kOnSite)) {
    command->quiet = true;
  } else if (name == "--durable" && belongs(kOnProcess | kOnIndex | kOnWatch)) {
    command->durable = true;
  } else if (name == "--content" && belongs(kOnList | kOnProcess | kOnWatch)) {
    if (!value(&text)) {
      *problem = "--content needs 1, 2 or 3";
      return false;
    }
    std::optional<ContentChoice> choice = ParseContentChoice(text);
    if (!choice) {
      *problem = "--content needs 1, 2 or 3, not \"" + std::string(text) + "\"";
      return false;
    }
    command->content_choice = *choice;
  } else if (name == "--charset" && belongs(kOnList | kOnProcess | kOnIndex | kOnWatch | kOnSite)) {
    if (!value(&text) || !IsCharsetName(text)) {
      *problem = "--charset needs a character set name such as utf-8";
      return false;
    }
    command->charset = std::string(text);
  } else if (name == "--report" &&
             belongs(kOnProcess | kOnIndex | kOnWatch | kOnPublish | kOnSite)) {
    if (!value(&text) || text != "json") {
      *problem = "--report needs json";
      return false;
    }
    command->report_json = true;
  } else if ((name == "--poll" || name == "--settle") && belongs(kOnWatch)) {
    double* seconds = name == "--poll" ? &command->poll_seconds : &command->settle_seconds;
    if (!value(&text) || !ParseSeconds(text, seconds) || (name == "--poll" && *seconds == 0)) {
      *problem = std::string(name) + " needs a number of seconds";
      return false;
    }
  } else {
    // Named without its value, which may hold a password meant for another command.
    *problem = "unknown option " + std::string(arg.substr(0, equals));
    return false;
  }
  return true;
}

// Splits the arguments after the command word into options and operands; "--" ends the options,
// so that a folder may begin with "-".
bool SplitArguments(const std::vector<std::string>& args, BatchCommand* command,
                    std::vector<std::string>* operands, std::string* problem) {
  bool options_done = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg.size() < 2 || arg[0] != '-') {
      operands->push_back(arg);
    } else if (arg == "--") {
      options_done = true;
    } else if (!ParseOption(args, &i, command, problem)) {
      return false;
    }
  }
  return true;
}

bool TakeOperands(std::vector<std::string> operands, BatchCommand* command, std::string* problem) {
  const std::string_view name = command->kind == BatchCommand::Kind::kList      ? "list"
                                : command->kind == BatchCommand::Kind::kProcess ? "process"
                                : command->kind == BatchCommand::Kind::kWatch   ? "watch"
                                : command->kind == BatchCommand::Kind::kPublish ? "publish"
                                : command->kind == BatchCommand::Kind::kSite    ? "site"
                                                                                : "index";
  // The site's pages are read from the boxscores: index --site needs them too.
  size_t folders = command->kind == BatchCommand::Kind::kIndex && !command->site ? 1 : 2;
  bool takes_keys = command->kind == BatchCommand::Kind::kProcess;
  if (operands.size() < folders) {
    *problem = std::string(name) + (folders == 1 ? " needs OUTPUT"
                                    : command->kind == BatchCommand::Kind::kPublish
                                        ? " needs OUTPUT and DESTINATION"
                                        : " needs INPUT and OUTPUT");
    return false;
  }
  if (!takes_keys && operands.size() > folders) {
    *problem = std::string(name) + ": too many arguments";
    return false;
  }
  if (command->kind == BatchCommand::Kind::kPublish) {
    if (operands.size() != 2) {
      *problem = "publish needs OUTPUT and DESTINATION";
      return false;
    }
    Destination destination;
    command->output_folder = operands[0];
    command->destination = operands[1];
    return ParseDestination(operands[1], &destination, problem);
  }
  if (folders == 2) command->input_folder = operands[0];
  command->output_folder = operands[folders - 1];
  command->keys.assign(operands.begin() + static_cast<long>(folders), operands.end());
  // A key that names no calendar date (20080230) is a typing mistake: no boxscore names it.
  for (const std::string& key : command->keys) {
    if (!ParseDayKey(key)) {
      *problem = "\"" + key + "\" is not a game-day key YYYYMMDD";
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseBatchArguments(const std::vector<std::string>& args, BatchCommand* command,
                         std::string* problem) {
  *command = BatchCommand();
  if (args.empty()) {
    *problem = "no command given";
    return false;
  }
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      command->kind = BatchCommand::Kind::kHelp;
      return true;
    }
  }
  const std::string& word = args[0];
  if (word == "--version" && args.size() == 1) {
    command->kind = BatchCommand::Kind::kVersion;
    return true;
  }
  if (word == "list") {
    command->kind = BatchCommand::Kind::kList;
  } else if (word == "process") {
    command->kind = BatchCommand::Kind::kProcess;
  } else if (word == "index") {
    command->kind = BatchCommand::Kind::kIndex;
  } else if (word == "watch") {
    command->kind = BatchCommand::Kind::kWatch;
  } else if (word == "publish") {
    command->kind = BatchCommand::Kind::kPublish;
  } else if (word == "site") {
    command->kind = BatchCommand::Kind::kSite;
  } else {
    *problem = "unknown command " + word;
    return false;
  }
  std::vector<std::string> operands;
  return SplitArguments(args, command, &operands, problem) &&
         TakeOperands(std::move(operands), command, problem);
}

}  // namespace gamefold
