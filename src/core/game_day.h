#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace gamefold {

/// A game-day key: eight digits YYYYMMDD, the first eight characters of a boxscore's name and
/// of an entry of the day lists.
inline constexpr size_t kDayKeyLength = 8;
/// Where the key's month and day (MMDD, the day index) begin, counted from 1.
inline constexpr size_t kKeyDayIndexPosition = 5;
/// The usual boxscore name, key + five more characters + ".box": only a first name of this
/// length gives the catalogue its year.
inline constexpr size_t kBoxscoreNameLength = 17;
/// Day pages are named "GamesOf" + game-day key + ".htm", 19 characters: the year at
/// characters 8 to 11, month and day at 12 to 15 (counted from 1).
inline constexpr std::string_view kDayPagePrefix = "GamesOf";
inline constexpr std::string_view kDayPageSuffix = ".htm";
inline constexpr size_t kDayPageNameLength =
    kDayPagePrefix.size() + kDayKeyLength + kDayPageSuffix.size();
inline constexpr size_t kPageYearPosition = kDayPagePrefix.size() + 1;
inline constexpr size_t kPageDayIndexPosition = kDayPagePrefix.size() + kKeyDayIndexPosition;
/// Day index: month * 100 + day, 101 (1 January) to 1231 (31 December), the last four digits of
/// a key. Impossible dates inside the range (132, 200) are not rejected.
inline constexpr int kFirstDayIndex = 101;
inline constexpr int kLastDayIndex = 1231;
/// The name of the month-calendar index page.
inline constexpr std::string_view kIndexPageName = "GamesIndex.htm";
/// The league's site: its standings page, its team pages ("Team-" + ASCII letters, digits and
/// '-' + ".htm") and the divisions file that the user keeps in the output folder.
inline constexpr std::string_view kStandingsPageName = "Standings.htm";
inline constexpr std::string_view kTeamPagePrefix = "Team-";
inline constexpr std::string_view kLeagueFileName = "league.txt";

/// True for the name of a team page as the site makes them.
bool IsTeamPageName(std::string_view name);

/// The style sheet that the pages link to; the user's, sent along by publish.
inline constexpr std::string_view kStyleSheetName = "vuzad.css";
/// The file in the output folder that remembers what publish sent where.
inline constexpr std::string_view kPublishStateName = ".gamefold-publish";
/// The listing patterns of the two folders.
inline constexpr std::string_view kBoxscorePattern = "*.BOX";
inline constexpr std::string_view kDayPagePattern = "GamesOf*.*";
/// The lines that open both kinds of page, the day page and the index: the style sheet is
/// linked by its bare name, so the site keeps it beside the pages.
inline constexpr std::string_view kPageHead[] = {
    "<HTML>", "<head><title></title></head>",
    "<link rel=\"stylesheet\" type=\"Text/css\" href=\"vuzad.css\">"};

/// Month abbreviations "Jan" to "Dec" at 1 to 12; slot 0 is empty.
extern const std::array<std::string_view, 13> kMonthNames;

/// "GamesOf" + key + ".htm".
std::string DayPageName(std::string_view key);

/// The key of a day-list entry: its first eight characters (fewer when it is shorter).
constexpr std::string_view DayKeyOf(std::string_view entry) {
  return entry.substr(0, kDayKeyLength);
}

/// True when key names a day page the catalogue reads back: eight digits whose month and day
/// give a day index from 101 to 1231.
bool IsDayKey(std::string_view key);

/// A calendar date.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};

/// True for years divisible by 4 and not by 100, or divisible by 400.
bool IsLeapYear(int year);

/// Days of a month (1-12) in a year; 0 for another month number.
int DaysInMonth(int year, int month);

/// The weekday of a Gregorian date, 1 = Sunday to 7 = Saturday.
int Weekday(int year, int month, int day);

/// Reads an eight-digit key YYYYMMDD that names a real calendar date; nothing otherwise.
std::optional<Date> ParseDayKey(std::string_view key);

}  // namespace gamefold
