// Linux only: a file size limit stands for a full disk.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "daypages/process.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::string kData = GAMEFOLD_TEST_DATA "/daypages";
const std::string kOldPage = "old page\r\n";

TEST(DayProcessorPosix, FailsOnAFullDisk) {
  TempDir out;
  WriteBytes(out / "GamesOf20080406.htm", kOldPage);
  // A file size limit makes the write fail part way, as a full disk does, whoever runs this.
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 100;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  Failure err;
  std::vector<std::string> names = {"2008040600001.BOX", "2008040600002.BOX"};
  bool written = DayProcessor().ProcessDay({kData, names, out.path(), ContentChoice::kLogs},
                                           "20080406", ProcessEvents(), &err);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_EQ(61, err.number) << err.description;
  // The older page stays as it was, with no temporary file beside it.
  EXPECT_EQ(kOldPage, ReadBytes(out / "GamesOf20080406.htm"));
  EXPECT_EQ(testing::AllEntries(out.path()), std::vector<std::string>{"GamesOf20080406.htm"});
}

}  // namespace
}  // namespace gamefold
