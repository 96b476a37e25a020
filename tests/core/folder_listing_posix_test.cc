// Linux only: symbolic links need privileges on Windows.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/folder_listing.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::TempDir;
using testing::WriteBytes;

TEST(FolderListingPosix, ListsLinksAsWhatTheyLeadTo) {
  TempDir dir;
  WriteBytes(dir / "20080401.box", "");
  std::filesystem::create_directory(dir / "folder");
  std::filesystem::create_symlink(dir / "20080401.box", dir / "link.BOX");
  std::filesystem::create_symlink(dir / "folder", dir / "folder-link.BOX");
  std::filesystem::create_symlink(dir / "loop.BOX", dir / "loop.BOX");
  std::filesystem::create_symlink(dir / "missing", dir / "dangling.BOX");
  FileList list("*.BOX");
  Failure failure;
  ASSERT_TRUE(list.SetPath(dir.path(), &failure));
  EXPECT_EQ(list.names(), (std::vector<std::string>{"20080401.box", "link.BOX"}));
}

}  // namespace
}  // namespace gamefold
