// The league's site from gamefold-batch: its own command, --site on the writers, and publish.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "batch/batch.h"
#include "core/game_day.h"
#include "tests/batch/batch_outcome.h"
#include "tests/support/boxscores.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::Batch;
using testing::Boxscore;
using testing::Outcome;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

bool Holds(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

constexpr std::string_view kLinks01 =
    "Go to <A HREF=GamesOf20080403.htm>Next Day</A> | <A HREF=Standings.htm>Standings</A> "
    "<BR><table>\r\n";

class SiteBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(in_ / "2008040100001.BOX", Boxscore("Reds", 3, "Cubs", 5));
    WriteBytes(in_ / "2008040200001.BOX", Boxscore("Cubs", 12, "Reds", 0));
    WriteBytes(in_ / "2008040300001.BOX", Boxscore("Expos", 1, "Mets", 2));
    WriteBytes(in_ / "2008040300002.BOX", "no line score\r\n");
    WriteBytes(out_ / "vuzad.css", "body {}\r\n");
  }
  std::string Page(std::string_view name) { return ReadBytes(out_ / name); }

  TempDir in_, out_;
};

TEST_F(SiteBatchTest, SiteOnTheWritersLinksTheDaysAndKeepsTheNeighboursUpToDate) {
  Outcome first = Batch({"process", "--site", "--index", "--report", "json", in_.path(),
                         out_.path(), "20080401", "20080403"});
  ASSERT_EQ(kExitSuccess, first.status) << first.err;
  EXPECT_TRUE(
      Holds(Page("GamesOf20080401.htm"),
            "Go to <A HREF=GamesIndex.htm>Index of Months</A> <BR>\r\n" + std::string(kLinks01)));
  EXPECT_TRUE(Holds(Page("GamesOf20080403.htm"), "<A HREF=GamesOf20080401.htm>Previous Day</A>"));
  EXPECT_TRUE(
      Holds(Page("GamesIndex.htm"), "<BODY><A HREF=Standings.htm>Standings</A> <BR><Table"));
  EXPECT_TRUE(Holds(Page("Standings.htm"), "Through Thursday, April 3, 2008"));
  EXPECT_TRUE(Holds(Page("Team-Mets.htm"), "GamesOf20080403.htm#Mets%202%2C%20Expos%201"));
  // The standings and four teams; the unreadable boxscore named in the report and the messages.
  EXPECT_TRUE(Holds(first.out, "\"site\":{\"pages\":5,\"uncounted\":[\"2008040300002.BOX\"]}"))
      << first.out;
  EXPECT_TRUE(Holds(first.err, "2008040300002.BOX not counted in the standings")) << first.err;

  // A day between them: both neighbours get their new links in the same run.
  Outcome second = Batch({"process", "--site", "-q", in_.path(), out_.path(), "20080402"});
  ASSERT_EQ(kExitSuccess, second.status) << second.err;
  EXPECT_TRUE(Holds(Page("GamesOf20080401.htm"), "<A HREF=GamesOf20080402.htm>Next Day</A>"));
  EXPECT_TRUE(Holds(Page("GamesOf20080403.htm"), "<A HREF=GamesOf20080402.htm>Previous Day</A>"));
  EXPECT_TRUE(Holds(Page("GamesOf20080402.htm"),
                    "Go to <A HREF=GamesOf20080401.htm>Previous Day</A> | <A "
                    "HREF=GamesOf20080403.htm>Next Day</A> | <A HREF=Standings.htm>Standings</A>"));
  EXPECT_TRUE(Holds(Page("Team-Cubs.htm"), "Record 2-0"));

  // Nothing else changed: the day pages and the site stay, for the site command and index --site
  // too.
  Outcome again = Batch(
      {"process", "--site", "--all", "--index", "--report", "json", "-q", in_.path(), out_.path()});
  // Only the index is written: it did not know the 2nd yet.
  EXPECT_TRUE(
      Holds(again.out, "\"counts\":{\"days\":3,\"failed\":0,\"unchanged\":8,\"written\":1}"))
      << again.out;
  Outcome site = Batch({"site", "--report", "json", "-q", in_.path(), out_.path()});
  EXPECT_EQ(kExitSuccess, site.status);
  EXPECT_TRUE(Holds(site.out, "\"command\":\"site\"")) << site.out;
  EXPECT_TRUE(Holds(site.out, "\"written\":[]")) << site.out;
  Outcome index = Batch({"index", "--site", "--report", "json", in_.path(), out_.path()});
  EXPECT_EQ(kExitSuccess, index.status) << index.err;
  EXPECT_TRUE(Holds(index.out, "\"written\":[]")) << index.out;
  EXPECT_EQ(kExitUsage, Batch({"index", "--site", out_.path()}).status);
  BatchCommand watch;
  std::string problem;
  ASSERT_TRUE(ParseBatchArguments({"watch", "--site", "in", "out"}, &watch, &problem));
  EXPECT_TRUE(watch.site);
  EXPECT_EQ(kExitUsage, Batch({"list", "--site", in_.path(), out_.path()}).status);

  // A malformed league.txt is told with its line; the run goes on.
  WriteBytes(out_ / "league.txt", "Cubs\r\n");
  Outcome league = Batch({"site", "--charset", "utf-8", in_.path(), out_.path()});
  EXPECT_EQ(kExitSuccess, league.status);
  EXPECT_TRUE(Holds(league.err, "league.txt line 1: a team before the first [Division]"));
  EXPECT_TRUE(Holds(Page("Standings.htm"), "charset=utf-8"));
}

TEST_F(SiteBatchTest, WithoutSiteNothingChangesAndPublishSendsTheSitesPagesByName) {
  TempDir plain;
  ASSERT_EQ(kExitSuccess,
            Batch({"process", "--all", "--index", "-q", in_.path(), plain.path()}).status);
  ASSERT_EQ(kExitSuccess,
            Batch({"process", "--all", "--index", "--site", "-q", in_.path(), out_.path()}).status);
  EXPECT_FALSE(Holds(ReadBytes(plain / "GamesOf20080402.htm"), "Standings"));
  EXPECT_FALSE(Holds(ReadBytes(plain / "GamesIndex.htm"), "Standings"));
  EXPECT_FALSE(std::filesystem::exists(plain / "Standings.htm"));

  WriteBytes(out_ / "Team-a b.htm", "not ours");
  TempDir site;
  Outcome sent = Batch({"publish", "--dry-run", out_.path(), testing::FileUrl(site.path())});
  ASSERT_EQ(kExitSuccess, sent.status) << sent.err;
  for (std::string_view name : {"Standings.htm", "Team-Cubs.htm", "Team-Reds.htm", "Team-Mets.htm",
                                "Team-Expos.htm", "GamesIndex.htm"}) {
    EXPECT_TRUE(Holds(sent.out, std::string(name) + "\n")) << name;
  }
  EXPECT_FALSE(Holds(sent.out, "Team-a b.htm"));
  EXPECT_TRUE(Holds(sent.err, "skipped Team-a b.htm: not the name of a team page")) << sent.err;
  EXPECT_FALSE(Holds(sent.out, "league.txt"));
}

}  // namespace
}  // namespace gamefold
