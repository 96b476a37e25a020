// Faults a user's machine throws at Gamefold: folders it may not write, folders that vanish, full
// disks, a run killed half way, and hostile boxscores, names and settings. Each case checks what
// the user is told and that nothing already written was lost.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "app/settings_file.h"
#include "app/trace_log.h"
#include "core/clock.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "tests/support/outcome.h"
#include "tests/support/temp_dir.h"

namespace gamefold {
namespace {

using testing::AllEntries;
using testing::Listing;
using testing::Outcome;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using namespace std::string_literals;

const std::string kData = GAMEFOLD_TEST_DATA "/daypages";
const std::string kOldPage = "published before\r\n";
constexpr uid_t kNobody = 65534;
// Exit statuses of a child that could not get as far as the code under test.
constexpr int kCannotDropPrivileges = 125;
constexpr int kCannotExec = 127;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Runs body in a forked child with stdout and stderr in files of scratch; body's result is the
// exit status. The child's peak memory comes from wait4, so it is this child's alone.
Outcome RunInChild(const TempDir& scratch, const std::function<int()>& body) {
  std::string out_path = scratch / "stdout", err_path = scratch / "stderr";
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), STDOUT_FILENO);
    ::dup2(::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
    ::_exit(body());
  }
  Outcome outcome;
  outcome.status = -1;  // until the child is seen to exit
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return outcome;
  if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  outcome.out = ReadBytes(out_path);
  outcome.err = ReadBytes(err_path);
  outcome.max_rss_kb = usage.ru_maxrss;
  EXPECT_NE(kCannotDropPrivileges, outcome.status) << "could not become user nobody";
  EXPECT_NE(kCannotExec, outcome.status) << outcome.err;
  return outcome;
}

// Replaces the child with program and args; kCannotExec when that fails.
int Exec(const std::string& program, std::vector<std::string> args) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  ::perror(program.c_str());
  return kCannotExec;
}

int Batch(std::vector<std::string> args) { return Exec(GAMEFOLD_BATCH_PROGRAM, std::move(args)); }

// Root writes into read-only folders, so a child run by root becomes user nobody, for whom
// folder permissions hold as they do for the users who meet this fault.
bool BecomeUnprivileged() {
  if (::geteuid() != 0) return true;
  return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 &&
         ::geteuid() == kNobody;
}

// A file-size limit makes writes fail part way, as a full disk does, whoever runs the test.
// With SIGXFSZ ignored (which survives exec) the write returns EFBIG; otherwise the signal kills.
void LimitFileSize(rlim_t bytes, bool survive) {
  rlimit limit{bytes, RLIM_INFINITY};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  rlimit no_core{0, 0};
  ::setrlimit(RLIMIT_CORE, &no_core);
  if (survive) std::signal(SIGXFSZ, SIG_IGN);
}

void MakeSeason(const std::string& folder, int days) {
  std::string command = std::string(GAMEFOLD_SAMPLE_SEASON_PROGRAM) + " --days " +
                        std::to_string(days) + " '" + folder + "' >/dev/null";
  ASSERT_EQ(0, std::system(command.c_str()));
}

void CopyDataDay(const std::string& in) {
  for (std::string name : {"2008040600001.BOX", "2008040600002.BOX"}) {
    WriteBytes(in + "/" + name, ReadBytes(kData + "/" + name));
  }
}

std::string FailureLine(int number, std::string_view what, const std::string& path,
                        std::string_view cause) {
  return "Error Encountered " + std::to_string(number) + " " + std::string(what) + " " + path +
         ": " + std::string(cause) + "\n";
}

