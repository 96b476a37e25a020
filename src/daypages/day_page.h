#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "daypages/boxscore.h"

namespace gamefold {

/// The heading of a day page: "Sunday, April 6 2008" for 20080406; the key itself when it is
/// not a calendar date.
std::string HeadingDate(std::string_view key);

/// Appends the whole day page of key and its games to out, every line ending in CR LF.
void WriteDayPage(std::string* out, std::string_view key, std::span<const Game> games);

}  // namespace gamefold
