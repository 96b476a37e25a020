#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/content_choice.h"

namespace gamefold {

/// The marker that ends a game's kept text.
inline constexpr std::string_view kEndOfRequest = "END-OF-REQUEST";
/// The slot that stands before every kept section after the first.
inline constexpr std::string_view kSectionSeparator = " ";

/// One game of a day: its title and the text kept from its boxscore.
struct Game {
  /// "Cubs 5, Reds 3", winner first; the bare file name when the file has no usable line score.
  std::string title;
  /// The file's bytes. A vector, not a string, so that moving a Game keeps `pieces` valid.
  std::vector<char> text;
  /// The kept text in file order: pieces of whole lines, each a view into `text` that holds
  /// the lines joined by their own line ends (the last line's end left out), and
  /// kSectionSeparator before each kept section after the first. Keeping runs of lines rather
  /// than lines lets the page copy them in bulk. The end marker is not stored.
  std::vector<std::string_view> pieces;

  Game() = default;
  Game(Game&&) = default;
  Game& operator=(Game&&) = default;
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;
};

/// The title of a line score from its header line (which holds "  R  H  E") and its two team
/// lines: winner first, "Cubs 5, Reds 3"; nothing when the header has no runs column.
std::optional<std::string> GameTitle(std::string_view header, std::string_view first_team,
                                     std::string_view second_team);

/// A game's line score: the visitors on its first team line, the home team on its second. The
/// names are views into the bytes it was read from, blanks trimmed.
struct LineScore {
  std::string_view visitor, home;
  int visitor_runs = 0;
  int home_runs = 0;
  /// Where the home team's line ends in the bytes (after its LF; the size of the bytes when the
  /// line has none): a caller that read only a file's head knows whether the line was complete.
  size_t end = 0;
};

/// The line score of a boxscore's bytes, as its title is read: the first line holding the runs
/// mark and the two lines after it; nothing when there is none.
std::optional<LineScore> FindLineScore(std::string_view bytes);

/// The title of a line score: winner first, "Cubs 5, Reds 3"; a tie keeps the line score's
/// order. Control bytes become blanks.
std::string TitleOf(const LineScore& score);

/// Makes one game of the boxscore bytes already in game->text, reusing the memory that the
/// game's title and pieces hold: the title (file_name when there is no complete line score) and
/// the pieces of the kept text for a content choice: as many sections as its number.
/// Sections are opened by lines that contain the whole first line; a " " slot stands before
/// each kept section after the first.
void FillGame(Game* game, ContentChoice content_choice, std::string_view file_name);

}  // namespace gamefold
