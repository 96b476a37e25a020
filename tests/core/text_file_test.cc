#include "core/text_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/folder_listing.h"
#include "core/platform_paths.h"
#include "core/platform_processes.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::AllEntries;
using testing::Listing;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(bytes)) lines.emplace_back(line);
  return lines;
}

TEST(TextFile, SplitsLinesAtLineFeeds) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\nb"), (V{"a", "b"}));  // a last line without LF is still a line
  EXPECT_EQ(Lines("\r\n\r\n"), (V{"", ""}));
  EXPECT_EQ(Lines("a\rb\r\n"), (V{"a\rb"}));  // a lone CR inside the line stays
  EXPECT_EQ(Lines("a\r"), (V{"a"}));          // a CR as the very last byte ends the line
  EXPECT_EQ(Lines("a\r\r\n"), (V{"a\r"}));    // only one CR belongs to the line end
  EXPECT_EQ(Lines("\xE9t\xE9\f\r\n"), (V{"\xE9t\xE9\f"}));  // bytes pass unchanged
}

TEST(TextFile, ReadsBytesAndRefusesWhatIsNoFile) {
  TempDir dir;
  WriteBytes(dir / "a.BOX", std::string("x\0y\r\n", 5));
  std::vector<char> bytes;
  Failure failure;
  ASSERT_TRUE(ReadWholeFile(dir / "a.BOX", &bytes, &failure));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("x\0y\r\n", 5));

  EXPECT_FALSE(ReadWholeFile(dir / "missing.BOX", &bytes, &failure));
  EXPECT_EQ(failure.number, 53);
  EXPECT_NE(failure.description.find(dir / "missing.BOX"), std::string::npos);

  std::filesystem::create_directory(dir / "folder.BOX");
  EXPECT_FALSE(ReadWholeFile(dir / "folder.BOX", &bytes, &failure));
  EXPECT_NE(failure.description.find("folder.BOX"), std::string::npos);

  // A head of a file: no more than asked for, and no more than there is.
  ASSERT_TRUE(ReadFileOfFolder(dir.path(), "a.BOX", &bytes, &failure, 3));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("x\0y", 3));
  ASSERT_TRUE(ReadFileOfFolder(dir.path(), "a.BOX", &bytes, &failure, 100));
  EXPECT_EQ(bytes.size(), 5u);
  WriteBytes(dir / "b.BOX", std::string(10000, 'b'));
  ASSERT_TRUE(ReadFileOfFolder(dir.path(), "b.BOX", &bytes, &failure, 4097));
  EXPECT_EQ(bytes.size(), 4097u);
}

// The site's pages are written through temporaries too: those of a killed run go.
TEST(TextFile, RemovesTemporariesOfTheSitesPages) {
  TempDir dir;
  const std::string gone = "999999996";
  for (const std::string& name :
       {".Standings.htm.tmp" + gone + "-0", ".Team-Cubs.htm.tmp" + gone + "-1"}) {
    WriteBytes(dir / name, "x");
  }
  WriteBytes(dir / (".Team-a b.htm.tmp" + gone + "-1"), "not ours");
  RemoveStaleTemporaries(dir.path());
  EXPECT_EQ(AllEntries(dir.path()), std::vector<std::string>{".Team-a b.htm.tmp" + gone + "-1"});
}

TEST(TextFile, ReplacesFilesAtomically) {
  TempDir dir;
  Failure failure;
  ASSERT_TRUE(WriteFileAtomically(dir / "page.htm", "old\r\n", &failure));
  ASSERT_TRUE(WriteFileAtomically(dir / "page.htm", "new\r\n", &failure));
  EXPECT_EQ(ReadBytes(dir / "page.htm"), "new\r\n");
  // Nothing but the page is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  // A target whose folder is a regular file cannot be written: the failure names the file.
  WriteBytes(dir / "plain", "x");
  EXPECT_FALSE(WriteFileAtomically(dir / "plain/page.htm", "y", &failure));
  EXPECT_EQ(failure.number, 76);
  EXPECT_NE(failure.description.find(JoinPath("plain", "page.htm")), std::string::npos);
  EXPECT_EQ(ReadBytes(dir / "plain"), "x");
}

