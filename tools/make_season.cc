// gamefold-sample-season: writes a season of sample boxscore files into a folder, one file per
// game, named YYYYMMDD + the game's five-digit number within its day + ".BOX". Each file holds
// the three sections of a league simulation's game report (boxscore with line score, scoresheet,
// play-by-play log), each opened by a line that repeats the report's first line. The games are
// simulated plate appearance by plate appearance, so the line score, the batting and pitching
// lines and the log agree with each other. The output depends on the arguments only.

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/game_day.h"

namespace {

constexpr char kUsage[] =
    "usage: gamefold-sample-season [--seed N] [--year Y] [--days D] [--force] FOLDER\n";
constexpr char kHelp[] =
    "\n"
    "Writes a made-up season of boxscore files YYYYMMDDnnnnn.BOX into FOLDER, which it creates.\n"
    "\n"
    "  --seed N    another season of the same shape (default 1)\n"
    "  --year Y    the season's year, 1000 to 9999 (default 2008)\n"
    "  --days D    how many game days from 1 April, 1 to 275 (default 180)\n"
    "  --force     replaces files of the same names; without it an existing file stops the run\n"
    "              before anything is written\n"
    "\n"
    "Exit status: 0 written, 1 failed (the reason is on standard error), 2 bad usage.\n";

// splitmix64: small, and unlike the standard distributions it gives the same numbers with every
// compiler and library, so a seed names one season everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  bool Percent(int chance) { return Below(100) < chance; }

 private:
  std::uint64_t state_;
};

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

// ---- League -------------------------------------------------------------------------------

// Plain names of at most 15 characters: the line score gives a team name 15 columns.
constexpr std::array<const char*, 30> kTeamNames = {
    "Ashford",      "Bellmont",   "Carver City", "Dunmore",      "Eastport",   "Fairhaven",
    "Glenrock",     "Harlow",     "Ironton",     "Jasper Falls", "Kingsbury",  "Lakemont",
    "Millbrook",    "Northfield", "Oakdale",     "Pine Bluff",   "Queensport", "Riverton",
    "Stonebridge",  "Thornbury",  "Union Mills", "Valeport",     "Westbrook",  "Yarmouth",
    "Zephyr Hills", "Brantwood",  "Cedar Point", "Dalton",       "Easton",     "Granville"};
constexpr std::array<const char*, 24> kNameStarts = {
    "Al",  "Bar", "Cal", "Dun", "El",   "Far", "Gar", "Hal", "Ing", "Jan", "Kel", "Lan",
    "Mar", "Nor", "Ol",  "Pel", "Quin", "Ros", "Sal", "Tor", "Ul",  "Van", "Wal", "Yar"};
constexpr std::array<const char*, 16> kNameEnds = {"ford", "son",   "ley", "ton", "er", "man",
                                                   "well", "ridge", "ers", "den", "by", "ard",
                                                   "ing",  "es",    "ick", "ham"};
constexpr std::array<const char*, 9> kPositions = {"c",  "1b", "2b", "3b", "ss",
                                                   "lf", "cf", "rf", "dh"};
constexpr int kStarters = 5;
constexpr int kPitchers = 12;

struct Player {
  std::string name;  // "Tormann, K"
  std::string position;
  // Season totals, for the averages and the counts in parentheses.
  int at_bats = 0, hits = 0, doubles = 0, triples = 0, homers = 0, errors = 0;
  int outs = 0, earned_runs = 0, wins = 0, losses = 0, saves = 0;
};

struct Team {
  std::string name;
  std::string park;
  std::vector<Player> batters;   // the nine regulars first, then the bench
  std::vector<Player> pitchers;  // kStarters starters, then the bullpen
  int wins = 0, losses = 0, next_starter = 0;
};

std::string PlayerName(Random& random) {
  std::string name = kNameStarts[random.Below(kNameStarts.size())];
  name += kNameEnds[random.Below(kNameEnds.size())];
  name += ", ";
  name += static_cast<char>('A' + random.Below(26));
  return name;
}

