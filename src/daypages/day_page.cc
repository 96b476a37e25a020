#include "daypages/day_page.h"

#include <bit>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/game_day.h"
#include "core/text_file.h"
#include "daypages/byte_scan.h"

namespace gamefold {

namespace {

constexpr size_t kNotFound = std::string_view::npos;

constexpr std::string_view kWeekdayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};
constexpr std::string_view kFullMonthNames[] = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};

constexpr std::string_view kBodyOpening = "<BODY><TABLE>";
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
// The links name the index page as it is written: an upper-case link is broken on
// case-sensitive file systems and web servers.
static_assert(kMonthsLink.find(kIndexPageName) != kNotFound);
static_assert(kBackLinks.find(kIndexPageName) != kNotFound);
constexpr std::string_view kGameRow = "<TR class=dmrptbody2><TD>";
constexpr std::string_view kRule = "<HR>";
constexpr std::string_view kPreStart = "<PRE>";
constexpr std::string_view kPreEnd = "</PRE>";
constexpr std::string_view kPageEnd = "</TABLE></BODY></HTML>";
constexpr std::string_view kLineEnd = "\r\n";
// Written for a line of four full stops in a row, and twice after each game's text.
constexpr std::string_view kBlankLine = " ";
constexpr std::string_view kDots = "....";

// Where a text goes decides what it must not hold as is.
enum class Place {
  kText,       // titles and heading: & < > would be read as markup
  kAttribute,  // inside HREF='...' and NAME='...': also the quote that would end it
  kGameLine,   // a kept line: also form feeds, which become blanks
};

std::string_view Replacement(char c, Place place) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '\'':
      return place == Place::kAttribute ? "&#39;" : std::string_view();
    case '\f':
      return place == Place::kGameLine ? " " : std::string_view();
    default:
      return {};
  }
}

void AppendEscaped(std::string* out, std::string_view text, Place place) {
  size_t copied = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    std::string_view replacement = Replacement(text[i], place);
    if (replacement.empty()) continue;
    out->append(text.substr(copied, i - copied));
    out->append(replacement);
    copied = i + 1;
  }
  out->append(text.substr(copied));
}

// Writes one kept line through the filters; false for an end marker, which ends the game's text.
bool AppendGameLine(std::string* out, std::string_view line) {
  if (line == kEndOfRequest) return false;
  // A form feed is not a full stop, so blanking it first cannot change this test.
  if (line.find(kDots) != kNotFound) {
    AppendLine(out, kBlankLine);
  } else {
    AppendEscaped(out, line, Place::kGameLine);
    out->append(kLineEnd);
  }
  return true;
}

// Whether the Q at q may be that of a line that is exactly the end marker. (A line that only
// begins with it is also taken: the line's own filter tells them apart.)
bool MayEndGameAt(std::string_view piece, size_t q) {
  constexpr size_t kQ = kEndOfRequest.find('Q');
  if (q < kQ) return false;
  size_t start = q - kQ;
  size_t end = start + kEndOfRequest.size();
  return (start == 0 || piece[start - 1] == '\n') &&
         piece.substr(start, kEndOfRequest.size()) == kEndOfRequest &&
         (end == piece.size() || piece[end] == '\r' || piece[end] == '\n');
}

// Finds, 64 bytes at a time, the first byte at or after from (where a line begins) that keeps
// its line from being copied as it stands: a form feed or one of HTML's specials, the last of
// four full stops in a row, the Q of an end marker line, or an LF without a CR before it.
// None but the LF is a line end, so each lies in the line that it keeps back. Returns npos
// when there is none.
size_t FindSpecial(std::string_view piece, size_t from) {
  using scan::Bytes16;
  using scan::Splat;
  const char* end = piece.data() + piece.size();
  // From the chunk before: the last three full stops may begin a row of four, the last CR may
  // stand before an LF.
  std::uint64_t dots_before = 0;
  std::uint64_t crs_before = 0;
  for (size_t i = from; i < piece.size(); i += scan::Chunk::kSize) {
    scan::Chunk chunk(piece.data() + i, end);
    std::uint64_t hits = chunk.Where([](Bytes16 bytes) {
      // '<' and '>' differ only in bit 1; a Q is checked below.
      return (bytes == Splat('\f')) | (bytes == Splat('&')) | (bytes == Splat('Q')) |
             ((bytes | Splat(2)) == Splat('>'));
    });
    std::uint64_t dots = chunk.Where('.');
    // A row of four is marked at its last full stop, which lies in the same line.
    hits |= dots & ((dots << 1) | (dots_before >> 63)) & ((dots << 2) | (dots_before >> 62)) &
            ((dots << 3) | (dots_before >> 61));
    dots_before = dots;
    std::uint64_t crs = chunk.Where('\r');
    hits |= chunk.Where('\n') & ~((crs << 1) | (crs_before >> 63));
    crs_before = crs;
    for (; hits != 0; hits &= hits - 1) {
      size_t hit = i + static_cast<size_t>(std::countr_zero(hits));
      if (piece[hit] != 'Q' || MayEndGameAt(piece, hit)) return hit;
    }
  }
  return kNotFound;
}

