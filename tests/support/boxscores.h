#pragma once

#include <string>

namespace gamefold::testing {

/// A small boxscore of three sections (boxscore, scoresheet, log), lines ending in CR LF, whose
/// line score gives the title "home 5, away 3" when home scored 5 and away 3: team names in
/// characters 6 to 20, runs under the R.
std::string Boxscore(std::string away, int away_runs, std::string home, int home_runs);

}  // namespace gamefold::testing
