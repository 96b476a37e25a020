#include "daypages/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "core/game_day.h"
#include "core/text_file.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::AllEntries;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::string kData = GAMEFOLD_TEST_DATA "/daypages";
const std::vector<std::string> kNames = {"2008040600001.BOX", "2008040600002.BOX"};
const std::string kOldPage = "old page\r\n";

TEST(DayFiles, MatchesTheFirstEightBytesExactly) {
  EXPECT_EQ("20080406", DayKeyOf("20080406"));
  EXPECT_EQ("2008", DayKeyOf("2008"));
  std::vector<std::string> names = {"2008040600002.box", "x20080406.BOX", "2008040",
                                    "2008040600001.BOX", "20080407.BOX",  "20080406"};
  EXPECT_EQ((std::vector<std::string>{"2008040600002.box", "2008040600001.BOX", "20080406"}),
            DayFiles(names, "20080406"));
  EXPECT_TRUE(DayFiles(names, "2008040").empty());
}

TEST(DayProcessor, WritesThePagesInOrderAndTellsWhatItDoes) {
  TempDir out;
  WriteBytes(out / "GamesOf20080406.htm", kOldPage);
  WriteBytes(out / ".GamesOf20080406.htm.tmp999999999-1", "left by a killed run");
  std::vector<std::string> events;
  ProcessEvents tell;
  tell.reading_file = [&events](const std::string& name) { events.push_back("read " + name); };
  tell.page_opened = [&events](std::string_view key) {
    events.push_back("page " + std::string(key));
  };
  tell.day_done = [&events](std::string_view key, size_t games) {
    events.push_back("done " + std::string(key) + " " + std::to_string(games));
  };
  const std::vector<std::string> keys = {"20080406"};
  DayProcessor processor;
  Failure err;
  ASSERT_EQ(1u, processor.ProcessDays({kData, kNames, out.path(), ContentChoice::kScoresheets},
                                      keys, tell, &err))
      << err.description;
  EXPECT_EQ(ReadBytes(kData + "/GamesOf20080406.htm"), ReadBytes(out / "GamesOf20080406.htm"));
  EXPECT_EQ((std::vector<std::string>{"read 2008040600001.BOX", "read 2008040600002.BOX",
                                      "page 20080406", "done 20080406 2"}),
            events);
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080406.htm"}, AllEntries(out.path()));
  EXPECT_EQ(2u, CountGames(kNames, std::vector<std::string>{"20080406", "20080407"}));
}

// A day whose boxscores are not in the folder (a mistyped day, one listed for another folder
// or read as a day of another year) fails: no page without games, and a good page stays.
TEST(DayProcessor, FailsOnADayWithoutBoxscores) {
  for (bool durable : {false, true}) {
    TempDir out;
    WriteBytes(out / "GamesOf20080407.htm", kOldPage);
    std::vector<std::string> failed;
    ProcessEvents tell;
    tell.day_failed = [&failed](std::string_view key, const Failure& failure) {
      failed.push_back(std::string(key) + " " + failure.description);
    };
    ProcessJob job{kData, kNames, out.path(), ContentChoice::kBoxscores};
    job.durable = durable;
    DayProcessor processor;
    Failure err;
    const std::vector<std::string> keys = {"20080406", "20080407", "20080406"};
    EXPECT_EQ(1u, processor.ProcessDays(job, keys, tell, &err));
    const std::string cause = "no boxscore of 20080407 in " + kData;
    EXPECT_EQ(53, err.number);
    EXPECT_EQ(cause, err.description);
    EXPECT_EQ(kData, err.path);
    EXPECT_EQ(std::vector<std::string>{"20080407 " + cause}, failed);
    EXPECT_EQ(kOldPage, ReadBytes(out / "GamesOf20080407.htm"));
    EXPECT_EQ((std::vector<std::string>{"GamesOf20080406.htm", "GamesOf20080407.htm"}),
              AllEntries(out.path()));
    bool differs = true;
    EXPECT_FALSE(processor.PageDiffers(job, "20080408", &differs, &err));
    EXPECT_EQ("no boxscore of 20080408 in " + kData, err.description);
  }
}

