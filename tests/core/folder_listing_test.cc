#include "core/folder_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::TempDir;
using testing::WriteBytes;
using Names = std::vector<std::string>;

TEST(FolderListing, MatchesPatternsIgnoringLetterCase) {
  EXPECT_TRUE(MatchesPattern("2008040100001.box", "*.BOX"));
  EXPECT_TRUE(MatchesPattern("A.BoX", "*.BOX"));
  EXPECT_FALSE(MatchesPattern("a.BOXES", "*.BOX"));
  EXPECT_FALSE(MatchesPattern("abox", "*.BOX"));
  EXPECT_TRUE(MatchesPattern("GamesOf.htm", "GamesOf*.*"));
  EXPECT_TRUE(MatchesPattern("gamesof20080401.HTM.bak", "GamesOf*.*"));
  EXPECT_FALSE(MatchesPattern("GamesOf20080401", "GamesOf*.*"));
  EXPECT_TRUE(MatchesPattern("a.b.c.box", "*.*.BOX"));
  EXPECT_TRUE(MatchesPattern("x1.box", "x?.box"));
  EXPECT_FALSE(MatchesPattern("x.box", "x?.box"));
}

TEST(FolderListing, MatchesSimplePatternsAsTheGeneralMatcherDoes) {
  // One "*" and no "?": only the start and the end of the name count.
  EXPECT_TRUE(MatchesPattern(".BOX", "*.BOX"));
  EXPECT_FALSE(MatchesPattern("BOX", "*.BOX"));
  EXPECT_FALSE(MatchesPattern("x.BOX ", "*.BOX"));
  EXPECT_TRUE(MatchesPattern("gamesof", "GamesOf*"));
  EXPECT_FALSE(MatchesPattern("GameOf1", "GamesOf*"));
  EXPECT_FALSE(MatchesPattern("ab", "ab*b"));  // start and end may not share a byte
  EXPECT_TRUE(MatchesPattern("abb", "ab*b"));
  EXPECT_TRUE(MatchesPattern("", "*"));
  EXPECT_TRUE(MatchesPattern("anything", "*"));
  // No wildcard: the whole name, letter case ignored; bytes above 0x7F are never folded.
  EXPECT_TRUE(MatchesPattern("a.box", "A.BOX"));
  EXPECT_FALSE(MatchesPattern("a.box", "A.BOXX"));
  EXPECT_FALSE(MatchesPattern("\xE1.box", "\xC1.box"));
  EXPECT_TRUE(MatchesPattern("", ""));
  EXPECT_FALSE(MatchesPattern("a", ""));
}

TEST(FolderListing, SortsLikeStrcasecmpThenByBytes) {
  Names names = {"b.box", "B.box", "a_.box", "a.box", "A.BOX", "\xE9.box", "Z.box"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return ListingLess(a, b); });
  // '.' (0x2E) sorts before '_' (0x5F); upper case equals lower case, then byte order breaks
  // the tie; bytes above 0x7F come last.
  EXPECT_EQ(names, (Names{"A.BOX", "a.box", "a_.box", "B.box", "b.box", "Z.box", "\xE9.box"}));
}

// The order ListingLess keeps, one byte at a time.
bool BytewiseListingLess(std::string_view a, std::string_view b) {
  auto fold = [](char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? byte + 32 : byte;
  };
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return fold(a[i]) < fold(b[i]);
  }
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

TEST(FolderListing, ComparesEightBytesAtATimeAsByteByByte) {
  // Differences before, at and after the eighth and sixteenth bytes; the bytes just around the
  // capitals, and bytes above 0x7F whose low seven bits are capitals.
  Names names;
  for (std::string start : {"", "2008040", "20080401", "200804010", "2008040100001.B"}) {
    for (std::string_view tail : {"", "@", "A", "Z", "[", "_", "`", "a", "z", "{", "\x7F", "\xC1",
                                  "\xDA", "\xE1", "\xFF", "\x01", "a0", "A1", "z\xC1"}) {
      names.push_back(start + std::string(tail));
      names.push_back(start + std::string(tail) + "00001.BOX");
    }
  }
  for (const std::string& a : names) {
    for (const std::string& b : names) {
      ASSERT_EQ(ListingLess(a, b), BytewiseListingLess(a, b)) << a << " / " << b;
    }
  }
}