TEST(OutputFaults, ReadOnlyFolderKeepsEveryPage) {
  TempDir scratch, in, out;
  ASSERT_EQ(0, ::chmod(in.path().c_str(), 0755));
  CopyDataDay(in.path());
  WriteBytes(out / "GamesOf20080406.htm", kOldPage);
  ASSERT_EQ(0, ::chmod(out.path().c_str(), 0555));
  // Root would run the program from a folder that nobody may enter: take a copy.
  std::string batch = scratch / "gamefold-batch";
  std::filesystem::copy_file(GAMEFOLD_BATCH_PROGRAM, batch);
  ASSERT_EQ(0, ::chmod(scratch.path().c_str(), 0755));
  auto unprivileged = [&batch](std::vector<std::string> args) {
    return
        [&batch, args] { return BecomeUnprivileged() ? Exec(batch, args) : kCannotDropPrivileges; };
  };

  Outcome run =
      RunInChild(scratch, unprivileged({"process", "--index", in.path(), out.path(), "20080406"}));
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("", run.out);
  EXPECT_EQ(FailureLine(70, "cannot write", out / "GamesOf20080406.htm", "Permission denied"),
            run.err);
  run = RunInChild(scratch, unprivileged({"index", out.path()}));
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(FailureLine(70, "cannot write", out / "GamesIndex.htm", "Permission denied"), run.err);
  EXPECT_EQ(kOldPage, ReadBytes(out / "GamesOf20080406.htm"));
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080406.htm"}, AllEntries(out.path()));
}

TEST(OutputFaults, FolderVanishingDuringARunKeepsTheDaysDone) {
  TempDir scratch, in, out, elsewhere;
  CopyDataDay(in.path());
  WriteBytes(in / "2008040700001.BOX", ReadBytes(in / "2008040600001.BOX"));
  const std::string moved = elsewhere / "web";
  std::vector<std::string> names = Listing(in.path(), kBoxscorePattern);
  Failure err;
  ASSERT_TRUE(DayProcessor().ProcessDay({in.path(), names, out.path(), ContentChoice::kBoxscores},
                                        "20080406", {}, &err));
  std::string first_page = ReadBytes(out / "GamesOf20080406.htm");

  // The user moves the output folder away while the next day's boxscores are read.
  ProcessEvents events;
  events.reading_file = [&](const std::string&) { std::filesystem::rename(out.path(), moved); };
  EXPECT_FALSE(DayProcessor().ProcessDay({in.path(), names, out.path(), ContentChoice::kBoxscores},
                                         "20080407", events, &err));
  EXPECT_EQ(53, err.number);
  EXPECT_EQ("cannot write " + (out / "GamesOf20080407.htm") + ": No such file or directory",
            err.description);
  EXPECT_EQ(first_page, ReadBytes(moved + "/GamesOf20080406.htm"));
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080406.htm"}, AllEntries(moved));

  // From the shell, the folder that is gone is named as well.
  Outcome run = RunInChild(scratch, [&] {
    return Batch({"process", in.path(), out.path(), "20080407"});
  });
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(
      FailureLine(53, "cannot write", out / "GamesOf20080407.htm", "No such file or directory"),
      run.err);
}

TEST(OutputFaults, FullDiskKeepsTheOldPageAndSettings) {
  TempDir scratch, out;
  WriteBytes(out / "GamesOf20080406.htm", kOldPage);
  Outcome run = RunInChild(scratch, [&out] {
    LimitFileSize(1000, true);  // the page is some 1.7 KB
    return Batch({"process", "--content", "3", kData, out.path(), "20080406"});
  });
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(FailureLine(61, "cannot write", out / "GamesOf20080406.htm", "File too large"),
            run.err);
  EXPECT_EQ(kOldPage, ReadBytes(out / "GamesOf20080406.htm"));
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080406.htm"}, AllEntries(out.path()));

  const std::string settings = FormatSettings("/boxes", "/web", ContentChoice::kBoxscores);
  WriteBytes(out / "DOD_box.txt", settings);
  run = RunInChild(scratch, [&out] {
    LimitFileSize(16, true);
    Failure err;
    if (WriteSettingsFile(out / "DOD_box.txt", "/other/boxes", "/other/web",
                          ContentChoice::kScoresheets, &err))
      return 0;
    LimitFileSize(RLIM_INFINITY, true);  // room for the message
    std::fputs(err.description.c_str(), stderr);
    return err.number;
  });
  EXPECT_EQ(61, run.status);
  EXPECT_EQ("cannot write " + (out / "DOD_box.txt") + ": File too large", run.err);
  EXPECT_EQ(settings, ReadBytes(out / "DOD_box.txt"));
  EXPECT_EQ((std::vector<std::string>{"DOD_box.txt", "GamesOf20080406.htm"}),
            AllEntries(out.path()));
}

