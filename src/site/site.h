#pragma once

#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// One counted game of the league's site, from its line score.
struct SiteGame {
  std::string key;  // the day, YYYYMMDD
  std::string visitor, home;
  int visitor_runs = 0;
  int home_runs = 0;
  std::string anchor;  // the game's anchor on its day page, as the day page writes it
};

/// A division of league.txt: its name and its teams, in the file's order.
struct Division {
  std::string name;
  std::vector<std::string> teams;
};

/// Reads league.txt: "[Division name]" lines, each followed by team names one a line; blank
/// lines are passed over, blanks around names trimmed. False with the line number and what is
/// wrong in *problem for a team before any division, an unclosed or empty division name, or a
/// team listed twice.
[[nodiscard]] bool ParseLeague(std::string_view bytes, std::vector<Division>* divisions,
                               std::string* problem);

/// One table of the standings: its caption and its rows of cells, in the order of the columns
/// StandingsColumns gives; the first cell is the team's name as it stands in the line scores.
struct StandingsTable {
  std::string name;
  std::vector<std::vector<std::string>> rows;
};

/// The column captions, with "T" after "L" when the season has a tied game.
std::vector<std::string_view> StandingsColumns(bool ties);

/// True when a game of games is tied.
bool HasTies(std::span<const SiteGame> games);

/// The standings of games (in date order): one table a division, then "Other" for the teams of
/// the games that no division lists; one table "League" without divisions. Rows are sorted by
/// percentage, wins, run difference, then name.
std::vector<StandingsTable> ComputeStandings(std::span<const SiteGame> games,
                                             const std::vector<Division>& divisions);

/// The page name of every team: "Team-" + the name's ASCII letters and digits with '-' for every
/// run of other bytes + ".htm"; a name that would share its page with a name before it in byte
/// order (letter case aside, for the file systems that ignore it) gets "-2", "-3", ... So the
/// same set of teams always gives the same names.
std::map<std::string, std::string> TeamPageNames(const std::set<std::string>& teams);

/// The pages of the site, by file name, built from games and divisions (empty: one table);
/// uncounted names the boxscores left out, listed at the foot of the standings.
std::map<std::string, std::string> BuildSitePages(std::span<const SiteGame> games,
                                                  const std::vector<Division>& divisions,
                                                  std::span<const std::string> uncounted,
                                                  std::string_view charset);

/// What WriteSite works on. The names are a view of the caller's listing.
struct SiteJob {
  std::string input_folder;
  std::span<const std::string> input_names;  // the input folder's "*.BOX" names, listing order
  std::string output_folder;
  std::string charset = {};
  /// The output folder's day page names as the caller listed them (under the folder's lock), or
  /// null: WriteSite lists them.
  const std::vector<std::string>* output_names = nullptr;
};

/// What WriteSite did.
struct SiteResult {
  std::vector<std::string> written, unchanged;  // paths of the site's pages
  std::vector<std::string> uncounted;           // boxscores whose line score could not be read
  std::string league_problem;                   // league.txt's fault, when it has one
};

/// The sorted keys of the day pages among an output folder's names.
std::vector<std::string> DayPageKeys(std::span<const std::string> output_names);

/// With the site, a day page links the days before and after it that have pages. Sets
/// *site_days to the sorted keys of the day pages among output_names and of keys (the days about
/// to get one), and appends to keys their neighbours that have boxscores in input_names: a new
/// day changes its neighbours' links, so their pages are made again.
void AddSiteNeighbours(std::span<const std::string> output_names,
                       std::span<const std::string> input_names, std::vector<std::string>* keys,
                       std::vector<std::string>* site_days);

/// Writes Standings.htm and the team pages into the output folder from the games of the days
/// that have a day page there, each page only when its bytes change. Only a failure to list the
/// output folder or to write a page fails.
[[nodiscard]] bool WriteSite(const SiteJob& job, SiteResult* result, Failure* err);

}  // namespace gamefold
