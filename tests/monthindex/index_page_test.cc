#include "monthindex/index_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "core/text_file.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::string kBlank = "<TD ALIGN=CENTER>&nbsp;&nbsp;";

// Splits a page at CR LF; a bare CR or LF inside a line, or a last line without CR LF, shows
// up as a line that no expectation matches.
std::vector<std::string> Lines(const std::string& page) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = page.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(page.substr(start, end - start));
  }
  if (start != page.size()) lines.push_back("UNTERMINATED " + page.substr(start));
  return lines;
}

bool IsBlankRun(const std::string& line) {
  std::string run = kBlank;
  while (run.size() < line.size()) run += kBlank;
  return line == run;
}

// One token a line: "|" a week row, "_k" k blank cells, "DD" a plain day, "[DD]" a linked day
// (its two lines), "?" anything else. From the week row after the heading of `heading` ("May -
// 2008") to the line before "</TABLE>".
std::string Calendar(const std::string& page, const std::string& heading) {
  std::vector<std::string> lines = Lines(page);
  size_t i = 0;
  while (i < lines.size() && lines[i] != "<u><font size=+2>" + heading + "</font></u>") ++i;
  std::string tokens;
  for (i += 8; i < lines.size() && lines[i] != "</TABLE>"; ++i) {
    const std::string& line = lines[i];
    std::string token = "?";
    if (line == "<TR>") token = "|";
    if (IsBlankRun(line)) token = "_" + std::to_string(line.size() / kBlank.size());
    if (line.size() == 19 && line.starts_with("<TD ALIGN=CENTER>")) token = line.substr(17);
    if (line.starts_with("<TD ALIGN=CENTER><A HREF=GamesOf") && i + 1 < lines.size() &&
        lines[i + 1].size() == 6 && lines[i + 1].ends_with("</A>")) {
      token = "[" + lines[++i].substr(0, 2) + "]";
    }
    tokens += (tokens.empty() ? "" : " ") + token;
  }
  return i < lines.size() ? tokens : tokens + " NO-CLOSE";
}

// The link targets of a page, in order.
std::vector<std::string> Links(const std::string& page) {
  std::vector<std::string> links;
  for (const std::string& line : Lines(page)) {
    if (line.starts_with("<TD ALIGN=CENTER><A HREF=")) links.push_back(line.substr(25));
  }
  return links;
}

// The headings of the months written, with "TR" for each row break between them.
std::string MonthsAndRowBreaks(const std::string& page) {
  std::vector<std::string> lines = Lines(page);
  std::string shape;
  for (size_t i = 1; i + 2 < lines.size(); ++i) {
    if (lines[i] != "<TD valign=top><TABLE BORDER=1 width=33%>") continue;
    if (lines[i - 1] == "<TR>") shape += "TR ";
    shape += lines[i + 2].substr(17, lines[i + 2].size() - 28) + "; ";
  }
  return shape;
}

std::string Build(const std::vector<std::string>& names) {
  std::string page;
  Failure err;
  EXPECT_TRUE(BuildIndexPage(names, &page, &err)) << err.description;
  return page;
}

TEST(IndexPage, MayPageMatchesHandCheckedFile) {
  std::string expected = ReadBytes(GAMEFOLD_TEST_DATA "/monthindex/may2008_index.htm");
  ASSERT_FALSE(expected.empty());
  std::vector<std::string> names = {"GamesOf20080501.htm", "GamesOf20080502.htm"};
  EXPECT_EQ(Build(names), expected);

  TempDir folder;
  Failure err;
  ASSERT_TRUE(WriteIndexPage(folder.path(), names, &err)) << err.description;
  EXPECT_EQ(ReadBytes(folder / "GamesIndex.htm"), expected);
  // Writing again replaces the page instead of appending, and leaves no temporary file behind.
  ASSERT_TRUE(WriteIndexPage(folder.path(), names, &err)) << err.description;
  EXPECT_EQ(ReadBytes(folder / "GamesIndex.htm"), expected);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);
}