TEST(OutputFaults, KilledMidWriteLeavesNoHalfPage) {
  TempDir scratch, in, out, fresh;
  MakeSeason(in.path(), 2);
  WriteBytes(out / "GamesOf20080401.htm", kOldPage);
  std::vector<std::string> names = Listing(in.path(), kBoxscorePattern);

  // The child is killed once 64 KB of a page of some 300 KB are written: by SIGKILL, from the
  // handler of the size limit's signal, so that no code of ours runs after it.
  Outcome run = RunInChild(scratch, [&] {
    LimitFileSize(64 << 10, false);
    std::signal(SIGXFSZ, [](int) { ::raise(SIGKILL); });
    Failure err;
    return DayProcessor().ProcessDay({in.path(), names, out.path(), ContentChoice::kLogs},
                                     "20080401", {}, &err)
               ? 0
               : 1;
  });
  ASSERT_EQ(SIGKILL, run.signal);
  EXPECT_EQ(kOldPage, ReadBytes(out / "GamesOf20080401.htm"));
  std::vector<std::string> entries = AllEntries(out.path());
  ASSERT_EQ(2u, entries.size());
  EXPECT_TRUE(entries[0].starts_with(".GamesOf20080401.htm.tmp")) << entries[0];
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080401.htm"}, Listing(out.path(), kDayPagePattern));

  // The next run, from the shell, writes whole pages and takes the half-written file away.
  run = RunInChild(scratch, [&] {
    return Batch({"process", "--content", "3", in.path(), out.path(), "20080401", "20080402"});
  });
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ((std::vector<std::string>{"GamesOf20080401.htm", "GamesOf20080402.htm"}),
            AllEntries(out.path()));
  Failure err;
  ASSERT_TRUE(DayProcessor().ProcessDay({in.path(), names, fresh.path(), ContentChoice::kLogs},
                                        "20080401", {}, &err));
  EXPECT_EQ(ReadBytes(fresh / "GamesOf20080401.htm"), ReadBytes(out / "GamesOf20080401.htm"));
}

TEST(InputFaults, BoxscoreVanishingOrLoopingIsNamed) {
  TempDir in, out;
  CopyDataDay(in.path());
  WriteBytes(out / "GamesOf20080406.htm", kOldPage);
  std::vector<std::string> names = Listing(in.path(), kBoxscorePattern);
  ProcessEvents events;
  events.reading_file = [&in](const std::string& name) {
    if (name == "2008040600002.BOX") std::filesystem::remove(in / name);
  };
  Failure err;
  EXPECT_FALSE(DayProcessor().ProcessDay({in.path(), names, out.path(), ContentChoice::kBoxscores},
                                         "20080406", events, &err));
  EXPECT_EQ(53, err.number);
  EXPECT_EQ("cannot read " + (in / "2008040600002.BOX") + ": No such file or directory",
            err.description);

  std::filesystem::create_symlink("2008040600002.BOX", in / "2008040600002.BOX");
  EXPECT_EQ(std::vector<std::string>{"2008040600001.BOX"}, Listing(in.path(), kBoxscorePattern));
  EXPECT_FALSE(DayProcessor().ProcessDay({in.path(), names, out.path(), ContentChoice::kBoxscores},
                                         "20080406", {}, &err));
  EXPECT_EQ(75, err.number);
  EXPECT_EQ("cannot read " + (in / "2008040600002.BOX") + ": Too many levels of symbolic links",
            err.description);
  EXPECT_EQ(kOldPage, ReadBytes(out / "GamesOf20080406.htm"));
  EXPECT_EQ(std::vector<std::string>{"GamesOf20080406.htm"}, AllEntries(out.path()));
}

