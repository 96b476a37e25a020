#pragma once

// Readers of a boxscore that take it line by line, as the window once did: the references that
// the tests and the fuzz targets hold the program's one-pass reader (FillGame) to.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "daypages/boxscore.h"

namespace gamefold {

/// Finds the first line score (a line holding " R  H  E" and the two team lines after it) and
/// builds the title, winner first; nothing when there is no complete line score.
std::optional<std::string> ReadGameTitle(const std::vector<std::string_view>& lines);

/// The kept lines of the first sections_kept sections (a content choice's number): sections are
/// opened by lines that contain the whole first line, and a " " slot stands before each kept
/// section after the first, also before the first section that is not kept. The end marker is not
/// included.
std::vector<std::string_view> ReadGameLines(const std::vector<std::string_view>& lines,
                                            int sections_kept);

/// One game made of a boxscore's bytes by FillGame.
Game ReadGame(std::vector<char> bytes, ContentChoice content_choice, std::string_view file_name);

}  // namespace gamefold
