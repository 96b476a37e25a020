#include "site/site.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/game_day.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "tests/support/boxscores.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::Boxscore;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using Row = std::vector<std::string>;

const std::string kGolden = GAMEFOLD_TEST_DATA "/site";

// A line score of twelve innings: the runs column stands further right than in Boxscore's.
std::string ExtraInnings(const std::string& away, int away_runs, const std::string& home,
                         int home_runs) {
  auto team = [](std::string name, int runs) {
    name.resize(15, ' ');
    std::string field = std::to_string(runs);
    field.insert(0, 3 - field.size(), ' ');
    return "     " + name + "  1  0  0  0  0  0  0  0  0  0  0  1  " + field + " 10  1";
  };
  std::string text;
  AppendLine(&text, "TEST LEAGUE REPORT");
  AppendLine(&text, std::string(20, ' ') + "  1  2  3  4  5  6  7  8  9 10 11 12    R  H  E");
  AppendLine(&text, team(away, away_runs));
  AppendLine(&text, team(home, home_runs));
  AppendLine(&text, "Attendance...... 30,000");
  return text;
}

// The season worked out by hand below: Cubs and Reds in East, Mets and Expos in West, Braves in
// no division; a doubleheader of two same scores on the 2nd, with an unreadable boxscore; twelve
// innings and a called tie on the 3rd; the 5th has boxscores but no page, so it is not counted.
struct Season {
  TempDir in, out;
  std::vector<std::string> names;

  Season() {
    Add("2008040100001.BOX", Boxscore("Reds", 3, "Cubs", 5));
    Add("2008040100002.BOX", Boxscore("Mets", 2, "Expos", 1));
    Add("2008040200001.BOX", Boxscore("Reds", 4, "Cubs", 2));
    Add("2008040200002.BOX", "TEST LEAGUE REPORT\r\nno line score here\r\n");
    Add("2008040200003.BOX", Boxscore("Reds", 4, "Cubs", 2));
    Add("2008040300001.BOX", ExtraInnings("Expos", 6, "Mets", 5));
    Add("2008040300002.BOX", Boxscore("Cubs", 3, "Braves", 3));
    Add("2008040400001.BOX", Boxscore("Braves", 7, "Reds", 1));
    Add("2008040500001.BOX", Boxscore("Cubs", 9, "Reds", 0));
    WriteBytes(out / "league.txt", "[East]\r\nCubs\r\n  Reds \r\n\r\n[West]\r\nMets\r\nExpos\r\n");
    std::vector<std::string> keys = {"20080401", "20080402", "20080403", "20080404"};
    DayProcessor processor;
    Failure err;
    EXPECT_EQ(4u, processor.ProcessDays({in.path(), names, out.path()}, keys, {}, &err));
  }
  void Add(const std::string& name, const std::string& text) {
    WriteBytes(in / name, text);
    names.push_back(name);
  }
  SiteResult Write() {
    SiteResult result;
    Failure err;
    EXPECT_TRUE(WriteSite({in.path(), names, out.path()}, &result, &err)) << err.description;
    return result;
  }
};

TEST(Site, HandWorkedSeasonGivesItsStandingsPagesAndLinks) {
  Season season;
  SiteResult result = season.Write();
  EXPECT_EQ(std::vector<std::string>{"2008040200002.BOX"}, result.uncounted);
  EXPECT_EQ("", result.league_problem);
  EXPECT_EQ(6u, result.written.size());  // the standings and five teams
  std::string standings = ReadBytes(season.out / "Standings.htm");
  // GAMEFOLD_UPDATE_GOLDEN=1 writes the golden files afresh, to be read over before committing.
  if (std::getenv("GAMEFOLD_UPDATE_GOLDEN") != nullptr) {
    WriteBytes(kGolden + "/Standings.htm", standings);
    WriteBytes(kGolden + "/Team-Cubs.htm", ReadBytes(season.out / "Team-Cubs.htm"));
  }
  EXPECT_EQ(ReadBytes(kGolden + "/Standings.htm"), standings);
  EXPECT_EQ(ReadBytes(kGolden + "/Team-Cubs.htm"), ReadBytes(season.out / "Team-Cubs.htm"));

  // The second game of the doubleheader links the anchor its day page gives it.
  std::string day = ReadBytes(season.out / "GamesOf20080402.htm");
  EXPECT_NE(std::string::npos, day.find("<A NAME='Reds 4, Cubs 2 (2)'>"));
  std::string cubs = ReadBytes(season.out / "Team-Cubs.htm");
  EXPECT_NE(std::string::npos,
            cubs.find("HREF='GamesOf20080402.htm#Reds%204%2C%20Cubs%202%20%282%29'"));

  // A second run over the same folders writes nothing.
  SiteResult again = season.Write();
  EXPECT_TRUE(again.written.empty());
  EXPECT_EQ(6u, again.unchanged.size());
}