TEST(InputFaults, OddEntriesAreSkippedAndOddFilesPaged) {
  TempDir scratch, in, clean, out, expected;
  CopyDataDay(in.path());
  CopyDataDay(clean.path());
  // Neither a folder nor a link that leads round in a circle is a boxscore of the day.
  std::filesystem::create_directory(in / "2008040600003.BOX");
  std::filesystem::create_symlink("2008040600004.BOX", in / "2008040600004.BOX");
  // An empty file and one of binary bytes are games of their own day with no line score.
  WriteBytes(in / "2008040700001.BOX", "");
  std::string binary = "\x00\x01\xE9<\xFF\r\n"s;
  std::mt19937 random(7);
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>(random()));
  WriteBytes(in / "2008040700002.BOX", binary);
  Outcome run = RunInChild(scratch, [&] { return Batch({"process", in.path(), out.path()}); });
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ("0 days to process, 2 days processed, year MATCHED\n", run.err);
  Failure err;
  ASSERT_TRUE(DayProcessor().ProcessDay({clean.path(), Listing(clean.path(), kBoxscorePattern),
                                         expected.path(), ContentChoice::kBoxscores},
                                        "20080406", {}, &err));
  EXPECT_EQ(ReadBytes(expected / "GamesOf20080406.htm"), ReadBytes(out / "GamesOf20080406.htm"));
  std::string page = ReadBytes(out / "GamesOf20080407.htm");
  EXPECT_NE(std::string::npos, page.find("<A HREF='#2008040700001.BOX'>2008040700001.BOX</A>"));
  EXPECT_NE(std::string::npos, page.find("<A NAME='2008040700002.BOX'>2008040700002.BOX</A>"));
  EXPECT_NE(std::string::npos, page.find("<PRE>\r\n\x00\x01\xE9&lt;\xFF\r\n"s));
}

TEST(InputFaults, OddNamesArePagedAndListed) {
  TempDir scratch, root;
  const std::string odd = " '\"\n\xE9";
  const std::string in = root / ("in" + odd), out = root / ("out" + odd);
  std::filesystem::create_directory(in);
  std::filesystem::create_directory(out);
  const std::string name = "20080406" + odd + ".BOX";  // 17 bytes, as the catalogue wants
  WriteBytes(in + "/" + name, "no line score\r\n");
  WriteBytes(in + "/2008040600002.BOX", ReadBytes(kData + "/2008040600002.BOX"));
  EXPECT_EQ((std::vector<std::string>{name, "2008040600002.BOX"}), Listing(in, kBoxscorePattern));

  Outcome run = RunInChild(scratch, [&] { return Batch({"list", in, out}); });
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ("20080406\n", run.out);
  run = RunInChild(scratch, [&] { return Batch({"process", "--index", in, out}); });
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ((std::vector<std::string>{"GamesIndex.htm", "GamesOf20080406.htm"}), AllEntries(out));
  std::string page = ReadBytes(out + "/GamesOf20080406.htm");
  // The name is the title: its quote escaped in the anchor, its other bytes as they are.
  EXPECT_NE(std::string::npos, page.find("<A NAME='20080406 &#39;\""));
  EXPECT_NE(std::string::npos, page.find("\xE9.BOX</A>\r\n<PRE>\r\nno line score\r\n"));
  run = RunInChild(scratch, [&] { return Batch({"list", in, out}); });
  EXPECT_EQ("", run.out);
  EXPECT_EQ("0 days to process, 1 days processed, year MATCHED\n", run.err);
}

