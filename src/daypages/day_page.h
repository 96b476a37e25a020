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

/// The links a day page gets when the league's site is kept: the days before and after it that
/// have pages (empty when there is none); the standings page is always linked.
struct SiteLinks {
  std::string previous_key, next_key;
};

/// Appends the whole day page of key and its games to out, every line ending in CR LF; with
/// site, the links to the neighbouring days and the standings follow the "Index of Months" link.
void WriteDayPage(std::string* out, std::string_view key, std::span<const Game> games,
                  const SiteLinks* site = nullptr);

/// The anchor of every game of a page whose games have these titles, in order: the title
/// itself, or "TITLE (n)" for a game whose title an earlier game of the page has.
std::vector<std::string> GameAnchors(std::span<const std::string_view> titles);

/// Appends text escaped as page text (& < >), or, with attribute, also for a quoted attribute.
void AppendHtmlEscaped(std::string* out, std::string_view text, bool attribute);

}  // namespace gamefold