// Only a boxscore's head is read first: a line score that runs past it, or lies wholly after
// it, is still read as the day page reads it.
// A season long enough to be read in two halves comes out in day order all the same: the
// unreadable boxscores, and each team's games on its page.
TEST(Site, ALongSeasonKeepsItsDaysInOrder) {
  TempDir in, out;
  std::vector<std::string> names, keys;
  for (int day = 1; day <= 10; ++day) {
    std::string key = "200804" + std::string(day < 10 ? "0" : "") + std::to_string(day);
    keys.push_back(key);
    for (const std::string& name : {key + "00001.BOX", key + "00002.BOX"}) names.push_back(name);
    WriteBytes(in / names[names.size() - 2], Boxscore("Reds", day, "Cubs", 11 - day));
    WriteBytes(in / names.back(), "TEST LEAGUE REPORT\r\nno line score here\r\n");
  }
  Failure err;
  ASSERT_EQ(10u, DayProcessor().ProcessDays({in.path(), names, out.path()}, keys, {}, &err));
  SiteResult result;
  ASSERT_TRUE(WriteSite({in.path(), names, out.path()}, &result, &err)) << err.description;
  std::vector<std::string> unreadable;
  for (const std::string& key : keys) unreadable.push_back(key + "00002.BOX");
  EXPECT_EQ(unreadable, result.uncounted);
  std::string cubs = ReadBytes(out / "Team-Cubs.htm");
  size_t last = 0;
  for (const std::string& key : keys) {
    size_t at = cubs.find("GamesOf" + key + ".htm", last);
    ASSERT_NE(std::string::npos, at) << key;
    last = at;
  }
}

TEST(Site, LineScoresBeyondTheFirstBytesAreRead) {
  TempDir in, out;
  std::vector<std::string> names;
  for (size_t preamble : {4000, 4060, 9000}) {
    std::string name = "20080401" + std::to_string(preamble) + "0.BOX";
    WriteBytes(in / name, std::string(preamble, 'x') + "\r\n" +
                              Boxscore("Reds", static_cast<int>(preamble % 7), "Cubs", 9));
    names.push_back(name);
  }
  DayProcessor processor;
  Failure err;
  ASSERT_EQ(1u, processor.ProcessDays({in.path(), names, out.path()},
                                      std::vector<std::string>{"20080401"}, {}, &err));
  SiteResult result;
  ASSERT_TRUE(WriteSite({in.path(), names, out.path()}, &result, &err));
  EXPECT_TRUE(result.uncounted.empty());
  std::string reds = ReadBytes(out / "Team-Reds.htm");
  EXPECT_NE(std::string::npos, reds.find("Record 0-3"));
  std::string day = ReadBytes(out / "GamesOf20080401.htm");
  for (std::string_view title : {"Cubs 9, Reds 3", "Cubs 9, Reds 0", "Cubs 9, Reds 5"}) {
    EXPECT_NE(std::string::npos, day.find("<A NAME='" + std::string(title) + "'>")) << title;
  }
  EXPECT_NE(std::string::npos, reds.find("#Cubs%209%2C%20Reds%203'"));
  EXPECT_NE(std::string::npos, reds.find("#Cubs%209%2C%20Reds%200'"));
  EXPECT_NE(std::string::npos, reds.find("#Cubs%209%2C%20Reds%205'"));
}

TEST(Site, StandingsOfTheHandWorkedSeason) {
  std::vector<SiteGame> games = {
      {"20080401", "Reds", "Cubs", 3, 5, ""},   {"20080401", "Mets", "Expos", 2, 1, ""},
      {"20080402", "Reds", "Cubs", 4, 2, ""},   {"20080402", "Reds", "Cubs", 4, 2, ""},
      {"20080403", "Expos", "Mets", 6, 5, ""},  {"20080403", "Cubs", "Braves", 3, 3, ""},
      {"20080404", "Braves", "Reds", 7, 1, ""},
  };
  std::vector<Division> divisions = {{"East", {"Cubs", "Reds"}}, {"West", {"Mets", "Expos"}}};
  std::vector<StandingsTable> tables = ComputeStandings(games, divisions);
  ASSERT_EQ(3u, tables.size());
  EXPECT_EQ("East", tables[0].name);
  EXPECT_EQ(
      (std::vector<Row>{
          {"Reds", "2", "2", "0", ".500", "-", "0-1", "2-1", "12", "16", "-4", "L1", "2-2"},
          {"Cubs", "1", "2", "1", ".333", "0.5", "1-2", "0-0-1", "12", "14", "-2", "T1", "1-2-1"}}),
      tables[0].rows);
  // Equal percentage, wins and run difference: by name.
  EXPECT_EQ("West", tables[1].name);
  EXPECT_EQ((std::vector<Row>{
                {"Expos", "1", "1", "0", ".500", "-", "0-1", "1-0", "7", "7", "0", "W1", "1-1"},
                {"Mets", "1", "1", "0", ".500", "-", "0-1", "1-0", "7", "7", "0", "L1", "1-1"}}),
            tables[1].rows);
  EXPECT_EQ("Other", tables[2].name);
  EXPECT_EQ((std::vector<Row>{{"Braves", "1", "0", "1", "1.000", "-", "0-0-1", "1-0", "10", "4",
                               "+6", "W1", "1-0-1"}}),
            tables[2].rows);
  EXPECT_EQ((std::vector<std::string_view>{"Team", "W", "L", "T", "Pct", "GB", "Home", "Away", "RS",
                                           "RA", "Diff", "Strk", "L10"}),
            StandingsColumns(HasTies(games)));
}