std::vector<Team> MakeLeague(Random& random) {
  static constexpr const char* kParkKinds[] = {" Park", " Field", " Stadium"};
  std::vector<Team> teams;
  for (const char* name : kTeamNames) {
    Team team;
    team.name = name;
    team.park = team.name + kParkKinds[random.Below(3)];
    // Each team bats its regulars in its own order; the bench fills in wherever needed.
    std::array<const char*, 9> positions = kPositions;
    for (size_t i = positions.size(); i > 1; --i) {
      std::swap(positions[i - 1], positions[random.Below(static_cast<int>(i))]);
    }
    for (int i = 0; i < 13; ++i) {
      team.batters.push_back({PlayerName(random), i < 9 ? positions[i] : "ut"});
    }
    for (int i = 0; i < kPitchers; ++i) team.pitchers.push_back({PlayerName(random), "p"});
    teams.push_back(std::move(team));
  }
  return teams;
}

// ---- One game ----------------------------------------------------------------------------

enum Result {
  kStrikeout,
  kWalk,
  kHitByPitch,
  kSingle,
  kDouble,
  kTriple,
  kHomeRun,
  kReachedOnError,
  kGroundout,
  kFlyout,
  kLineout,
  kPopout,
  kResultCount
};
// Chances per thousand plate appearances, roughly a modern league's.
constexpr std::array<int, kResultCount> kResultPerMille = {200, 80, 10,  150, 45, 5,
                                                           30,  15, 200, 150, 60, 55};

struct BattingLine {
  int player = 0;
  int at_bats = 0, runs = 0, hits = 0, rbi = 0, walks = 0, strikeouts = 0;
};

struct PitchingLine {
  int player = 0;
  int outs = 0, hits = 0, runs = 0, earned_runs = 0, walks = 0, strikeouts = 0, homers = 0;
  int pitches = 0, strikes = 0, batters = 0;
  int leave_after = 100;  // pitch count at which a starter is done
};

struct Mark {  // one plate appearance on the scoresheet
  int inning = 0;
  int slot = 0;
  std::string code;
};

struct Side {
  Team* team = nullptr;
  std::vector<BattingLine> lineup;
  std::vector<PitchingLine> pitching;  // in the order they pitched
  std::vector<int> bullpen;
  std::vector<int> runs_by_inning;
  std::vector<int> hits_by_inning;
  std::vector<Mark> marks;
  std::vector<int> doubles, triples, homers, errors;  // players, for the notes
  int runs = 0, hits = 0, error_count = 0, left_on_base = 0, up = 0;
};

struct Game {
  int number = 0;
  gamefold::Date date;
  Side away, home;
  std::vector<std::string> log;
  int innings = 0;
  bool home_batted_last = true;
  int winner_pitcher = -1, loser_pitcher = -1, save_pitcher = -1;  // team pitcher indexes
  int attendance = 0, minutes = 0, temperature = 0;
};

const char* Ordinal(int n) {
  if (n % 100 >= 11 && n % 100 <= 13) return "th";
  switch (n % 10) {
    case 1:
      return "st";
    case 2:
      return "nd";
    case 3:
      return "rd";
    default:
      return "th";
  }
}

std::string DateText(const gamefold::Date& date) {
  static constexpr const char* kDays[] = {"",          "Sunday",   "Monday", "Tuesday",
                                          "Wednesday", "Thursday", "Friday", "Saturday"};
  static constexpr const char* kMonths[] = {
      "",     "January", "February",  "March",   "April",    "May",     "June",
      "July", "August",  "September", "October", "November", "December"};
  return Format("%s, %s %d %d", kDays[gamefold::Weekday(date.year, date.month, date.day)],
                kMonths[date.month], date.day, date.year);
}

