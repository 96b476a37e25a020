// Linux only: links, FIFOs and permission bits.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/platform_files.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::TempDir;
using testing::WriteBytes;

TEST(PlatformFilesPosix, SizesGoThroughLinksAndRefuseWhatIsNoFile) {
  TempDir dir;
  WriteBytes(dir / "page", "123");
  std::filesystem::create_symlink(dir / "page", dir / "link");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  long long size = -1;
  int errnum = 0;
  ASSERT_TRUE(platform::FileSize(dir / "link", &size, &errnum)) << errnum;
  EXPECT_EQ(size, 3);
  EXPECT_FALSE(platform::FileSize(dir / "fifo", &size, &errnum));
  EXPECT_EQ(errnum, ENOTSUP);
}

TEST(PlatformFilesPosix, OthersMayAccessAFileThroughAnyBitButTheOwners) {
  TempDir dir;
  WriteBytes(dir / "netrc", "x");
  std::filesystem::create_symlink(dir / "netrc", dir / "link");
  for (mode_t mode : {0600, 0700, 0400}) {
    ASSERT_EQ(::chmod((dir / "netrc").c_str(), mode), 0);
    EXPECT_FALSE(platform::OthersMayAccess(dir / "link")) << std::oct << mode;
  }
  for (mode_t mode : {0610, 0620, 0601, 0602, 0604}) {
    ASSERT_EQ(::chmod((dir / "netrc").c_str(), mode), 0);
    EXPECT_TRUE(platform::OthersMayAccess(dir / "link")) << std::oct << mode;
  }
  EXPECT_FALSE(platform::OthersMayAccess(dir / "missing"));
}

}  // namespace
}  // namespace gamefold
