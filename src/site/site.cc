#include "site/site.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/boxscore.h"
#include "daypages/day_page.h"
#include "daypages/process.h"

namespace gamefold {

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

// A team name goes into the page's lines: a control byte would split or garble them, as it
// would a title.
std::string TeamName(std::string_view name) {
  std::string team(name);
  for (char& c : team) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return team;
}

// Wins, losses and ties.
struct Record {
  int wins = 0, losses = 0, ties = 0;

  void Add(char result) { (result == 'W' ? wins : result == 'L' ? losses : ties) += 1; }
  // "W-L", and "-T" after it when there are ties to tell.
  std::string Text() const {
    std::string text = std::to_string(wins) + "-" + std::to_string(losses);
    if (ties > 0) text += "-" + std::to_string(ties);
    return text;
  }
};

struct TeamTotals {
  std::string name;
  Record all, home, away;
  long runs_for = 0, runs_against = 0;
  std::string results;  // 'W', 'L' or 'T' a game, in date order
};

char ResultOf(int runs_for, int runs_against) {
  return runs_for > runs_against ? 'W' : runs_for < runs_against ? 'L' : 'T';
}

// Ties count in neither wins nor losses, so not in the percentage either; no decision is .000.
bool PctLess(const Record& a, const Record& b) {
  std::int64_t a_games = a.wins + a.losses, b_games = b.wins + b.losses;
  if (a_games == 0 || b_games == 0) return a_games == 0 ? (b.wins > 0) : false;
  return std::int64_t{a.wins} * b_games < std::int64_t{b.wins} * a_games;
}

// ".583", "1.000", ".000": rounded half up.
std::string PctText(const Record& record) {
  int games = record.wins + record.losses;
  int thousandths = games == 0 ? 0 : (2000 * record.wins + games) / (2 * games);
  if (thousandths >= 1000) return "1.000";
  return "." + ZeroPadded(thousandths, 3);
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
  return value > 0 ? "+" + std::to_string(value) : std::to_string(value);
}

// "W3", "L1", "T1"; "-" before the first game.
std::string StreakText(std::string_view results) {
  if (results.empty()) return "-";
  char last = results.back();
  size_t other = results.find_last_not_of(last);
  size_t run = other == std::string_view::npos ? results.size() : results.size() - other - 1;
  return std::string(1, last) + std::to_string(run);
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

// The "Through ..." line's date: "Sunday, April 20, 2008".
std::string ThroughDate(std::string_view key) {
  std::string heading = HeadingDate(key);
  size_t year = heading.rfind(' ');
  if (ParseDayKey(key) && year != std::string::npos) heading.insert(year, ",");
  return heading;
}

// "Apr 6" for a game log's date cell.
std::string ShortDate(std::string_view key) {
  std::optional<Date> date = ParseDayKey(key);
  if (!date) return std::string(key);
  return std::string(kMonthNames[static_cast<size_t>(date->month)]) + " " +
         std::to_string(date->day);
}

// A link's target: the anchor's bytes other than unreserved ones as %XX, so that a blank, a
// quote or '#' in a title cannot end or bend the link.
std::string UrlEncoded(std::string_view text) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                 (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      encoded.push_back(c);
    } else {
      encoded.push_back('%');
      encoded.push_back(kHex[byte >> 4]);
      encoded.push_back(kHex[byte & 15]);
    }
  }
  return encoded;
}

std::string Escaped(std::string_view text) {
  std::string out;
  AppendHtmlEscaped(&out, text, false);
  return out;
}

void OpenPage(std::string* page, std::string_view heading) {
  for (std::string_view line : kPageHead) AppendLine(page, line);
  AppendLine(page, "<BODY>");
  AppendLine(page, "<H2>" + Escaped(heading) + "</H2>");
}

void ClosePage(std::string* page, std::string_view charset) {
  AppendLine(page, "</BODY></HTML>");
  DeclareCharset(page, charset);
}

std::string TeamLink(const std::map<std::string, std::string>& pages, const std::string& team) {
  return "<A HREF='" + pages.at(team) + "'>" + Escaped(team) + "</A>";
}