// Makes the pitches of one plate appearance: balls and strikes in a random order, then the
// pitch that ends it. Counts them on the pitcher's line.
std::string PitchSequence(Random& random, Result result, PitchingLine& pitcher) {
  int balls = 0, strikes = 0;
  int want_balls = result == kWalk ? 3 : random.Below(4);
  int want_strikes = result == kStrikeout ? 2 : random.Below(3);
  std::string text;
  auto add = [&](const char* pitch, bool strike) {
    if (!text.empty()) text += ", ";
    text += pitch;
    ++pitcher.pitches;
    if (strike) ++pitcher.strikes;
  };
  while (balls < want_balls || strikes < want_strikes) {
    bool ball = strikes >= want_strikes || (balls < want_balls && random.Percent(50));
    if (ball) {
      add("Ball", false), ++balls;
    } else {
      int kind = random.Below(100);
      add(kind < 40 ? "Called Strike" : kind < 65 ? "Swinging Strike" : "Foul", true), ++strikes;
    }
  }
  for (int fouls = 0; strikes == 2 && fouls < 4 && random.Percent(30); ++fouls) add("Foul", true);
  switch (result) {
    case kStrikeout:
      add(random.Percent(35) ? "Called Strike" : "Swinging Strike", true);
      break;
    case kWalk:
      add("Ball", false);
      break;
    case kHitByPitch:
      add("Hit By Pitch", false);
      break;
    default:
      add("In Play", true);
      break;
  }
  return text;
}

Result DrawResult(Random& random) {
  int roll = random.Below(1000);
  for (int result = 0; result < kResultCount; ++result) {
    roll -= kResultPerMille[result];
    if (roll < 0) return static_cast<Result>(result);
  }
  return kPopout;
}

// The state of one half inning.
struct HalfInning {
  Game& game;
  Side& batting;
  Side& fielding;
  Random& random;
  int inning;
  int outs = 0;
  std::array<int, 3> base{-1, -1, -1};  // lineup slot on first, second, third
  std::array<bool, 3> unearned{};       // reached on an error
  int runs = 0, hits = 0;

  PitchingLine& Pitcher() { return fielding.pitching.back(); }
  const std::string& BatterName(int slot) const {
    return batting.team->batters[batting.lineup[slot].player].name;
  }

  bool WalkOff() const {
    return &batting == &game.home && inning >= 9 && batting.runs > game.away.runs;
  }

  void Score(int slot, bool is_unearned, int batter, bool rbi) {
    ++batting.runs, ++runs, ++batting.runs_by_inning.back();
    ++batting.lineup[slot].runs;
    ++Pitcher().runs;
    if (!is_unearned) ++Pitcher().earned_runs;
    if (rbi) ++batting.lineup[batter].rbi;
    game.log.push_back(Format("    %s scores.", BatterName(slot).c_str()));
  }

  // Moves every runner by `bases`; the batter ends on base `batter_base` (-1: out).
  void Advance(int bases, int batter, int batter_base, bool batter_unearned, bool rbi) {
    for (int from = 2; from >= 0; --from) {
      if (base[from] < 0) continue;
      int to = from + bases;
      if (to >= 3) {
        Score(base[from], unearned[from], batter, rbi);
      } else {
        base[to] = base[from], unearned[to] = unearned[from];
      }
      base[from] = -1;
    }
    if (batter_base >= 3) {
      Score(batter, batter_unearned, batter, rbi);
    } else if (batter_base >= 0) {
      base[batter_base] = batter, unearned[batter_base] = batter_unearned;
    }
  }

  // Walks and hit batters move only the runners who are forced.
  void Force(int batter) {
    if (base[0] >= 0 && base[1] >= 0 && base[2] >= 0) {
      Score(base[2], unearned[2], batter, true);
      base[2] = -1;
    }
    if (base[0] >= 0 && base[1] >= 0) base[2] = base[1], unearned[2] = unearned[1];
    if (base[0] >= 0) base[1] = base[0], unearned[1] = unearned[0];
    base[0] = batter, unearned[0] = false;
  }

  void Single(int batter) {
    if (base[2] >= 0) Score(base[2], unearned[2], batter, true), base[2] = -1;
    if (base[1] >= 0) {
      if (random.Percent(60)) {
        Score(base[1], unearned[1], batter, true);
      } else {
        base[2] = base[1], unearned[2] = unearned[1];
      }
      base[1] = -1;
    }
    if (base[0] >= 0) {
      int to = base[2] < 0 && random.Percent(30) ? 2 : 1;
      base[to] = base[0], unearned[to] = unearned[0], base[0] = -1;
    }
    base[0] = batter, unearned[0] = false;
  }