// Writes a piece of kept text, whole lines joined by their line ends. Up to its first special
// byte the piece's lines all end in CR LF, as the page's must, so they are copied as they
// stand; the line that holds the special goes through the filters alone. False when an end
// marker line stopped the game's text.
bool AppendPiece(std::string* out, std::string_view piece) {
  size_t copied = 0;
  for (size_t special; (special = FindSpecial(piece, copied)) != kNotFound;) {
    // The special may be the LF that ends its line: the line begins after the LF before it.
    size_t start = special == copied ? kNotFound : piece.rfind('\n', special - 1);
    start = start == kNotFound || start < copied ? copied : start + 1;
    size_t line_feed = piece.find('\n', special);
    size_t end = line_feed == kNotFound ? piece.size() : line_feed;
    // Inside a piece a CR before an LF belongs to the line end; the piece's last line has none.
    if (line_feed != kNotFound && end > start && piece[end - 1] == '\r') --end;
    out->append(piece.substr(copied, start - copied));
    if (!AppendGameLine(out, piece.substr(start, end - start))) return false;
    if (line_feed == kNotFound) return true;
    copied = line_feed + 1;
  }
  out->append(piece.substr(copied));
  out->append(kLineEnd);
  return true;
}

void AppendGameText(std::string* out, const Game& game) {
  for (std::string_view piece : game.pieces) {
    if (!AppendPiece(out, piece)) break;
  }
  AppendLine(out, kBlankLine);
  AppendLine(out, kBlankLine);
}

// "<A HREF='#" or "<A NAME='", then the anchor as the link's target and the title as its text.
void AppendTitleLink(std::string* out, std::string_view opening, std::string_view anchor,
                     std::string_view title) {
  out->append(opening);
  AppendEscaped(out, anchor, Place::kAttribute);
  out->append("'>");
  AppendEscaped(out, title, Place::kText);
  out->append("</A>");
  out->append(kLineEnd);
}

// The anchors of the games when two share a title (a doubleheader with the same score), else
// nothing: each game's title is its anchor. A title used before on the page gets the first
// free "TITLE (n)" from n = 2, skipping every title of the page, so that a game really titled
// "X (2)" keeps its own anchor beside two games titled "X" and no two anchors are the same.
std::vector<std::string> TwinAnchors(std::span<const std::string_view> titles_in_order) {
  std::set<std::string_view> titles;
  bool twins = false;
  for (std::string_view title : titles_in_order) twins |= !titles.insert(title).second;
  if (!twins) return {};
  std::set<std::string, std::less<>> used;
  std::vector<std::string> anchors;
  anchors.reserve(titles_in_order.size());
  for (std::string_view title : titles_in_order) {
    std::string anchor(title);
    for (int n = 2; used.contains(anchor); ++n) {
      anchor = std::string(title) + " (" + std::to_string(n) + ")";
      if (titles.contains(anchor)) anchor = title;  // another game's title: try the next
    }
    used.insert(anchor);
    anchors.push_back(std::move(anchor));
  }
  return anchors;
}

std::vector<std::string> TwinAnchors(std::span<const Game> games) {
  std::vector<std::string_view> titles;
  titles.reserve(games.size());
  for (const Game& game : games) titles.push_back(game.title);
  return TwinAnchors(titles);
}

