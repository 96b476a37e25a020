#include "runs/runs.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/folder_lock.h"
#include "core/game_day.h"
#include "monthindex/index_page.h"
#include "tests/support/boxscores.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::AllEntries;
using testing::Boxscore;
using testing::Listing;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// "what detail", appended rather than concatenated to a literal.
std::string Line(std::string_view what, std::string_view detail) {
  return std::string(what).append(" ").append(detail);
}

// A season of three days, two games on the first.
class SmallSeason : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(in / "2008040600001.BOX", Boxscore("Cubs", 3, "Mets", 5));
    WriteBytes(in / "2008040600002.BOX", Boxscore("Reds", 1, "Cards", 2));
    WriteBytes(in / "2008040700001.BOX", Boxscore("Mets", 4, "Cubs", 0));
    WriteBytes(in / "2008040900001.BOX", Boxscore("Cards", 7, "Reds", 6));
  }
  RunPlace Place(double lock_wait_seconds = 60) const {
    return {in.path(), out.path(), lock_wait_seconds};
  }
  // Every event of a run as a line, in the order told.
  RunEvents Recorder(std::vector<std::string>* lines) const {
    RunEvents events;
    events.chosen = [lines](const ChosenDays& days) {
      lines->push_back(Line("chosen", std::to_string(days.keys.size())));
    };
    events.writing = [lines](std::span<const std::string> keys, std::span<const std::string>) {
      lines->push_back(Line("writing", std::to_string(keys.size())));
    };
    events.day.page_opened = [lines](std::string_view key) { lines->push_back(Line("page", key)); };
    events.day.day_failed = [lines](std::string_view key, const Failure&) {
      lines->push_back(Line("failed", key));
    };
    events.days_ended = [lines](size_t done) {
      lines->push_back(Line("ended", std::to_string(done)));
    };
    events.rebuilt = [lines](const CatalogueResult&) { lines->push_back("rebuilt"); };
    events.index = [lines](const std::string& path, bool written) {
      // The bare name, after the last separator of either system.
      lines->push_back(path.substr(path.find_last_of("/\\") + 1) +
                       (written ? " written" : " unchanged"));
    };
    return events;
  }

  TempDir in, out;
  DayProcessor processor;
};

// The new days of a season: each page and the index as the day pages' and the index's own
// writers make them, told in order; a second run finds nothing new and leaves the index alone
// when asked to write it only after a change.
TEST_F(SmallSeason, ProcessRunWritesTheNewDaysAndTheIndexInOrder) {
  std::vector<std::string> lines;
  RunResult result;
  ProcessRequest request{DayChoice::kNew, {}, IndexChoice::kAlways};
  ASSERT_TRUE(ProcessRun(Place(), {ContentChoice::kScoresheets}, request, &processor, Recorder(&lines), &result))
      << result.failure.description;
  EXPECT_EQ(
      (std::vector<std::string>{"chosen 3", "writing 3", "page 20080406", "page 20080407",
                                "page 20080409", "ended 3", "rebuilt", "GamesIndex.htm written"}),
      lines);
  TempDir expected;
  std::vector<std::string> input_names = Listing(in.path(), kBoxscorePattern);
  std::vector<std::string> keys = {"20080406", "20080407", "20080409"};
  Failure failure;
  ASSERT_EQ(3u, DayProcessor().ProcessDays({in.path(), input_names, expected.path(), ContentChoice::kScoresheets}, keys, {},
                                           &failure));
  for (const std::string& key : keys) {
    EXPECT_EQ(ReadBytes(expected / DayPageName(key)), ReadBytes(out / DayPageName(key))) << key;
  }
  std::vector<std::string> pages = Listing(expected.path(), kDayPagePattern);
  ASSERT_TRUE(WriteIndexPage(expected.path(), pages, &failure));
  EXPECT_EQ(ReadBytes(expected / kIndexPageName), ReadBytes(out / kIndexPageName));
  EXPECT_EQ(pages, result.output_names);
  ASSERT_TRUE(result.catalogue.has_value());
  EXPECT_TRUE(result.catalogue->entries.empty());

  lines.clear();
  result = {};
  request.index = IndexChoice::kWhenWritten;
  ASSERT_TRUE(ProcessRun(Place(), {ContentChoice::kScoresheets}, request, &processor, Recorder(&lines), &result));
  EXPECT_EQ((std::vector<std::string>{"chosen 0", "writing 0", "ended 0", "rebuilt"}), lines);
  EXPECT_FALSE(result.wrote);
}

// A day that fails stops the run there: the days before keep their pages and are listed, the
// days after wait, and no index is written from a run that did not finish.
TEST_F(SmallSeason, AFailingDayStopsTheRunAndKeepsTheEarlierPages) {
  std::vector<std::string> lines;
  RunResult result;
  ProcessRequest request{
      DayChoice::kGiven, {"20080406", "20080408", "20080409"}, IndexChoice::kAlways};
  EXPECT_FALSE(ProcessRun(Place(), {}, request, &processor, Recorder(&lines), &result));
  EXPECT_EQ(RunStage::kDays, result.failed_at);
  EXPECT_EQ("20080408", result.failed_day);
  EXPECT_EQ(53, result.failure.number);
  EXPECT_EQ(1u, result.days_done);
  EXPECT_EQ((std::vector<std::string>{"chosen 3", "writing 3", "page 20080406", "failed 20080408",
                                      "ended 1"}),
            lines);
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080406.htm"}, Listing(out.path(), "*"));
  EXPECT_TRUE(result.output_listed);
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080406.htm"}, result.output_names);
  ASSERT_TRUE(result.catalogue.has_value());
  EXPECT_EQ(2u, result.catalogue->entries.size());
}

