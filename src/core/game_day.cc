#include "core/game_day.h"

#include "core/text.h"

namespace gamefold {

const std::array<std::string_view, 13> kMonthNames = {
    "", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string DayPageName(std::string_view key) {
  std::string name(kDayPagePrefix);
  name.append(key);
  name.append(kDayPageSuffix);
  return name;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

int Weekday(int year, int month, int day) {
  // Days since 1970-01-01 in the proleptic Gregorian calendar (valid for any year, also 0).
  long long y = year - (month <= 2 ? 1 : 0);
  long long era = (y >= 0 ? y : y - 399) / 400;
  long long year_of_era = y - era * 400;
  long long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  long long days = era * 146097 + day_of_era - 719468;
  // 1970-01-01 was a Thursday, weekday 5.
  long long weekday = (days + 4) % 7;
  if (weekday < 0) weekday += 7;
  return static_cast<int>(weekday) + 1;
}

std::optional<Date> ParseDayKey(std::string_view key) {
  if (key.size() != kDayKeyLength) return std::nullopt;
  std::optional<int> year = DigitsValue(key.substr(0, 4));
  std::optional<int> month = DigitsValue(key.substr(4, 2));
  std::optional<int> day = DigitsValue(key.substr(6, 2));
  if (!year || !month || !day) return std::nullopt;
  Date date{*year, *month, *day};
  if (date.day < 1 || date.day > DaysInMonth(date.year, date.month)) return std::nullopt;
  return date;
}

// A key names a page "GamesOf" + key + ".htm" that the catalogue reads back later: one outside
// the day index's range would stop every later rebuild with a failure.
bool IsDayKey(std::string_view key) {
  if (key.size() != kDayKeyLength || !IsDigits(key)) return false;
  int day_index = *DigitsAt(key, kKeyDayIndexPosition, 4);
  return day_index >= kFirstDayIndex && day_index <= kLastDayIndex;
}

bool IsTeamPageName(std::string_view name) {
  if (!name.starts_with(kTeamPagePrefix) || !name.ends_with(kDayPageSuffix)) return false;
  std::string_view stem = name.substr(kTeamPagePrefix.size());
  stem.remove_suffix(kDayPageSuffix.size());
  if (stem.empty()) return false;
  for (char c : stem) {
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!letter && !(c >= '0' && c <= '9') && c != '-') return false;
  }
  return true;
}

}  // namespace gamefold