TEST(IndexPage, BlankCellsBeforeTheFirstAndAfterTheLastDay) {
  EXPECT_EQ(PositionDay(1), "");
  EXPECT_EQ(PositionDay(2), kBlank);
  EXPECT_EQ(PositionDay(7), kBlank + kBlank + kBlank + kBlank + kBlank + kBlank);
  EXPECT_EQ(PositionDay(0), "");
  EXPECT_EQ(PositionDay(8), "");
  EXPECT_EQ(Finish_Month(1), kBlank + kBlank + kBlank + kBlank + kBlank + kBlank);
  EXPECT_EQ(Finish_Month(6), kBlank);
  EXPECT_EQ(Finish_Month(7), "");
  EXPECT_EQ(Finish_Month(0), "");
  EXPECT_EQ(Finish_Month(-3), "");

  // June 2008 begins on a Sunday: its 1st follows the first week row directly.
  EXPECT_EQ(Calendar(Build({"GamesOf20080601.htm", "GamesOf20080630.htm"}), "Jun - 2008"),
            "| [01] 02 03 04 05 06 07 | 08 09 10 11 12 13 14 | 15 16 17 18 19 20 21 "
            "| 22 23 24 25 26 27 28 | 29 [30] _5");
  // March 2008 begins on a Saturday: six blank cells, then a new week at the 2nd.
  EXPECT_EQ(Calendar(Build({"GamesOf20080301.htm"}), "Mar - 2008"),
            "| _6 [01] | 02 03 04 05 06 07 08 | 09 10 11 12 13 14 15 | 16 17 18 19 20 21 22 "
            "| 23 24 25 26 27 28 29 | 30 31 _5");
}

TEST(IndexPage, FebruaryFollowsTheLeapYearRules) {
  EXPECT_EQ(Calendar(Build({"GamesOf20000229.htm"}), "Feb - 2000"),
            "| _2 01 02 03 04 05 | 06 07 08 09 10 11 12 | 13 14 15 16 17 18 19 "
            "| 20 21 22 23 24 25 26 | 27 28 [29] _4");
  EXPECT_EQ(Calendar(Build({"GamesOf20080210.htm"}), "Feb - 2008"),
            "| _5 01 02 | 03 04 05 06 07 08 09 | [10] 11 12 13 14 15 16 "
            "| 17 18 19 20 21 22 23 | 24 25 26 27 28 29 _1");
  // 29 February 2100 is no date: its page marks the month and links nothing.
  std::string page = Build({"GamesOf21000229.htm"});
  EXPECT_EQ(Calendar(page, "Feb - 2100"),
            "| _1 01 02 03 04 05 06 | 07 08 09 10 11 12 13 | 14 15 16 17 18 19 20 "
            "| 21 22 23 24 25 26 27 | 28 _6");
  EXPECT_TRUE(Links(page).empty());
}

TEST(IndexPage, ThreeCalendarsToARowInCalendarOrder) {
  // Listing order is not calendar order once copies or other names are about.
  std::string page = Build({"GamesOf20080920.htm", "GamesOf20080401.htm", "GamesOf20080515.htm",
                            "GamesOf20080610.htm", "GamesOf20080704.htm", "GamesOf20080801.htm",
                            "GamesOf20081001.htm", "GamesOf20080402.htm"});
  EXPECT_EQ(MonthsAndRowBreaks(page),
            "Apr - 2008; May - 2008; Jun - 2008; TR Jul - 2008; Aug - 2008; Sep - 2008; "
            "TR Oct - 2008; ");
  EXPECT_EQ(Links(page).size(), 8u);
  EXPECT_TRUE(page.ends_with("</TABLE>\r\n"));
}

