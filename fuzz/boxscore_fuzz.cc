// Arbitrary bytes as a boxscore file: read as one game for each content choice, then written as a
// day page with that game twice. Checks that the fast reader agrees with the line-by-line one and
// that the page keeps its frame whatever the file holds.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/game_day.h"
#include "core/text_file.h"
#include "daypages/boxscore.h"
#include "daypages/day_page.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/line_readers.h"

namespace gamefold::fuzz {

namespace {

constexpr std::string_view kPageHead[] = {
    "<HTML>", "<head><title></title></head>",
    "<link rel=\"stylesheet\" type=\"Text/css\" href=\"vuzad.css\">", "<BODY><TABLE>"};
constexpr std::string_view kHeadingStart =
    "<TR ><TD class=dmrptbodyhdr align=center><A NAME='TOP'><u><font size=+2>";
constexpr std::string_view kHeadingEnd = "</font></u></A>";
constexpr std::string_view kOddContentsRow = "<TR class=dmrptbody><TD >";
constexpr std::string_view kEvenContentsRow = "<TR class=dmrptbody2><TD class=dmrptbody>";
constexpr std::string_view kContentsEnd = "<TR></TABLE>";
constexpr std::string_view kMonthsLink =
    "Go to <A HREF=GamesIndex.htm>Index of Months</A> <BR><table>";
constexpr std::string_view kBackLinks =
    "Go to <A HREF='#TOP'>Index of this Day</A><br>Go to <A HREF=GamesIndex.htm>Index of "
    "Months</A> <BR>";
constexpr std::string_view kGameRow = "<TR class=dmrptbody2><TD>";
constexpr std::string_view kPageEnd = "</TABLE></BODY></HTML>";

bool IsDigits(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A line made of a fixed start, an escaped text and a fixed end; returns the text as written.
std::string_view Between(std::string_view line, std::string_view start, std::string_view end) {
  FUZZ_CHECK(line.size() >= start.size() + end.size());
  FUZZ_CHECK(line.substr(0, start.size()) == start);
  FUZZ_CHECK(line.substr(line.size() - end.size()) == end);
  return line.substr(start.size(), line.size() - start.size() - end.size());
}

// "<A HREF='#" or "<A NAME='", the anchor escaped for an attribute, "'>", the title as text.
void CheckTitleLink(std::string_view line, std::string_view opening, const std::string& anchor,
                    const std::string& title) {
  std::string_view inner = Between(line, opening, "</A>");
  // The attribute's quote may not appear escaped-out: its first "'" ends it.
  size_t quote = inner.find('\'');
  FUZZ_CHECK(quote != std::string_view::npos);
  FUZZ_CHECK(inner.substr(quote, 2) == "'>");
  FUZZ_CHECK(Unescape(inner.substr(0, quote)) == anchor);
  FUZZ_CHECK(Unescape(inner.substr(quote + 2)) == title);
}

// The page lines of a game's text: one per kept line up to an end marker, then two blanks.
void CheckGameText(LineReader* page, const std::vector<std::string_view>& kept_lines) {
  for (std::string_view kept : kept_lines) {
    if (kept == kEndOfRequest) break;
    std::string_view written = page->Next();
    std::string blanked(kept);
    for (char& c : blanked) {
      if (c == '\f') c = ' ';
    }
    if (blanked.find("....") != std::string::npos) {
      FUZZ_CHECK(written == " ");
    } else {
      // Unescape refuses a raw "<": no byte of the file can open a tag.
      FUZZ_CHECK(Unescape(written) == blanked);
    }
  }
  page->Expect(" ");
  page->Expect(" ");
}

void CheckDayPage(std::string_view page_bytes, std::string_view key, const std::vector<Game>& games,
                  const std::vector<std::string_view>& kept_lines) {
  std::optional<std::vector<std::string_view>> lines = PageLines(page_bytes);
  FUZZ_CHECK(lines.has_value());
  LineReader page(std::move(*lines));
  for (std::string_view line : kPageHead) page.Expect(line);
  FUZZ_CHECK(Unescape(Between(page.Next(), kHeadingStart, kHeadingEnd)) == HeadingDate(key));
  // The same game is on the page more than once: every copy after the first is linked as
  // "TITLE (n)", n counting the copies, so that each link leads to its own game.
  std::vector<std::string> anchors;
  for (size_t i = 0; i < games.size(); ++i) {
    size_t before = 0;
    for (size_t j = 0; j < i; ++j) before += games[j].title == games[i].title ? 1 : 0;
    anchors.push_back(before == 0 ? games[i].title
                                  : games[i].title + " (" + std::to_string(before + 1) + ")");
  }
  for (size_t i = 0; i < games.size(); ++i) {
    page.Expect(i % 2 == 0 ? kOddContentsRow : kEvenContentsRow);
    CheckTitleLink(page.Next(), "<A HREF='#", anchors[i], games[i].title);
  }
  page.Expect(kContentsEnd);
  page.Expect(kMonthsLink);
  for (size_t i = 0; i < games.size(); ++i) {
    page.Expect(kGameRow);
    page.Expect("<HR>");
    if (i > 0) page.Expect(kBackLinks);
    CheckTitleLink(page.Next(), "<A NAME='", anchors[i], games[i].title);
    page.Expect("<PRE>");
    CheckGameText(&page, kept_lines);
    page.Expect("</PRE>");
  }
  page.Expect(kBackLinks);
  page.Expect(kPageEnd);
  FUZZ_CHECK(page.AtEnd());
}

// The lines of a piece: joined by their own line ends, the last one's end left out. So every
// LF ends a line with the CR before it, and a CR that ends the piece is the last line's own.
void AppendPieceLines(std::string_view piece, std::vector<std::string_view>* lines) {
  for (;;) {
    size_t line_feed = piece.find('\n');
    if (line_feed == std::string_view::npos) {
      lines->push_back(piece);
      return;
    }
    std::string_view line = piece.substr(0, line_feed);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines->push_back(line);
    piece.remove_prefix(line_feed + 1);
  }
}

// The game that ReadGame makes in one pass must be the one that the line-by-line readings give.
void CheckGame(const Game& game, std::string_view file_name,
               const std::optional<std::string>& title,
               const std::vector<std::string_view>& kept_lines) {
  FUZZ_CHECK(!game.title.empty());
  FUZZ_CHECK(game.title == (title ? *title : std::string(file_name)));
  const char* text_begin = game.text.data();
  const char* text_end = text_begin + game.text.size();
  std::less<const char*> before;
  std::vector<std::string_view> lines;
  for (std::string_view piece : game.pieces) {
    // The page writer copies pieces by their place in the text: a piece is either the separator
    // or a view into the game's own bytes, never into bytes that may be gone.
    bool in_text =
        !before(piece.data(), text_begin) && !before(text_end, piece.data() + piece.size());
    if (!in_text) {
      FUZZ_CHECK(piece == kSectionSeparator);
      lines.push_back(piece);
    } else {
      AppendPieceLines(piece, &lines);
    }
  }
  FUZZ_CHECK(lines == kept_lines);
}

// Every choice keeps what the smaller choices keep, and then maybe more.
void CheckChoicesNest(const std::vector<std::string_view>& smaller,
                      const std::vector<std::string_view>& larger) {
  FUZZ_CHECK(smaller.size() <= larger.size());
  for (size_t i = 0; i < smaller.size(); ++i) FUZZ_CHECK(smaller[i] == larger[i]);
}

void CheckHeading(std::string_view key) {
  std::string heading = HeadingDate(key);
  std::optional<Date> date = ParseDayKey(key);
  if (!date) {
    FUZZ_CHECK(heading == key);
    return;
  }
  // "Sunday, April 6 2008": the day without a leading zero, then the key's own four digits.
  // Built by appending: g++ 12 at -O3 misreads `" " + std::string` (an insert at the front) as
  // an overlapping copy and warns with -Wrestrict.
  std::string tail = " ";
  tail.append(std::to_string(date->day)).append(" ").append(key.substr(0, 4));
  FUZZ_CHECK(heading.size() > tail.size());
  FUZZ_CHECK(heading.substr(heading.size() - tail.size()) == tail);
  FUZZ_CHECK(heading.find(", ") != std::string::npos);
}

}  // namespace

}  // namespace gamefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace gamefold;
  using namespace gamefold::fuzz;
  std::string_view bytes = AsText(data, size);
  // The key of a page is always eight digits; the heading is fed any eight bytes on its own.
  std::string_view head = bytes.substr(0, 8);
  CheckHeading(head);
  std::string key = head.size() == 8 && IsDigits(head) ? std::string(head) : "20080406";
  std::string file_name = key + "00001.BOX";

  std::vector<std::string_view> split = SplitLines(bytes);
  std::optional<std::string> title = ReadGameTitle(split);
  std::vector<std::string_view> smaller;
  std::vector<Game> games(2);
  for (ContentChoice choice : kContentChoices) {
    std::vector<std::string_view> kept = ReadGameLines(split, ChoiceNumber(choice));
    CheckChoicesNest(smaller, kept);
    // The second game is filled in place over the first choice's game, as a run reuses one.
    games[0] = ReadGame(std::vector<char>(bytes.begin(), bytes.end()), choice, file_name);
    games[1].text.assign(bytes.begin(), bytes.end());
    FillGame(&games[1], choice, file_name);
    for (const Game& game : games) CheckGame(game, file_name, title, kept);
    // WriteDayPage appends: what the buffer held stays in front.
    const std::string prefix = "held";
    std::string page = prefix;
    WriteDayPage(&page, key, games);
    FUZZ_CHECK(page.compare(0, prefix.size(), prefix) == 0);
    CheckDayPage(std::string_view(page).substr(prefix.size()), key, games, kept);
    smaller = std::move(kept);
  }
  return 0;
}