  void Out(int count) {
    outs += count;
    Pitcher().outs += count;
  }

  void Groundout(int batter) {
    if (outs < 2 && base[0] >= 0 && random.Percent(40)) {
      game.log.push_back(
          Format("    %s is out at second on the double play.", BatterName(base[0]).c_str()));
      base[0] = -1;
      Out(2);
    } else {
      Out(1);
    }
    if (outs >= 3) return;
    if (base[2] >= 0 && random.Percent(50)) Score(base[2], unearned[2], batter, true), base[2] = -1;
    if (base[1] >= 0 && base[2] < 0 && random.Percent(50)) {
      base[2] = base[1], unearned[2] = unearned[1], base[1] = -1;
    }
    if (base[0] >= 0 && base[1] < 0) base[1] = base[0], unearned[1] = unearned[0], base[0] = -1;
  }

  // What a plate appearance did: the words of the log, the scoresheet code, and whether it
  // counts as an at bat.
  struct Outcome {
    std::string what;
    std::string code;
    bool at_bat = true;
  };

  // Strikeouts, walks and hits, with the runners they move.
  Outcome BatterResult(Result result, int slot, int field) {
    static constexpr const char* kFields[] = {"left", "center", "right"};
    BattingLine& batter = batting.lineup[slot];
    PitchingLine& pitcher = Pitcher();
    switch (result) {
      case kStrikeout:
        ++batter.strikeouts, ++pitcher.strikeouts, Out(1);
        return {"strikes out", "K"};
      case kWalk:
        ++batter.walks, ++pitcher.walks, Force(slot);
        return {"walks", "BB", false};
      case kHitByPitch:
        Force(slot);
        return {"is hit by the pitch", "HP", false};
      case kSingle:
        Single(slot);
        return {Format("singles to %s field", kFields[field]), "1B"};
      case kDouble:
        batting.doubles.push_back(batter.player);
        Advance(random.Percent(40) ? 3 : 2, slot, 1, false, true);
        return {Format("doubles to %s field", kFields[field]), "2B"};
      case kTriple:
        batting.triples.push_back(batter.player);
        Advance(3, slot, 2, false, true);
        return {Format("triples to %s field", kFields[field]), "3B"};
      default:
        ++pitcher.homers;
        batting.homers.push_back(batter.player);
        Advance(3, slot, 3, false, true);
        return {Format("homers to %s field", kFields[field]), "HR"};
    }
  }

  // Balls the fielders get to: errors and outs, with the runners they move.
  Outcome FieldedResult(Result result, int slot, int field) {
    static constexpr const char* kFields[] = {"left", "center", "right"};
    static constexpr const char* kInfield[] = {"pitcher", "catcher", "first",
                                               "second",  "third",   "shortstop"};
    int fielder = random.Below(6);
    switch (result) {
      case kReachedOnError: {
        int position = fielder < 2 ? fielder + 2 : fielder;
        ++fielding.error_count;
        fielding.errors.push_back(fielding.lineup[random.Below(9)].player);
        Advance(1, slot, 0, true, false);
        return {Format("reaches on an error by the %s", kInfield[position]),
                Format("E%d", position + 1)};
      }
      case kGroundout:
        Groundout(slot);
        if (fielder == 2) return {"grounds out to first unassisted", "3U"};
        return {Format("grounds out, %s to first", kInfield[fielder]), Format("%d-3", fielder + 1)};
      case kFlyout:
        Out(1);
        if (outs < 3 && base[2] >= 0 && random.Percent(50)) {
          Score(base[2], unearned[2], slot, true), base[2] = -1;
          return {Format("flies out to %s field (sacrifice fly)", kFields[field]), "SF", false};
        }
        return {Format("flies out to %s field", kFields[field]), Format("F%d", field + 7)};
      case kLineout:
        Out(1);
        return {Format("lines out to %s field", kFields[field]), Format("L%d", field + 7)};
      default:
        Out(1);
        return {Format("pops out to the %s", kInfield[fielder]), Format("P%d", fielder + 1)};
    }
  }

