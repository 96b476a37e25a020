#include "app/settings_file.h"

#include <gtest/gtest.h>

#include "core/text_file.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using Kind = SettingsLine::Kind;
using Lines = std::vector<SettingsLine>;

SettingsLine Folder(Kind kind, std::string folder) { return {kind, std::move(folder)}; }
SettingsLine Choice(ContentChoice choice) { return {Kind::kContentChoice, "", choice}; }

TEST(SettingsFile, WritesThreeLinesInCrLf) {
  EXPECT_EQ(FormatSettings("/home/league/boxes", "/var/www/league", ContentChoice::kScoresheets),
            "IPF /home/league/boxes\r\nOPF /var/www/league\r\nSEL 2 - Boxscores & "
            "Scoresheets\r\n");
}

TEST(SettingsFile, ReadsWhatItWroteBack) {
  std::string written = FormatSettings("/", "/web/out ", ContentChoice::kLogs);
  EXPECT_EQ(ParseSettings(written),
            (Lines{Folder(Kind::kInputFolder, "/"), Folder(Kind::kOutputFolder, "/web/out "),
                   Choice(ContentChoice::kLogs)}));
}

// The label written for a choice starts with the number that reads back as the same choice.
TEST(SettingsFile, ReadsEveryContentChoiceBackAsItself) {
  for (ContentChoice choice : kContentChoices) {
    EXPECT_EQ(ParseSettings(FormatSettings("/in", "/out", choice)).back(), Choice(choice))
        << ChoiceLabel(choice);
  }
}

TEST(SettingsFile, ReadsOnlyLinesItCanApply) {
  EXPECT_EQ(ParseSettings(""), Lines{});
  // A bare path names the input folder; later lines of a side override earlier ones in order.
  EXPECT_EQ(ParseSettings("/web/boxes\nIPF /a\r\n", PathStyle::kPosix),
            (Lines{Folder(Kind::kInputFolder, "/web/boxes"), Folder(Kind::kInputFolder, "/a")}));
  // Lower-case keys, unknown lines, blank lines and short folder lines are skipped.
  EXPECT_EQ(ParseSettings("ipf /x\r\nhello\r\n\r\nIPF\r\nOPF \r\nIPFX/y\r\n"),
            (Lines{Folder(Kind::kInputFolder, "/y")}));
  // Only character 5 gives the choice; one outside 1 to 3 is skipped.
  EXPECT_EQ(ParseSettings("SEL 31\r\nSEL 0\r\nSEL 4 - x\r\nSEL \r\nSEL\r\nSEL x\r\n"),
            (Lines{Choice(ContentChoice::kLogs)}));
  // A bare path of the other system's form is not applied (both forms: folder_path_test).
  EXPECT_EQ(ParseSettings("D:\\Web\\Boxes\r\n", PathStyle::kPosix), Lines{});
  // Garbage bytes and very long lines are read without harm.
  EXPECT_EQ(ParseSettings(std::string("\0\xff\xfe\r\nOPF /o", 11)),
            (Lines{Folder(Kind::kOutputFolder, "/o")}));
  EXPECT_EQ(ParseSettings("IPF /" + std::string(1 << 20, 'a')).at(0).folder.size(), 1u + (1 << 20));
}

// A declared character set survives every save, and one that could break out of the meta
// attribute is never taken.
TEST(SettingsFile, KeepsTheCharsetLine) {
  std::string written = FormatSettings("/in", "/out", ContentChoice::kBoxscores, "utf-8");
  EXPECT_EQ(written, "IPF /in\r\nOPF /out\r\nSEL 1 - Boxscores only\r\nCHS utf-8\r\n");
  SettingsLine charset;
  charset.kind = Kind::kCharset;
  charset.charset = "utf-8";
  EXPECT_EQ(ParseSettings(written).back(), charset);
  EXPECT_EQ(ParseSettings("CHS \r\nCHS utf-8>\r\nCHS a b\r\nchs utf-8\r\n"), Lines{});
}

// "SITE 1", added by hand, is saved again; nothing else turns the site on.
TEST(SettingsFile, KeepsTheSiteLine) {
  std::string written = FormatSettings("/in", "/out", ContentChoice::kBoxscores, "", true);
  EXPECT_EQ(written, "IPF /in\r\nOPF /out\r\nSEL 1 - Boxscores only\r\nSITE 1\r\n");
  EXPECT_EQ(ParseSettings(written).back().kind, Kind::kSite);
  EXPECT_EQ(ParseSettings("SITE 0\r\nSITE\r\nsite 1\r\nSITE 1 x\r\n"), Lines{});
}

TEST(SettingsFile, ReplacesTheFileWhole) {
  testing::TempDir dir;
  Failure failure;
  testing::WriteBytes(dir / "DOD_box.txt", std::string(4096, 'x'));
  ASSERT_TRUE(
      WriteSettingsFile(dir / "DOD_box.txt", "/in", "/out", ContentChoice::kBoxscores, &failure));
  EXPECT_EQ(testing::ReadBytes(dir / "DOD_box.txt"),
            "IPF /in\r\nOPF /out\r\nSEL 1 - Boxscores only\r\n");
  // A folder that is not there: the failure names the file, nothing is written.
  EXPECT_FALSE(WriteSettingsFile(dir / "gone/DOD_box.txt", "/in", "/out", ContentChoice::kBoxscores,
                                 &failure));
  EXPECT_NE(failure.description.find(JoinPath("gone", "DOD_box.txt")), std::string::npos);
}

}  // namespace
}  // namespace gamefold
