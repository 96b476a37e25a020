#include "batch/progress_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace gamefold::batch {
namespace {

// The bar redraws itself over one line, filled in proportion and never past its width, and its
// line ends once, only when it was drawn; a hidden bar writes nothing at all.
TEST(ProgressLine, DrawsOverOneLineAndEndsItOnce) {
  std::ostringstream err;
  ProgressLine line(err, true);
  line.Finish();
  EXPECT_EQ("", err.str());
  line.Draw(0, 0, "0/0 files sent");
  line.Draw(1, 3, "1/3 files sent");
  line.Draw(3, 3, "3/3 files sent");
  line.Finish();
  line.Finish();
  std::string expected = "\r[";
  expected.append(30, ' ').append("] 0/0 files sent\r[").append(10, '#').append(20, ' ');
  expected.append("] 1/3 files sent\r[").append(30, '#').append("] 3/3 files sent\n");
  EXPECT_EQ(expected, err.str());

  std::ostringstream quiet;
  ProgressLine hidden(quiet, false);
  hidden.Draw(1, 2, "1/2 files sent");
  hidden.Finish();
  EXPECT_EQ("", quiet.str());
}

}  // namespace
}  // namespace gamefold::batch
