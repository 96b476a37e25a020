#pragma once

#include <optional>
#include <string_view>

namespace gamefold {

/// How much of each game's boxscore file a day page shows: its sections up to the chosen one.
/// The value is the choice's number, which the settings file and the command line write.
enum class ContentChoice {
  kBoxscores = 1,    // the boxscore alone
  kScoresheets = 2,  // the boxscore and the scoresheet
  kLogs = 3,         // the boxscore, the scoresheet and the game log
};

/// Every choice in the order of its number, as the window lists them.
inline constexpr ContentChoice kContentChoices[] = {
    ContentChoice::kBoxscores, ContentChoice::kScoresheets, ContentChoice::kLogs};

/// The choice's number, 1 to 3: how many sections of a boxscore file a page keeps.
constexpr int ChoiceNumber(ContentChoice choice) { return static_cast<int>(choice); }

/// The choice that a number names; nothing outside 1 to 3.
constexpr std::optional<ContentChoice> ChoiceOfNumber(int number) {
  if (number < ChoiceNumber(ContentChoice::kBoxscores) ||
      number > ChoiceNumber(ContentChoice::kLogs)) {
    return std::nullopt;
  }
  return static_cast<ContentChoice>(number);
}

/// The choice that a text of exactly one digit, "1" to "3", names; nothing for any other text.
constexpr std::optional<ContentChoice> ParseContentChoice(std::string_view text) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '9') return std::nullopt;
  return ChoiceOfNumber(text[0] - '0');
}

/// The choice's label, "<number> - <what the pages show>": a row of the window's list, and the
/// value the settings file keeps.
constexpr std::string_view ChoiceLabel(ContentChoice choice) {
  switch (choice) {
    case ContentChoice::kBoxscores:
      return "1 - Boxscores only";
    case ContentChoice::kScoresheets:
      return "2 - Boxscores & Scoresheets";
    case ContentChoice::kLogs:
      return "3 - Boxscores Scoresheets & Logs";
  }
  return "";
}

}  // namespace gamefold