// Another writer's lock keeps the run out of the folder, after telling that it waits; a caller
// that holds the lock itself runs without taking it again.
TEST_F(SmallSeason, TheLockIsHonoured) {
  FolderLock other;
  Failure failure;
  ASSERT_TRUE(other.Acquire(out.path(), 0, &failure)) << failure.description;
  RunPlace place = Place(0.1);
  int waits = 0;
  place.waiting = [&waits] { ++waits; };
  RunResult result;
  EXPECT_FALSE(ProcessRun(place, {}, {DayChoice::kAll}, &processor, {}, &result));
  EXPECT_EQ(RunStage::kLock, result.failed_at);
  EXPECT_EQ(1, waits);
  result = {};
  EXPECT_FALSE(IndexRun(place, {}, true, {}, &result));
  EXPECT_EQ(RunStage::kLock, result.failed_at);
  EXPECT_TRUE(Listing(out.path(), "*").empty());

  place.lock_held = true;
  result = {};
  ProcessRequest request{DayChoice::kAll, {}, IndexChoice::kAlways};
  EXPECT_TRUE(ProcessRun(place, {}, request, &processor, {}, &result))
      << result.failure.description;
  EXPECT_EQ(4u, Listing(out.path(), "*").size());
}

// A run that writes only the site and the index also takes away what a killed run left.
TEST_F(SmallSeason, IndexRunSweepsAKilledRunsTemporaries) {
  RunResult result;
  ASSERT_TRUE(ProcessRun(Place(), {}, {DayChoice::kAll}, &processor, {}, &result));
  // No system gives a process this id: it stands for a run killed while writing.
  WriteBytes(out / ".GamesIndex.htm.tmp999999995-1", "half an index");
  result = {};
  ASSERT_TRUE(IndexRun(Place(), {}, true, {}, &result)) << result.failure.description;
  std::vector<std::string> entries = AllEntries(out.path());
  std::erase(entries, std::string(kLockFileName));
  EXPECT_EQ(Listing(out.path(), "*"), entries);
  EXPECT_EQ(4u, entries.size());
}

// Which days a run takes: the catalogue's days of the first boxscore's year only, the years
// left out told; every day with boxscores when asked; of the days given after a change, only
// those that still have boxscores, and none at all is a run with nothing to do.
TEST_F(SmallSeason, ChoosesTheDaysAsAsked) {
  WriteBytes(in / "2009010100001.BOX", Boxscore("Cubs", 1, "Reds", 2));
  ChosenDays chosen;
  RunEvents events;
  events.chosen = [&chosen](const ChosenDays& days) { chosen = days; };
  RunResult result;
  ASSERT_TRUE(ProcessRun(Place(), {}, {DayChoice::kNew}, &processor, events, &result));
  EXPECT_EQ((std::vector<std::string>{"20080406", "20080407", "20080409"}), chosen.keys);
  EXPECT_EQ("2008", chosen.year);
  EXPECT_EQ(std::vector<std::string>{"2009"}, chosen.other_years);

  result = {};
  ASSERT_TRUE(ProcessRun(Place(), {}, {DayChoice::kAll}, &processor, events, &result));
  EXPECT_EQ(4u, chosen.keys.size());
  EXPECT_EQ("20090101", chosen.keys.back());

  result = {};
  chosen = {};
  ProcessRequest settled{DayChoice::kSettled, {"20080408", "20090101"}};
  ASSERT_TRUE(ProcessRun(Place(), {}, settled, &processor, events, &result));
  EXPECT_EQ(std::vector<std::string>{"20090101"}, chosen.keys);
  result = {};
  chosen = {};
  settled.keys = {"20080408"};
  ASSERT_TRUE(ProcessRun(Place(), {}, settled, &processor, events, &result));
  EXPECT_TRUE(chosen.keys.empty());
  EXPECT_FALSE(result.output_listed);
}

// With the site, a day given brings its neighbours that have pages along, since their links
// change, and the standings follow the days.
TEST_F(SmallSeason, TheSiteBringsTheNeighboursAlong) {
  RunResult result;
  ASSERT_TRUE(ProcessRun(Place(), {}, {DayChoice::kAll}, &processor, {}, &result));
  std::vector<std::string> keys;
  bool site_told = false;
  RunEvents events;
  events.writing = [&keys](std::span<const std::string> all, std::span<const std::string>) {
    keys.assign(all.begin(), all.end());
  };
  events.site = [&site_told](const SiteResult& site) { site_told = !site.written.empty(); };
  result = {};
  ProcessRequest request{DayChoice::kGiven, {"20080407"}};
  ASSERT_TRUE(ProcessRun(Place(), {ContentChoice::kBoxscores, "", false, true}, request, &processor, events, &result))
      << result.failure.description;
  EXPECT_EQ((std::vector<std::string>{"20080407", "20080406", "20080409"}), keys);
  EXPECT_TRUE(site_told);
  EXPECT_FALSE(ReadBytes(out / kStandingsPageName).empty());
}

}  // namespace
}  // namespace gamefold