TEST(TextFile, RemovesTemporariesOnlyOfProcessesThatAreGone) {
  TempDir dir;
  // No system gives a process this id: it stands for a run killed while writing. A running
  // writer's temporary staying is checked where a live process can be named (Linux).
  const std::string gone_text = "999999996";
  std::string gone_temporary = ".GamesOf20080401.htm.tmp" + gone_text + "-0";
  std::string own_temporary =
      ".GamesOf20080402.htm.tmp" + std::to_string(platform::CurrentProcessId()) + "-3";
  for (const std::string& name : {gone_temporary, own_temporary, std::string(".notes.tmp"),
                                  std::string("GamesOf20080401.htm")}) {
    WriteBytes(dir / name, "x");
  }
  // Names of the user's that only resemble ours stay, even when their "pid" is gone.
  std::vector<std::string> lookalikes = {".notes.tmp2024-12",
                                         ".notes.tmp" + gone_text + "-12",
                                         ".x.tmp" + gone_text + "-1",
                                         ".GamesOf.htm.tmp" + gone_text + "-1",
                                         ".GamesOf20080401.htm.tmpabc-1",
                                         ".GamesOf2008040x.htm.tmp" + gone_text + "-1",
                                         ".GamesOf20080401.htm.tmp" + gone_text + "-",
                                         ".GamesOf20080401.htm.tmp" + gone_text + "-1x",
                                         ".GamesIndex.html.tmp" + gone_text + "-1"};
  // Beside the pages, the state file of publish and the style sheet it sends are written so.
  std::vector<std::string> ours = {".GamesIndex.htm.tmp" + gone_text + "-7",
                                   "..gamefold-publish.tmp" + gone_text + "-2",
                                   ".vuzad.css.tmp" + gone_text + "-0"};
  for (const std::string& name :
       {".gamefold-publish.tmp" + gone_text + "-2", "..gamefold-publishx.tmp" + gone_text + "-2",
        ".vuzad.cssx.tmp" + gone_text + "-0"}) {
    lookalikes.push_back(name);
  }
  for (const std::string& name : lookalikes) WriteBytes(dir / name, "x");
  for (const std::string& name : ours) WriteBytes(dir / name, "x");
  RemoveStaleTemporaries(dir.path());
  for (const std::string& name : lookalikes)
    EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
  for (const std::string& name : ours) EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
  EXPECT_FALSE(std::filesystem::exists(dir / gone_temporary));
  EXPECT_FALSE(std::filesystem::exists(dir / own_temporary));
  EXPECT_TRUE(std::filesystem::exists(dir / ".notes.tmp"));
  EXPECT_TRUE(std::filesystem::exists(dir / "GamesOf20080401.htm"));

  // On Windows a temporary still open cannot be removed: its writer runs, whatever its name
  // says, and the sweep goes on past it. (Linux removes an open file: no such case there.)
  if (platform::kPathSeparator == '\\') {
    std::string held_temporary = ".GamesOf20080404.htm.tmp" + gone_text + "-1";
    std::string after_it = ".GamesOf20080405.htm.tmp" + gone_text + "-1";
    std::ofstream held(dir / held_temporary, std::ios::binary);
    WriteBytes(dir / after_it, "x");
    RemoveStaleTemporaries(dir.path());
    EXPECT_TRUE(std::filesystem::exists(dir / held_temporary));
    EXPECT_FALSE(std::filesystem::exists(dir / after_it));
  }
}

TEST(TextFile, ErrorReportText) {
  EXPECT_EQ(ErrorMessageText({53, "File not found"}),
            "Error Encountered 53 File not found\n Please report to Tavrel at " +
                std::string(kMaintainerAddress) + " ");
  EXPECT_EQ(ErrorMessageText({-5, "x"}).substr(0, 21), "Error Encountered -5 ");
}

