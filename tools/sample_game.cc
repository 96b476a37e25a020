// The sample season's games, simulated plate appearance by plate appearance, so that the line
// score, the batting and pitching lines and the log agree with each other.

#include "sample_game.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace gamefold::sample {

namespace {

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

}  // namespace

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

}  // namespace gamefold::sample
