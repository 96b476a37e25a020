#include "app/trace_log.h"

#include <gtest/gtest.h>

#include "core/text_file.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::FixedClock;

TEST(TraceLog, FormatsTheTimeLikeTheGeneralDateForm) {
  EXPECT_EQ(FormatTraceTime({2026, 12, 6, 6, 47, 49}), "12/6/2026 6:47:49 AM");
  EXPECT_EQ(FormatTraceTime({2008, 4, 4, 0, 5, 7}), "4/4/2008 12:05:07 AM");
  EXPECT_EQ(FormatTraceTime({2008, 4, 4, 12, 0, 0}), "4/4/2008 12:00:00 PM");
  EXPECT_EQ(FormatTraceTime({2008, 4, 4, 23, 59, 59}), "4/4/2008 11:59:59 PM");
}

TEST(TraceLog, WritesEachLineAtOnceAndStartsEmpty) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "boxtrace.txt", "an earlier run\r\n");
  FixedClock clock;
  TraceLog log(&clock);
  Failure failure;
  ASSERT_TRUE(log.Open(dir / "boxtrace.txt", &failure));
  log.Trace(" starting ");
  log.Trace("0 Days out");
  // Each line is in the file as soon as it is traced, without a close or a flush.
  EXPECT_EQ(testing::ReadBytes(dir / "boxtrace.txt"),
            "12/6/2026 6:47:49 AM starting \r\n12/6/2026 6:47:49 AM0 Days out\r\n");
  log.Close();
  log.Trace(" dropped ");
  EXPECT_EQ(testing::ReadBytes(dir / "boxtrace.txt").find("dropped"), std::string::npos);
}

TEST(TraceLog, StaysClosedWhenItCannotBeCreated) {
  testing::TempDir dir;
  FixedClock clock;
  TraceLog log(&clock);
  Failure failure;
  EXPECT_FALSE(log.Open(dir / "gone/boxtrace.txt", &failure));
  EXPECT_FALSE(log.is_open());
  EXPECT_NE(failure.description.find(JoinPath("gone", "boxtrace.txt")), std::string::npos);
  log.Trace(" starting ");  // harmless
}

}  // namespace
}  // namespace gamefold