  // Plays one plate appearance: its log line (before the lines of the runs it drives in), its
  // scoresheet mark and its counts.
  void PlateAppearance() {
    int slot = batting.up;
    batting.up = (batting.up + 1) % 9;
    BattingLine& batter = batting.lineup[slot];
    PitchingLine& pitcher = Pitcher();
    Result result = DrawResult(random);
    std::string pitches = PitchSequence(random, result, pitcher);
    ++pitcher.batters;
    int field = random.Below(3);
    size_t log_at = game.log.size();
    game.log.push_back({});
    Outcome outcome =
        result <= kHomeRun ? BatterResult(result, slot, field) : FieldedResult(result, slot, field);
    if (result >= kSingle && result <= kHomeRun) {
      ++batter.hits, ++pitcher.hits, ++hits, ++batting.hits, ++batting.hits_by_inning.back();
    }
    if (outcome.at_bat) ++batter.at_bats;
    game.log[log_at] = Format("  %s: %s. %s %s.", BatterName(slot).c_str(), pitches.c_str(),
                              BatterName(slot).c_str(), outcome.what.c_str());
    batting.marks.push_back({inning, slot, outcome.code});
  }

  void Play() {
    const Player& pitcher = fielding.team->pitchers[Pitcher().player];
    game.log.push_back(Format("%s OF THE %d%s -- %s batting, %s pitching for %s",
                              &batting == &game.away ? "TOP" : "BOTTOM", inning, Ordinal(inning),
                              batting.team->name.c_str(), pitcher.name.c_str(),
                              fielding.team->name.c_str()));
    while (outs < 3 && !WalkOff()) PlateAppearance();
    int left = outs >= 3 ? (base[0] >= 0) + (base[1] >= 0) + (base[2] >= 0) : 0;
    batting.left_on_base += left;
    game.log.push_back(Format("  End of inning: %d run%s, %d hit%s, %d left on base. %s %d, %s %d.",
                              runs, runs == 1 ? "" : "s", hits, hits == 1 ? "" : "s", left,
                              game.away.team->name.c_str(), game.away.runs,
                              game.home.team->name.c_str(), game.home.runs));
    game.log.push_back("");
  }
};

// A starter stays until he tires or is hit hard; a reliever usually works one inning.
void ChangePitcher(Game& game, Side& fielding, Random& random, int inning) {
  PitchingLine current = fielding.pitching.back();
  bool starter = fielding.pitching.size() == 1;
  bool tired = starter ? current.pitches >= current.leave_after || current.runs >= 6 || inning > 9
                       : current.outs >= 3 && random.Percent(70);
  if (!tired || fielding.bullpen.empty()) return;
  PitchingLine next;
  next.player = fielding.bullpen.back();
  fielding.bullpen.pop_back();
  fielding.pitching.push_back(next);
  game.log.push_back(Format("  Pitching change: %s replaces %s.",
                            fielding.team->pitchers[next.player].name.c_str(),
                            fielding.team->pitchers[current.player].name.c_str()));
}

void SetUpSide(Side& side, Team& team, Random& random) {
  side.team = &team;
  // Most days the regulars play; now and then a bench player takes a regular's place.
  for (int slot = 0; slot < 9; ++slot) {
    int player = slot;
    if (random.Percent(12)) player = 9 + random.Below(4);
    side.lineup.push_back({player});
  }
  PitchingLine starter;
  starter.player = team.next_starter;
  starter.leave_after = 85 + random.Below(30);
  team.next_starter = (team.next_starter + 1) % kStarters;
  side.pitching.push_back(starter);
  for (int p = kStarters; p < kPitchers; ++p) side.bullpen.push_back(p);
  for (size_t i = side.bullpen.size(); i > 1; --i) {
    std::swap(side.bullpen[i - 1], side.bullpen[random.Below(static_cast<int>(i))]);
  }
}

