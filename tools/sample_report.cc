// The sample season's boxscore files: the three sections of a game report, each opened by a
// line that repeats the report's first line.

#include <algorithm>
#include <string>
#include <vector>

#include "sample_game.h"

namespace gamefold::sample {

namespace {

std::string DateText(const gamefold::Date& date) {
  static constexpr const char* kDays[] = {"",          "Sunday",   "Monday", "Tuesday",
                                          "Wednesday", "Thursday", "Friday", "Saturday"};
  static constexpr const char* kMonths[] = {
      "",     "January", "February",  "March",   "April",    "May",     "June",
      "July", "August",  "September", "October", "November", "December"};
  return Format("%s, %s %d %d", kDays[gamefold::Weekday(date.year, date.month, date.day)],
                kMonths[date.month], date.day, date.year);
}

std::string Average(int hits, int at_bats) {
  if (at_bats == 0) return " .000";
  int thousandths = (hits * 1000 + at_bats / 2) / at_bats;
  return thousandths >= 1000 ? Format("%d.%03d", thousandths / 1000, thousandths % 1000)
                             : Format(" .%03d", thousandths);
}

std::string EarnedRunAverage(int earned_runs, int outs) {
  if (outs == 0) return earned_runs == 0 ? " 0.00" : "  inf";
  int hundredths = (earned_runs * 2700 + outs / 2) / outs;
  return Format("%2d.%02d", hundredths / 100, hundredths % 100);
}

// The line score: the runs field of each team line is the three characters that end under the
// R of "  R  H  E".
void AppendLineScore(const Game& game, std::vector<std::string>& lines) {
  std::string header(20, ' ');
  for (int inning = 1; inning <= game.innings; ++inning) header += Format("%3d", inning);
  lines.push_back(header + "    R  H  E");
  for (const Side* side : {&game.away, &game.home}) {
    std::string line = Format("     %-15s", side->team->name.c_str());
    for (int inning = 0; inning < game.innings; ++inning) {
      bool played = inning < static_cast<int>(side->runs_by_inning.size());
      line += played ? Format("%3d", side->runs_by_inning[inning]) : std::string("  x");
    }
    lines.push_back(line + Format("  %3d%3d%3d", side->runs, side->hits, side->error_count));
  }
}

std::string PitcherLabel(const Game& game, const Side& side, const PitchingLine& line) {
  const Player& pitcher = side.team->pitchers[line.player];
  bool won = (&side == &game.home) == (game.home.runs > game.away.runs);
  if (won && line.player == game.winner_pitcher) {
    return Format("%s (W, %d-%d)", pitcher.name.c_str(), pitcher.wins, pitcher.losses);
  }
  if (!won && line.player == game.loser_pitcher) {
    return Format("%s (L, %d-%d)", pitcher.name.c_str(), pitcher.wins, pitcher.losses);
  }
  if (won && line.player == game.save_pitcher) {
    return Format("%s (S, %d)", pitcher.name.c_str(), pitcher.saves);
  }
  return pitcher.name;
}

// The player in a lineup slot with the position of that slot's regular.
std::string LineupLabel(const Side& side, int slot) {
  const Team& team = *side.team;
  return team.batters[side.lineup[slot].player].name + " " + team.batters[slot].position;
}

void AppendBatting(const Side& side, std::vector<std::string>& lines) {
  lines.push_back(Format("%-22s  AB   R   H RBI  BB  SO    AVG", side.team->name.c_str()));
  int totals[6] = {};
  for (int slot = 0; slot < 9; ++slot) {
    const BattingLine& line = side.lineup[slot];
    const Player& player = side.team->batters[line.player];
    lines.push_back(Format("%-22s%4d%4d%4d%4d%4d%4d  %s", LineupLabel(side, slot).c_str(),
                           line.at_bats, line.runs, line.hits, line.rbi, line.walks,
                           line.strikeouts, Average(player.hits, player.at_bats).c_str()));
    int values[6] = {line.at_bats, line.runs, line.hits, line.rbi, line.walks, line.strikeouts};
    for (int i = 0; i < 6; ++i) totals[i] += values[i];
  }
  lines.push_back(Format("%-22s%4d%4d%4d%4d%4d%4d", "  Totals", totals[0], totals[1], totals[2],
                         totals[3], totals[4], totals[5]));
}

// "HR - Tormann, K (12), Alby, R (3)." with the season counts; nothing when the list is empty.
void AppendNote(const char* label, const Side& side, const std::vector<int>& players,
                int Player::*count, std::vector<std::string>& lines) {
  if (players.empty()) return;
  // A player named once, with how often he did it today when more than once.
  std::string note = Format("%s - %s:", label, side.team->name.c_str());
  for (size_t i = 0; i < players.size(); ++i) {
    if (std::find(players.begin(), players.begin() + i, players[i]) != players.begin() + i) {
      continue;
    }
    long today = std::count(players.begin(), players.end(), players[i]);
    const Player& player = side.team->batters[players[i]];
    note += today > 1 ? Format(" %s %ld (%d),", player.name.c_str(), today, player.*count)
                      : Format(" %s (%d),", player.name.c_str(), player.*count);
  }
  note.back() = '.';
  lines.push_back(note);
}

void AppendPitching(const Game& game, const Side& side, std::vector<std::string>& lines) {
  lines.push_back(Format("%-24s  IP   H   R  ER  BB  SO  HR    ERA", side.team->name.c_str()));
  for (const PitchingLine& line : side.pitching) {
    const Player& pitcher = side.team->pitchers[line.player];
    lines.push_back(Format(
        "%-24s%2d.%d%4d%4d%4d%4d%4d%4d  %s", PitcherLabel(game, side, line).c_str(), line.outs / 3,
        line.outs % 3, line.hits, line.runs, line.earned_runs, line.walks, line.strikeouts,
        line.homers, EarnedRunAverage(pitcher.earned_runs, pitcher.outs).c_str()));
  }
}

void AppendBoxscore(const Game& game, Random& random, std::vector<std::string>& lines) {
  const Team& away = *game.away.team;
  const Team& home = *game.home.team;
  lines.push_back(
      Format("BOXSCORE     Game %05d     %s", game.number, DateText(game.date).c_str()));
  lines.push_back(Format("%s (%d-%d) at %s (%d-%d), %s", away.name.c_str(), away.wins, away.losses,
                         home.name.c_str(), home.wins, home.losses, home.park.c_str()));
  lines.push_back("");
  AppendLineScore(game, lines);
  lines.push_back("");
  for (const Side* side : {&game.away, &game.home}) {
    AppendBatting(*side, lines);
    lines.push_back("");
  }
  for (const Side* side : {&game.away, &game.home}) {
    AppendNote("2B", *side, side->doubles, &Player::doubles, lines);
    AppendNote("3B", *side, side->triples, &Player::triples, lines);
    AppendNote("HR", *side, side->homers, &Player::homers, lines);
    AppendNote("E", *side, side->errors, &Player::errors, lines);
  }
  lines.push_back(Format("LOB - %s %d, %s %d.", away.name.c_str(), game.away.left_on_base,
                         home.name.c_str(), game.home.left_on_base));
  lines.push_back("");
  for (const Side* side : {&game.away, &game.home}) {
    AppendPitching(game, *side, lines);
    lines.push_back("");
  }
  std::string pitch_counts = "Pitches-strikes:";
  for (const Side* side : {&game.away, &game.home}) {
    for (const PitchingLine& line : side->pitching) {
      pitch_counts += Format(" %s %d-%d,", side->team->pitchers[line.player].name.c_str(),
                             line.pitches, line.strikes);
    }
  }
  pitch_counts.back() = '.';
  lines.push_back(pitch_counts);
  static constexpr const char* kSkies[] = {"clear", "partly cloudy", "overcast", "hazy"};
  lines.push_back(Format("Umpires........... HP: %s  1B: %s  2B: %s  3B: %s",
                         PlayerName(random).c_str(), PlayerName(random).c_str(),
                         PlayerName(random).c_str(), PlayerName(random).c_str()));
  lines.push_back(
      Format("Weather........... %d degrees, %s", game.temperature, kSkies[random.Below(4)]));
  lines.push_back(Format("Time of game...... %d:%02d", game.minutes / 60, game.minutes % 60));
  lines.push_back(
      Format("Attendance........ %d,%03d", game.attendance / 1000, game.attendance % 1000));
  lines.push_back("");
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void AppendScoresheetSide(const Side& side, int innings, std::vector<std::string>& lines) {
  std::string header = Format("%-24s", side.team->name.c_str());
  for (int inning = 1; inning <= innings; ++inning) header += Format("%-7d", inning);
  lines.push_back(TrimRight(header));
  lines.push_back(std::string(24 + 7 * innings, '-'));
  for (int slot = 0; slot < 9; ++slot) {
    std::string row = Format("%d %-22s", slot + 1, LineupLabel(side, slot).c_str());
    for (int inning = 1; inning <= innings; ++inning) {
      std::string cell;
      for (const Mark& mark : side.marks) {
        if (mark.inning == inning && mark.slot == slot)
          cell += (cell.empty() ? "" : "/") + mark.code;
      }
      row += Format("%-7s", cell.empty() ? "." : cell.c_str());
    }
    lines.push_back(TrimRight(row));
  }
  lines.push_back(std::string(24 + 7 * innings, '-'));
  std::string runs = Format("%-24s", "  Runs");
  std::string hits = Format("%-24s", "  Hits");
  for (size_t inning = 0; inning < side.runs_by_inning.size(); ++inning) {
    runs += Format("%-7d", side.runs_by_inning[inning]);
    hits += Format("%-7d", side.hits_by_inning[inning]);
  }
  lines.push_back(TrimRight(runs));
  lines.push_back(TrimRight(hits));
  lines.push_back("");
  lines.push_back(Format("%-24s  BF  PIT  STR", "  Pitcher"));
  for (const PitchingLine& line : side.pitching) {
    lines.push_back(Format("  %-22s%4d%5d%5d", side.team->pitchers[line.player].name.c_str(),
                           line.batters, line.pitches, line.strikes));
  }
  lines.push_back("");
}

// Real reports start a new printed page at some sections; a form feed before the section's
// header line keeps that line a section opener, since it still contains the whole header.
std::string SectionOpener(const std::string& banner, Random& random) {
  return random.Percent(30) ? "\f" + banner : banner;
}

}  // namespace

std::string Report(const Game& game, const std::string& banner, Random& random) {
  std::vector<std::string> lines;
  lines.push_back(banner);
  AppendBoxscore(game, random, lines);

  lines.push_back(SectionOpener(banner, random));
  lines.push_back(Format("SCORESHEET     %s at %s     %s", game.away.team->name.c_str(),
                         game.home.team->name.c_str(), DateText(game.date).c_str()));
  lines.push_back("");
  AppendScoresheetSide(game.away, game.innings, lines);
  AppendScoresheetSide(game.home, game.innings, lines);

  lines.push_back(SectionOpener(banner, random));
  lines.push_back(Format("PLAY BY PLAY     %s at %s     %s", game.away.team->name.c_str(),
                         game.home.team->name.c_str(), DateText(game.date).c_str()));
  lines.push_back("");
  bool page_breaks = random.Percent(40);
  for (size_t i = 0; i < game.log.size(); ++i) {
    lines.push_back(game.log[i]);
    if (page_breaks && i % 60 == 59) lines.push_back("\f");
  }
  lines.push_back(Format("Final.......... %s %d, %s %d", game.away.team->name.c_str(),
                         game.away.runs, game.home.team->name.c_str(), game.home.runs));

  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace gamefold::sample