TEST(FolderListing, ListsCompactlyWholeOrLeastFirst) {
  TempDir dir;
  // Created in the reverse of their order, so that the folder's own order is unlikely to be it.
  for (int i = 300; i > 0; --i) WriteBytes(dir / ("20080" + std::to_string(i + 4000) + ".BOX"), "");
  // Windows takes names that differ only in letter case for one file.
  WriteBytes(dir / "a.box", "");
  WriteBytes(dir / "B.BOX", "");
  WriteBytes(dir / "notes.txt", "");
  std::filesystem::create_directory(dir / "folder.BOX");
  Names sorted;
  Failure failure;
  ASSERT_TRUE(ListFolder(dir.path(), "*.BOX", &sorted, &failure));
  ASSERT_EQ(sorted.size(), 302u);

  CompactListing listing;
  ASSERT_TRUE(ListFolder(dir.path(), "*.BOX", ListingOrder::kSorted, &listing, &failure));
  EXPECT_EQ(Names(listing.names().begin(), listing.names().end()), sorted);

  ASSERT_TRUE(ListFolder(dir.path(), "*.BOX", ListingOrder::kLeastFirst, &listing, &failure));
  Names least_first(listing.names().begin(), listing.names().end());
  EXPECT_EQ(least_first.front(), "200804001.BOX");
  std::sort(least_first.begin(), least_first.end());
  Names plain_sorted = sorted;
  std::sort(plain_sorted.begin(), plain_sorted.end());
  EXPECT_EQ(least_first, plain_sorted);
  listing.Sort();
  EXPECT_EQ(Names(listing.names().begin(), listing.names().end()), sorted);

  // A tiny listing moved elsewhere keeps its names readable.
  TempDir small;
  WriteBytes(small / "a.BOX", "");
  ASSERT_TRUE(ListFolder(small.path(), "*.BOX", ListingOrder::kLeastFirst, &listing, &failure));
  CompactListing moved = std::move(listing);
  ASSERT_EQ(moved.names().size(), 1u);
  EXPECT_EQ(moved.names().front(), "a.BOX");

  EXPECT_FALSE(ListFolder(dir / "gone", "*.BOX", ListingOrder::kSorted, &moved, &failure));
  EXPECT_TRUE(moved.names().empty());
  EXPECT_NE(failure.description.find(dir / "gone"), std::string::npos);
}

TEST(FolderListing, ListsRegularVisibleMatchingFiles) {
  TempDir dir;
  WriteBytes(dir / "20080402.BOX", "");
  WriteBytes(dir / "20080401.box", "");
  WriteBytes(dir / ".hidden.BOX", "");
  WriteBytes(dir / "notes.txt", "");
  std::filesystem::create_directory(dir / "folder.BOX");

  FileList list("*.BOX");
  Failure failure;
  ASSERT_TRUE(list.SetPath(dir.path(), &failure));
  EXPECT_EQ(list.names(), (Names{"20080401.box", "20080402.BOX"}));

  EXPECT_FALSE(list.SetPath(dir / "gone", &failure));
  EXPECT_EQ(list.path(), dir.path());  // the previous folder stays
  EXPECT_EQ(list.names().size(), 2u);
  EXPECT_EQ(failure.number, 53);
  EXPECT_NE(failure.description.find(dir / "gone"), std::string::npos);
}

TEST(FolderListing, FileExistsOnlyForRegularVisibleFiles) {
  TempDir dir;
  WriteBytes(dir / "DOD_box.txt", "");
  WriteBytes(dir / ".hidden", "");
  std::filesystem::create_directory(dir / "folder");
  EXPECT_TRUE(FileExists(dir / "DOD_box.txt"));
  EXPECT_FALSE(FileExists(dir / ".hidden"));
  EXPECT_FALSE(FileExists(dir / "folder"));
  EXPECT_FALSE(FileExists(dir / "missing"));
  EXPECT_TRUE(FileExists(dir / "*.TXT"));
  EXPECT_FALSE(FileExists(dir / "*.htm"));
}

}  // namespace
}  // namespace gamefold
