#include "tests/support/line_readers.h"

namespace gamefold {

std::optional<std::string> ReadGameTitle(const std::vector<std::string_view>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find(" R  H  E") == std::string_view::npos) continue;
    if (i + 2 >= lines.size()) return std::nullopt;
    return GameTitle(lines[i], lines[i + 1], lines[i + 2]);
  }
  return std::nullopt;
}

std::vector<std::string_view> ReadGameLines(const std::vector<std::string_view>& lines,
                                            int sections_kept) {
  std::vector<std::string_view> kept;
  if (lines.empty()) return kept;
  std::string_view header = lines.front();
  kept.push_back(header);
  int sections = 1;
  for (size_t i = 1; i < lines.size(); ++i) {
    // An empty header is in every line; it opens no section.
    if (!header.empty() && lines[i].find(header) != std::string_view::npos) {
      ++sections;
      kept.push_back(kSectionSeparator);
    }
    if (sections > sections_kept) break;
    kept.push_back(lines[i]);
  }
  return kept;
}

Game ReadGame(std::vector<char> bytes, ContentChoice content_choice, std::string_view file_name) {
  Game game;
  game.text = std::move(bytes);
  FillGame(&game, content_choice, file_name);
  return game;
}

}  // namespace gamefold