TEST(Site, PercentageGamesBehindStreakAndLastTenWithoutTies) {
  // A wins 7 of 12 (.583, rounded), then loses 2; B loses 12 in a row; no divisions.
  std::vector<SiteGame> games;
  for (int i = 0; i < 12; ++i) {
    bool a_wins = i < 7;
    games.push_back({"20080401", "B", "A", a_wins ? 1 : 2, a_wins ? 2 : 1, ""});
  }
  for (int i = 0; i < 12; ++i) games.push_back({"20080402", "B", "C", 0, 1, ""});
  std::vector<StandingsTable> tables = ComputeStandings(games, {});
  ASSERT_EQ(1u, tables.size());
  EXPECT_EQ("League", tables[0].name);
  ASSERT_EQ(3u, tables[0].rows.size());
  EXPECT_EQ((Row{"C", "12", "0", "1.000", "-", "12-0", "0-0", "12", "0", "+12", "W12", "10-0"}),
            tables[0].rows[0]);
  EXPECT_EQ((Row{"A", "7", "5", ".583", "5", "7-5", "0-0", "19", "17", "+2", "L5", "5-5"}),
            tables[0].rows[1]);
  EXPECT_EQ((Row{"B", "5", "19", ".208", "13", "0-0", "5-19", "17", "31", "-14", "L12", "0-10"}),
            tables[0].rows[2]);
  EXPECT_EQ(12u, StandingsColumns(false).size());
}

TEST(Site, LeagueFileFaultsNameTheirLine) {
  std::vector<Division> divisions;
  std::string problem;
  EXPECT_TRUE(ParseLeague("\r\n[East]\r\nCubs\r\n[ West ]\nMets\n", &divisions, &problem));
  ASSERT_EQ(2u, divisions.size());
  EXPECT_EQ("West", divisions[1].name);
  EXPECT_EQ(std::vector<std::string>{"Mets"}, divisions[1].teams);
  EXPECT_FALSE(ParseLeague("\nCubs\n[East]\n", &divisions, &problem));
  EXPECT_EQ("league.txt line 2: a team before the first [Division]", problem);
  EXPECT_FALSE(ParseLeague("[East]\nCubs\n\n[West\nMets\n", &divisions, &problem));
  EXPECT_EQ("league.txt line 4: a division needs a name between [ and ]", problem);
  EXPECT_FALSE(ParseLeague("[East]\nCubs\n[West]\nCubs\n", &divisions, &problem));
  EXPECT_EQ("league.txt line 4: team listed twice", problem);

  // The run goes on with one table.
  Season season;
  WriteBytes(season.out / "league.txt", "Cubs\r\n");
  SiteResult result = season.Write();
  EXPECT_EQ("league.txt line 1: a team before the first [Division]", result.league_problem);
  std::string standings = ReadBytes(season.out / "Standings.htm");
  EXPECT_NE(std::string::npos, standings.find(">League\r\n"));
  EXPECT_EQ(std::string::npos, standings.find(">East\r\n"));
}

TEST(Site, HostileTeamNamesAreTextAndPunctuationGivesDistinctStablePages) {
  std::vector<SiteGame> games = {{"20080401", "<script>x", "A&B's \"Q\"", 1, 2, "t"}};
  std::map<std::string, std::string> pages = BuildSitePages(games, {}, {}, "");
  std::string standings = pages.at("Standings.htm");
  EXPECT_EQ(std::string::npos, standings.find("<script>"));
  EXPECT_NE(std::string::npos, standings.find(">&lt;script&gt;x</A>"));
  EXPECT_NE(std::string::npos, standings.find(">A&amp;B's \"Q\"</A>"));
  EXPECT_NE(std::string::npos, standings.find("HREF='Team-script-x.htm'"));
  EXPECT_NE(std::string::npos, pages.at("Team-A-B-s-Q.htm").find("<H2>A&amp;B's \"Q\"</H2>"));

  std::set<std::string> teams = {"St. Louis", "St-Louis", "st louis", "!!!", "Cubs"};
  std::map<std::string, std::string> names = TeamPageNames(teams);
  EXPECT_EQ((std::map<std::string, std::string>{{"!!!", "Team-team.htm"},
                                                {"Cubs", "Team-Cubs.htm"},
                                                {"St-Louis", "Team-St-Louis.htm"},
                                                {"St. Louis", "Team-St-Louis-2.htm"},
                                                {"st louis", "Team-st-louis-3.htm"}}),
            names);
  for (const auto& [team, name] : names) EXPECT_TRUE(IsTeamPageName(name)) << name;
  EXPECT_EQ(names, TeamPageNames(teams));
  EXPECT_FALSE(IsTeamPageName("Team-.htm"));
  EXPECT_FALSE(IsTeamPageName("Team-a b.htm"));
  EXPECT_FALSE(IsTeamPageName("Team-x.htm.bak"));
}

}  // namespace
}  // namespace gamefold
