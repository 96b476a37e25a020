#include "daypages/day_page.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/line_readers.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

Game GameOf(std::string_view text, std::string title = "T") {
  Game game = ReadGame(std::vector<char>(text.begin(), text.end()), ContentChoice::kLogs, "");
  game.title = std::move(title);
  return game;
}

std::string Page(std::vector<Game> games) {
  std::string page;
  WriteDayPage(&page, "20080406", games);
  return page;
}

// The lines of a game's preformatted block, CR LF included.
std::string GameText(std::string_view text) {
  std::vector<Game> games;
  games.push_back(GameOf(text));
  std::string page = Page(std::move(games));
  size_t begin = page.find("<PRE>\r\n") + 7;
  return page.substr(begin, page.find("</PRE>") - begin);
}

TEST(HeadingDate, WritesTheDateInEnglish) {
  EXPECT_EQ("Sunday, April 6 2008", HeadingDate("20080406"));
  EXPECT_EQ("Wednesday, December 31 2008", HeadingDate("20081231"));
  EXPECT_EQ("Friday, February 29 2008", HeadingDate("20080229"));
  EXPECT_EQ("Saturday, January 1 2000", HeadingDate("20000101"));
  // Not a calendar date: the key's digits.
  EXPECT_EQ("20080231", HeadingDate("20080231"));
  EXPECT_EQ("20070229", HeadingDate("20070229"));
  EXPECT_EQ("2008", HeadingDate("2008"));
}

TEST(WriteDayPage, FiltersAndEscapesKeptLines) {
  EXPECT_EQ("a\r\n \r\n \r\n", GameText("a\r\n"));
  EXPECT_EQ("a &amp; b &lt;c&gt; 'd'\r\n \r\n \r\n", GameText("a & b <c> 'd'"));
  EXPECT_EQ("h\r\n \r\nx y \r\n...\r\n \r\n \r\n \r\n",
            GameText("h\r\n\f\nx\fy\f\r\n...\n<....>\r\n"));
  // The end marker as a whole line ends the text; inside a line it is text.
  EXPECT_EQ("a END-OF-REQUEST\r\nb\r\n \r\n \r\n",
            GameText("a END-OF-REQUEST\r\nb\r\nEND-OF-REQUEST\r\nc\r\n"));
  EXPECT_EQ(" \r\n \r\n", GameText("END-OF-REQUEST"));
  EXPECT_EQ("x\r\r\n\xE9\r\n \r\n \r\n", GameText("x\r\r\n\xE9\r"));
  // Lines are scanned 64 bytes at a time: four full stops, a CR LF and a bare LF across the
  // 64th byte.
  const std::string h = "h\r\n";
  EXPECT_EQ("h\r\n \r\n \r\n \r\n", GameText(h + std::string(59, 'a') + "....\r\n"));
  const std::string a60(60, 'a');
  EXPECT_EQ(h + a60 + "\r\nb\r\n \r\n \r\n", GameText(h + a60 + "\r\nb\r\n"));
  EXPECT_EQ(h + a60 + "a\r\nb\r\n \r\n \r\n", GameText(h + a60 + "a\nb"));
}

// A day without games is never processed, but the page writer still makes its frame alone:
// heading, empty contents, the links.
TEST(WriteDayPage, WritesTheFrameAloneWithoutGames) {
  std::string page;
  WriteDayPage(&page, "20080407", {});
  EXPECT_EQ(testing::ReadBytes(GAMEFOLD_TEST_DATA "/daypages/GamesOf20080407.htm"), page);
}

// The lines that name an anchor, contents links first, then the games' own.
std::vector<std::string> AnchorLines(const std::string& page) {
  std::vector<std::string> lines;
  for (std::string_view opening : {"<A HREF='#", "<A NAME='"}) {
    for (size_t at = page.find(opening); at != std::string::npos; at = page.find(opening, at + 1)) {
      std::string line = page.substr(at, page.find("\r\n", at) - at);
      if (line.find("TOP") == std::string::npos) lines.push_back(line);
    }
  }
  return lines;
}

// Twin games (a doubleheader with the same score) each get an anchor of their own, so that
// every contents link leads to its own game; a game really titled "X (2)" keeps its anchor.
TEST(WriteDayPage, GivesTwinGamesAnchorsOfTheirOwn) {
  std::vector<Game> games;
  for (std::string title : {"X", "X (2)", "Y's", "X", "Y's", "X"})
    games.push_back(GameOf("a", title));
  std::string page;
  WriteDayPage(&page, "20080406", games);
  EXPECT_EQ(
      (std::vector<std::string>{
          "<A HREF='#X'>X</A>", "<A HREF='#X (2)'>X (2)</A>", "<A HREF='#Y&#39;s'>Y's</A>",
          "<A HREF='#X (3)'>X</A>", "<A HREF='#Y&#39;s (2)'>Y's</A>", "<A HREF='#X (4)'>X</A>",
          "<A NAME='X'>X</A>", "<A NAME='X (2)'>X (2)</A>", "<A NAME='Y&#39;s'>Y's</A>",
          "<A NAME='X (3)'>X</A>", "<A NAME='Y&#39;s (2)'>Y's</A>", "<A NAME='X (4)'>X</A>"}),
      AnchorLines(page));
  // Without twins, the titles are the anchors.
  games.resize(3);
  page.clear();
  WriteDayPage(&page, "20080406", games);
  EXPECT_EQ("<A HREF='#X (2)'>X (2)</A>", AnchorLines(page)[1]);
}

// Runs of CR LF lines are copied in bulk, other lines one by one: both must give the same page.
TEST(WriteDayPage, BulkCopyAgreesWithLineByLine) {
  const std::string_view pieces[] = {"ab",   "&", "<",  ">", "'", "\f", ".", "..", "END-OF-REQUEST",
                                     "\xE9", " ", "\r", "HD"};
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::string crlf;
    std::string lf;
    int count = static_cast<int>(random() % 12);
    for (int line = 0; line < count; ++line) {
      std::string text;
      for (int i = static_cast<int>(random() % 6); i > 0; --i) {
        text += pieces[random() % std::size(pieces)];
      }
      if (!text.empty() && text.back() == '\r') text += "z";  // else the LF form differs
      crlf += text + "\r\n";
      lf += text + "\n";
    }
    ASSERT_EQ(GameText(lf), GameText(crlf)) << crlf;
  }
}

}  // namespace
}  // namespace gamefold
