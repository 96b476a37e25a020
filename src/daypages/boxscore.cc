#include "daypages/boxscore.h"

#include "core/text.h"
#include "daypages/byte_scan.h"

namespace gamefold {

namespace {

constexpr size_t kNotFound = std::string_view::npos;

// The line-score header is the first line holding kLineScoreMark; its runs column begins where
// kRunsColumnMark does, so that a team's 3-character runs field ends under the R.
constexpr std::string_view kLineScoreMark = " R  H  E";
constexpr std::string_view kRunsColumnMark = "  R  H  E";
constexpr size_t kRunsFieldLength = 3;
// A team's name stands in characters 6 to 20 of its line.
constexpr size_t kTeamNameStart = 5;
constexpr size_t kTeamNameLength = 15;

std::string_view Field(std::string_view line, size_t start, size_t length) {
  return start < line.size() ? line.substr(start, length) : std::string_view();
}

// Blanks are skipped and the digits from the start read up to the first other byte, so "  5"
// gives 5 and "   " gives 0. Three bytes cannot overflow.
int ReadRuns(std::string_view field) {
  int runs = 0;
  for (char c : field) {
    if (c == ' ') continue;
    if (!IsDigit(c)) break;
    runs = runs * 10 + (c - '0');
  }
  return runs;
}

// A title is a link target and an anchor name: a browser drops tabs and line ends from a link
// but keeps them in the name, so the link would lead nowhere (and a line end would split the
// page's line). Control bytes in a title become blanks.
void BlankControlBytes(std::string* title) {
  for (char& c : *title) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
}

void AppendTeam(std::string* title, std::string_view name, int runs) {
  title->append(name);
  title->push_back(' ');
  title->append(std::to_string(runs));
}

}  // namespace

namespace {

std::optional<LineScore> ParseLineScore(std::string_view header, std::string_view first,
                                        std::string_view second) {
  size_t column = header.find(kRunsColumnMark);
  if (column == kNotFound) return std::nullopt;
  LineScore score;
  score.visitor = TrimBlanks(Field(first, kTeamNameStart, kTeamNameLength));
  score.home = TrimBlanks(Field(second, kTeamNameStart, kTeamNameLength));
  score.visitor_runs = ReadRuns(Field(first, column, kRunsFieldLength));
  score.home_runs = ReadRuns(Field(second, column, kRunsFieldLength));
  return score;
}

}  // namespace

std::string TitleOf(const LineScore& score) {
  std::string title;
  // A tie keeps the line score's order.
  if (score.home_runs > score.visitor_runs) {
    AppendTeam(&title, score.home, score.home_runs);
    title.append(", ");
    AppendTeam(&title, score.visitor, score.visitor_runs);
  } else {
    AppendTeam(&title, score.visitor, score.visitor_runs);
    title.append(", ");
    AppendTeam(&title, score.home, score.home_runs);
  }
  BlankControlBytes(&title);
  return title;
}

std::optional<std::string> GameTitle(std::string_view header, std::string_view first,
                                     std::string_view second) {
  std::optional<LineScore> score = ParseLineScore(header, first, second);
  if (!score) return std::nullopt;
  return TitleOf(*score);
}

namespace {

// The text of the line that begins at start: up to its LF or the end of the bytes, without
// the CR that belongs to the line end (by the rule of SplitLines). *next is where the following
// line begins, the size of the bytes after the last line.
std::string_view LineAt(std::string_view bytes, size_t start, size_t* next) {
  size_t line_feed = bytes.find('\n', start);
  size_t end = line_feed == kNotFound ? bytes.size() : line_feed;
  *next = line_feed == kNotFound ? end : end + 1;
  if (end > start && bytes[end - 1] == '\r') --end;
  return bytes.substr(start, end - start);
}

// Where the line that holds the byte at `at` begins.
size_t LineStart(std::string_view bytes, size_t at) {
  size_t line_feed = bytes.rfind('\n', at);
  return line_feed == kNotFound ? 0 : line_feed + 1;
}

// Whole lines without the last one's line end: what stays is those lines joined by their own
// line ends.
std::string_view WithoutLastLineEnd(std::string_view lines) {
  if (!lines.empty() && lines.back() == '\n') {
    lines.remove_suffix(1);
    if (!lines.empty() && lines.back() == '\r') lines.remove_suffix(1);
  } else if (!lines.empty() && lines.back() == '\r') {
    lines.remove_suffix(1);  // a CR that is the file's last byte
  }
  return lines;
}

}  // namespace

// The mark holds no line end, so its first occurrence lies in the first line that holds it.
std::optional<LineScore> FindLineScore(std::string_view bytes) {
  size_t mark = scan::Find(bytes, kLineScoreMark, 0);
  if (mark == kNotFound) return std::nullopt;
  size_t next = 0;
  std::string_view header = LineAt(bytes, LineStart(bytes, mark), &next);
  if (next == bytes.size()) return std::nullopt;
  std::string_view first = LineAt(bytes, next, &next);
  if (next == bytes.size()) return std::nullopt;
  std::string_view second = LineAt(bytes, next, &next);
  std::optional<LineScore> score = ParseLineScore(header, first, second);
  if (score) score->end = next;
  return score;
}

namespace {

std::optional<std::string> FindTitle(std::string_view bytes) {
  std::optional<LineScore> score = FindLineScore(bytes);
  if (!score) return std::nullopt;
  return TitleOf(*score);
}

}  // namespace

void FillGame(Game* game, ContentChoice content_choice, std::string_view file_name) {
  std::string_view text(game->text.data(), game->text.size());
  std::optional<std::string> title = FindTitle(text);
  game->title.assign(title ? std::string_view(*title) : file_name);
  BlankControlBytes(&game->title);
  std::vector<std::string_view>& pieces = game->pieces;
  pieces.clear();
  if (text.empty()) return;
  size_t from = 0;
  std::string_view header = LineAt(text, 0, &from);
  // The sections are found by searching the bytes for the header, not each line for it; the
  // lines between stay whole in one piece.
  size_t piece_start = 0;
  int sections = 1;
  // An empty header is held by every line; letting it open sections would drop all the text.
  size_t hit = header.empty() ? kNotFound : scan::Find(text, header, from);
  for (; hit != kNotFound; hit = scan::Find(text, header, from)) {
    size_t start = LineStart(text, hit);
    std::string_view line = LineAt(text, start, &from);
    // A hit that runs into the line end (its CR) lies in no line.
    if (hit + header.size() > start + line.size()) continue;
    pieces.push_back(WithoutLastLineEnd(text.substr(piece_start, start - piece_start)));
    pieces.push_back(kSectionSeparator);
    if (++sections > ChoiceNumber(content_choice)) return;
    piece_start = start;
  }
  pieces.push_back(WithoutLastLineEnd(text.substr(piece_start)));
}

}  // namespace gamefold