// The days before a failure keep their pages; the failed day and those after it get none, and
// the failed one is told with its cause.
TEST(DayProcessor, StopsAtTheFirstFailedDay) {
  TempDir in;
  TempDir out;
  WriteBytes(in / "2008040500001.BOX", ReadBytes(kData + "/2008040600001.BOX"));
  std::filesystem::create_directory(in / "2008040600001.BOX");
  WriteBytes(in / "2008040700001.BOX", ReadBytes(kData + "/2008040600002.BOX"));
  std::vector<std::string> names = AllEntries(in.path());
  std::vector<std::string> events;
  ProcessEvents tell;
  tell.day_done = [&events](std::string_view key, size_t) {
    events.push_back("done " + std::string(key));
  };
  tell.day_failed = [&events](std::string_view key, const Failure& failure) {
    events.push_back("failed " + std::string(key) + " " + failure.description);
  };
  DayProcessor processor;
  Failure err;
  EXPECT_EQ(1u, processor.ProcessDays({in.path(), names, out.path(), ContentChoice::kBoxscores},
                                      std::vector<std::string>{"20080405", "20080406", "20080407"},
                                      tell, &err));
  std::string cause = "cannot read " + (in / "2008040600001.BOX") + ": Is a directory";
  EXPECT_EQ(cause, err.description);
  EXPECT_EQ((std::vector<std::string>{"done 20080405", "failed 20080406 " + cause}), events);
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080405.htm"}, AllEntries(out.path()));
}

