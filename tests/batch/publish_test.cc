// Publishing night after night: only changed pages touched, corrected days rebuilt, one writer
// at a time, a report for scripts, and the unattended watch.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "batch/batch.h"
#include "core/folder_listing.h"
#include "core/folder_lock.h"
#include "core/game_day.h"
#include "core/text_file.h"
#include "tests/batch/batch_outcome.h"
#include "tests/support/boxscores.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::Batch;
using testing::Outcome;
using nlohmann::json;
using testing::AllEntries;
using testing::Boxscore;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::string Hex(std::string_view bytes) {
  std::string hex;
  for (unsigned char c : bytes)
    hex.append({"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]});
  return hex;
}

// Pages stamped an hour back, so that a rewrite shows without waiting for the clock to move.
void AgeFile(const std::string& path) {
  timespec times[2];
  times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - 3600;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

bool Aged(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && info.st_mtime < ::time(nullptr) - 1800;
}

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(in_ / "2008040100001.BOX", Boxscore("Reds", 3, "Cubs", 5));
    WriteBytes(in_ / "2008040200001.BOX", Boxscore("Cubs", 12, "Reds", 0));
    WriteBytes(in_ / "2008040300001.BOX", Boxscore("Expos", 1, "Mets", 2));
  }
  std::string PagePath(std::string_view key) { return out_ / DayPageName(key); }

  TempDir in_, out_;
};

// The command line's destination is read before anything runs; a command made in code with one
// that does not read is bad usage and sends nothing, neither to the current folder nor anywhere
// else.
TEST_F(PublishTest, RefusesADestinationThatDoesNotRead) {
  ASSERT_EQ(kExitSuccess, Batch({"process", "--index", in_.path(), out_.path()}).status);
  TempDir cwd;
  std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(cwd.path());
  for (const char* text : {"", "gopher://host/site/", "sites/league"}) {
    BatchCommand command;
    command.kind = BatchCommand::Kind::kPublish;
    command.output_folder = out_.path();
    command.destination = text;
    std::ostringstream out, err;
    EXPECT_EQ(kExitUsage, RunBatchCommand(command, out, err, false)) << text;
    EXPECT_TRUE(err.str().starts_with("gamefold-batch: ")) << err.str();
  }
  std::filesystem::current_path(was);
  EXPECT_EQ(AllEntries(cwd.path()), std::vector<std::string>{});
}

TEST_F(PublishTest, ProcessAllRepublishesTheCorrectedDayAlone) {
  // Durable or not, the same pages: list --changed finds nothing to do after either.
  ASSERT_EQ(kExitSuccess,
            Batch({"process", "--index", "--durable", in_.path(), out_.path()}).status);
  for (const std::string& name : AllEntries(out_.path())) AgeFile(out_ / name);
  EXPECT_EQ("", Batch({"list", "--changed", in_.path(), out_.path()}).out);

  // The scorer corrects the second day's boxscore after it was published.
  WriteBytes(in_ / "2008040200001.BOX", Boxscore("Cubs", 11, "Reds", 0));
  EXPECT_EQ("20080402\n", Batch({"list", "--changed", in_.path(), out_.path()}).out);
  EXPECT_EQ("20080401\n20080402\n20080403\n",
            Batch({"list", "--changed", "--content", "2", in_.path(), out_.path()}).out);

  Outcome run =
      Batch({"process", "--all", "--index", "-q", "--report", "json", in_.path(), out_.path()});
  EXPECT_EQ(kExitSuccess, run.status);
  EXPECT_EQ("", run.err);
  EXPECT_NE(std::string::npos, ReadBytes(PagePath("20080402")).find("Cubs 11, Reds 0"));
  EXPECT_FALSE(Aged(PagePath("20080402")));
  EXPECT_TRUE(Aged(PagePath("20080401")));
  EXPECT_TRUE(Aged(PagePath("20080403")));
  EXPECT_TRUE(Aged(out_ / kIndexPageName));
  EXPECT_EQ(AllEntries(out_.path()),
            (std::vector<std::string>{"GamesIndex.htm", "GamesOf20080401.htm",
                                      "GamesOf20080402.htm", "GamesOf20080403.htm"}));

  json report = json::parse(run.out);
  EXPECT_EQ(report["command"], "process");
  EXPECT_EQ(report["days"], json({"20080401", "20080402", "20080403"}));
  EXPECT_EQ(report["written"], json({PagePath("20080402")}));
  EXPECT_EQ(report["unchanged"],
            json({PagePath("20080401"), PagePath("20080403"), out_ / kIndexPageName}));
  EXPECT_EQ(report["counts"], json({{"days", 3}, {"written", 1}, {"unchanged", 3}, {"failed", 0}}));
  EXPECT_EQ(report["failures"], json::array());
  EXPECT_EQ('\n', run.out.back());
  EXPECT_EQ(1, std::count(run.out.begin(), run.out.end(), '\n'));

  // A boxscore of the next season is a day of its own year, not a 2008 day without games.
  WriteBytes(in_ / "2009040200001.BOX", Boxscore("Cubs", 1, "Reds", 2));
  EXPECT_EQ("20090402\n", Batch({"list", "--changed", in_.path(), out_.path()}).out);
}

// A path is bytes: the report must let a script get back the exact name of a folder that is
// not UTF-8, of a page written there and of a folder that failed.
TEST_F(PublishTest, ReportKeepsTheBytesOfNamesThatAreNotUtf8) {
  std::string latin1 = out_ / "Saison\xE9t\xE9";
  std::filesystem::create_directory(latin1);
  Outcome run = Batch({"process", "--report", "json", in_.path(), latin1, "20080401"});
  ASSERT_EQ(kExitSuccess, run.status) << run.err;
  json written = json::parse(run.out)["written"];
  ASSERT_EQ(1u, written.size());
  EXPECT_EQ(written[0]["hex"], Hex(latin1 + "/GamesOf20080401.htm"));
  EXPECT_NE(std::string::npos, written[0]["text"].get<std::string>().find("Saison\xEF\xBF\xBDt"));

  run = Batch({"index", "--report", "json", latin1 + "/gone"});
  EXPECT_EQ(kExitFailure, run.status);
  json failures = json::parse(run.out)["failures"];
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(failures[0]["number"], 53);
  EXPECT_EQ(failures[0]["file"]["hex"], Hex(latin1 + "/gone"));
  EXPECT_EQ(json::parse(run.out)["counts"]["failed"], 1);
}

TEST_F(PublishTest, CharsetIsDeclaredOnlyWhenAsked) {
  TempDir plain;
  ASSERT_EQ(kExitSuccess, Batch({"process", "--index", in_.path(), plain.path()}).status);
  ASSERT_EQ(kExitSuccess,
            Batch({"process", "--index", "--charset=utf-8", in_.path(), out_.path()}).status);
  for (std::string name : {std::string(kIndexPageName), DayPageName("20080401")}) {
    std::string page = ReadBytes(plain / name);
    EXPECT_EQ(page.substr(0, 8), "<HTML>\r\n");
    page.insert(8, "<meta charset=utf-8>\r\n");
    EXPECT_EQ(page, ReadBytes(out_ / name)) << name;
  }
  Outcome run = Batch({"process", "--charset", "utf-8><script>", in_.path(), out_.path()});
  EXPECT_EQ(kExitUsage, run.status);
  EXPECT_EQ(0u, run.err.find("gamefold-batch: --charset needs a character set name"));
}

// While one run writes into a folder, another waits and then gives up naming the folder,
// having written nothing; the lock file goes with the run that held it.
TEST_F(PublishTest, SecondWriterWaitsThenFailsNamingTheFolder) {
  BatchCommand command;
  std::string problem;
  ASSERT_TRUE(ParseBatchArguments({"process", in_.path(), out_.path()}, &command, &problem));
  command.lock_wait_seconds = 0.3;
  {
    FolderLock held;
    Failure failure;
    ASSERT_TRUE(held.Acquire(out_.path(), 0, &failure));
    std::ostringstream out, err;
    EXPECT_EQ(kExitFailure, RunBatchCommand(command, out, err, false));
    EXPECT_EQ("Error Encountered 75 another run is writing into " + out_.path() +
                  "; gave up waiting for it after 0 s\n",
              err.str());
    EXPECT_EQ(AllEntries(out_.path()), std::vector<std::string>{std::string(kLockFileName)});
  }
  EXPECT_EQ(AllEntries(out_.path()), std::vector<std::string>{});
  std::ostringstream out, err;
  EXPECT_EQ(kExitSuccess, RunBatchCommand(command, out, err, false));
}

// The holder removes the lock file as it lets go; a waiter that had opened the removed file
// must not think it holds the lock while a newcomer locks the new file.
TEST(FolderLock, NeverHeldTwiceAcrossTheFilesRemoval) {
  TempDir dir;
  Failure failure;
  for (int round = 0; round < 5; ++round) {
    auto first = std::make_unique<FolderLock>();
    ASSERT_TRUE(first->Acquire(dir.path(), 0, &failure));
    FolderLock waiter;
    bool waited = false;
    std::thread thread([&] { waited = waiter.Acquire(dir.path(), 5, &failure); });
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    first.reset();
    thread.join();
    ASSERT_TRUE(waited);
    FolderLock newcomer;
    Failure refused;
    EXPECT_FALSE(newcomer.Acquire(dir.path(), 0, &refused)) << round;
  }
}

// The built program watching a folder: a day is published only once its boxscore has stayed
// unchanged for the settle time, and SIGTERM ends it with status 0 and nothing left behind.
class WatchTest : public PublishTest, public ::testing::WithParamInterface<bool> {
 protected:
  pid_t Start(const std::vector<std::string>& options) {
    std::vector<std::string> args = {GAMEFOLD_BATCH_PROGRAM, "watch", "--index", "--settle", "2"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(in_.path());
    args.push_back(out_.path());
    pid_t pid = ::fork();
    if (pid == 0) {
      std::string log = logs_ / "stderr", report = logs_ / "stdout";
      freopen(log.c_str(), "w", stderr);
      freopen(report.c_str(), "w", stdout);
      std::vector<char*> argv;
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    started_ = pid;
    return pid;
  }
  // A watch that a failed test left running is stopped with it.
  void TearDown() override {
    if (started_ > 0 && ::waitpid(started_, nullptr, WNOHANG) == 0) {
      ::kill(started_, SIGKILL);
      ::waitpid(started_, nullptr, 0);
    }
  }

  // Waits at most 15 s for what.
  template <typename Condition>
  bool Within(Condition what) {
    for (int tick = 0; tick < 300; ++tick) {
      if (what()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  size_t Runs() {
    std::string log = ReadBytes(logs_ / "stderr");
    size_t runs = 0;
    for (size_t at = log.find("watch: "); at != std::string::npos; at = log.find("watch: ", at + 1))
      ++runs;
    return runs;
  }

  TempDir logs_;
  pid_t started_ = -1;
};

TEST_P(WatchTest, PublishesADayOnlyAfterItsFilesSettle) {
  std::vector<std::string> options = {"--report", "json"};
  if (GetParam()) options.insert(options.end(), {"--poll", "0.2"});
  pid_t pid = Start(options);
  ASSERT_TRUE(Within([&] { return Runs() >= 1; }));
  EXPECT_TRUE(std::filesystem::exists(PagePath("20080403")));
  EXPECT_TRUE(std::filesystem::exists(out_ / kIndexPageName));

  // A boxscore arriving in pieces, slower than a poll but faster than the settle time.
  std::string game = Boxscore("Mets", 7, "Expos", 6);
  std::string path = in_ / "2008040500001.BOX";
  for (size_t at = 0; at < game.size(); at += game.size() / 4 + 1) {
    WriteBytes(path, game.substr(0, at + game.size() / 4 + 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_FALSE(std::filesystem::exists(PagePath("20080405")));
  }
  ASSERT_TRUE(Within([&] { return Runs() >= 2; }));
  EXPECT_NE(std::string::npos, ReadBytes(PagePath("20080405")).find("Expos 6</A>"));
  EXPECT_NE(std::string::npos, ReadBytes(out_ / kIndexPageName).find("GamesOf20080405.htm"));

  ASSERT_EQ(0, ::kill(pid, SIGTERM));
  int status = 0;
  ASSERT_TRUE(Within([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadBytes(logs_ / "stderr"),
            "watch: 3 days, 4 files written, 0 unchanged, 0 failed\n"
            "watch: 1 days, 2 files written, 0 unchanged, 0 failed\n");
  std::string reports = ReadBytes(logs_ / "stdout");
  json second = json::parse(reports.substr(reports.find('\n') + 1));
  EXPECT_EQ(second["days"], json({"20080405"}));
  for (const std::string& name : AllEntries(out_.path())) EXPECT_NE('.', name[0]) << name;
}

// What failed stays due with no boxscore changing: a day whose page name a folder took, then
// the publishing after it, each tried again after a pause that follows --settle and doubles.
TEST_P(WatchTest, RetriesAFailedDayAndAFailedPublishWithAGrowingPause) {
  std::filesystem::create_directory(PagePath("20080402"));
  std::string site = logs_ / "site";
  WriteBytes(site, "a file where the site's folder should be");
  std::vector<std::string> options = {"--all", "--settle", "0.4", "--publish", "file://" + site};
  if (GetParam()) options.insert(options.end(), {"--poll", "0.2"});
  pid_t pid = Start(options);
  ASSERT_TRUE(Within([&] { return Runs() >= 1; }));
  std::filesystem::remove(PagePath("20080402"));
  ASSERT_TRUE(Within([&] { return std::filesystem::is_regular_file(PagePath("20080402")); }));
  ASSERT_TRUE(Within([&] { return Runs() >= 2; }));
  std::filesystem::remove(site);
  ASSERT_TRUE(Within([&] { return std::filesystem::exists(site + "/GamesOf20080402.htm"); }));
  ASSERT_TRUE(Within([&] { return Runs() >= 3; }));
  ASSERT_EQ(0, ::kill(pid, SIGTERM));
  int status = 0;
  ASSERT_TRUE(Within([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
  std::string log = ReadBytes(logs_ / "stderr");
  // The first run, and then one retry a run, until the day is done and then the publishing.
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(log)) {
    if (line.starts_with("watch: ")) lines.emplace_back(line);
  }
  ASSERT_GE(lines.size(), 3u) << log;
  EXPECT_TRUE(lines[0].ends_with(", 1 failed, next try in 1.2 s")) << log;
  EXPECT_NE(lines[1].find(", retry 1, next try in 2.4 s"), std::string::npos) << log;
  EXPECT_NE(lines.back().find(" 0 failed, retry "), std::string::npos) << log;
  EXPECT_EQ(ReadBytes(site + "/GamesIndex.htm"), ReadBytes(out_ / kIndexPageName));
}

// Without file events too, watch ends with a failure when its input folder goes, so that a
// service manager starts it again once the folder is back.
TEST_P(WatchTest, EndsWithAFailureWhenItsInputFolderGoes) {
  std::vector<std::string> options;
  if (GetParam()) options = {"--poll", "0.2"};
  pid_t pid = Start(options);
  ASSERT_TRUE(Within([&] { return Runs() >= 1; }));
  std::filesystem::remove_all(in_.path());
  int status = 0;
  ASSERT_TRUE(Within([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kExitFailure) << status;
  EXPECT_NE(ReadBytes(logs_ / "stderr").find("cannot watch " + in_.path()), std::string::npos)
      << ReadBytes(logs_ / "stderr");
}

INSTANTIATE_TEST_SUITE_P(FileEventsAndPolling, WatchTest, ::testing::Bool());

}  // namespace
}  // namespace gamefold
