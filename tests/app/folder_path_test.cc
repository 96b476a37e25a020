#include "app/folder_path.h"

#include <gtest/gtest.h>

#include "app/settings_file.h"

namespace gamefold {
namespace {

constexpr PathStyle kPosix = PathStyle::kPosix;
constexpr PathStyle kWindows = PathStyle::kWindows;

TEST(FolderPath, KnowsRootsOfBothStyles) {
  EXPECT_EQ(RootOf("/home/league", kPosix), "/");
  EXPECT_EQ(RootOf("C:\\Games\\Boxes", kPosix), "");
  EXPECT_EQ(RootOf("c:/Games", kWindows), "C:\\");
  EXPECT_EQ(RootOf("C:", kWindows), "C:\\");
  EXPECT_EQ(RootOf("\\\\host\\share\\Boxes", kWindows), "\\\\host\\share\\");
  EXPECT_EQ(RootOf("//host/share", kWindows), "\\\\host\\share\\");
  // Relative, drive-relative, and incomplete share paths have no root.
  for (const char* relative : {"Games", "C:Games", "\\Games", "\\\\host", "\\\\\\x", "1:\\x"}) {
    EXPECT_EQ(RootOf(relative, kWindows), "") << relative;
    EXPECT_FALSE(IsAbsoluteFolder(relative, kWindows)) << relative;
  }
  EXPECT_TRUE(IsAbsoluteFolder("/", kPosix));
  EXPECT_FALSE(IsAbsoluteFolder("/", kWindows));
}

TEST(FolderPath, WalksFoldersUpAndDownToTheRoot) {
  EXPECT_EQ(NormalizedFolder("c:/Games//Boxes/", kWindows), "C:\\Games\\Boxes");
  EXPECT_EQ(NormalizedFolder("C:\\", kWindows), "C:\\");
  EXPECT_EQ(NormalizedFolder("/web//", kPosix), "/web");
  EXPECT_EQ(NormalizedFolder("", kPosix), "/");

  EXPECT_EQ(ParentFolder("C:\\Games\\Boxes", kWindows), "C:\\Games");
  EXPECT_EQ(ParentFolder("C:\\Games", kWindows), "C:\\");
  EXPECT_EQ(ParentFolder("C:\\", kWindows), "C:\\");
  EXPECT_EQ(ParentFolder("\\\\host\\share\\Boxes", kWindows), "\\\\host\\share\\");
  EXPECT_EQ(ParentFolder("/web/boxes", kPosix), "/web");
  EXPECT_EQ(ParentFolder("/web", kPosix), "/");
  EXPECT_EQ(ParentFolder("/", kPosix), "/");
  // A backslash is a byte of a name on Linux.
  EXPECT_EQ(ParentFolder("/a\\b", kPosix), "/");

  EXPECT_EQ(LastPart("C:\\Games\\Boxes", kWindows), "Boxes");
  EXPECT_EQ(LastPart("C:\\", kWindows), "C:\\");
  EXPECT_EQ(LastPart("/a\\b", kPosix), "a\\b");
  EXPECT_EQ(ChildFolder("C:\\", "Games", kWindows), "C:\\Games");
  EXPECT_EQ(ChildFolder("C:\\Games", "Boxes", kWindows), "C:\\Games\\Boxes");
  EXPECT_EQ(ChildFolder("/", "web", kPosix), "/web");
}

TEST(FolderPath, FindsTheDriveOrMountThatHoldsAPath) {
  std::vector<std::string> drives = {"C:\\", "D:\\"};
  EXPECT_EQ(MountPointOf("D:\\Web\\Pages", drives, kWindows), "D:\\");
  EXPECT_EQ(MountPointOf("d:\\web", drives, kWindows), "D:\\");
  EXPECT_EQ(MountPointOf("E:\\x", drives, kWindows), "E:\\");  // its own root when not listed
  std::vector<std::string> mounts = {"/", "/home", "/home/league"};
  EXPECT_EQ(MountPointOf("/home/league/boxes", mounts, kPosix), "/home/league");
  EXPECT_EQ(MountPointOf("/home/leagues", mounts, kPosix), "/home");
  EXPECT_EQ(MountPointOf("/HOME/league", mounts, kPosix), "/");
}

TEST(FolderPath, SettingsRestoreFoldersOfTheSystemsStyle) {
  using Kind = SettingsLine::Kind;
  const std::string kFile = "IPF C:\\Games\\Boxes\r\nOPF \\\\host\\web\\Pages\r\nD:\\Boxes\r\n";
  std::vector<SettingsLine> lines = ParseSettings(kFile, kWindows);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], (SettingsLine{Kind::kInputFolder, "C:\\Games\\Boxes"}));
  EXPECT_EQ(lines[1], (SettingsLine{Kind::kOutputFolder, "\\\\host\\web\\Pages"}));
  EXPECT_EQ(lines[2], (SettingsLine{Kind::kInputFolder, "D:\\Boxes"}));
  // A bare line of the other system's style is no folder; keyed lines stay for the caller.
  EXPECT_EQ(ParseSettings(kFile, kPosix).size(), 2u);
  EXPECT_TRUE(ParseSettings("/web/boxes\r\n", kWindows).empty());
  // A bare network path is no line of any kind; a drive-relative one cannot be restored.
  EXPECT_TRUE(ParseSettings("\\\\host\\share\r\nD:Boxes\r\n", kWindows).empty());
}

}  // namespace
}  // namespace gamefold