// The day-to-day line of a site's day page; it closes the line of the months link, whose table
// opens after it.
void AppendSiteLinks(std::string* out, const SiteLinks& site) {
  constexpr std::string_view kTable = "<table>";
  std::string_view months = kMonthsLink.substr(0, kMonthsLink.size() - kTable.size());
  AppendLine(out, months);
  std::string line = "Go to ";
  if (!site.previous_key.empty()) {
    line += "<A HREF=" + DayPageName(site.previous_key) + ">Previous Day</A> | ";
  }
  if (!site.next_key.empty()) {
    line += "<A HREF=" + DayPageName(site.next_key) + ">Next Day</A> | ";
  }
  line += "<A HREF=" + std::string(kStandingsPageName) + ">Standings</A> <BR>";
  line += kTable;
  AppendLine(out, line);
}

std::string_view AnchorOf(std::span<const Game> games, const std::vector<std::string>& anchors,
                          size_t i) {
  return anchors.empty() ? std::string_view(games[i].title) : std::string_view(anchors[i]);
}

void AppendContents(std::string* out, std::span<const Game> games,
                    const std::vector<std::string>& anchors) {
  for (size_t i = 0; i < games.size(); ++i) {
    // Games are numbered from 1: the first is odd.
    AppendLine(out, i % 2 == 0 ? kOddContentsRow : kEvenContentsRow);
    AppendTitleLink(out, "<A HREF='#", AnchorOf(games, anchors, i), games[i].title);
  }
}

void AppendGame(std::string* out, const Game& game, std::string_view anchor, bool first) {
  AppendLine(out, kGameRow);
  AppendLine(out, kRule);
  if (!first) AppendLine(out, kBackLinks);
  AppendTitleLink(out, "<A NAME='", anchor, game.title);
  AppendLine(out, kPreStart);
  AppendGameText(out, game);
  AppendLine(out, kPreEnd);
}

// Room for the whole page, so that it is built without moving: the files' bytes bound the kept
// text, save for the CRs that lines ended by a bare LF gain and for escapes.
size_t PageSizeHint(std::span<const Game> games) {
  size_t size = 1024;
  for (const Game& game : games) {
    size += game.text.size() + game.text.size() / 16 + 8 * game.title.size() + 512;
  }
  return size;
}

}  // namespace

std::string HeadingDate(std::string_view key) {
  std::optional<Date> date = ParseDayKey(key);
  if (!date) return std::string(key);
  std::string heading(kWeekdayNames[Weekday(date->year, date->month, date->day) - 1]);
  heading.append(", ");
  heading.append(kFullMonthNames[date->month - 1]);
  heading.push_back(' ');
  heading.append(std::to_string(date->day));
  heading.push_back(' ');
  heading.append(key.substr(0, 4));
  return heading;
}

std::vector<std::string> GameAnchors(std::span<const std::string_view> titles) {
  std::vector<std::string> anchors = TwinAnchors(titles);
  if (anchors.empty()) anchors.assign(titles.begin(), titles.end());
  return anchors;
}

void AppendHtmlEscaped(std::string* out, std::string_view text, bool attribute) {
  AppendEscaped(out, text, attribute ? Place::kAttribute : Place::kText);
}

void WriteDayPage(std::string* out, std::string_view key, std::span<const Game> games,
                  const SiteLinks* site) {
  out->reserve(out->size() + PageSizeHint(games));
  for (std::string_view line : kPageHead) AppendLine(out, line);
  AppendLine(out, kBodyOpening);
  out->append(kHeadingStart);
  AppendEscaped(out, HeadingDate(key), Place::kText);
  out->append(kHeadingEnd);
  out->append(kLineEnd);
  std::vector<std::string> anchors = TwinAnchors(games);
  AppendContents(out, games, anchors);
  AppendLine(out, kContentsEnd);
  if (site == nullptr) {
    AppendLine(out, kMonthsLink);
  } else {
    AppendSiteLinks(out, *site);
  }
  for (size_t i = 0; i < games.size(); ++i) {
    AppendGame(out, games[i], AnchorOf(games, anchors, i), i == 0);
  }
  AppendLine(out, kBackLinks);
  AppendLine(out, kPageEnd);
}

}  // namespace gamefold