void DecidePitchers(Game& game) {
  bool home_won = game.home.runs > game.away.runs;
  Side& winner = home_won ? game.home : game.away;
  Side& loser = home_won ? game.away : game.home;
  const PitchingLine* win = &winner.pitching.front();
  if (win->outs < 15 && winner.pitching.size() > 1) win = &winner.pitching[1];
  const PitchingLine* loss = &loser.pitching.front();
  for (const PitchingLine& line : loser.pitching) {
    if (line.runs > loss->runs) loss = &line;
  }
  game.winner_pitcher = win->player;
  game.loser_pitcher = loss->player;
  const PitchingLine& last = winner.pitching.back();
  if (&last != win && winner.runs - loser.runs <= 3) game.save_pitcher = last.player;
}

Game PlayGame(Team& away, Team& home, int number, const gamefold::Date& date, Random& random) {
  Game game;
  game.number = number;
  game.date = date;
  SetUpSide(game.away, away, random);
  SetUpSide(game.home, home, random);
  for (int inning = 1; inning <= 30; ++inning) {
    game.innings = inning;
    game.away.runs_by_inning.push_back(0), game.away.hits_by_inning.push_back(0);
    ChangePitcher(game, game.home, random, inning);
    HalfInning{game, game.away, game.home, random, inning}.Play();
    if (inning >= 9 && game.home.runs > game.away.runs) {
      game.home_batted_last = false;
      break;
    }
    game.home.runs_by_inning.push_back(0), game.home.hits_by_inning.push_back(0);
    ChangePitcher(game, game.away, random, inning);
    HalfInning{game, game.home, game.away, random, inning}.Play();
    if (inning >= 9 && game.home.runs != game.away.runs) break;
  }
  DecidePitchers(game);
  game.attendance = 12000 + random.Below(32000);
  game.minutes = 150 + random.Below(50) + 12 * (game.innings - 9);
  game.temperature = 48 + random.Below(45);
  return game;
}

void UpdateSeason(Game& game) {
  for (Side* side : {&game.away, &game.home}) {
    Team& team = *side->team;
    for (const BattingLine& line : side->lineup) {
      Player& player = team.batters[line.player];
      player.at_bats += line.at_bats, player.hits += line.hits;
    }
    for (int player : side->doubles) ++team.batters[player].doubles;
    for (int player : side->triples) ++team.batters[player].triples;
    for (int player : side->homers) ++team.batters[player].homers;
    for (int player : side->errors) ++team.batters[player].errors;
    for (const PitchingLine& line : side->pitching) {
      Player& pitcher = team.pitchers[line.player];
      pitcher.outs += line.outs, pitcher.earned_runs += line.earned_runs;
    }
  }
  bool home_won = game.home.runs > game.away.runs;
  Side& winner = home_won ? game.home : game.away;
  Side& loser = home_won ? game.away : game.home;
  ++winner.team->wins, ++loser.team->losses;
  ++winner.team->pitchers[game.winner_pitcher].wins;
  ++loser.team->pitchers[game.loser_pitcher].losses;
  if (game.save_pitcher >= 0) ++winner.team->pitchers[game.save_pitcher].saves;
}

// ---- The report ----------------------------------------------------------------------------

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

// ---- The season ----------------------------------------------------------------------------

struct Options {
  std::uint64_t seed = 1;
  int year = 2008;
  int days = 180;
  bool force = false;
  bool help = false;
  std::string folder;
};

bool ParseNumber(const char* text, long long low, long long high, long long* value) {
  char* end = nullptr;
  errno = 0;
  long long number = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || number < low || number > high) return false;
  *value = number;
  return true;
}

// False with the problem, for the user, when the arguments are bad.
bool ParseOptions(int argc, char** argv, Options* options, std::string* problem) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    long long value = 0;
    if (arg == "--seed" || arg == "--year" || arg == "--days") {
      if (i + 1 == argc) {
        *problem = std::string(arg) + " needs a number";
        return false;
      }
      const char* text = argv[++i];
      std::string given = std::string(arg) + " " + text;
      if (arg == "--seed") {
        if (!ParseNumber(text, 0, LLONG_MAX, &value)) {
          *problem = given + ": the seed is a whole number from 0";
          return false;
        }
        options->seed = static_cast<std::uint64_t>(value);
      } else if (arg == "--year") {
        if (!ParseNumber(text, 1000, 9999, &value)) {
          *problem = given + ": the year must be 1000 to 9999, four digits as in the file names";
          return false;
        }
        options->year = static_cast<int>(value);
      } else {
        if (!ParseNumber(text, 1, 275, &value)) {
          *problem =
              given +
              ": the days must be 1 to 275, game days from 1 April that stay within the year";
          return false;
        }
        options->days = static_cast<int>(value);
      }
    } else if (arg == "--force") {
      options->force = true;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (options->folder.empty() && !arg.empty() && arg[0] != '-') {
      options->folder = arg;
    } else {
      *problem =
          arg.empty() || arg[0] != '-' ? "one FOLDER only" : "unknown option " + std::string(arg);
      return false;
    }
  }
  if (options->folder.empty() && !options->help) {
    *problem = "no FOLDER given";
    return false;
  }
  return true;
}