std::string StandingsPage(std::span<const SiteGame> games,
                          const std::vector<StandingsTable>& tables,
                          const std::map<std::string, std::string>& pages,
                          std::span<const std::string> uncounted, std::string_view charset) {
  std::string page;
  OpenPage(&page, "Standings");
  if (games.empty()) {
    AppendLine(&page, "<P>No games counted yet</P>");
  } else {
    AppendLine(&page, "<P>Through " + Escaped(ThroughDate(games.back().key)) + "</P>");
  }
  std::vector<std::string_view> columns = StandingsColumns(HasTies(games));
  for (const StandingsTable& table : tables) {
    AppendLine(&page, "<TABLE class=dmrptbody>");
    AppendLine(&page, "<TR class=dmrptbodyhdr><TH colspan=" + std::to_string(columns.size()) +
                          " align=left>" + Escaped(table.name));
    std::string header = "<TR class=dmrptbodyhdr>";
    for (std::string_view column : columns) header += "<TH>" + std::string(column);
    AppendLine(&page, header);
    for (const std::vector<std::string>& row : table.rows) {
      std::string line = "<TR><TD>" + TeamLink(pages, row.front());
      for (size_t i = 1; i < row.size(); ++i) line += "<TD align=right>" + row[i];
      AppendLine(&page, line);
    }
    AppendLine(&page, "</TABLE><BR>");
  }
  if (!uncounted.empty()) {
    std::string line = "<P>Not counted, their line score could not be read:";
    for (const std::string& name : uncounted) line += " " + Escaped(TeamName(name));
    AppendLine(&page, line + "</P>");
  }
  ClosePage(&page, charset);
  return page;
}

std::string TeamPage(const std::string& team, std::span<const SiteGame> games,
                     const std::map<std::string, std::string>& pages, std::string_view charset) {
  std::string page;
  OpenPage(&page, team);
  AppendLine(&page, "Go to <A HREF=" + std::string(kStandingsPageName) + ">Standings</A> <BR>");
  TeamTotals totals;
  std::vector<std::string> rows;
  for (const SiteGame& game : games) {
    bool home = game.home == team;
    if (!home && game.visitor != team) continue;
    int runs_for = home ? game.home_runs : game.visitor_runs;
    int runs_against = home ? game.visitor_runs : game.home_runs;
    char result = ResultOf(runs_for, runs_against);
    totals.all.Add(result);
    (home ? totals.home : totals.away).Add(result);
    const std::string& opponent = home ? game.visitor : game.home;
    rows.push_back("<TR><TD><A HREF='" + DayPageName(game.key) + "#" + UrlEncoded(game.anchor) +
                   "'>" + ShortDate(game.key) + "</A><TD>" + (home ? "vs " : "at ") +
                   TeamLink(pages, opponent) + "<TD>" + std::string(1, result) + "<TD>" +
                   std::to_string(runs_for) + "-" + std::to_string(runs_against) + "<TD>" +
                   totals.all.Text());
  }
  AppendLine(&page, "<P>Record " + totals.all.Text() + " (" + PctText(totals.all) + "), home " +
                        totals.home.Text() + ", away " + totals.away.Text() + "</P>");
  AppendLine(&page, "<TABLE class=dmrptbody>");
  AppendLine(&page, "<TR class=dmrptbodyhdr><TH>Date<TH>Opponent<TH>Result<TH>Score<TH>Record");
  for (const std::string& row : rows) AppendLine(&page, row);
  AppendLine(&page, "</TABLE>");
  ClosePage(&page, charset);
  return page;
}

