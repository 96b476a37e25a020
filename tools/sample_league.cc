// The sample season's league: its teams and players, and their season totals.

#include <array>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "sample_game.h"

namespace gamefold::sample {

namespace {

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

}  // namespace

std::string PlayerName(Random& random) {
  std::string name = kNameStarts[random.Below(kNameStarts.size())];
  name += kNameEnds[random.Below(kNameEnds.size())];
  name += ", ";
  name += static_cast<char>('A' + random.Below(26));
  return name;
}

std::string Format(const char* format, ...) {
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

}  // namespace gamefold::sample