gamefold::Date NextDay(gamefold::Date date) {
  if (++date.day > gamefold::DaysInMonth(date.year, date.month)) date.day = 1, ++date.month;
  return date;
}

// 13 and 14 games by turns: 2,430 games over 180 days.
int GamesOnDay(int day) { return 27 * (day + 1) / 2 - 27 * day / 2; }

std::string BoxscoreName(gamefold::Date date, int number) {
  return Format("%04d%02d%02d%05d.BOX", date.year, date.month, date.day, number);
}

// The first file of the season that is there already, or nothing: the folder may hold a user's
// own boxscores of the same names, which a sample must never replace unasked. Checked before
// anything is written, so that a refused run leaves the folder as it was.
std::string FirstExisting(const Options& options) {
  gamefold::Date date{options.year, 4, 1};
  for (int day = 0; day < options.days; ++day, date = NextDay(date)) {
    for (int number = 1; number <= GamesOnDay(day); ++number) {
      std::string path = options.folder + "/" + BoxscoreName(date, number);
      std::error_code error;
      if (std::filesystem::symlink_status(path, error).type() !=
          std::filesystem::file_type::not_found) {
        return path;
      }
    }
  }
  return {};
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

int MakeSeason(const Options& options) {
  std::error_code error;
  std::filesystem::create_directories(options.folder, error);
  if (error) {
    std::fprintf(stderr, "gamefold-sample-season: cannot create %s: %s\n", options.folder.c_str(),
                 error.message().c_str());
    return 1;
  }
  if (!options.force) {
    std::string existing = FirstExisting(options);
    if (!existing.empty()) {
      std::fprintf(stderr,
                   "gamefold-sample-season: %s exists already; nothing written (--force replaces "
                   "it)\n",
                   existing.c_str());
      return 1;
    }
  }
  Random random(options.seed);
  std::vector<Team> teams = MakeLeague(random);
  std::string banner =
      Format("   CONTINENTAL DOMINION BASEBALL LEAGUE  --  %d SEASON GAME REPORTS", options.year);
  std::vector<int> order(teams.size());
  gamefold::Date date{options.year, 4, 1};
  int total = 0;
  for (int day = 0; day < options.days; ++day, date = NextDay(date)) {
    int games = GamesOnDay(day);
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    for (size_t i = order.size(); i > 1; --i) {
      std::swap(order[i - 1], order[random.Below(static_cast<int>(i))]);
    }
    for (int number = 1; number <= games; ++number) {
      Team& away = teams[order[2 * number - 2]];
      Team& home = teams[order[2 * number - 1]];
      Game game = PlayGame(away, home, number, date, random);
      UpdateSeason(game);
      std::string path = options.folder + "/" + BoxscoreName(date, number);
      if (!WriteFile(path, Report(game, banner, random))) {
        std::fprintf(stderr, "gamefold-sample-season: cannot write %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return 1;
      }
      ++total;
    }
  }
  std::printf("%d boxscores over %d days written to %s\n", total, options.days,
              options.folder.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string problem;
  if (!ParseOptions(argc, argv, &options, &problem)) {
    std::fprintf(stderr, "gamefold-sample-season: %s\n%s", problem.c_str(), kUsage);
    return 2;
  }
  if (options.help) {
    std::printf("%s%s", kUsage, kHelp);
    return 0;
  }
  return MakeSeason(options);
}
