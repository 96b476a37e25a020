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
  /// The file's bytes. A vector, not a string, so that moving a Game keeps `lines` valid.
  std::vector<char> text;
  /// The kept lines in file order, each a view into `text` or kSectionSeparator; the end marker
  /// is not stored.
  std::vector<std::string_view> lines;

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

/// Makes one game of a boxscore's bytes: title (or file_name) and kept lines.
Game ReadGame(std::vector<char> bytes, int content_choice, std::string_view file_name);

}  // namespace gamefold
