// Linux only: a live process other than this one is named by its id here.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/text_file.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::TempDir;
using testing::WriteBytes;

TEST(TextFilePosix, KeepsTemporariesOfRunningWritersOnly) {
  TempDir dir;
  // A child that has exited stands for a run killed while writing; pid 1 always runs.
  pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  std::string gone_temporary = ".GamesOf20080401.htm.tmp" + std::to_string(gone) + "-0";
  std::string live_temporary = ".GamesOf20080403.htm.tmp1-0";
  WriteBytes(dir / gone_temporary, "x");
  WriteBytes(dir / live_temporary, "x");
  RemoveStaleTemporaries(dir.path());
  EXPECT_FALSE(std::filesystem::exists(dir / gone_temporary));
  EXPECT_TRUE(std::filesystem::exists(dir / live_temporary));
}

}  // namespace
}  // namespace gamefold
