#include "app/window_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gamefold {
namespace {

using Lines = std::vector<std::string>;

// The trace log's lines of one rebuild, as the window writes them.
Lines TraceOf(const Lines& boxes, const Lines& pages) {
  Lines lines;
  for (const CatalogueStep& step : BuildCatalogue(boxes, pages).trace) {
    lines.push_back(TraceText(step));
  }
  return lines;
}

TEST(WindowTexts, TracesEveryEndOfARebuild) {
  EXPECT_EQ(TraceOf({"2008040100001.box"}, {"GamesOf20080401.htm"}),
            (Lines{" getting dates ", " ended dates "}));
  EXPECT_EQ(TraceOf({}, {"GamesOf20080402.htm"}),
            (Lines{" getting dates ", " ended dates from No Dates1 "}));
  EXPECT_EQ(TraceOf({"200804010001.box", "2008040200001.box"}, {}),
            (Lines{" getting dates ", " File Error in Boxes 200804010001.box",
                   " ended dates from No Dates1 "}));
  // The failure's report and the line after it are the window's own.
  EXPECT_EQ(TraceOf({"2008040100001.box", "1234.box"}, {}), Lines{" getting dates "});
  const Lines mixed = {"2008040100001.box", "2009040200001.box"};
  EXPECT_EQ(
      TraceOf(mixed, {}),
      (Lines{" getting dates ", " " + BuildCatalogue(mixed, {}).notice + " ", " ended dates "}));
}

TEST(WindowTexts, ShowsEachIndicatorInItsColour) {
  EXPECT_EQ(LookOf(Indicator::kMaybe), (IndicatorLook{" MAYBE ", 0xFFFF00}));
  EXPECT_EQ(LookOf(Indicator::kNoMatch), (IndicatorLook{" NO MATCH ", 0xFF0000}));
  EXPECT_EQ(LookOf(Indicator::kMatched), (IndicatorLook{" MATCHED ", 0x00FF00}));
  EXPECT_EQ(NoGamesLook(), (IndicatorLook{" NO GAMES ", 0xFF0000}));
}

}  // namespace
}  // namespace gamefold
