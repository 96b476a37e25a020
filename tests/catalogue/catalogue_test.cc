#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gamefold {
namespace {

using End = CatalogueResult::End;
using Names = std::vector<std::string>;
using Step = CatalogueStep::Kind;
using Steps = std::vector<CatalogueStep>;

// A usual 17-character boxscore name of the given key.
std::string Box(const std::string& key) { return key + "00001.box"; }

TEST(Catalogue, ListsDaysWithoutPagesAndComparesYears) {
  Names boxes{Box("20080401"), Box("20080402"), "2008040200002.BOX", Box("20080403")};
  CatalogueResult matched = BuildCatalogue(boxes, {"GamesOf20080402.htm"});
  EXPECT_EQ(matched.end, End::kListed);
  EXPECT_TRUE(matched.list_replaced);
  EXPECT_EQ(matched.entries, (Names{"20080401", "20080403"}));
  EXPECT_EQ(matched.days_in, 2);
  EXPECT_EQ(matched.days_out, 1);
  EXPECT_EQ(matched.indicator, Indicator::kMatched);
  EXPECT_EQ(matched.trace, (Steps{{Step::kStarted}, {Step::kListed}}));

  CatalogueResult maybe = BuildCatalogue(boxes, {});
  EXPECT_EQ(maybe.entries, (Names{"20080401", "20080402", "20080403"}));
  EXPECT_EQ(maybe.days_out, 0);
  EXPECT_EQ(maybe.indicator, Indicator::kMaybe);

  // A page of another year still hides the same day.
  CatalogueResult no_match = BuildCatalogue(boxes, {"GamesOf20070402.htm"});
  EXPECT_EQ(no_match.entries, (Names{"20080401", "20080403"}));
  EXPECT_EQ(no_match.indicator, Indicator::kNoMatch);

  // Only the first page name gives the page year; a stray "GamesOf.htm" counts, marks nothing.
  CatalogueResult stray = BuildCatalogue(boxes, {"GamesOf.htm", "GamesOf20080403.htm"});
  EXPECT_EQ(stray.entries, (Names{"20080401", "20080402"}));
  EXPECT_EQ(stray.days_out, 2);
  EXPECT_EQ(stray.indicator, Indicator::kMaybe);

  // Year 0 on both sides leaves the indicator alone; the year is written as plain decimal.
  CatalogueResult year_zero = BuildCatalogue({Box("00000401")}, {});
  EXPECT_EQ(year_zero.indicator, std::nullopt);
  EXPECT_EQ(year_zero.entries, (Names{"00401"}));
}

TEST(Catalogue, ReadsMonthAndDayOfEveryNumericStem) {
  Names boxes{Box("20081231"),  Box("20080100"),     Box("20081232"), Box("20080101"),
              Box("20080231"),  Box("20070501"),     Box("20080501"),
              "1234567.box",  // seven-digit stem: characters 5-8 are "567."
              "2008-04-01.box", "2008040a00001.box", "20080403",      ".20080404.box",
              "    0405.box"};  // leading blanks belong to a numeric stem
  CatalogueResult result = BuildCatalogue(boxes, {});
  EXPECT_EQ(result.end, End::kListed);
  EXPECT_EQ(result.entries,
            (Names{"20080101", "20080231", "20080405", "20080501", "20080567", "20081231"}));
}

TEST(Catalogue, EarlyReturnsKeepTheDisplay) {
  CatalogueResult empty = BuildCatalogue({}, {"GamesOf20080402.htm"});
  EXPECT_EQ(empty.end, End::kNoBoxscores);
  EXPECT_EQ(empty.trace, (Steps{{Step::kStarted}, {Step::kNothingListed}}));

  CatalogueResult short_name = BuildCatalogue({"200804010001.box", Box("20080402")}, {});
  EXPECT_EQ(short_name.end, End::kFileError);
  EXPECT_EQ(
      short_name.trace,
      (Steps{{Step::kStarted}, {Step::kFileError, "200804010001.box"}, {Step::kNothingListed}}));
  for (const CatalogueResult& result : {empty, short_name}) {
    EXPECT_FALSE(result.list_replaced);
    EXPECT_EQ(result.indicator, std::nullopt);
    EXPECT_EQ(result.days_in, std::nullopt);
    EXPECT_EQ(result.days_out, std::nullopt);
  }
}

// Returns the failure number; checks the state that every failure leaves.
int FailureOf(const Names& boxes, const Names& pages, bool list_replaced) {
  CatalogueResult result = BuildCatalogue(boxes, pages);
  EXPECT_EQ(result.end, End::kFailed);
  EXPECT_EQ(result.list_replaced, list_replaced);
  EXPECT_TRUE(result.entries.empty());
  EXPECT_EQ(result.indicator.has_value(), list_replaced);
  EXPECT_EQ(result.days_in, std::nullopt);
  EXPECT_EQ(result.trace, Steps{{Step::kStarted}});
  return result.failure.number;
}

TEST(Catalogue, FailuresLeaveWhatTheyHadDone) {
  const Names first{Box("20080401")};
  // Numeric stems too short for characters 5-8, down to names that end before character 5.
  for (const char* name : {"1234.box", "123456.box", "1.b"}) {
    EXPECT_EQ(FailureOf({Box("20080401"), name}, {}, true), 13) << name;
  }
  // "+101" passes the range test, but the leading reading takes no sign and gives 0.
  EXPECT_EQ(FailureOf({Box("20080401"), "    +101.box"}, {}, true), 9);
  for (const char* page : {"GamesOf2008Apr1.htm", "GamesOf20080100.htm", "GamesOf20081232.htm"}) {
    EXPECT_EQ(FailureOf(first, {"GamesOf20080401.htm", page}, true), 9) << page;
  }
  // The years are read before the list is emptied and the indicator set.
  EXPECT_EQ(FailureOf({"2oo80401000001.bo"}, {}, false), 13);
  EXPECT_EQ(FailureOf(first, {"GamesOf2oo80401.htm"}, false), 13);
  EXPECT_EQ(FailureOf({Box("9E990401")}, {}, false), 6);
  EXPECT_EQ(FailureOf(first, {"GamesOf9E990401.htm"}, false), 6);

  EXPECT_EQ(BuildCatalogue({"1234.box"}, {}).end, End::kFileError);
  // The report names the file that stopped the rebuild.
  EXPECT_EQ(BuildCatalogue({Box("20080401"), "1234.box"}, {}).failure.description,
            "Type mismatch (1234.box)");
  EXPECT_EQ(BuildCatalogue(first, {"GamesOf2008Apr1.htm"}).failure.description,
            "Subscript out of range (GamesOf2008Apr1.htm)");
  EXPECT_EQ(BuildCatalogue({Box("9E990401")}, {}).failure.description,
            "Overflow (9E99040100001.box)");
}

TEST(Catalogue, NoticesWhatTheIndicatorCannotShow) {
  EXPECT_EQ(BuildCatalogue({Box("20080401"), Box("20080402")}, {}).notice, "");
  EXPECT_EQ(BuildCatalogue({"1234.box"}, {}).notice,
            "File Error in Boxes 1234.box: the first boxscore name is not 17 characters long, so "
            "no days are listed");
  // Every day is listed under the first name's year, also those that only another year has.
  CatalogueResult mixed = BuildCatalogue(
      {Box("20080401"), Box("20080402"), Box("20090402"), Box("20070405"), Box("20090405")},
      {"GamesOf20090401.htm"});
  EXPECT_EQ(mixed.entries, Names({"20080402", "20080405"}));
  std::string notice =
      "boxscores of more than one year (2007, 2008, 2009); one season per folder is expected, "
      "every day is listed under 2008; no boxscore at all for 20080405";
  EXPECT_EQ(mixed.notice, notice);
  EXPECT_EQ(mixed.trace, (Steps{{Step::kStarted}, {Step::kNotice, notice}, {Step::kListed}}));
}

std::vector<std::string_view> Views(const Names& names) {
  return std::vector<std::string_view>(names.begin(), names.end());
}

TEST(Catalogue, ViewsOfTheNamesGiveTheSameResult) {
  const Names first{Box("20080401")};
  const std::vector<std::pair<Names, Names>> listings = {
      {{Box("20080401"), Box("20080402"), "2008040200002.BOX"}, {"GamesOf20070402.htm"}},
      {{Box("20080401"), "    0405.box", "2008-04-01.box", "20080403"}, {"GamesOf.htm"}},
      {{}, {"GamesOf20080402.htm"}},
      {{"200804010001.box"}, {}},
      {{Box("20080401"), "1234.box", Box("20080402")}, {}},
      {first, {"GamesOf20080401.htm", "GamesOf2008Apr1.htm"}},
      {{"2oo80401000001.bo"}, {}},
      {first, {"GamesOf9E990401.htm"}},
  };
  for (const auto& [boxes, pages] : listings) {
    std::vector<std::string_view> box_views = Views(boxes), page_views = Views(pages);
    CatalogueResult strings = BuildCatalogue(boxes, pages);
    CatalogueResult views =
        BuildCatalogue(std::span<const std::string_view>(box_views), page_views);
    std::string where = boxes.empty() ? "(no boxscores)" : boxes.front();
    EXPECT_EQ(views.end, strings.end) << where;
    EXPECT_EQ(views.list_replaced, strings.list_replaced) << where;
    EXPECT_EQ(views.entries, strings.entries) << where;
    EXPECT_EQ(views.indicator, strings.indicator) << where;
    EXPECT_EQ(views.days_in, strings.days_in) << where;
    EXPECT_EQ(views.days_out, strings.days_out) << where;
    EXPECT_EQ(views.failure.number, strings.failure.number) << where;
    EXPECT_EQ(views.failure.description, strings.failure.description) << where;
    EXPECT_EQ(views.trace, strings.trace) << where;
  }
}

TEST(Catalogue, CountsBeyond16Bits) {
  Names boxes;
  for (int i = 0; i < 50000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "2008%02d%02d%05d.box", 4 + i % 6, 1 + i / 6 % 28, i);
    boxes.push_back(name);
  }
  CatalogueResult result = BuildCatalogue(boxes, Names(40000, "GamesOf.htm"));
  EXPECT_EQ(result.days_in, 6 * 28);
  EXPECT_EQ(result.days_out, 40000);
}

}  // namespace
}  // namespace gamefold
