#include "daypages/boxscore.h"

#include <gtest/gtest.h>

#include <random>

#include "core/text_file.h"
#include "tests/support/line_readers.h"

namespace gamefold {
namespace {

// A line score whose runs column is 21: team names in characters 6-20, runs in 21-23.
const std::string kHeader = std::string(20, ' ') + "  R  H  E";

std::string Team(std::string_view name_field, std::string_view runs_field) {
  return "   1 " + std::string(name_field) + std::string(runs_field) + "  8  1";
}

std::string TitleOf(const std::string& text) {
  return ReadGameTitle(SplitLines(text)).value_or("(none)");
}

std::string TitleOf(std::string_view first_runs, std::string_view second_runs) {
  return TitleOf("x\n" + kHeader + "\n" + Team("Reds           ", first_runs) + "\n" +
                 Team("Cubs           ", second_runs) + "\n");
}

TEST(ReadGameTitle, PutsTheWinnerFirst) {
  EXPECT_EQ("Cubs 5, Reds 3", TitleOf("  3", "  5"));
  EXPECT_EQ("Reds 5, Cubs 3", TitleOf("  5", "  3"));
  EXPECT_EQ("Reds 4, Cubs 4", TitleOf("  4", "  4"));  // a tie keeps the line score's order
  EXPECT_EQ("Cubs 12, Reds 0", TitleOf("   ", " 12"));
  EXPECT_EQ("Cubs 12, Reds 1", TitleOf("1x2", "1 2"));  // blanks skipped, digits up to a letter
  EXPECT_EQ("Reds 0, Cubs 0", TitleOf("x12", "-3 "));
}

TEST(ReadGameTitle, ReadsNamesFromCharacters6To20) {
  std::string text =
      kHeader + "\n" + Team("  Reds         ", "  2") + "\n" + "   2 Philadelphia Athletics  1\n";
  // The long name runs into the runs field, which then holds no digits.
  EXPECT_EQ("Reds 2, Philadelphia At 0", TitleOf(text));
  EXPECT_EQ(" 0,  0", TitleOf(kHeader + "\n\nabc\n"));
}

TEST(ReadGameTitle, UsesOnlyAFirstCompleteLineScore) {
  std::string first = kHeader + "\n" + Team("Reds           ", "  3") + "\n" +
                      Team("Cubs           ", "  5") + "\n";
  std::string second = kHeader + "\n" + Team("Late           ", " 27") + "\n" +
                       Team("Team           ", "  0") + "\n";
  EXPECT_EQ("Cubs 5, Reds 3", TitleOf("x\n" + first + "y\n" + second));
  EXPECT_EQ("(none)", TitleOf(""));
  EXPECT_EQ("(none)", TitleOf("no line score\r\n"));
  EXPECT_EQ("(none)", TitleOf(kHeader + "\n" + Team("Reds           ", "  3") + "\n"));
  // Tabs and other control bytes in a name would break the contents link: they become blanks.
  EXPECT_EQ("Cubs 5, Red Sox  3",
            TitleOf(kHeader + "\n" + Team("Red\tSox\r       ", "  3") + "\n" +
                    Team("Cubs           ", "  5") + "\n"));
  EXPECT_EQ("a b.BOX", ReadGame({'x'}, ContentChoice::kBoxscores, "a\nb.BOX").title);
  // " R  H  E" at the start of the line, or after a letter, gives no runs column.
  EXPECT_EQ("(none)", TitleOf(" R  H  E\na\nb\n"));
  EXPECT_EQ("(none)", TitleOf("x R  H  E\na\nb\n"));
}

std::vector<std::string> Kept(const std::string& text, int choice) {
  std::vector<std::string_view> lines = ReadGameLines(SplitLines(text), choice);
  return std::vector<std::string>(lines.begin(), lines.end());
}

TEST(ReadGameLines, KeepsTheChosenSections) {
  const std::string text = "==H==\r\na\r\nx ==H== y\r\nb\r\n==H== log\r\nc\r\n==h== d";
  using Lines = std::vector<std::string>;
  EXPECT_EQ((Lines{"==H==", "a", " "}), Kept(text, 1));
  EXPECT_EQ((Lines{"==H==", "a", " ", "x ==H== y", "b", " "}), Kept(text, 2));
  // The file ends inside the last chosen section: its last line stays.
  Lines all{"==H==", "a", " ", "x ==H== y", "b", " ", "==H== log", "c", "==h== d"};
  EXPECT_EQ(all, Kept(text, 3));
  EXPECT_EQ(all, Kept(text, 4));
  EXPECT_EQ((Lines{"==H=="}), Kept(text, 0));
  EXPECT_EQ((Lines{"==H==", " "}), Kept("==H==\n==H==\nz\n", 1));
  // An empty first line would be held by every line: the whole file is one section.
  EXPECT_EQ((Lines{"", "a", "", "b"}), Kept("\r\na\r\n\r\nb\r\n", 1));
  EXPECT_EQ(Lines{}, Kept("", 3));
}

// The lines of ReadGame's pieces: each piece is whole lines joined by their line ends.
std::vector<std::string_view> LinesOf(const Game& game) {
  std::vector<std::string_view> lines;
  for (std::string_view piece : game.pieces) {
    for (size_t start = 0;;) {
      size_t line_feed = piece.find('\n', start);
      if (line_feed == std::string_view::npos) {
        lines.push_back(piece.substr(start));
        break;
      }
      size_t end = line_feed > start && piece[line_feed - 1] == '\r' ? line_feed - 1 : line_feed;
      lines.push_back(piece.substr(start, end - start));
      start = line_feed + 1;
    }
  }
  return lines;
}

// ReadGame searches the bytes rather than each line; it must agree with the two readings over
// split lines, also where CRs, section headers and line scores fall oddly.
TEST(ReadGame, AgreesWithTheTwoReadings) {
  const std::string_view pieces[] = {"HD", "HD\r", "\r", "\n", "\r\n", " ",          "  R  H  E",
                                     "12", "Reds", "x",  "\f", "  5",  "           "};
  std::mt19937 random(7);
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
    ContentChoice choice = kContentChoices[random() % std::size(kContentChoices)];
    Game game = ReadGame(std::vector<char>(text.begin(), text.end()), choice, "name.BOX");
    Game moved = std::move(game);
    std::vector<std::string_view> lines = SplitLines(text);
    ASSERT_EQ(ReadGameTitle(lines).value_or("name.BOX"), moved.title) << text;
    ASSERT_EQ(ReadGameLines(lines, ChoiceNumber(choice)), LinesOf(moved))
        << text << " choice " << ChoiceNumber(choice);
  }
}

}  // namespace
}  // namespace gamefold
