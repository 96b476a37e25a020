#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace gamefold {
namespace {

TEST(Numbers, StrictReadingTakesOnlyAWholeNumber) {
  // A stem's trailing point is its decimal point; a sign is allowed.
  EXPECT_EQ(StrictNumber("  12 "), 12.0);
  EXPECT_EQ(StrictNumber("+101"), 101.0);
  EXPECT_EQ(StrictNumber("-0401"), -401.0);
  EXPECT_EQ(StrictNumber("101."), 101.0);
  EXPECT_EQ(StrictNumber(".5E3"), 500.0);
  EXPECT_EQ(StrictNumber("5e+2"), 500.0);
  EXPECT_EQ(StrictNumber("-1e999"), -HUGE_VAL);
  EXPECT_TRUE(IsStrictNumber("    +2008040112345."));
  for (const char* text : {"", "   ", "+", ".", "+.", "1.2.3", "12a", "1 2", "- 5", "E5", "1E",
                           "\t12", "1,5", "2008-04-01.", "567.b"}) {
    EXPECT_FALSE(StrictNumber(text)) << '"' << text << '"';
    EXPECT_FALSE(IsStrictNumber(text)) << '"' << text << '"';
  }
}

TEST(Numbers, LeadingReadingTakesTheLongestUnsignedPrefix) {
  EXPECT_EQ(LeadingNumber(" 4 01"), 401.0);  // blanks inside are ignored too
  EXPECT_EQ(LeadingNumber("12ab"), 12.0);
  EXPECT_EQ(LeadingNumber("5.E2"), 500.0);
  EXPECT_EQ(LeadingNumber("1.2.3"), 1.2);
  EXPECT_EQ(LeadingNumber("1Ex"), 1.0);  // an exponent without digits stays out
  for (const char* text : {"", "   ", "+101", "-5", "Apr1", ".", "\t5"}) {
    EXPECT_EQ(LeadingNumber(text), 0.0) << '"' << text << '"';
  }
  // Texts longer than the stack buffer read alike.
  EXPECT_EQ(LeadingNumber("1" + std::string(80, '0') + " 0x"), 1e81);
  // Beyond a double: too large reads infinite, too small reads 0.
  EXPECT_EQ(LeadingNumber(std::string(400, '9')), HUGE_VAL);
  EXPECT_EQ(LeadingNumber("1e-999"), 0.0);
  EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(Numbers, RoundsHalvesToEvenAndChecks16Bits) {
  EXPECT_EQ(RoundHalfEven(0.5), 0.0);
  EXPECT_EQ(RoundHalfEven(1.5), 2.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(2.6), 3.0);
  EXPECT_EQ(ToInt16(32766.5), 32766);
  EXPECT_EQ(ToInt16(32767.5), std::nullopt);  // rounds up to 32768
  EXPECT_EQ(ToInt16(-32768.5), -32768);
  EXPECT_EQ(ToInt16(-32769.0), std::nullopt);
  EXPECT_EQ(ToInt16(HUGE_VAL), std::nullopt);
  EXPECT_EQ(ToInt16(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

}  // namespace
}  // namespace gamefold
