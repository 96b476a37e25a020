#include "daypages/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/text_file.h"
#include "support/temp_dir.h"

namespace gamefold {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::string kData = GAMEFOLD_TEST_DATA "/daypages";
const std::vector<std::string> kNames = {"2008040600001.BOX", "2008040600002.BOX"};
const std::string kOldPage = "old page\r\n";

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DayFiles, MatchesTheFirstEightBytesExactly) {
  EXPECT_EQ("20080406", DayKeyOf("20080406"));
  EXPECT_EQ("2008", DayKeyOf("2008"));
  std::vector<std::string> names = {"2008040600002.box", "x20080406.BOX", "2008040",
                                    "2008040600001.BOX", "20080407.BOX",  "20080406"};
  EXPECT_EQ((std::vector<std::string>{"2008040600002.box", "2008040600001.BOX", "20080406"}),
            DayFiles(names, "20080406"));
  EXPECT_TRUE(DayFiles(names, "2008040").empty());
}

TEST(ProcessDay, WritesThePagesAndTellsWhatItDoes) {
  TempDir out;
  WriteBytes(out / "GamesOf20080406.htm", kOldPage);
  std::vector<std::string> events;
  ProcessEvents tell;
  tell.reading_file = [&events](const std::string& name) { events.push_back("read " + name); };
  tell.page_opened = [&events](std::string_view key) {
    events.push_back("page " + std::string(key));
  };
  Failure err;
  ASSERT_TRUE(ProcessDay(kData, kNames, out.path(), "20080406", 2, tell, &err)) << err.description;
  ASSERT_TRUE(ProcessDay(kData, kNames, out.path(), "20080407", 2, tell, &err)) << err.description;
  EXPECT_EQ(ReadBytes(kData + "/GamesOf20080406.htm"), ReadBytes(out / "GamesOf20080406.htm"));
  EXPECT_EQ(ReadBytes(kData + "/GamesOf20080407.htm"), ReadBytes(out / "GamesOf20080407.htm"));
  EXPECT_EQ((std::vector<std::string>{"read 2008040600001.BOX", "read 2008040600002.BOX",
                                      "page 20080406", "page 20080407"}),
            events);
  EXPECT_EQ((std::vector<std::string>{"GamesOf20080406.htm", "GamesOf20080407.htm"}),
            FolderNames(out.path()));
}

bool ProcessApril6(const std::string& in, const std::string& out, Failure* err) {
  return ProcessDay(in, FolderNames(in), out, "20080406", 3, ProcessEvents(), err);
}

// A failed run leaves the older page as it was, and no temporary file beside it.
void ExpectOnlyOldPage(const std::string& out) {
  EXPECT_EQ(kOldPage, ReadBytes(out + "/GamesOf20080406.htm"));
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080406.htm"}, FolderNames(out));
}

TEST(ProcessDay, FailsOnAnUnreadableBoxscore) {
  TempDir in;
  TempDir out;
  WriteBytes(in / "2008040600001.BOX", ReadBytes(kData + "/2008040600001.BOX"));
  std::filesystem::create_directory(in / "2008040600002.BOX");
  WriteBytes(out / "GamesOf20080406.htm", kOldPage);
  Failure err;
  EXPECT_FALSE(ProcessApril6(in.path(), out.path(), &err));
  EXPECT_EQ("cannot read " + (in / "2008040600002.BOX") + ": Is a directory", err.description);
  ExpectOnlyOldPage(out.path());
  EXPECT_FALSE(ProcessDay(in.path(), {"2008040600009.BOX"}, out.path(), "20080406", 1,
                          ProcessEvents(), &err));
  EXPECT_EQ(53, err.number);
  EXPECT_EQ("cannot read " + (in / "2008040600009.BOX") + ": No such file or directory",
            err.description);
}

TEST(ProcessDay, FailsOnAMissingOrReadOnlyOutputFolder) {
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
