#include "catalogue/catalogue.h"

#include <algorithm>
#include <array>

#include "core/game_day.h"
#include "core/numbers.h"
#include "core/text.h"

namespace gamefold {

namespace {

// What is known of one day: a boxscore waits for it, or its page is already written. A page
// wins over a boxscore.
enum class DayMark : unsigned char { kNone, kBoxscore, kPage };

// Indexed directly by day index; the slots below 101 stay unused.
using DayMarks = std::array<DayMark, kLastDayIndex + 1>;

// The years of the boxscore names, kept apart from the marks: every day is listed under the
// first name's year, which misleads when a folder holds more than one season.
struct YearsSeen {
  std::string_view listed_year;  // characters 1-4 of the first name
  std::vector<std::string_view> years;
  std::array<bool, kLastDayIndex + 1> has_listed_year{};
};

Failure TypeMismatch() { return {13, "Type mismatch"}; }
Failure SubscriptOutOfRange() { return {9, "Subscript out of range"}; }
Failure Overflow() { return {6, "Overflow"}; }

// A year from a name, strictly read and rounded: 13 when not numeric, 6 when beyond 16 bits.
bool ReadYear(std::string_view text, int* year, Failure* failure) {
  std::optional<double> value = StrictNumber(text);
  if (!value) {
    *failure = TypeMismatch();
    return false;
  }
  std::optional<int> rounded = ToInt16(*value);
  if (!rounded) {
    *failure = Overflow();
    return false;
  }
  *year = *rounded;
  return true;
}

// The day index of a name's month and day by the leading reading, rounded; 9 when it falls
// outside the table, also when the text gives 0 (a letter, or a sign, which the reading skips).
bool ReadDayIndex(std::string_view text, int* index, Failure* failure) {
  // Names nearly always hold four digits there, which both readings give alike; so the scan
  // rarely parses a number.
  std::optional<int> digits = DigitsAt(text, 1, 4);
  double value = digits ? *digits : RoundHalfEven(LeadingNumber(text));
  if (!(value >= kFirstDayIndex && value <= kLastDayIndex)) {
    *failure = SubscriptOutOfRange();
    return false;
  }
  *index = static_cast<int>(value);
  return true;
}

// Whether all of name up to and including its first "." reads as a strict number. Digits and
// then "." always do: that is every usual boxscore name, which then needs no general reading.
bool HasNumericStem(std::string_view name) {
  size_t digits = 0;
  while (digits < name.size() && IsDigit(name[digits])) ++digits;
  if (digits > 0 && digits < name.size() && name[digits] == '.') return true;
  size_t point = name.find('.', digits);
  return point != std::string_view::npos && IsStrictNumber(name.substr(0, point + 1));
}

// Marks the day of one boxscore name. Names without a numeric stem (all up to and including
// the first ".") take no part, nor do names whose characters 5-8 lie outside 101..1231.
bool MarkBoxscore(std::string_view name, DayMarks* marks, YearsSeen* years, Failure* failure) {
  if (!HasNumericStem(name)) return true;
  std::string_view month_day = Characters(name, kKeyDayIndexPosition, 4);
  std::optional<int> digits = DigitsAt(month_day, 1, 4);
  std::optional<double> value = digits ? std::optional<double>(*digits) : StrictNumber(month_day);
  if (!value) {
    *failure = TypeMismatch();
    return false;
  }
  if (!(*value > 100 && *value < 1232)) return true;
  int index = 0;
  if (!ReadDayIndex(month_day, &index, failure)) return false;
  (*marks)[index] = DayMark::kBoxscore;
  std::string_view year = Characters(name, 1, 4);
  if (year == years->listed_year) {
    years->has_listed_year[index] = true;
  } else if (std::find(years->years.begin(), years->years.end(), year) == years->years.end()) {
    years->years.push_back(year);
  }
  return true;
}

// Names the file behind a failure, for the report and the trace.
bool FailedOn(std::string_view name, Failure* failure) {
  failure->description.append(" (").append(name).append(")");
  return false;
}

// Empty unless the boxscores hold more than one year: then which years, and the listed days
// that have no boxscore of the year they are listed under (their pages would have no games).
std::string MixedYearsNotice(YearsSeen* years, int listed_year,
                             const std::vector<std::string>& entries) {
  if (years->years.size() <= 1) return "";
  std::sort(years->years.begin(), years->years.end());
  std::string notice = "boxscores of more than one year (";
  for (size_t i = 0; i < years->years.size(); ++i) {
    notice.append(i == 0 ? "" : ", ").append(years->years[i]);
  }
  notice += "); one season per folder is expected, every day is listed under " +
            std::to_string(listed_year);
  std::string without;
  for (const std::string& entry : entries) {
    int index = DigitsValue(DayKeyOf(entry).substr(kKeyDayIndexPosition - 1)).value_or(0);
    if (!years->has_listed_year[index]) without.append(without.empty() ? "" : ", ").append(entry);
  }
  if (!without.empty()) notice += "; no boxscore at all for " + without;
  return notice;
}

// The indicator for the two years; nothing when neither is known, which leaves it as shown.
std::optional<Indicator> IndicatorFor(int boxscore_year, int page_year) {
  if (page_year != 0) return boxscore_year == page_year ? Indicator::kMatched : Indicator::kNoMatch;
  if (boxscore_year != 0) return Indicator::kMaybe;
  return std::nullopt;
}

// The entry of a day: the year as plain decimal, then the day index as four digits.
std::string EntryText(int year, int index) { return std::to_string(year) + ZeroPadded(index, 4); }

// Reads the years, marks the days of both folders and lists the days that wait for a page.
// On a failure it returns false at once, leaving in result what it had decided so far.
// Names is a vector of strings or a span of views.
template <typename Names>
bool ListWaitingDays(const Names& input_names, const Names& output_names, CatalogueResult* result) {
  Failure* failure = &result->failure;
  int boxscore_year = 0;
  std::string_view first_input = input_names.front();
  if (!ReadYear(Characters(first_input, 1, 4), &boxscore_year, failure)) {
    return FailedOn(first_input, failure);
  }
  int page_year = 0;
  if (!output_names.empty() && output_names.front().size() == kDayPageNameLength &&
      !ReadYear(Characters(output_names.front(), kPageYearPosition, 4), &page_year, failure)) {
    return FailedOn(output_names.front(), failure);
  }

  result->list_replaced = true;
  result->entries.clear();
  result->indicator = IndicatorFor(boxscore_year, page_year);

  DayMarks marks{};
  YearsSeen years;
  years.listed_year = Characters(first_input, 1, 4);
  years.years.push_back(years.listed_year);
  for (std::string_view name : input_names) {
    if (!MarkBoxscore(name, &marks, &years, failure)) return FailedOn(name, failure);
  }
  // Pages are marked after boxscores so that a page hides its day whatever year it carries.
  for (std::string_view name : output_names) {
    if (name.size() != kDayPageNameLength) continue;
    int index = 0;
    if (!ReadDayIndex(Characters(name, kPageDayIndexPosition, 4), &index, failure)) {
      return FailedOn(name, failure);
    }
    marks[index] = DayMark::kPage;
  }

  for (int index = kFirstDayIndex; index <= kLastDayIndex; ++index) {
    if (marks[index] == DayMark::kBoxscore)
      result->entries.push_back(EntryText(boxscore_year, index));
  }
  result->notice = MixedYearsNotice(&years, boxscore_year, result->entries);
  if (!result->notice.empty())
    result->trace.push_back({CatalogueStep::Kind::kNotice, result->notice});
  result->days_in = static_cast<long>(result->entries.size());
  result->days_out = static_cast<long>(output_names.size());
  return true;
}

template <typename Names>
CatalogueResult BuildCatalogueOf(const Names& input_names, const Names& output_names) {
  CatalogueResult result;
  result.trace.push_back({CatalogueStep::Kind::kStarted});
  if (input_names.empty()) {
    result.end = CatalogueResult::End::kNoBoxscores;
    result.trace.push_back({CatalogueStep::Kind::kNothingListed});
    return result;
  }
  std::string_view first_name = input_names.front();
  if (first_name.size() != kBoxscoreNameLength) {
    result.end = CatalogueResult::End::kFileError;
    result.trace.push_back({CatalogueStep::Kind::kFileError, std::string(first_name)});
    result.trace.push_back({CatalogueStep::Kind::kNothingListed});
    result.notice = "File Error in Boxes " + std::string(first_name) +
                    ": the first boxscore name is not 17 characters long, so no days are listed";
    return result;
  }
  if (!ListWaitingDays(input_names, output_names, &result)) {
    result.end = CatalogueResult::End::kFailed;
    return result;
  }
  result.end = CatalogueResult::End::kListed;
  result.trace.push_back({CatalogueStep::Kind::kListed});
  return result;
}

}  // namespace

std::string_view IndicatorWord(Indicator indicator) {
  switch (indicator) {
    case Indicator::kMaybe:
      return "MAYBE";
    case Indicator::kNoMatch:
      return "NO MATCH";
    case Indicator::kMatched:
      return "MATCHED";
  }
  return "";
}

CatalogueResult BuildCatalogue(const std::vector<std::string>& input_names,
                               const std::vector<std::string>& output_names) {
  return BuildCatalogueOf(input_names, output_names);
}

CatalogueResult BuildCatalogue(std::span<const std::string_view> input_names,
                               std::span<const std::string_view> output_names) {
  return BuildCatalogueOf(input_names, output_names);
}

}  // namespace gamefold
