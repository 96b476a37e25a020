#include "monthindex/index_page.h"

#include <array>
#include <optional>
#include <utility>

#include "core/game_day.h"
#include "core/text.h"
#include "core/text_file.h"

namespace gamefold {

namespace {

constexpr std::string_view kBlankCell = "<TD ALIGN=CENTER>&nbsp;&nbsp;";

constexpr std::string_view kBodyOpening = "<BODY><Table border=4 bordercolor=lightgray>";

constexpr std::string_view kWeekdayHeader[] = {
    "<TR class=dmrptbody><TD class=dmrptbody align=center>Su",
    "<TD align=center>Mo",
    "<TD align=center>Tu",
    "<TD align=center>We",
    "<TD align=center>Th",
    "<TD align=center>Fr",
    "<TD align=center>Sa",
};

constexpr std::string_view kRowBreak = "<TR>";
constexpr std::string_view kWeekRow = "<TR>";
constexpr std::string_view kMonthOpen = "<TD valign=top><TABLE BORDER=1 width=33%>";
constexpr std::string_view kHeadingCell = "<TR ><TD class=dmrptbodyhdr align=center colspan=7 >";
constexpr std::string_view kMonthClose = "</TABLE>";
constexpr int kMonthsInRow = 3;

// The failure number the window shows when nothing can be indexed: 53, "File not found", since
// the folder lacks the day pages the index is made of.
constexpr int kNoDayPageNumber = 53;
constexpr std::string_view kNoDayPage = "no day page to index";
constexpr std::string_view kNoDayPageDetail = " (no file named GamesOfYYYYMMDD.htm)";

// Which days and months of the year have a page. Days are kept by day index, month * 100 + day;
// the day part of a name may be any two digits, so a name for 31 February or day 00 marks its
// month but no cell of the calendar ever reads its day.
struct PageMarks {
  std::optional<int> year;
  std::array<bool, 1300> days{};
  std::array<bool, 13> months{};
};

// A name counts when positions 12 to 15 hold a month 01-12 and a day; its own year is not read
// (a page of another year marks the same day of the index year), except that the first such
// name with a four-digit year in positions 8 to 11 gives the index year.
PageMarks MarkPages(const std::vector<std::string>& page_names) {
  PageMarks marks;
  for (const std::string& name : page_names) {
    std::optional<int> day_index = DigitsAt(name, kPageDayIndexPosition, 4);
    if (!day_index) continue;
    int month = *day_index / 100;
    if (month < 1 || month > 12) continue;
    if (!marks.year) marks.year = DigitsAt(name, kPageYearPosition, 4);
    marks.days[static_cast<size_t>(*day_index)] = true;
    marks.months[static_cast<size_t>(month)] = true;
  }
  return marks;
}

std::string BlankCells(int count) {
  std::string cells;
  for (int i = 0; i < count; ++i) cells.append(kBlankCell);
  return cells;
}

void AppendIfAny(std::string* out, const std::string& line) {
  if (!line.empty()) AppendLine(out, line);
}

void AppendMonthHeading(int year, int month, std::string* out) {
  AppendLine(out, kMonthOpen);
  AppendLine(out, kHeadingCell);
  std::string heading = "<u><font size=+2>";
  heading.append(kMonthNames[static_cast<size_t>(month)]);
  heading.append(" - ").append(std::to_string(year)).append("</font></u>");
  AppendLine(out, heading);
  for (std::string_view line : kWeekdayHeader) AppendLine(out, line);
  AppendLine(out, kWeekRow);
}

void AppendDayCell(int year, int month, int day, bool linked, std::string* out) {
  std::string dd = ZeroPadded(day, 2);
  if (!linked) {
    AppendLine(out, "<TD ALIGN=CENTER>" + dd);
    return;
  }
  // The key comes from the calendar, not from the file name: a page named in another letter
  // case, of another year or with a copy's ending still gets the link the day pages are given.
  std::string key = ZeroPadded(year, 4) + ZeroPadded(month * 100 + day, 4);
  AppendLine(out, "<TD ALIGN=CENTER><A HREF=" + DayPageName(key) + ">");
  AppendLine(out, dd + "</A>");
}

void AppendMonth(int year, int month, const PageMarks& marks, std::string* out) {
  AppendMonthHeading(year, month, out);
  int days = DaysInMonth(year, month);
  int previous_weekday = 0;
  for (int day = 1; day <= days; ++day) {
    int weekday = Weekday(year, month, day);
    if (day == 1) {
      AppendIfAny(out, PositionDay(weekday));
    } else if (weekday < previous_weekday) {
      AppendLine(out, kWeekRow);
      AppendIfAny(out, PositionDay(weekday));
    }
    previous_weekday = weekday;
    AppendDayCell(year, month, day, marks.days[static_cast<size_t>(month * 100 + day)], out);
    if (day == days) {
      // The last week row is completed so that every calendar is a full grid.
      AppendIfAny(out, Finish_Month(weekday));
      AppendLine(out, kMonthClose);
    }
  }
}

Failure NoDayPage(std::string_view folder) {
  Failure failure;
  failure.number = kNoDayPageNumber;
  failure.description.append(kNoDayPage);
  if (!folder.empty()) failure.description.append(" in ").append(folder);
  failure.description.append(kNoDayPageDetail);
  return failure;
}

bool BuildIndexPageOf(std::string_view folder, const std::vector<std::string>& page_names,
                      std::string* out, Failure* err, bool site = false) {
  PageMarks marks = MarkPages(page_names);
  // Without a year there is no calendar, whether no name was usable or none of them had one.
  if (!marks.year) {
    *err = NoDayPage(folder);
    return false;
  }
  std::string page;
  for (std::string_view line : kPageHead) AppendLine(&page, line);
  if (site) {
    // The standings link stands above the calendars, before the table that holds them.
    constexpr std::string_view kBody = "<BODY>";
    static_assert(kBodyOpening.starts_with(kBody));
    AppendLine(&page, std::string(kBody) + "<A HREF=" + std::string(kStandingsPageName) +
                          ">Standings</A> <BR>" + std::string(kBodyOpening.substr(kBody.size())));
  } else {
    AppendLine(&page, kBodyOpening);
  }
  int months_in_row = 0;
  for (int month = 1; month <= 12; ++month) {
    if (!marks.months[static_cast<size_t>(month)]) continue;
    if (++months_in_row > kMonthsInRow) {
      AppendLine(&page, kRowBreak);
      months_in_row = 1;
    }
    AppendMonth(*marks.year, month, marks, &page);
  }
  *out = std::move(page);
  return true;
}

}  // namespace

std::string PositionDay(int day_of_week) {
  if (day_of_week < 2 || day_of_week > 7) return {};
  return BlankCells(day_of_week - 1);
}

std::string Finish_Month(int day_of_week) {
  if (day_of_week < 1 || day_of_week > 6) return {};
  return BlankCells(7 - day_of_week);
}

bool BuildIndexPage(const std::vector<std::string>& page_names, std::string* out, Failure* err) {
  return BuildIndexPageOf({}, page_names, out, err);
}

bool WriteIndexPage(const std::string& output_folder, const std::vector<std::string>& page_names,
                    Failure* err, std::string_view charset, bool* written, bool durable,
                    bool site) {
  std::string page;
  if (!BuildIndexPageOf(output_folder, page_names, &page, err, site)) return false;
  DeclareCharset(&page, charset);
  std::string path = JoinPath(output_folder, kIndexPageName);
  bool replaced = false;
  if (durable) {
    DurableBatch batch;
    replaced = !FileHoldsBytes(path, page);
    if (replaced && (!batch.Stage(path, page, err) || batch.Commit(err) != 1)) return false;
  } else if (!ReplaceFileIfChanged(path, page, &replaced, err)) {
    return false;
  }
  if (written != nullptr) *written = replaced;
  return true;
}

}  // namespace gamefold
