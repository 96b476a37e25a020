#include <algorithm>
#include <functional>
#include <iterator>
#include <span>
#include <system_error>
#include <thread>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "core/game_day.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/boxscore.h"
#include "daypages/day_page.h"
#include "daypages/process.h"
#include "site/site.h"
#include "site/site_internal.h"

namespace gamefold {

using site_internal::PctText;
using site_internal::Record;
using site_internal::ResultOf;
using site_internal::TeamName;
using site_internal::TeamTotals;

namespace {

constexpr std::string_view kOtherDivision = "Other";
constexpr std::string_view kWholeLeague = "League";
constexpr size_t kLastGames = 10;
// How much of a boxscore is read first: its line score stands near its top.
constexpr size_t kHead = 4096;

std::string_view TrimWhite(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Ties count in neither wins nor losses, so not in the percentage either; no decision is .000.
bool PctLess(const Record& a, const Record& b) {
  std::int64_t a_games = a.wins + a.losses, b_games = b.wins + b.losses;
  if (a_games == 0 || b_games == 0) return a_games == 0 ? (b.wins > 0) : false;
  return std::int64_t{a.wins} * b_games < std::int64_t{b.wins} * a_games;
}

// Games behind the leader, in halves: "-" for none, "2.5", "12".
std::string GamesBehindText(const Record& leader, const Record& team) {
  int halves = (leader.wins - team.wins) + (team.losses - leader.losses);
  if (halves == 0) return "-";
  std::string text = halves < 0 ? "-" : "";
  halves = std::abs(halves);
  text += std::to_string(halves / 2);
  if (halves % 2 != 0) text += ".5";
  return text;
}

std::string SignedText(long value) {
  // Appended rather than concatenated: g++ 12 at -O3 warns falsely (-Wrestrict) on
  // "literal" + std::string.
  std::string text(value > 0 ? "+" : "");
  text += std::to_string(value);
  return text;
}

// "W3", "L1", "T1"; "-" before the first game.
std::string StreakText(std::string_view results) {
  if (results.empty()) return "-";
  char last = results.back();
  size_t other = results.find_last_not_of(last);
  size_t run = other == std::string_view::npos ? results.size() : results.size() - other - 1;
  std::string text(1, last);
  text += std::to_string(run);
  return text;
}

std::string LastGamesText(std::string_view results) {
  Record record;
  for (char c : results.substr(results.size() - std::min(results.size(), kLastGames))) {
    record.Add(c);
  }
  return record.Text();
}

std::map<std::string, TeamTotals, std::less<>> Totals(std::span<const SiteGame> games) {
  std::map<std::string, TeamTotals, std::less<>> teams;
  for (const SiteGame& game : games) {
    TeamTotals& visitor = teams[game.visitor];
    TeamTotals& home = teams[game.home];
    visitor.name = game.visitor;
    home.name = game.home;
    char visitor_result = ResultOf(game.visitor_runs, game.home_runs);
    char home_result = ResultOf(game.home_runs, game.visitor_runs);
    visitor.all.Add(visitor_result);
    visitor.away.Add(visitor_result);
    home.all.Add(home_result);
    home.home.Add(home_result);
    visitor.runs_for += game.visitor_runs;
    visitor.runs_against += game.home_runs;
    home.runs_for += game.home_runs;
    home.runs_against += game.visitor_runs;
    visitor.results.push_back(visitor_result);
    home.results.push_back(home_result);
  }
  return teams;
}

bool RanksBefore(const TeamTotals& a, const TeamTotals& b) {
  if (PctLess(b.all, a.all)) return true;
  if (PctLess(a.all, b.all)) return false;
  if (a.all.wins != b.all.wins) return a.all.wins > b.all.wins;
  long a_diff = a.runs_for - a.runs_against, b_diff = b.runs_for - b.runs_against;
  if (a_diff != b_diff) return a_diff > b_diff;
  return a.name < b.name;
}

StandingsTable TableOf(std::string_view name, std::vector<TeamTotals> teams, bool ties) {
  std::sort(teams.begin(), teams.end(), RanksBefore);
  StandingsTable table;
  table.name = std::string(name);
  for (const TeamTotals& team : teams) {
    std::vector<std::string> row = {team.name, std::to_string(team.all.wins),
                                    std::to_string(team.all.losses)};
    if (ties) row.push_back(std::to_string(team.all.ties));
    row.push_back(PctText(team.all));
    row.push_back(GamesBehindText(teams.front().all, team.all));
    row.push_back(team.home.Text());
    row.push_back(team.away.Text());
    row.push_back(std::to_string(team.runs_for));
    row.push_back(std::to_string(team.runs_against));
    row.push_back(SignedText(team.runs_for - team.runs_against));
    row.push_back(StreakText(team.results));
    row.push_back(LastGamesText(team.results));
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace

namespace site_internal {

// A team name goes into the page's lines: a control byte would split or garble them, as it
// would a title.
std::string TeamName(std::string_view name) {
  std::string team(name);
  for (char& c : team) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return team;
}

char ResultOf(int runs_for, int runs_against) {
  return runs_for > runs_against ? 'W' : runs_for < runs_against ? 'L' : 'T';
}

// ".583", "1.000", ".000": rounded half up.
std::string PctText(const Record& record) {
  int games = record.wins + record.losses;
  int thousandths = games == 0 ? 0 : (2000 * record.wins + games) / (2 * games);
  if (thousandths >= 1000) return "1.000";
  std::string text(".");
  text += ZeroPadded(thousandths, 3);
  return text;
}

// The games of the days that have pages, from the day's boxscores in listing order; each game's
// anchor as its day page has it, titles of unreadable boxscores (their file names) included.
namespace {

void ReadGamesOfDays(const SiteJob& job, std::span<const std::string> keys,
                     std::vector<SiteGame>* games, std::vector<std::string>* uncounted) {
  std::vector<char> bytes;
  for (const std::string& key : keys) {
    std::vector<std::string> names = DayFiles(job.input_names, key);
    std::vector<std::string> titles;
    std::vector<std::optional<SiteGame>> day;
    for (const std::string& name : names) {
      Failure failure;
      std::optional<LineScore> score;
      if (ReadFileOfFolder(job.input_folder, name, &bytes, &failure, kHead)) {
        score = FindLineScore(std::string_view(bytes.data(), bytes.size()));
        // The head may end before the line score does, or hold none of it: then the whole file
        // is read, as the day page reads it, so that both find the same line score.
        bool whole = bytes.size() < kHead;
        if (!whole && (!score || score->end >= bytes.size())) {
          score.reset();
          if (ReadFileOfFolder(job.input_folder, name, &bytes, &failure)) {
            score = FindLineScore(std::string_view(bytes.data(), bytes.size()));
          }
        }
      }
      // The day page titles a game by its file name when it has no line score, and a line score
      // without a team's name is counted for no team; the anchors are made of every title.
      titles.push_back(score ? TitleOf(*score) : TeamName(name));
      if (!score || TrimWhite(score->visitor).empty() || TrimWhite(score->home).empty()) {
        uncounted->push_back(name);
        day.emplace_back();
        continue;
      }
      SiteGame game{key,
                    TeamName(score->visitor),
                    TeamName(score->home),
                    score->visitor_runs,
                    score->home_runs,
                    {}};
      day.emplace_back(std::move(game));
    }
    std::vector<std::string_view> views(titles.begin(), titles.end());
    std::vector<std::string> anchors = GameAnchors(views);
    for (size_t i = 0; i < day.size(); ++i) {
      if (!day[i]) continue;
      day[i]->anchor = std::move(anchors[i]);
      games->push_back(std::move(*day[i]));
    }
  }
}

}  // namespace

// A season's heads are some 2,400 small reads that spend most of their time in the kernel: the
// later half of the days is read on a second thread, and the halves are joined in day order.
void ReadGames(const SiteJob& job, const std::vector<std::string>& keys,
               std::vector<SiteGame>* games, std::vector<std::string>* uncounted) {
  constexpr size_t kDaysWorthASecondThread = 8;
  std::span<const std::string> days(keys);
  if (days.size() < kDaysWorthASecondThread) return ReadGamesOfDays(job, days, games, uncounted);
  size_t half = days.size() / 2;
  std::vector<SiteGame> later_games;
  std::vector<std::string> later_uncounted;
  std::thread later;
  try {
    later = std::thread(ReadGamesOfDays, std::cref(job), days.subspan(half), &later_games,
                        &later_uncounted);
  } catch (const std::system_error&) {
    // No thread to be had: the same reading, on this one.
    return ReadGamesOfDays(job, days, games, uncounted);
  }
  ReadGamesOfDays(job, days.first(half), games, uncounted);
  later.join();
  std::move(later_games.begin(), later_games.end(), std::back_inserter(*games));
  std::move(later_uncounted.begin(), later_uncounted.end(), std::back_inserter(*uncounted));
}

}  // namespace site_internal

bool ParseLeague(std::string_view bytes, std::vector<Division>* divisions, std::string* problem) {
  divisions->clear();
  std::set<std::string, std::less<>> listed;
  std::vector<std::string_view> lines = SplitLines(bytes);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = TrimWhite(lines[i]);
    std::string where = std::string(kLeagueFileName) + " line " + std::to_string(i + 1) + ": ";
    if (line.empty()) continue;
    if (line.front() == '[') {
      std::string_view name = line.back() == ']' && line.size() > 1
                                  ? TrimWhite(line.substr(1, line.size() - 2))
                                  : std::string_view();
      if (name.empty()) {
        *problem = where + "a division needs a name between [ and ]";
        return false;
      }
      divisions->push_back({std::string(name), {}});
    } else if (divisions->empty()) {
      *problem = where + "a team before the first [Division]";
      return false;
    } else if (!listed.insert(std::string(line)).second) {
      *problem = where + "team listed twice";
      return false;
    } else {
      divisions->back().teams.emplace_back(line);
    }
  }
  return true;
}

std::vector<std::string_view> StandingsColumns(bool ties) {
  std::vector<std::string_view> columns = {"Team", "W", "L"};
  if (ties) columns.push_back("T");
  for (std::string_view column : {"Pct", "GB", "Home", "Away", "RS", "RA", "Diff", "Strk", "L10"}) {
    columns.push_back(column);
  }
  return columns;
}

bool HasTies(std::span<const SiteGame> games) {
  return std::any_of(games.begin(), games.end(),
                     [](const SiteGame& game) { return game.visitor_runs == game.home_runs; });
}

std::vector<StandingsTable> ComputeStandings(std::span<const SiteGame> games,
                                             const std::vector<Division>& divisions) {
  std::map<std::string, TeamTotals, std::less<>> teams = Totals(games);
  bool ties = HasTies(games);
  std::vector<StandingsTable> tables;
  if (divisions.empty()) {
    std::vector<TeamTotals> all;
    for (auto& [name, team] : teams) all.push_back(team);
    tables.push_back(TableOf(kWholeLeague, std::move(all), ties));
    return tables;
  }
  std::set<std::string, std::less<>> listed;
  for (const Division& division : divisions) {
    std::vector<TeamTotals> members;
    for (const std::string& name : division.teams) {
      listed.insert(name);
      auto found = teams.find(name);
      TeamTotals team;
      team.name = name;
      members.push_back(found == teams.end() ? team : found->second);
    }
    tables.push_back(TableOf(division.name, std::move(members), ties));
  }
  std::vector<TeamTotals> others;
  for (auto& [name, team] : teams) {
    if (!listed.contains(name)) others.push_back(team);
  }
  if (!others.empty()) tables.push_back(TableOf(kOtherDivision, std::move(others), ties));
  return tables;
}

}  // namespace gamefold
