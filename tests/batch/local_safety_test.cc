// What the folders may hold that must not leak, hang a run or take its lock: links, FIFOs and
// hostile names, as a co-user could place them. Linux only: links, FIFOs and fork.

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

size_t Count(std::string_view text, std::string_view part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// Runs the command in a child given ten seconds, so that a run that blocks fails the test
// rather than hanging the suite; its stderr comes back through a file.
Outcome BoundedBatch(const std::vector<std::string>& args, const std::string& err_path) {
  pid_t child = ::fork();
  if (child == 0) {
    Outcome run = Batch(args);
    WriteBytes(err_path, run.err);
    ::_exit(run.status);
  }
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      ADD_FAILURE() << "the run blocked";
      return {-1, "", ""};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", ReadBytes(err_path)};
}

class LocalSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(in_ / "2008040100001.BOX", Boxscore("Reds", 3, "Cubs", 5));
    WriteBytes(in_ / "2008040200001.BOX", Boxscore("Cubs", 12, "Reds", 0));
    WriteBytes(secret_ / "id_key", "PRIVATE KEY\n");
    url_ = "file://" + site_.path() + "/";
  }
  Outcome Publish(std::vector<std::string> options = {}) {
    options.insert(options.begin(), "publish");
    options.push_back(out_.path());
    options.push_back(url_);
    return Batch(options);
  }

  TempDir in_, out_, site_, secret_, scratch_;
  std::string url_;
};

