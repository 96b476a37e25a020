// Arbitrary name lists as the output folder's day pages, one name a line, sorted as a listing
// gives them. Checks that the index page is a calendar of the index year: fixed lines only, every
// week of seven cells, every link naming a real day of that year whose page is in the list.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"
#include "core/game_day.h"
#include "fuzz/fuzz_check.h"
#include "monthindex/index_page.h"

namespace gamefold::fuzz {

namespace {

constexpr std::string_view kOpeningLines[] = {
    "<HTML>",
    "<head><title></title></head>",
    "<link rel=\"stylesheet\" type=\"Text/css\" href=\"vuzad.css\">",
    "<BODY><Table border=4 bordercolor=lightgray>",
};
constexpr std::string_view kWeekdayHeader[] = {
    "<TR class=dmrptbody><TD class=dmrptbody align=center>Su",
    "<TD align=center>Mo",
    "<TD align=center>Tu",
    "<TD align=center>We",
    "<TD align=center>Th",
    "<TD align=center>Fr",
    "<TD align=center>Sa",
};
constexpr std::string_view kRow = "<TR>";
constexpr std::string_view kMonthOpen = "<TD valign=top><TABLE BORDER=1 width=33%>";
constexpr std::string_view kHeadingCell = "<TR ><TD class=dmrptbodyhdr align=center colspan=7 >";
constexpr std::string_view kMonthClose = "</TABLE>";
constexpr std::string_view kCell = "<TD ALIGN=CENTER>";
constexpr std::string_view kBlankCell = "<TD ALIGN=CENTER>&nbsp;&nbsp;";
constexpr std::string_view kLinkStart = "<TD ALIGN=CENTER><A HREF=GamesOf";

std::string TwoDigits(int value) {
  return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

// What the names ask of the index: its year, and the months and day indexes that have a page.
struct Expected {
  std::optional<int> year;
  std::array<bool, 13> months{};
  std::array<bool, 1300> days{};
};

Expected ExpectedMarks(const std::vector<std::string>& names) {
  Expected expected;
  for (const std::string& name : names) {
    std::optional<int> day_index = FourDigits(Characters(name, 12, 4));
    if (!day_index || *day_index / 100 < 1 || *day_index / 100 > 12) continue;
    if (!expected.year) expected.year = FourDigits(Characters(name, 8, 4));
    expected.months[static_cast<size_t>(*day_index / 100)] = true;
    expected.days[static_cast<size_t>(*day_index)] = true;
  }
  return expected;
}

// k blank cells run together, k from 1 to 6; 0 for any other line.
int BlankCellCount(std::string_view line) {
  int count = 0;
  while (line.substr(0, kBlankCell.size()) == kBlankCell) {
    line.remove_prefix(kBlankCell.size());
    ++count;
  }
  return line.empty() && count <= 6 ? count : 0;
}

// One month's calendar after its heading: the weekday header, then its days in weeks of seven
// cells, each day in the column of its weekday, linked when the list has its page.
void CheckCalendar(LineReader* page, const Expected& expected, int year, int month) {
  for (std::string_view line : kWeekdayHeader) page->Expect(line);
  page->Expect(kRow);
  const int days = DaysInMonth(year, month);
  int cells = 0;
  int day = 0;
  for (;;) {
    std::string_view line = page->Next();
    if (line == kMonthClose) break;
    if (line == kRow) {
      FUZZ_CHECK(cells == 7);
      cells = 0;
      continue;
    }
    if (int blanks = BlankCellCount(line)) {
      cells += blanks;
      FUZZ_CHECK(cells <= 7);
      continue;
    }
    ++day;
    FUZZ_CHECK(day <= days);
    FUZZ_CHECK(cells == Weekday(year, month, day) - 1);
    ++cells;
    const std::string dd = TwoDigits(day);
    const bool linked = expected.days[static_cast<size_t>(month * 100 + day)];
    if (!linked) {
      FUZZ_CHECK(line == std::string(kCell) + dd);
      continue;
    }
    std::string key = std::to_string(year);
    key.insert(0, 4 - key.size(), '0');
    key += TwoDigits(month) + dd;
    FUZZ_CHECK(ParseDayKey(key).has_value());
    FUZZ_CHECK(line == std::string(kLinkStart) + key + ".htm>");
    page->Expect(dd + "</A>");
  }
  FUZZ_CHECK(day == days);
  // The last week is completed with blank cells, so every row has seven.
  FUZZ_CHECK(cells == 7);
}

void CheckIndexPage(std::string_view bytes, const Expected& expected) {
  std::optional<std::vector<std::string_view>> lines = PageLines(bytes);
  FUZZ_CHECK(lines.has_value());
  // Nothing of a name reaches the page as text, so no line can hold a lone CR either.
  for (std::string_view line : *lines) FUZZ_CHECK(line.find('\r') == std::string_view::npos);
  LineReader page(std::move(*lines));
  for (std::string_view line : kOpeningLines) page.Expect(line);
  const int year = *expected.year;
  int written = 0;
  int previous_month = 0;
  while (!page.AtEnd()) {
    std::string_view line = page.Next();
    // Three calendars to a row: a row break before the 4th, 7th and 10th month.
    FUZZ_CHECK((line == kRow) == (written > 0 && written % 3 == 0));
    if (line == kRow) line = page.Next();
    FUZZ_CHECK(line == kMonthOpen);
    page.Expect(kHeadingCell);
    std::string_view heading = page.Next();
    int month = previous_month + 1;
    while (month <= 12 && !expected.months[static_cast<size_t>(month)]) ++month;
    FUZZ_CHECK(month <= 12);
    FUZZ_CHECK(heading == "<u><font size=+2>" +
                              std::string(kMonthNames[static_cast<size_t>(month)]) + " - " +
                              std::to_string(year) + "</font></u>");
    CheckCalendar(&page, expected, year, month);
    previous_month = month;
    ++written;
  }
  // Every month with a page got its calendar.
  for (int month = previous_month + 1; month <= 12; ++month) {
    FUZZ_CHECK(!expected.months[static_cast<size_t>(month)]);
  }
  FUZZ_CHECK(written > 0);
}

}  // namespace

}  // namespace gamefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace gamefold;
  using namespace gamefold::fuzz;
  std::vector<std::string> names = SplitNames(AsText(data, size), '\n');
  SortAsListed(&names);
  Expected expected = ExpectedMarks(names);

  const std::string untouched = "old index";
  std::string page = untouched;
  Failure err;
  bool built = BuildIndexPage(names, &page, &err);
  FUZZ_CHECK(built == expected.year.has_value());
  if (!built) {
    FUZZ_CHECK(err.number == 53 && !err.description.empty());
    FUZZ_CHECK(page == untouched);
    return 0;
  }
  CheckIndexPage(page, expected);
  return 0;
}
