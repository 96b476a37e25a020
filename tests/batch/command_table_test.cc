// The usage text, --help, the manual page's synopsis and the bash completion against the one
// declaration of gamefold-batch's commands and options: none of them may offer an option that
// a command does not take, nor leave out one it does.

#include "batch/command_table.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "tests/support/temp_dir.h"

namespace gamefold::batch {
namespace {

using Names = std::set<std::string>;

// The option spellings ("--content", "-q") written in text, roff's "\-" read as "-".
Names OptionsIn(std::string text) {
  text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
  Names names;
  std::regex option(R"((^|[^A-Za-z0-9-])(--?[a-z][a-z-]*))");
  for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) {
    names.insert((*it)[2]);
  }
  return names;
}

Names Declared(const CommandRow& row, bool long_only = false) {
  Names names;
  for (const std::string& name : OptionSpellings(row)) {
    if (!long_only || name.starts_with("--")) names.insert(name);
  }
  return names;
}

// Each command's synopsis in the manual page: the lines from ".B gamefold-batch <command>" to
// the next ".br", joined.
std::map<std::string, std::string> ManualSynopses() {
  std::string page = testing::ReadBytes(GAMEFOLD_SOURCE_DIR "/data/man/gamefold-batch.1");
  size_t start = page.find(".SH SYNOPSIS\n"), end = page.find(".SH DESCRIPTION\n");
  EXPECT_NE(std::string::npos, start);
  std::string synopsis = page.substr(start, end - start);
  std::map<std::string, std::string> commands;
  std::regex block(R"(\.B gamefold-batch (\w+)([^\n]*\n(?:(?!\.br)[^\n]*\n)*))");
  for (std::sregex_iterator it(synopsis.begin(), synopsis.end(), block), last; it != last; ++it) {
    commands[(*it)[1]] += (*it)[2];
  }
  return commands;
}

TEST(CommandTable, UsageHelpAndManualOfferWhatEachCommandDeclares) {
  std::string usage = UsageText(), help = HelpText();
  std::map<std::string, std::string> manual = ManualSynopses();
  Names commands, everywhere;
  for (const CommandRow* row : CommandTable()) {
    commands.insert(std::string(row->name));
    Names declared = Declared(*row);
    everywhere.insert(declared.begin(), declared.end());
    // What the usage text shows of a command is what its manual synopsis shows, and the
    // command takes all of it.
    Names shown = OptionsIn(std::string(row->synopsis));
    EXPECT_EQ(shown, OptionsIn(manual[std::string(row->name)])) << row->name;
    for (const std::string& name : shown) EXPECT_TRUE(declared.contains(name)) << name;
    EXPECT_EQ(row->synopsis.find("[OPTIONS]") != std::string_view::npos,
              manual[std::string(row->name)].find("OPTIONS") != std::string::npos)
        << row->name;
    // Every option a command takes is explained somewhere in --help.
    for (const std::string& name : declared) {
      EXPECT_TRUE(OptionsIn(help).contains(name)) << row->name << " " << name;
    }
  }
  // Neither text names an option that no command takes, nor a command the table lacks.
  for (const std::string& name : OptionsIn(usage + help)) {
    if (name != "--help" && name != "-h" && name != "--version") {
      EXPECT_TRUE(everywhere.contains(name)) << name;
    }
  }
  Names in_manual;
  for (const auto& [name, text] : manual) in_manual.insert(name);
  EXPECT_EQ(commands, in_manual);
}

TEST(CommandTable, BashCompletionOffersTheDeclaredCommandsAndOptions) {
  std::string script = testing::ReadBytes(GAMEFOLD_SOURCE_DIR "/data/completion/gamefold-batch");
  Names commands;
  for (const CommandRow* row : CommandTable()) {
    commands.insert(std::string(row->name));
    std::smatch line;
    std::regex options("\n +" + std::string(row->name) + R"(\) options='([^']*)')");
    ASSERT_TRUE(std::regex_search(script, line, options)) << row->name;
    EXPECT_EQ(Declared(*row, true), OptionsIn(line[1])) << row->name;
  }
  std::smatch words;
  ASSERT_TRUE(std::regex_search(script, words, std::regex(R"(compgen -W '([a-z ]+) --help)")));
  std::istringstream listed(words[1]);
  Names offered;
  for (std::string word; listed >> word;) offered.insert(word);
  EXPECT_EQ(commands, offered);
}

}  // namespace
}  // namespace gamefold::batch
