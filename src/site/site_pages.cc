#include <algorithm>
#include <optional>

#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/day_page.h"
#include "daypages/process.h"
#include "site/site.h"
#include "site/site_internal.h"

namespace gamefold {

using site_internal::PctText;
using site_internal::ReadGames;
using site_internal::ResultOf;
using site_internal::TeamName;
using site_internal::TeamTotals;

namespace {

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

}  // namespace

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
  std::vector<std::string> listed;
  if (job.output_names == nullptr &&
      !ListFolder(job.output_folder, kDayPagePattern, &listed, err)) {
    return false;
  }
  std::vector<std::string> keys = DayPageKeys(job.output_names ? *job.output_names : listed);
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
