#include "batch/watch_settling.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace gamefold::batch {
namespace {

using Names = std::vector<std::string>;

// A day is due once its last change is a settle time old; a change meanwhile starts it over,
// and names that are no boxscore of a day never make one due.
TEST(SettlingDays, TakesEachDayOnceItsFilesStayedQuiet) {
  const SteadyClock::time_point start;
  SettlingDays days(10);
  days.Touch({"2008040100001.BOX", "2008040200001.BOX", ".2008040300001.BOX", "notes.txt",
              "2008133100001.BOX"},
             start);
  days.Touch({"2008040200002.BOX"}, start + Seconds(4));
  EXPECT_EQ(start + Seconds(10), days.NextDue(start + Seconds(60)));
  EXPECT_EQ(start + Seconds(5), days.NextDue(start + Seconds(5)));
  EXPECT_EQ(Names{}, days.TakeDue(start + Seconds(9)));
  EXPECT_EQ(Names{"20080401"}, days.TakeDue(start + Seconds(10)));
  EXPECT_EQ(start + Seconds(14), days.NextDue(start + Seconds(60)));
  EXPECT_EQ(Names{"20080402"}, days.TakeDue(start + Seconds(30)));
  // Nothing left: the wait is as long as asked.
  EXPECT_EQ(Names{}, days.TakeDue(start + Seconds(99)));
  EXPECT_EQ(start + Seconds(60), days.NextDue(start + Seconds(60)));
}

// The pause doubles from three settle times, never under a second nor over ten minutes, and a
// success forgets what failed.
TEST(Retries, PausesLongerAfterEachFailureUpToTenMinutes) {
  const SteadyClock::time_point start;
  Retries quick(0);
  EXPECT_FALSE(quick.pending());
  EXPECT_EQ("1 s", quick.Failed(false, {"20080402", "20080401"}, false, start));
  EXPECT_TRUE(quick.pending());
  EXPECT_EQ((std::set<std::string>{"20080401", "20080402"}), quick.days());
  EXPECT_EQ(start + Seconds(1), quick.when());
  EXPECT_EQ("2 s", quick.Failed(true, {}, false, start));
  EXPECT_TRUE(quick.whole_pass());
  EXPECT_EQ(2, quick.count());
  quick.Succeeded();
  EXPECT_FALSE(quick.pending());
  EXPECT_EQ(0, quick.count());

  Retries slow(10);
  std::vector<std::string> pauses;
  for (int i = 0; i < 7; ++i) pauses.push_back(slow.Failed(false, {}, true, start));
  EXPECT_TRUE(slow.pending());  // publishing alone failed
  EXPECT_EQ((Names{"30 s", "60 s", "120 s", "240 s", "480 s", "600 s", "600 s"}), pauses);
}

// Where no file event comes, a boxscore that came, went, or changed its size is told once.
TEST(FileStamps, TellTheBoxscoresThatCameWentOrChanged) {
  testing::TempDir in;
  testing::WriteBytes(in / "2008040100001.BOX", "one");
  testing::WriteBytes(in / "2008040200001.BOX", "two");
  testing::WriteBytes(in / "notes.txt", "not a boxscore");
  FileStamps before = StampsOf(in.path());
  EXPECT_EQ(2u, before.size());
  Names changed;
  ChangedNames(before, StampsOf(in.path()), &changed);
  EXPECT_EQ(Names{}, changed);
  testing::WriteBytes(in / "2008040100001.BOX", "one, longer");
  testing::WriteBytes(in / "2008040300001.BOX", "three");
  testing::WriteBytes(in / "notes.txt", "still not one");
  std::filesystem::remove(in / "2008040200001.BOX");
  ChangedNames(before, StampsOf(in.path()), &changed);
  EXPECT_EQ((Names{"2008040100001.BOX", "2008040300001.BOX", "2008040200001.BOX"}), changed);
  EXPECT_EQ(FileStamps{}, StampsOf(in / "missing"));
}

}  // namespace
}  // namespace gamefold::batch
