#include "core/folder_listing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_dir.h"

namespace gamefold {
namespace {

using testing::TempDir;
using testing::WriteBytes;
using Names = std::vector<std::string>;

TEST(FolderListing, MatchesPatternsIgnoringLetterCase) {
  EXPECT_TRUE(MatchesPattern("2008040100001.box", "*.BOX"));
  EXPECT_TRUE(MatchesPattern("A.BoX", "*.BOX"));
  EXPECT_FALSE(MatchesPattern("a.BOXES", "*.BOX"));
  EXPECT_FALSE(MatchesPattern("abox", "*.BOX"));
  EXPECT_TRUE(MatchesPattern("GamesOf.htm", "GamesOf*.*"));
  EXPECT_TRUE(MatchesPattern("gamesof20080401.HTM.bak", "GamesOf*.*"));
  EXPECT_FALSE(MatchesPattern("GamesOf20080401", "GamesOf*.*"));
  EXPECT_TRUE(MatchesPattern("a.b.c.box", "*.*.BOX"));
  EXPECT_TRUE(MatchesPattern("x1.box", "x?.box"));
  EXPECT_FALSE(MatchesPattern("x.box", "x?.box"));
}

TEST(FolderListing, SortsLikeStrcasecmpThenByBytes) {
  Names names = {"b.box", "B.box", "a_.box", "a.box", "A.BOX", "\xE9.box", "Z.box"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return ListingLess(a, b); });
  // '.' (0x2E) sorts before '_' (0x5F); upper case equals lower case, then byte order breaks
  // the tie; bytes above 0x7F come last.
  EXPECT_EQ(names, (Names{"A.BOX", "a.box", "a_.box", "B.box", "b.box", "Z.box", "\xE9.box"}));
}

TEST(FolderListing, ListsRegularVisibleMatchingFiles) {
  TempDir dir;
  WriteBytes(dir / "20080402.BOX", "");
  WriteBytes(dir / "20080401.box", "");
  WriteBytes(dir / ".hidden.BOX", "");
  WriteBytes(dir / "notes.txt", "");
  std::filesystem::create_directory(dir / "folder.BOX");
  std::filesystem::create_symlink(dir / "20080401.box", dir / "link.BOX");
  std::filesystem::create_symlink(dir / "loop.BOX", dir / "loop.BOX");
  std::filesystem::create_symlink(dir / "missing", dir / "dangling.BOX");

  FileList list("*.BOX");
  Failure failure;
  ASSERT_TRUE(list.SetPath(dir.path(), &failure));
  EXPECT_EQ(list.names(), (Names{"20080401.box", "20080402.BOX", "link.BOX"}));

  EXPECT_FALSE(list.SetPath(dir / "gone", &failure));
  EXPECT_EQ(list.path(), dir.path());  // the previous folder stays
  EXPECT_EQ(list.names().size(), 3u);
  EXPECT_NE(failure.description.find(dir / "gone"), std::string::npos);
}

TEST(FolderListing, FileExistsOnlyForRegularVisibleFiles) {
  TempDir dir;
  WriteBytes(dir / "DOD_box.txt", "");
  WriteBytes(dir / ".hidden", "");
  std::filesystem::create_directory(dir / "folder");
  EXPECT_TRUE(FileExists(dir / "DOD_box.txt"));
  EXPECT_FALSE(FileExists(dir / ".hidden"));
  EXPECT_FALSE(FileExists(dir / "folder"));
  EXPECT_FALSE(FileExists(dir / "missing"));
  EXPECT_TRUE(FileExists(dir / "*.TXT"));
  EXPECT_FALSE(FileExists(dir / "*.htm"));
}

}  // namespace
}  // namespace gamefold