// The games of the days that have pages, from the day's boxscores in listing order; each game's
// anchor as its day page has it, titles of unreadable boxscores (their file names) included.
void ReadGames(const SiteJob& job, const std::vector<std::string>& keys,
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

std::map<std::string, std::string> TeamPageNames(const std::set<std::string>& teams) {
  std::map<std::string, std::string> pages;
  std::set<std::string> taken;  // stems in lower case
  for (const std::string& team : teams) {
    std::string stem;
    for (char c : team) {
      auto byte = static_cast<unsigned char>(c);
      bool kept = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                  (byte >= '0' && byte <= '9');
      if (kept) {
        stem.push_back(c);
      } else if (!stem.empty() && stem.back() != '-') {
        stem.push_back('-');
      }
    }
    while (!stem.empty() && stem.back() == '-') stem.pop_back();
    if (stem.empty()) stem = "team";
    auto lower = [](std::string text) {
      for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
      return text;
    };
    std::string chosen = stem;
    for (int n = 2; taken.contains(lower(chosen)); ++n) chosen = stem + "-" + std::to_string(n);
    taken.insert(lower(chosen));
    pages[team] = std::string(kTeamPagePrefix) + chosen + std::string(kDayPageSuffix);
  }
  return pages;
}

std::map<std::string, std::string> BuildSitePages(std::span<const SiteGame> games,
                                                  const std::vector<Division>& divisions,
                                                  std::span<const std::string> uncounted,
                                                  std::string_view charset) {
  std::vector<StandingsTable> tables = ComputeStandings(games, divisions);
  std::set<std::string> teams;
  for (const StandingsTable& table : tables) {
    for (const std::vector<std::string>& row : table.rows) teams.insert(row.front());
  }
  std::map<std::string, std::string> names = TeamPageNames(teams);
  std::map<std::string, std::string> pages;
  pages[std::string(kStandingsPageName)] = StandingsPage(games, tables, names, uncounted, charset);
  for (const std::string& team : teams)
    pages[names.at(team)] = TeamPage(team, games, names, charset);
  return pages;
}

std::vector<std::string> DayPageKeys(std::span<const std::string> output_names) {
  std::vector<std::string> keys;
  for (const std::string& name : output_names) {
    if (name.size() == kDayPageNameLength && name.starts_with(kDayPagePrefix) &&
        name.ends_with(kDayPageSuffix) && IsPageFileName(name)) {
      keys.emplace_back(name.substr(kDayPagePrefix.size(), kDayKeyLength));
    }
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  return keys;
}

void AddSiteNeighbours(std::span<const std::string> output_names,
                       std::span<const std::string> input_names, std::vector<std::string>* keys,
                       std::vector<std::string>* site_days) {
  *site_days = DayPageKeys(output_names);
  site_days->insert(site_days->end(), keys->begin(), keys->end());
  std::sort(site_days->begin(), site_days->end());
  site_days->erase(std::unique(site_days->begin(), site_days->end()), site_days->end());
  std::set<std::string, std::less<>> chosen(keys->begin(), keys->end());
  std::vector<std::string> neighbours;
  for (const std::string& key : *keys) {
    auto at = std::lower_bound(site_days->begin(), site_days->end(), key);
    std::vector<std::string>::const_iterator around[] = {at, at + 1};
    if (at != site_days->begin()) around[0] = at - 1;
    for (auto next : around) {
      if (next == site_days->end() || chosen.contains(*next)) continue;
      if (DayFiles(input_names, *next).empty()) continue;
      chosen.insert(*next);
      neighbours.push_back(*next);
    }
  }
  keys->insert(keys->end(), neighbours.begin(), neighbours.end());
}

bool WriteSite(const SiteJob& job, SiteResult* result, Failure* err) {
  std::vector<std::string> output_names;
  if (!ListFolder(job.output_folder, kDayPagePattern, &output_names, err)) return false;
  std::vector<std::string> keys = DayPageKeys(output_names);
  std::vector<Division> divisions;
  std::vector<char> league;
  Failure league_failure;
  std::string league_path = JoinPath(job.output_folder, kLeagueFileName);
  if (FileExists(league_path) && (!ReadFileOfFolder(job.output_folder, std::string(kLeagueFileName),
                                                    &league, &league_failure) ||
                                  !ParseLeague(std::string_view(league.data(), league.size()),
                                               &divisions, &result->league_problem))) {
    if (result->league_problem.empty()) result->league_problem = league_failure.description;
    divisions.clear();
  }
  std::vector<SiteGame> games;
  ReadGames(job, keys, &games, &result->uncounted);
  std::map<std::string, std::string> pages =
      BuildSitePages(games, divisions, result->uncounted, job.charset);
  // A run killed while writing a page may have left its temporary file behind.
  RemoveStaleTemporaries(job.output_folder);
  std::vector<char> buffer;
  for (const auto& [name, bytes] : pages) {
    std::string path = JoinPath(job.output_folder, name);
    bool written = false;
    if (!ReplaceFileIfChanged(path, bytes, &written, err, &buffer)) return false;
    (written ? result->written : result->unchanged).push_back(path);
  }
  return true;
}

}  // namespace gamefold
