#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace gamefold {

/// Day pages are named "GamesOf" + game-day key + ".htm".
inline constexpr std::string_view kDayPagePrefix = "GamesOf";
inline constexpr std::string_view kDayPageSuffix = ".htm";
/// The name of the month-calendar index page.
inline constexpr std::string_view kIndexPageName = "GamesIndex.htm";
/// The listing patterns of the two folders.
inline constexpr std::string_view kBoxscorePattern = "*.BOX";
inline constexpr std::string_view kDayPagePattern = "GamesOf*.*";

/// Month abbreviations "Jan" to "Dec" at 1 to 12; slot 0 is empty.
extern const std::array<std::string_view, 13> kMonthNames;

/// "GamesOf" + key + ".htm".
std::string DayPageName(std::string_view key);

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