// A name is the user's bytes, a message one line of text: a line feed or an escape sequence in
// a name must not end the line or steer the terminal. Bytes of other scripts stay as they are.
TEST(TextFile, MessagesEscapeControlBytesInNames) {
  EXPECT_EQ(PrintableName("a\nb\r\t\x1b[2J\x7f\x01\xc3\xa9 c"),
            "a\\nb\\r\\t\\x1b[2J\\x7f\\x01\xc3\xa9 c");
  Failure failure = FailureFromErrno(ENOENT, "cannot read", "GamesOf\nx.htm");
  EXPECT_EQ(failure.description, "cannot read GamesOf\\nx.htm: No such file or directory");
  EXPECT_EQ(failure.path, "GamesOf\nx.htm");
}

// An upload tool sends a file again when its time or inode changes, so equal bytes must leave
// the file alone; any difference, even one of the same size, must replace it.
TEST(TextFile, ReplacesOnlyFilesWhoseBytesDiffer) {
  TempDir dir;
  std::string path = dir / "GamesIndex.htm";
  WriteBytes(path, "<HTML>\r\n");
  // Stamped a day back: a replacement, a new file, would bear the time of now.
  auto old_time = std::filesystem::last_write_time(path) - std::chrono::hours(24);
  std::filesystem::last_write_time(path, old_time);
  bool written = true;
  Failure failure;
  ASSERT_TRUE(ReplaceFileIfChanged(path, "<HTML>\r\n", &written, &failure));
  EXPECT_FALSE(written);
  EXPECT_EQ(std::filesystem::last_write_time(path), old_time);

  for (std::string_view content : {"<html>\r\n", "<HTML>\r\n<BODY>\r\n", ""}) {
    ASSERT_TRUE(ReplaceFileIfChanged(path, content, &written, &failure));
    EXPECT_TRUE(written);
    EXPECT_EQ(ReadBytes(path), content);
  }
  EXPECT_TRUE(ReplaceFileIfChanged(dir / "new.htm", "x", &written, &failure) && written);
  EXPECT_TRUE(FileHoldsBytes(dir / "new.htm", "x"));
  EXPECT_FALSE(FileHoldsBytes(dir / "new.htm", "xy"));
  EXPECT_FALSE(FileHoldsBytes(dir / "missing.htm", ""));
  EXPECT_EQ(AllEntries(dir.path()), (std::vector<std::string>{"GamesIndex.htm", "new.htm"}));
}

// Nothing shows before the commit, everything after it, and an abandoned batch leaves nothing.
TEST(TextFile, DurableBatchPublishesOnCommitOnly) {
  TempDir dir;
  WriteBytes(dir / "GamesIndex.htm", "old\r\n");
  Failure failure;
  {
    DurableBatch abandoned;
    ASSERT_TRUE(abandoned.Stage(dir / "GamesIndex.htm", "lost\r\n", &failure));
  }
  EXPECT_EQ(AllEntries(dir.path()), std::vector<std::string>{"GamesIndex.htm"});
  DurableBatch batch;
  ASSERT_TRUE(batch.Stage(dir / "GamesIndex.htm", "new\r\n", &failure));
  ASSERT_TRUE(batch.Stage(dir / "GamesOf20080401.htm", "day\r\n", &failure));
  EXPECT_EQ(ReadBytes(dir / "GamesIndex.htm"), "old\r\n");
  EXPECT_EQ(Listing(dir.path(), "*"), std::vector<std::string>{"GamesIndex.htm"});
  EXPECT_EQ(batch.Commit(&failure), 2u);
  EXPECT_EQ(ReadBytes(dir / "GamesIndex.htm"), "new\r\n");
  EXPECT_EQ(AllEntries(dir.path()),
            (std::vector<std::string>{"GamesIndex.htm", "GamesOf20080401.htm"}));
  EXPECT_FALSE(batch.Stage(dir / "gone/GamesIndex.htm", "x", &failure));
  EXPECT_EQ(failure.path, dir / "gone/GamesIndex.htm");
}

}  // namespace
}  // namespace gamefold