// A run reads each day's boxscores on a second thread while the day before is built and written,
// and when the writing side is behind (as the sleeps below make it), that thread also reads the
// page the day may replace and builds the new one. Either way it must tell the same events in
// the same order, write the same pages, and stop at the same failure as days processed one at a
// time, durable or not: over a stale page, over current pages, for a day asked twice in a row,
// and when a later day's read fails early.
TEST(DayProcessor, ReadingAheadChangesNoEventPageOrFailure) {
  TempDir in;
  std::vector<std::string> keys;
  for (int day = 1; day <= 6; ++day) {
    std::string key = "200805" + std::string(day < 10 ? "0" : "") + std::to_string(day);
    keys.push_back(key);
    // Asked again at once, and after another day.
    if (day == 2) keys.push_back(key);
    if (day == 4) keys.push_back(keys[keys.size() - 2]);
    for (int game = 1; game <= day % 3 + 1; ++game) {
      std::string name = in / (key + "0000" + std::to_string(game) + ".BOX");
      // The fifth day's second boxscore cannot be read.
      if (day == 5 && game == 2) {
        std::filesystem::create_directory(name);
        continue;
      }
      WriteBytes(name,
                 ReadBytes(kData + "/2008040600" + std::string(game % 2 ? "001" : "002") + ".BOX"));
    }
  }
  std::vector<std::string> names = AllEntries(in.path());
  std::sort(names.begin(), names.end());
  auto run = [&](bool ahead, bool durable, std::vector<std::string>* events, Failure* err) {
    TempDir out;
    WriteBytes(out / "GamesOf20080502.htm", kOldPage);
    ProcessEvents tell;
    tell.reading_file = [events](const std::string& name) { events->push_back("read " + name); };
    tell.page_opened = [events](std::string_view key) {
      events->push_back("page " + std::string(key));
      // Time for a page of the same day to be read ahead before this one is written, and for
      // the days after to be built ahead.
      if (key == "20080502" || key == "20080503") {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    };
    tell.page_result = [events](std::string_view key, bool written) {
      events->push_back("result " + std::string(key) + (written ? " written" : " same"));
    };
    tell.day_done = [events](std::string_view key, size_t games) {
      events->push_back("done " + std::string(key) + " " + std::to_string(games));
    };
    tell.day_failed = [events](std::string_view key, const Failure& failure) {
      events->push_back("failed " + std::string(key) + " " + failure.description);
    };
    ProcessJob job{in.path(), names, out.path(), ContentChoice::kLogs};
    job.durable = durable;
    DayProcessor processor;
    // Then again over the pages just written.
    for (int pass = 0; pass < 2; ++pass) {
      size_t done = 0;
      if (ahead) {
        done = processor.ProcessDays(job, keys, tell, err);
      } else {
        while (done < keys.size() && processor.ProcessDay(job, keys[done], tell, err)) ++done;
      }
      events->push_back("days " + std::to_string(done));
      for (const std::string& page : AllEntries(out.path())) {
        events->push_back(page + " " + ReadBytes(out / page));
      }
    }
  };
  for (bool durable : {false, true}) {
    std::vector<std::string> alone, ahead;
    Failure alone_err, ahead_err;
    run(false, durable, &alone, &alone_err);
    run(true, durable, &ahead, &ahead_err);
    EXPECT_EQ(alone_err.description, ahead_err.description);
    EXPECT_EQ(alone_err.path, ahead_err.path);
    ASSERT_EQ(std::count(alone.begin(), alone.end(), "days 6"), 2);
    if (durable) {
      // A durable run tells its days when they are all in place, after every read: its pages,
      // days done and failure are what must agree.
      auto told_early = [](const std::string& event) {
        return !event.starts_with("GamesOf") && !event.starts_with("days ") &&
               !event.starts_with("failed ");
      };
      std::erase_if(alone, told_early);
      std::erase_if(ahead, told_early);
    }
    EXPECT_EQ(alone, ahead);
  }
}

bool ProcessApril6(const std::string& in, const std::string& out, Failure* err) {
  return DayProcessor().ProcessDay({in, AllEntries(in), out, ContentChoice::kLogs}, "20080406",
                                   ProcessEvents(), err);
}

// A failed run leaves the older page as it was, and no temporary file beside it.
void ExpectOnlyOldPage(const std::string& out) {
  EXPECT_EQ(kOldPage, ReadBytes(out + "/GamesOf20080406.htm"));
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080406.htm"}, AllEntries(out));
}

TEST(DayProcessor, FailsOnAnUnreadableBoxscore) {
  TempDir in;
  TempDir out;
  WriteBytes(in / "2008040600001.BOX", ReadBytes(kData + "/2008040600001.BOX"));
  std::filesystem::create_directory(in / "2008040600002.BOX");
  WriteBytes(out / "GamesOf20080406.htm", kOldPage);
  Failure err;
  EXPECT_FALSE(ProcessApril6(in.path(), out.path(), &err));
  EXPECT_EQ("cannot read " + (in / "2008040600002.BOX") + ": Is a directory", err.description);
  ExpectOnlyOldPage(out.path());
  EXPECT_FALSE(DayProcessor().ProcessDay({in.path(), std::vector<std::string>{"2008040600009.BOX"},
                                          out.path(), ContentChoice::kBoxscores},
                                         "20080406", ProcessEvents(), &err));
  EXPECT_EQ(53, err.number);
  EXPECT_EQ("cannot read " + (in / "2008040600009.BOX") + ": No such file or directory",
            err.description);
}

TEST(DayProcessor, FailsOnAMissingOrReadOnlyOutputFolder) {
  TempDir out;
  Failure err;
  EXPECT_FALSE(ProcessApril6(kData, out / "missing", &err));
  EXPECT_EQ(53, err.number);
  EXPECT_NE(std::string::npos, err.description.find(JoinPath(out / "missing", "GamesOf20080406.htm")));
  EXPECT_FALSE(ProcessApril6(kData, kData + "/2008040600001.BOX", &err));  // not a folder
  EXPECT_EQ(76, err.number);
  if (testing::PermissionsAreIgnored()) GTEST_SKIP() << "permissions do not stop this user";
  WriteBytes(out / "GamesOf20080406.htm", kOldPage);
  namespace fs = std::filesystem;
  fs::permissions(out.path(), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_FALSE(ProcessApril6(kData, out.path(), &err));
  fs::permissions(out.path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(70, err.number);
  ExpectOnlyOldPage(out.path());
}
}  // namespace
}  // namespace gamefold
