#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "site/site.h"

// What the standings and the site's pages share; not for use outside src/site.
namespace gamefold::site_internal {

/// Wins, losses and ties.
struct Record {
  int wins = 0, losses = 0, ties = 0;

  void Add(char result) { (result == 'W' ? wins : result == 'L' ? losses : ties) += 1; }
  // "W-L", and "-T" after it when there are ties to tell.
  std::string Text() const {
    std::string text = std::to_string(wins) + "-" + std::to_string(losses);
    if (ties > 0) text.append("-").append(std::to_string(ties));
    return text;
  }
};

/// A team's records, runs and results over the games counted.
struct TeamTotals {
  std::string name;
  Record all, home, away;
  long runs_for = 0, runs_against = 0;
  std::string results;  // 'W', 'L' or 'T' a game, in date order
};

/// The name with its control bytes made blanks, so that it cannot split or garble a page's lines.
std::string TeamName(std::string_view name);

/// 'W', 'L' or 'T' for the side that scored runs_for.
char ResultOf(int runs_for, int runs_against);

/// The percentage: ".583", "1.000", ".000", rounded half up.
std::string PctText(const Record& record);

/// The games of the days keys from their line scores, and the boxscores that could not be counted.
void ReadGames(const SiteJob& job, const std::vector<std::string>& keys,
               std::vector<SiteGame>* games, std::vector<std::string>* uncounted);

}  // namespace gamefold::site_internal