// A 200 MB file without a line end is one line of the page. The program holds the file's bytes
// and the page built from them, nothing more: a third copy of either (a line split into a string,
// a page built then copied) would cross the bound.
TEST(InputFaults, HugeLineKeepsMemoryBoundedByThePage) {
  constexpr size_t kHuge = 200u << 20;
  TempDir scratch, in, out;
  {
    std::string chunk;
    for (int i = 0; chunk.size() < (1u << 20); ++i)
      chunk += "no line end here " + std::to_string(i);
    chunk.resize(1u << 20);
    std::ofstream file(in / "2008040600001.BOX", std::ios::binary);
    for (size_t written = 0; written < kHuge; written += chunk.size()) file << chunk;
  }
  WriteBytes(in / "2008040700001.BOX", "x");
  Outcome run = RunInChild(scratch, [&] { return Batch({"process", in.path(), out.path()}); });
  ASSERT_EQ(0, run.status) << run.err;
  // Both pages differ only by their one line of text.
  EXPECT_EQ(std::filesystem::file_size(out / "GamesOf20080406.htm") - kHuge,
            std::filesystem::file_size(out / "GamesOf20080407.htm") - 1);
  // Two copies and half a copy's slack; AddressSanitizer adds a shadow byte for every eight.
  long bound_kb = static_cast<long>(kHuge / 1024 * 5 / 2);
  if (kSanitized) bound_kb += bound_kb / 8;
  EXPECT_LT(run.max_rss_kb, bound_kb) << "peak memory " << run.max_rss_kb / 1024 << " MB";
}

TEST(SettingsFaults, ParsingCopesWithAnyBytes) {
  std::string garbage;
  std::mt19937 random(11);
  // Bytes that start no line of any kind: control bytes and the upper half.
  for (int i = 0; i < 65536; ++i) {
    char byte = static_cast<char>(random() % 160);
    garbage.push_back(byte >= 32 ? static_cast<char>(byte + 96) : byte);
  }
  EXPECT_TRUE(ParseSettings(garbage).empty());
  std::string file = garbage + "\nSEL 2 - Boxscores & Scoresheets\r\n" + garbage;
  EXPECT_EQ((std::vector<SettingsLine>{
                {SettingsLine::Kind::kContentChoice, "", ContentChoice::kScoresheets}}),
            ParseSettings(file));

  std::string long_folder = "/" + std::string(10 << 20, 'x');
  std::vector<SettingsLine> lines =
      ParseSettings("IPF " + long_folder + "\r\n" + std::string(10 << 20, '?') +
                    "\r\nOPF /gone/since/last/run\r\n");
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(long_folder, lines[0].folder);
  EXPECT_EQ((SettingsLine{SettingsLine::Kind::kOutputFolder, "/gone/since/last/run"}), lines[1]);
}

TEST(SettingsFaults, UnwritableSettingsAndTraceLog) {
  TempDir dir;
  // A folder where the file should be stops root as well as anyone.
  std::filesystem::create_directory(dir / "DOD_box.txt");
  Failure err;
  EXPECT_FALSE(
      WriteSettingsFile(dir / "DOD_box.txt", "/boxes", "/web", ContentChoice::kBoxscores, &err));
  EXPECT_EQ("cannot write " + (dir / "DOD_box.txt") + ": Is a directory", err.description);
  EXPECT_EQ(std::vector<std::string>{"DOD_box.txt"}, AllEntries(dir.path()));

  SystemClock clock;
  TraceLog log(&clock);
  std::filesystem::create_directory(dir / "boxtrace.txt");
  EXPECT_FALSE(log.Open(dir / "boxtrace.txt", &err));
  EXPECT_EQ("cannot create the trace log " + (dir / "boxtrace.txt") + ": Is a directory",
            err.description);
  EXPECT_FALSE(log.is_open());
  log.Trace(" starting process ");  // nothing to write to, and no harm done
  EXPECT_TRUE(std::filesystem::is_empty(dir / "boxtrace.txt"));
}

}  // namespace
}  // namespace gamefold
