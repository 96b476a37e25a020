// Arbitrary name lists for both folders: the bytes before the first NUL are the boxscore folder's
// names, those after it the output folder's, one name a line; each list is sorted as a listing
// gives it. Checks what the catalogue offers against the names it was given.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "core/numbers.h"
#include "fuzz/fuzz_check.h"

namespace gamefold::fuzz {

namespace {

constexpr int kFirstDayIndex = 101;
constexpr int kLastDayIndex = 1231;

// Every day index a month-and-day field could stand for under either reading of a number.
void AddReadings(std::string_view field, std::set<int>* days) {
  if (std::optional<int> digits = FourDigits(field)) days->insert(*digits);
  if (std::optional<int> leading = ToInt16(LeadingNumber(field))) days->insert(*leading);
  if (std::optional<double> strict = StrictNumber(field)) {
    if (std::optional<int> rounded = ToInt16(*strict)) days->insert(*rounded);
  }
}

// The day a page name hides, read as the catalogue must: four digits, else the leading reading.
std::optional<int> PageDay(std::string_view name) {
  std::string_view field = Characters(name, 12, 4);
  if (std::optional<int> digits = FourDigits(field)) return digits;
  double value = RoundHalfEven(LeadingNumber(field));
  if (!(value >= kFirstDayIndex && value <= kLastDayIndex)) return std::nullopt;
  return static_cast<int>(value);
}

void CheckListed(const CatalogueResult& result, const std::vector<std::string>& input_names,
                 const std::vector<std::string>& output_names) {
  FUZZ_CHECK(result.list_replaced);
  FUZZ_CHECK(result.days_in.has_value() &&
             *result.days_in == static_cast<long>(result.entries.size()));
  FUZZ_CHECK(result.days_out.has_value() &&
             *result.days_out == static_cast<long>(output_names.size()));
  std::optional<double> year_value = StrictNumber(Characters(input_names.front(), 1, 4));
  FUZZ_CHECK(year_value.has_value());
  std::optional<int> year = ToInt16(*year_value);
  FUZZ_CHECK(year.has_value());
  const std::string year_text = std::to_string(*year);

  std::set<int> boxscore_days;
  for (const std::string& name : input_names) AddReadings(Characters(name, 5, 4), &boxscore_days);
  std::set<int> page_days;
  for (const std::string& name : output_names) {
    if (name.size() != 19) continue;
    std::optional<int> day = PageDay(name);
    // A page name whose day cannot be read must have stopped the rebuild with a failure.
    FUZZ_CHECK(day.has_value());
    page_days.insert(*day);
  }

  std::set<int> listed;
  std::optional<int> previous;
  for (const std::string& entry : result.entries) {
    FUZZ_CHECK(entry.size() == year_text.size() + 4);
    FUZZ_CHECK(entry.compare(0, year_text.size(), year_text) == 0);
    std::optional<int> day = FourDigits(std::string_view(entry).substr(year_text.size()));
    FUZZ_CHECK(day.has_value());
    FUZZ_CHECK(*day >= kFirstDayIndex && *day <= kLastDayIndex);
    FUZZ_CHECK(!previous || *previous < *day);
    FUZZ_CHECK(boxscore_days.count(*day) == 1);
    FUZZ_CHECK(page_days.count(*day) == 0);
    previous = day;
    listed.insert(*day);
  }
  // And nothing is missing: a boxscore whose name is all number up to its first "." and whose
  // characters 5-8 are a day index waits for its page, unless a page of that day exists.
  for (const std::string& name : input_names) {
    size_t point = name.find('.');
    if (point == std::string::npos || !IsStrictNumber(std::string_view(name).substr(0, point + 1)))
      continue;
    std::optional<int> day = FourDigits(Characters(name, 5, 4));
    if (!day || *day < kFirstDayIndex || *day > kLastDayIndex) continue;
    FUZZ_CHECK(listed.count(*day) == 1 || page_days.count(*day) == 1);
  }
}

bool SameDecision(const CatalogueResult& a, const CatalogueResult& b) {
  return a.end == b.end && a.list_replaced == b.list_replaced && a.entries == b.entries &&
         a.indicator == b.indicator && a.days_in == b.days_in && a.days_out == b.days_out;
}

// The rebuild over views of the names decides what the one over strings does; so does the one
// over a listing that has only its least name in place, as gamefold-batch reads it. Which of
// several malformed names fails first may then differ, and with it the failure's number.
void CheckListingForms(const CatalogueResult& result, const std::vector<std::string>& input_names,
                       const std::vector<std::string>& output_names) {
  std::vector<std::string_view> input_views(input_names.begin(), input_names.end());
  std::vector<std::string_view> output_views(output_names.begin(), output_names.end());
  CatalogueResult from_views = BuildCatalogue(input_views, output_views);
  FUZZ_CHECK(SameDecision(result, from_views));
  FUZZ_CHECK(result.trace == from_views.trace);
  FUZZ_CHECK(result.failure.number == from_views.failure.number);

  if (input_views.size() > 1) std::reverse(input_views.begin() + 1, input_views.end());
  if (output_views.size() > 1) std::reverse(output_views.begin() + 1, output_views.end());
  CatalogueResult least_first = BuildCatalogue(input_views, output_views);
  FUZZ_CHECK(SameDecision(result, least_first));
  if (result.end != CatalogueResult::End::kFailed) FUZZ_CHECK(result.trace == least_first.trace);
}

}  // namespace

}  // namespace gamefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace gamefold;
  using namespace gamefold::fuzz;
  std::string_view bytes = AsText(data, size);
  size_t split = bytes.find('\0');
  std::vector<std::string> input_names = SplitNames(bytes.substr(0, split), '\n');
  std::vector<std::string> output_names = split == std::string_view::npos
                                              ? std::vector<std::string>()
                                              : SplitNames(bytes.substr(split + 1), '\n');
  SortAsListed(&input_names);
  SortAsListed(&output_names);

  CatalogueResult result = BuildCatalogue(input_names, output_names);
  CheckListingForms(result, input_names, output_names);
  FUZZ_CHECK(!result.trace.empty() && result.trace.front().kind == CatalogueStep::Kind::kStarted);
  switch (result.end) {
    case CatalogueResult::End::kNoBoxscores:
      FUZZ_CHECK(input_names.empty());
      FUZZ_CHECK(!result.list_replaced && result.entries.empty() && !result.indicator);
      break;
    case CatalogueResult::End::kFileError:
      FUZZ_CHECK(!input_names.empty() && input_names.front().size() != 17);
      FUZZ_CHECK(!result.list_replaced && result.entries.empty() && !result.indicator);
      break;
    case CatalogueResult::End::kListed:
      FUZZ_CHECK(!input_names.empty() && input_names.front().size() == 17);
      FUZZ_CHECK(result.trace.back().kind == CatalogueStep::Kind::kListed);
      CheckListed(result, input_names, output_names);
      break;
    case CatalogueResult::End::kFailed: {
      int number = result.failure.number;
      FUZZ_CHECK(number == 13 || number == 9 || number == 6);
      FUZZ_CHECK(!result.failure.description.empty());
      FUZZ_CHECK(!result.days_in && !result.days_out);
      break;
    }
  }
  return 0;
}
