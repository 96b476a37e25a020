// The platform layer's folder making and file sizes, which a published folder relies on.
#include "core/platform_files.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using platform::EntryKind;
using testing::TempDir;
using testing::WriteBytes;

TEST(PlatformFiles, MakesEveryMissingFolderAboveAndTakesOneThatIsThere) {
  TempDir dir;
  int errnum = 0;
  ASSERT_TRUE(platform::MakeFolders(dir / "a/b//c/", &errnum)) << errnum;
  EXPECT_EQ(platform::KindOfPath(dir / "a/b/c"), EntryKind::kFolder);
  EXPECT_TRUE(platform::MakeFolders(dir / "a/b", &errnum));
  // A name that needs no making once the folder before it is made (Windows reads "x/.." away
  // before it looks, POSIX makes x first).
  ASSERT_TRUE(platform::MakeFolders(dir / "a/x/..", &errnum)) << errnum;
  EXPECT_EQ(platform::KindOfPath(dir / "a/x/.."), EntryKind::kFolder);
}

TEST(PlatformFiles, MakesNoFolderWhereAFileIsInTheWay) {
  TempDir dir;
  WriteBytes(dir / "file", "x");
  for (const std::string& folder : {dir / "file", dir / "file/a/b"}) {
    int errnum = 0;
    EXPECT_FALSE(platform::MakeFolders(folder, &errnum)) << folder;
    EXPECT_EQ(errnum, ENOTDIR) << folder;
  }
  EXPECT_EQ(platform::KindOfPath(dir / "file"), EntryKind::kRegular);
  int errnum = 0;
  EXPECT_FALSE(platform::MakeFolders("", &errnum));
  EXPECT_EQ(errnum, EINVAL);
}

TEST(PlatformFiles, TellsTheSizeOfRegularFilesOnly) {
  TempDir dir;
  WriteBytes(dir / "page", "12345");
  long long size = -1;
  int errnum = 0;
  ASSERT_TRUE(platform::FileSize(dir / "page", &size, &errnum)) << errnum;
  EXPECT_EQ(size, 5);
  EXPECT_FALSE(platform::FileSize(dir / "missing", &size, &errnum));
  EXPECT_EQ(errnum, ENOENT);
  EXPECT_FALSE(platform::FileSize(dir.path(), &size, &errnum));
  EXPECT_EQ(errnum, EISDIR);
}

}  // namespace
}  // namespace gamefold
