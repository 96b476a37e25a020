#include "core/game_day.h"

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
  if (key.size() != 8) return std::nullopt;
  int value[8];
  for (size_t i = 0; i < 8; ++i) {
    if (key[i] < '0' || key[i] > '9') return std::nullopt;
    value[i] = key[i] - '0';
  }
  Date date{value[0] * 1000 + value[1] * 100 + value[2] * 10 + value[3], value[4] * 10 + value[5],
            value[6] * 10 + value[7]};
  if (date.day < 1 || date.day > DaysInMonth(date.year, date.month)) return std::nullopt;
  return date;
}

}  // namespace gamefold
