// The options of gamefold-batch, each declared once with its spelling, its check and the text
// that tells what it needs. CLI11 matches them; the messages stay this program's own.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "batch/command_table.h"
#include "core/content_choice.h"
#include "core/text.h"
#include "publish/publish.h"

namespace gamefold::batch {

namespace {

// A value an option refuses, with the message that tells so; thrown from CLI11's callbacks.
struct UsageProblem : std::runtime_error {
  using std::runtime_error::runtime_error;
};

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

void Flag(CLI::App* app, const std::string& names, bool* set) {
  app->add_flag_callback(names, [set] { *set = true; })->trigger_on_parse();
}

// An option with a value. needs tells what it takes, when it is missing or refused; take
// reads the value, false when it is refused. Each value is taken where it stands, so that
// the first bad argument is the one told.
template <typename Take>
void Valued(CLI::App* app, const std::string& name, const std::string& needs, Take take) {
  app->add_option_function<std::string>(
         name,
         [needs, take](const std::string& value) {
           if (!take(value)) throw UsageProblem(needs);
         },
         needs)
      ->trigger_on_parse();
}

void Declare(CLI::App* app, OptionId id, BatchCommand* command) {
  switch (id) {
    case OptionId::kChanged:
      return Flag(app, "--changed", &command->changed_only);
    case OptionId::kIndex:
      return Flag(app, "--index", &command->write_index);
    case OptionId::kAll:
      return Flag(app, "--all", &command->all_days);
    case OptionId::kSite:
      return Flag(app, "--site", &command->site);
    case OptionId::kDryRun:
      return Flag(app, "--dry-run", &command->dry_run);
    case OptionId::kAllowPlainFtp:
      return Flag(app, "--allow-plain-ftp", &command->allow_plain_ftp);
    case OptionId::kQuiet:
      return Flag(app, "-q,--quiet", &command->quiet);
    case OptionId::kDurable:
      return Flag(app, "--durable", &command->durable);
    case OptionId::kContent:
      return Valued(app, "--content", "--content needs 1, 2 or 3", [command](std::string_view v) {
        std::optional<ContentChoice> choice = ParseContentChoice(v);
        if (choice) {
          command->content_choice = *choice;
          return true;
        }
        throw UsageProblem(std::string("--content needs 1, 2 or 3, not \"").append(v).append("\""));
      });
    case OptionId::kCharset:
      return Valued(app, "--charset", "--charset needs a character set name such as utf-8",
                    [command](std::string_view v) {
                      command->charset = std::string(v);
                      return IsCharsetName(v);
                    });
    case OptionId::kReport:
      return Valued(app, "--report", "--report needs json",
                    [command](std::string_view v) { return command->report_json = v == "json"; });
    case OptionId::kPoll:
      return Valued(app, "--poll", "--poll needs a number of seconds",
                    [command](std::string_view v) {
                      return ParseSeconds(v, &command->poll_seconds) && command->poll_seconds > 0;
                    });
    case OptionId::kSettle:
      return Valued(
          app, "--settle", "--settle needs a number of seconds",
          [command](std::string_view v) { return ParseSeconds(v, &command->settle_seconds); });
    case OptionId::kPublish:
      return Valued(app, "--publish", "--publish needs a DESTINATION",
                    [command](std::string_view v) {
                      std::string problem;
                      Destination destination;
                      if (!ParseDestination(v, &destination, &problem)) throw UsageProblem(problem);
                      command->destination = std::string(v);
                      command->parsed_destination = destination;
                      return true;
                    });
  }
}

// The command's parser: its options, and every other argument an operand.
void DeclareCommand(const CommandRow& row, CLI::App* app, BatchCommand* command,
                    std::vector<std::string>* operands) {
  app->set_help_flag();
  // Else on Windows "/name" would be an option, and an absolute path an unknown one.
  app->allow_windows_style_options(false);
  // Unknown options are told in this program's words, named without their value.
  app->allow_extras();
  for (OptionId id : row.options) Declare(app, id, command);
  app->add_option("operands", *operands)->expected(0, -1);
}

// "--name=value" is as "--name value" for an option with a value, an empty value included
// (CLI11 would take the next argument for it); a flag given a value is unknown as such.
bool SplitValues(const CLI::App& app, const std::vector<std::string>& args,
                 std::vector<std::string>* split, std::string* problem) {
  for (auto arg = args.begin(); arg != args.end(); ++arg) {
    if (*arg == "--") {
      split->insert(split->end(), arg, args.end());
      break;
    }
    size_t equals = arg->find('=');
    const CLI::Option* option = arg->starts_with("--") && equals != std::string::npos
                                    ? app.get_option_no_throw(arg->substr(0, equals))
                                    : nullptr;
    if (option == nullptr) {
      split->push_back(*arg);
    } else if (option->get_expected_max() == 0) {
      *problem = "unknown option " + arg->substr(0, equals);
      return false;
    } else {
      split->push_back(arg->substr(0, equals));
      split->push_back(arg->substr(equals + 1));
    }
  }
  return true;
}

// CLI11 reads "-qx" as -q and then -x, and keeps "-x" unknown: the user is told of the
// argument as given.
std::string AsGiven(const std::vector<std::string>& args, const std::string& unknown) {
  if (unknown.starts_with("--") || std::find(args.begin(), args.end(), unknown) != args.end()) {
    return unknown;
  }
  for (const std::string& arg : args) {
    if (arg.size() > unknown.size() && arg[0] == '-' && arg[1] != '-' &&
        arg.ends_with(std::string_view(unknown).substr(1))) {
      return arg;
    }
  }
  return unknown;
}

// An argument CLI11 did not take, or an operand before "--" that looks like an option ("-1",
// which CLI11 takes for a negative number): unknown, named without its value, which may hold a
// password meant for another command.
bool RefuseUnknown(const CLI::App& app, const std::vector<std::string>& args,
                   const std::vector<std::string>& operands, std::string* problem) {
  std::vector<std::string> unknown;
  for (const std::string& arg : app.remaining()) {
    if (arg != "--") unknown.push_back(AsGiven(args, arg));
  }
  auto mark = std::find(args.begin(), args.end(), "--");
  size_t after_mark = mark == args.end() ? 0 : static_cast<size_t>(args.end() - mark - 1);
  for (size_t i = 0; i + after_mark < operands.size(); ++i) {
    if (operands[i].size() > 1 && operands[i][0] == '-') unknown.push_back(operands[i]);
  }
  if (unknown.empty()) return true;
  *problem = "unknown option " + unknown.front().substr(0, unknown.front().find('='));
  return false;
}

}  // namespace

bool ParseCommandArguments(const CommandRow& row, const std::vector<std::string>& args,
                           BatchCommand* command, std::string* problem) {
  CLI::App app;
  std::vector<std::string> operands, split;
  DeclareCommand(row, &app, command, &operands);
  if (!SplitValues(app, {args.begin() + 1, args.end()}, &split, problem)) return false;
  std::vector<std::string> reversed(split.rbegin(), split.rend());
  try {
    app.parse(reversed);
  } catch (const UsageProblem& refused) {
    // An unknown option before the refused value is the first mistake, and told as such.
    if (RefuseUnknown(app, split, {}, problem)) *problem = refused.what();
    return false;
  } catch (const CLI::ArgumentMismatch&) {
    if (!RefuseUnknown(app, split, {}, problem)) return false;
    // Only the last argument can lack its value.
    const CLI::Option* option = app.get_option_no_throw(split.back());
    *problem = option != nullptr ? option->get_description() : "unknown option " + split.back();
    return false;
  } catch (const CLI::ParseError&) {
    *problem = "cannot read the arguments of " + std::string(row.name);
    return false;
  }
  return RefuseUnknown(app, split, operands, problem) &&
         TakeOperands(row, std::move(operands), command, problem);
}

std::vector<std::string> OptionSpellings(const CommandRow& row) {
  CLI::App app;
  BatchCommand command;
  std::vector<std::string> operands, spellings;
  DeclareCommand(row, &app, &command, &operands);
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_snames()) spellings.push_back("-" + name);
    for (const std::string& name : option->get_lnames()) spellings.push_back("--" + name);
  }
  return spellings;
}

}  // namespace gamefold::batch