TEST_F(LocalSafetyTest, PublishSendsOnlyOurOwnRegularFiles) {
  ASSERT_EQ(kExitSuccess, Batch({"process", "--all", "--index", in_.path(), out_.path()}).status);
  std::filesystem::create_symlink(secret_ / "id_key", out_ / "GamesOf20080409.htm");
  std::filesystem::create_symlink(secret_ / "id_key", out_ / "vuzad.css");
  WriteBytes(out_ / "GamesOf x.htm", "someone else's");
  WriteBytes(out_ / "GamesOf\nx\x1b.htm", "a hostile name");
  Outcome run = Publish({"--report", "json"});
  ASSERT_EQ(kExitSuccess, run.status) << run.err;
  EXPECT_EQ(
      (std::vector<std::string>{"GamesIndex.htm", "GamesOf20080401.htm", "GamesOf20080402.htm"}),
      AllEntries(site_.path()));
  // Each skipped file told on its own line, control bytes escaped; all of them in the report.
  EXPECT_NE(run.err.find("publish: skipped GamesOf20080409.htm: a link\n"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("publish: skipped vuzad.css: a link\n"), std::string::npos);
  EXPECT_NE(run.err.find("publish: skipped GamesOf x.htm: not the name of a day page\n"),
            std::string::npos);
  EXPECT_NE(run.err.find("publish: skipped GamesOf\\nx\\x1b.htm: "), std::string::npos);
  EXPECT_EQ(4u, Count(run.err, "publish: skipped ")) << run.err;
  json skipped = json::parse(run.out)["publish"]["skipped"];
  EXPECT_EQ(4u, skipped.size()) << skipped;
  EXPECT_NE(std::find(skipped.begin(), skipped.end(), "GamesOf\nx\x1b.htm"), skipped.end());

  // The dry run skips the same files, told even when quiet; the next run sends nothing.
  run = Publish({"--dry-run", "--quiet"});
  EXPECT_EQ("", run.out);
  EXPECT_EQ(4u, Count(run.err, "publish: skipped ")) << run.err;
}

// A name is printed with its control bytes escaped: it can neither split the message's line
// nor send the terminal an escape sequence.
TEST_F(LocalSafetyTest, NamesInMessagesShowControlBytesEscaped) {
  TempDir odd;
  WriteBytes(odd / "\x1b[2J\n.BOX", "");
  Outcome run = Batch({"list", odd.path(), out_.path()});
  EXPECT_EQ("Error Encountered 52 File Error in Boxes " + JoinPath(odd.path(), "") +
                "\\x1b[2J\\n.BOX: the first boxscore name is not 17 characters long, so no days "
                "are listed\n",
            run.err);
}

TEST_F(LocalSafetyTest, OneBadStateLineDropsOnlyItself) {
  ASSERT_EQ(kExitSuccess, Batch({"process", "--all", in_.path(), out_.path()}).status);
  ASSERT_EQ(kExitSuccess, Publish().status);
  std::string state = ReadBytes(out_ / kPublishStateName);
  size_t third_line = state.find('\n', state.find('\n') + 1) + 1;
  state.insert(third_line, "x\r\n12 abc\r\n");
  WriteBytes(out_ / kPublishStateName, state);
  Outcome run = Publish({"--dry-run"});
  EXPECT_EQ(kExitSuccess, run.status);
  EXPECT_EQ("", run.out);
}

TEST_F(LocalSafetyTest, ABoxscoreLinkIsReadOnlyInsideTheInputFolder) {
  std::filesystem::create_directory(in_ / "kept");
  WriteBytes(in_ / "kept/game", Boxscore("Expos", 1, "Mets", 2));
  std::filesystem::create_symlink("kept/game", in_ / "2008040100002.BOX");
  Outcome run = Batch({"process", in_.path(), out_.path(), "20080401"});
  ASSERT_EQ(kExitSuccess, run.status) << run.err;
  EXPECT_NE(ReadBytes(out_ / "GamesOf20080401.htm").find("Expos"), std::string::npos);

  // Out of the folder, also by way of a folder link inside it: the day fails, naming the link.
  std::filesystem::remove(in_ / "2008040100002.BOX");
  std::filesystem::create_directory_symlink(secret_.path(), in_ / "away");
  std::filesystem::create_symlink("away/id_key", in_ / "2008040200002.BOX");
  run = Batch({"process", in_.path(), out_.path(), "20080402"});
  EXPECT_EQ(kExitFailure, run.status);
  EXPECT_EQ("Error Encountered 75 cannot read " + (in_ / "2008040200002.BOX") +
                ": a link leading out of its folder\n",
            run.err);
  EXPECT_FALSE(std::filesystem::exists(out_ / "GamesOf20080402.htm"));
}

TEST_F(LocalSafetyTest, AFifoInThePlaceOfAFileIsRefusedNotWaitedOn) {
  ASSERT_EQ(0, ::mkfifo((out_ / "GamesOf20080401.htm").c_str(), 0666));
  Outcome run =
      BoundedBatch({"process", "--all", in_.path(), out_.path()}, scratch_ / "process.err");
  EXPECT_EQ(kExitFailure, run.status);
  EXPECT_EQ("Error Encountered 75 cannot write " + (out_ / "GamesOf20080401.htm") +
                ": not a regular file\n",
            run.err);
  run = BoundedBatch({"process", "--all", "--durable", in_.path(), out_.path()},
                     scratch_ / "durable.err");
  EXPECT_EQ(kExitFailure, run.status);
  std::filesystem::remove(out_ / "GamesOf20080401.htm");

  ASSERT_EQ(kExitSuccess, Batch({"process", "--all", in_.path(), out_.path()}).status);
  ASSERT_EQ(0, ::mkfifo((out_ / kPublishStateName).c_str(), 0666));
  run = BoundedBatch({"publish", out_.path(), url_}, scratch_ / "publish.err");
  EXPECT_EQ(kExitFailure, run.status);
  EXPECT_EQ(
      "Error Encountered 75 cannot read " + (out_ / kPublishStateName) + ": not a regular file\n",
      run.err);
  EXPECT_TRUE(AllEntries(site_.path()).empty());
}

TEST_F(LocalSafetyTest, ALockThatCannotBeTakenFailsNamingIt) {
  std::string lock = out_ / std::string(kLockFileName);
  std::filesystem::create_symlink(scratch_ / "made", lock);
  Outcome run = Batch({"process", "--all", in_.path(), out_.path()});
  EXPECT_EQ(kExitFailure, run.status);
  EXPECT_EQ("Error Encountered 75 cannot take the lock " + lock +
                ": it is a link; remove it if "
                "no run is writing into " +
                out_.path() + "\n",
            run.err);
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "made"));
  EXPECT_FALSE(std::filesystem::exists(out_ / "GamesOf20080401.htm"));

  std::filesystem::remove(lock);
  std::filesystem::create_directory(lock);
  run = Batch({"publish", out_.path(), url_});
  EXPECT_EQ(kExitFailure, run.status);
  EXPECT_NE(run.err.find(lock + ": it is a folder"), std::string::npos) << run.err;
  std::filesystem::remove(lock);

  if (!testing::PermissionsAreIgnored()) {
    // Another user's lock file, which this one may not open.
    WriteBytes(lock, "");
    std::filesystem::permissions(lock, std::filesystem::perms::none);
    run = Batch({"process", "--all", in_.path(), out_.path()});
    EXPECT_EQ(kExitFailure, run.status);
    EXPECT_EQ("Error Encountered 70 cannot take the lock " + lock +
                  ": Permission denied; "
                  "remove it if no run is writing into " +
                  out_.path() + "\n",
              run.err);
    std::filesystem::remove(lock);
  }
  EXPECT_EQ(kExitSuccess, Batch({"process", "--all", in_.path(), out_.path()}).status);
}

TEST_F(LocalSafetyTest, KilledRunsLeaveNoTemporariesOfOursBehind) {
  ASSERT_EQ(kExitSuccess, Batch({"process", "--all", in_.path(), out_.path()}).status);
  // No system gives a process this id: it stands for a run killed while writing.
  const std::string gone = ".tmp999999996-1";
  std::string state_temporary = "." + std::string(kPublishStateName) + gone;
  WriteBytes(out_ / state_temporary, "x");
  WriteBytes(site_ / (".GamesOf20080401.htm" + gone), "x");
  WriteBytes(site_ / (".vuzad.css" + gone), "x");
  WriteBytes(site_ / (".notes.css" + gone), "the owner's");
  ASSERT_EQ(kExitSuccess, Publish().status);
  EXPECT_EQ(
      (std::vector<std::string>{".gamefold-publish", "GamesOf20080401.htm", "GamesOf20080402.htm"}),
      AllEntries(out_.path()));
  EXPECT_EQ(
      (std::vector<std::string>{".notes.css" + gone, "GamesOf20080401.htm", "GamesOf20080402.htm"}),
      AllEntries(site_.path()));
}

}  // namespace
}  // namespace gamefold
