// Linux only: runs the built programs through the POSIX shell. Under Wine, the comparison of
// gamefold-batch.exe with the Linux build (tests/windows) runs the program instead.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text_file.h"
#include "daypages/boxscore.h"
#include "daypages/process.h"
#include "tests/batch/batch_outcome.h"
#include "tests/support/line_readers.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::kUsageStart;
using testing::Listing;
using testing::Outcome;
using testing::ReadBytes;
using testing::TempDir;

// The built program, run as a user runs it from a shell.
class BatchProgramTest : public ::testing::Test {
 protected:
  Outcome Shell(const std::string& command) {
    std::string line = "cd '" + cwd_.path() + "' && " + command + " >'" + (cwd_ / "stdout") +
                       "' 2>'" + (cwd_ / "stderr") + "'";
    int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(cwd_ / "stdout"),
            ReadBytes(cwd_ / "stderr")};
  }

  TempDir cwd_, in_, out_;
};

// The sample season is the data of `make run` and of the benchmark: its boxscores must read as
// games, with three sections, and the same seed must give the same files.
TEST_F(BatchProgramTest, MakesTheSameReadableSeasonFromASeed) {
  const std::string make = GAMEFOLD_SAMPLE_SEASON_PROGRAM;
  TempDir again;
  ASSERT_EQ(0, Shell(make + " --seed 5 --year 2011 --days 2 " + in_.path()).status);
  ASSERT_EQ(0, Shell(make + " --seed 5 --year 2011 --days 2 " + again.path()).status);
  std::vector<std::string> names = Listing(in_.path(), kBoxscorePattern);
  ASSERT_EQ(27u, names.size());
  EXPECT_EQ("2011040100001.BOX", names.front());
  EXPECT_EQ("2011040200014.BOX", names.back());
  for (const std::string& name : names) {
    std::string text = ReadBytes(in_ / name);
    EXPECT_EQ(text, ReadBytes(again / name)) << name;
    EXPECT_TRUE(text.size() >= 10000 && text.size() <= 30000) << name << " " << text.size();
    std::vector<std::string_view> lines = SplitLines(text);
    EXPECT_TRUE(ReadGameTitle(lines).has_value()) << name;
    EXPECT_EQ(3, std::count_if(lines.begin(), lines.end(),
                               [&](std::string_view line) {
                                 return line.find(lines.front()) != std::string_view::npos;
                               }))
        << name;
  }
  ASSERT_EQ(0, Shell(make + " --force --seed 6 --year 2011 --days 1 " + again.path()).status);
  EXPECT_NE(ReadBytes(in_ / names.front()), ReadBytes(again / names.front()));
  EXPECT_EQ(2, Shell(make + " --days 0 " + again.path()).status);
}

// A folder may hold the user's own boxscores under the names a sample gives: they are never
// replaced unasked, and a refused run writes nothing at all.
TEST_F(BatchProgramTest, SampleSeasonKeepsExistingFilesAndExplainsBadValues) {
  const std::string make = GAMEFOLD_SAMPLE_SEASON_PROGRAM;
  const std::string kMine = "the user's own game\r\n";
  testing::WriteBytes(in_ / "2008040200003.BOX", kMine);
  Outcome run = Shell(make + " --days 2 " + in_.path());
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("", run.out);
  EXPECT_EQ("gamefold-sample-season: " + (in_ / "2008040200003.BOX") +
                " exists already; nothing written (--force replaces it)\n",
            run.err);
  EXPECT_EQ(std::vector<std::string>{"2008040200003.BOX"}, testing::AllEntries(in_.path()));
  run = Shell(make + " --days 2 --force " + in_.path());
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_NE(kMine, ReadBytes(in_ / "2008040200003.BOX"));
  EXPECT_EQ(27u, Listing(in_.path(), kBoxscorePattern).size());

  run = Shell(make + " --help");
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(0u, run.out.find("usage: gamefold-sample-season "));
  EXPECT_NE(std::string::npos, run.out.find("--force"));
  const std::pair<const char*, const char*> bad[] = {
      {"--days 276", "--days 276: the days must be 1 to 275"},
      {"--year 10000", "--year 10000: the year must be 1000 to 9999"},
      {"--seed -1", "--seed -1: the seed is a whole number from 0"},
      {"--days", "--days needs a number"},
      {"--loud", "unknown option --loud"},
      {"", "no FOLDER given"},
  };
  for (const auto& [args, problem] : bad) {
    std::string_view given = args;
    run = Shell(given.empty() ? make : make + " " + args + (given == "--days" ? "" : " x"));
    EXPECT_EQ(2, run.status) << args;
    EXPECT_EQ(0u, run.err.find("gamefold-sample-season: " + std::string(problem))) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("usage: gamefold-sample-season ")) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(cwd_ / "x"));
}

TEST_F(BatchProgramTest, RunsASampleWeekLikeTheWindow) {
  const std::string batch = GAMEFOLD_BATCH_PROGRAM;
  Outcome made = Shell(std::string(GAMEFOLD_SAMPLE_SEASON_PROGRAM) + " --days 7 " + in_.path());
  ASSERT_EQ(0, made.status) << made.err;
  std::vector<std::string> names = Listing(in_.path(), kBoxscorePattern);
  EXPECT_EQ(94u, names.size());  // 13 and 14 games by turns

  Outcome run = Shell(batch + " list " + in_.path() + " " + out_.path());
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("20080401\n20080402\n20080403\n20080404\n20080405\n20080406\n20080407\n", run.out);
  EXPECT_EQ("7 days to process, 0 days processed, year MAYBE\n", run.err);

  // stderr is a file here, not a terminal: no progress bar. The site has its style sheet, so
  // nothing is to be said of it.
  testing::WriteBytes(out_ / "vuzad.css", "");
  run = Shell(batch + " process --content 3 --index " + in_.path() + " " + out_.path());
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.out);
  EXPECT_EQ("0 days to process, 7 days processed, year MATCHED\n", run.err);
  TempDir window;
  for (int day = 1; day <= 7; ++day) {
    std::string key = "2008040" + std::to_string(day);
    Failure err;
    ASSERT_TRUE(DayProcessor().ProcessDay({in_.path(), names, window.path(), ContentChoice::kLogs},
                                          key, ProcessEvents(), &err));
    EXPECT_EQ(ReadBytes(window / DayPageName(key)), ReadBytes(out_ / DayPageName(key))) << key;
  }
  EXPECT_TRUE(std::filesystem::exists(out_ / kIndexPageName));
  // The window's own files stay out of it.
  EXPECT_FALSE(std::filesystem::exists(cwd_ / "DOD_box.txt"));
  EXPECT_FALSE(std::filesystem::exists(cwd_ / "boxtrace.txt"));

  EXPECT_EQ(1, Shell(batch + " index " + (in_ / "missing")).status);
  run = Shell(batch + " process " + in_.path());
  EXPECT_EQ(2, run.status);
  EXPECT_EQ("", run.out);
  EXPECT_NE(std::string::npos, run.err.find(kUsageStart));
}

}  // namespace
}  // namespace gamefold
