#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

/// Finds the first line score ("  R  H  E" and the two team lines after it) and builds the
/// title, winner first; nothing when there is no complete line score.
std::optional<std::string> ReadGameTitle(const std::vector<std::string_view>& lines);

/// The kept text for a content choice (1 boxscore, 2 and scoresheet, 3 and log): sections are
/// opened by lines that contain the whole first line, and a " " slot stands before each kept
/// section after the first. The end marker is not included.
std::vector<std::string_view> ReadGameLines(const std::vector<std::string_view>& lines,
                                            int content_choice);

/// Makes one game of a boxscore's bytes: title (or file_name) and the pieces of the kept text,
/// which are the lines that ReadGameLines keeps.
Game ReadGame(std::vector<char> bytes, int content_choice, std::string_view file_name);

/// Does what ReadGame does for the bytes already in game->text, reusing the memory that the
/// game's title and pieces hold.
void FillGame(Game* game, int content_choice, std::string_view file_name);

}  // namespace gamefold
