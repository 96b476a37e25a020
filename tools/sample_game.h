#pragma once

// The sample season's league and games: what the game simulation makes and the report prints.

#include <cstdint>
#include <string>
#include <vector>

#include "core/game_day.h"

namespace gamefold::sample {

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

/// printf into a string.
__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...);

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

/// A made-up player's name such as "Tormann, K".
std::string PlayerName(Random& random);

/// The league's teams with their players, drawn from random.
std::vector<Team> MakeLeague(Random& random);

/// Plays game number of date between away and home, plate appearance by plate appearance.
Game PlayGame(Team& away, Team& home, int number, const gamefold::Date& date, Random& random);

/// Adds game to its teams' and players' season totals.
void UpdateSeason(Game& game);

/// The boxscore file of game: boxscore, scoresheet and log, each opened by banner.
std::string Report(const Game& game, const std::string& banner, Random& random);

}  // namespace gamefold::sample