TEST(IndexPage, LinksNameTheIndexYearAndTheCalendarDay) {
  // Pages of two seasons: the first name gives the year, the later season's days join it.
  std::string page = Build({"GamesOf20080905.htm", "GamesOf20090410.htm"});
  EXPECT_EQ(MonthsAndRowBreaks(page), "Apr - 2008; Sep - 2008; ");
  EXPECT_EQ(Links(page),
            (std::vector<std::string>{"GamesOf20080410.htm>", "GamesOf20080905.htm>"}));
  EXPECT_EQ(page.find("2009"), std::string::npos);

  // Another letter case, a copy's ending and 31 February still mark their day or month, and
  // the links are those the day pages are written under.
  page = Build({"GAMESOF20080406.HTM", "GamesOf20080407.htm.bak", "gamesof20080231.htm"});
  EXPECT_EQ(MonthsAndRowBreaks(page), "Feb - 2008; Apr - 2008; ");
  EXPECT_EQ(Links(page),
            (std::vector<std::string>{"GamesOf20080406.htm>", "GamesOf20080407.htm>"}));
  EXPECT_EQ(Calendar(page, "Feb - 2008").find('['), std::string::npos);
}

TEST(IndexPage, UnusableNamesArePassedOver) {
  // Month 00 and 13, letters in the day index and short names count for nothing, not even for
  // the year; a name without a year marks its day once a later name gives the year.
  std::string page = Build({"GamesOf.htm", "GamesOf2007", "GamesOf20070001.htm",
                            "GamesOf20071301.htm", "GamesOf20070x01.htm", "GamesOfXXXX0406.htm",
                            "GamesOf20090510.htm", "GamesOf2010-0601.htm"});
  EXPECT_EQ(MonthsAndRowBreaks(page), "Apr - 2009; May - 2009; ");
  EXPECT_EQ(Links(page),
            (std::vector<std::string>{"GamesOf20090406.htm>", "GamesOf20090510.htm>"}));
}

TEST(IndexPage, NoUsableNameWritesNothing) {
  const std::string detail = " (no file named GamesOfYYYYMMDD.htm)";
  std::string page = "untouched";
  Failure err;
  EXPECT_FALSE(BuildIndexPage({}, &page, &err));
  EXPECT_EQ(err.number, 53);
  EXPECT_EQ(err.description, "no day page to index" + detail);
  EXPECT_EQ(page, "untouched");
  // A day without any year in the listing gives no calendar either.
  EXPECT_FALSE(BuildIndexPage({"GamesOfXXXX0406.htm", "GamesOf20081301.htm"}, &page, &err));
  EXPECT_EQ(page, "untouched");

  TempDir folder;
  std::string index = folder / "GamesIndex.htm";
  std::ofstream(index, std::ios::binary) << "old index\r\n";
  err = {};
  EXPECT_FALSE(WriteIndexPage(folder.path(), {"GamesOf.htm"}, &err));
  EXPECT_EQ(err.number, 53);
  EXPECT_EQ(err.description, "no day page to index in " + folder.path() + detail);
  EXPECT_EQ(ReadBytes(index), "old index\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);
}

TEST(IndexPage, WriteFailureKeepsTheOldIndex) {
  std::vector<std::string> names = {"GamesOf20080501.htm"};
  TempDir folder;
  Failure err;

  // An output "folder" that is a regular file.
  std::string not_a_folder = folder / "web";
  WriteBytes(not_a_folder, "x");
  EXPECT_FALSE(WriteIndexPage(not_a_folder, names, &err));
  EXPECT_NE(err.number, 0);
  EXPECT_NE(err.description.find(JoinPath(not_a_folder, "GamesIndex.htm")), std::string::npos)
      << err.description;
  EXPECT_EQ(ReadBytes(not_a_folder), "x");

  // A vanished output folder.
  err = {};
  EXPECT_FALSE(WriteIndexPage(folder / "gone", names, &err));
  EXPECT_EQ(err.number, 53);

  // The rename over the old index fails (it is a folder here, which even root cannot replace
  // with a file): the old one stays as it was and no temporary file is left.
  std::string out = folder / "out";
  std::string old_index = JoinPath(out, "GamesIndex.htm");
  fs::create_directories(old_index);
  WriteBytes(JoinPath(old_index, "keep"), "old\r\n");
  err = {};
  EXPECT_FALSE(WriteIndexPage(out, names, &err));
  EXPECT_NE(err.number, 0);
  EXPECT_EQ(ReadBytes(JoinPath(old_index, "keep")), "old\r\n");
  EXPECT_EQ(testing::AllEntries(out), std::vector<std::string>{"GamesIndex.htm"});
}

}  // namespace
}  // namespace gamefold
