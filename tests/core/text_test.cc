#include "core/text.h"

#include <gtest/gtest.h>

#include "core/game_day.h"

namespace gamefold {
namespace {

// Names are read at fixed places: a name that ends early, or holds a sign, a blank or a tenth
// digit where digits belong, must read as nothing rather than as a smaller number.
TEST(Text, DigitsAtReadsOnlyWholeRunsOfDigits) {
  EXPECT_EQ(406, DigitsAt("GamesOf20080406.htm", kPageDayIndexPosition, 4));
  EXPECT_EQ(2008, DigitsAt("GamesOf20080406.htm", kPageYearPosition, 4));
  EXPECT_EQ(std::nullopt, DigitsAt("GamesOf200804", kPageDayIndexPosition, 4));  // ends early
  EXPECT_EQ(std::nullopt, DigitsAt("GamesOf2008 406.htm", kPageDayIndexPosition, 4));
  EXPECT_EQ(std::nullopt, DigitsAt("GamesOf2008+406.htm", kPageDayIndexPosition, 4));
  EXPECT_EQ(std::nullopt, DigitsAt("0406", 0, 4));  // positions count from 1
  EXPECT_EQ(std::nullopt, DigitsValue(""));
  EXPECT_EQ(999999999, DigitsValue("999999999"));
  EXPECT_EQ(std::nullopt, DigitsValue("1000000000"));  // would overflow
  EXPECT_TRUE(IsDigits("20080406"));
  EXPECT_FALSE(IsDigits(""));
  EXPECT_FALSE(IsDigits("2008040a"));
}

TEST(Text, CharactersTrimBlanksAndZeroPadding) {
  EXPECT_EQ("0406", Characters("20080406", 5, 4));
  EXPECT_EQ("06", Characters("20080406", 7, 4));  // fewer when the text ends
  EXPECT_EQ("", Characters("2008", 5, 4));
  // Only blanks are trimmed: a tab or a form feed is text.
  EXPECT_EQ("Red Sox", TrimBlanks("  Red Sox   "));
  EXPECT_EQ("\tCubs\f", TrimBlanks(" \tCubs\f "));
  EXPECT_EQ("", TrimBlanks("   "));
  EXPECT_EQ("0101", ZeroPadded(101, 4));
  EXPECT_EQ("12345", ZeroPadded(12345, 4));
  EXPECT_EQ("20080406", DayKeyOf("20080406 and more"));
  EXPECT_EQ("GamesOf20080406.htm", DayPageName("20080406"));
  EXPECT_EQ(kDayPageNameLength, DayPageName("20080406").size());
}

}  // namespace
}  // namespace gamefold
