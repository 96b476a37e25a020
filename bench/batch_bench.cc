// Measures gamefold-batch on a full sample season against the floor of the same work, and
// prints one small table:
//  - `gamefold-batch --version` against `/bin/true`: what starting the program costs;
//  - `process --content 3 --index` against gamefold-io-floor (list, read every boxscore once,
//    write the bytes grouped by day), the two run by turns, the median of the paired ratios;
//  - `process --all --content 3 --index` over a season whose pages are all current (nothing to
//    write) against the floor of a fresh run;
//  - `process --durable` against the floor, and its cost over the plain run;
//  - `list` on a folder of 50,000 boxscore names against `ls -f` of that folder;
//  - the peak memory of the full-season run, and of a half-season run beside it;
//  - the peak memory of publishing the full season's pages to a folder;
//  - `site` over the full season's pages against the floor, and its peak memory.
// Usage: batch_bench [--short] [FOLDER]; the data goes into FOLDER, by default a fresh temporary
// folder, which is removed at the end. --short runs every job once on a few days: it shows that
// the benchmark builds and runs (as CI does) and measures nothing worth reading.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "core/game_day.h"

namespace {

using bench::FreshFolder;
using bench::Measure;
using bench::RunProgram;
using bench::Verdict;

// The size of the data and the number of runs: a full season, or a few days for --short.
// The runs are many enough that the medians of two fresh clones on machines of the same kind
// give the same verdicts: with 5, a ratio moved by 0.3x between two machines.
struct Plan {
  const char* season_days = "180";
  const char* half_days = "90";
  int process_runs = 15;
  int list_runs = 21;
  int list_names = 50000;
  int start_runs = 101;
};
constexpr Plan kShortPlan{"4", "2", 1, 1, 500, 1};
// Reading the next day on one core while the other builds and writes beats a single thread
// that only copies the bytes.
constexpr double kProcessTarget = 0.8;
// Over current pages a run only reads and compares: half of writing them afresh.
constexpr double kCurrentTarget = 0.5;
// Starting the program: about a millisecond, as a program without shared libraries to load.
constexpr double kStartTarget = 2.0;
// What durability may cost on top of a plain run before it has to be asked for.
constexpr double kDurableShare = 0.2;
// A durable run also waits at the end until the disk holds its pages (the disk starts on each
// page as it is staged, but the last ones are still on their way): it keeps the target of a
// single thread, plus that share.
constexpr double kDurableTarget = 1.3 * (1 + kDurableShare);
constexpr double kListTarget = 1.5;
// The site reads each boxscore's line score and writes a few pages: half the floor of the season.
constexpr double kSiteTarget = 0.5;
constexpr double kMemoryTargetMb = 30;
// How much more the full season may take than half of it and still count as not growing: the
// listing of another 1,215 names, and the allocator's slack.
constexpr double kMemoryGrowthMb = 1;

struct Comparison {
  std::vector<double> ours, floor, ratios, cpu_ratios;
  double peak_mb = 0;
};

// Runs the two commands by turns, `runs` times each after one warm-up pair, the first of each
// pair changing every time so that neither always runs on the other's leftovers. `prepare` runs
// before each command, untimed.
template <typename Prepare>
Comparison Compare(const std::vector<std::string>& ours, const std::vector<std::string>& floor,
                   int runs, Prepare prepare) {
  Comparison result;
  for (int run = -1; run < runs; ++run) {
    Measure ours_measure, floor_measure;
    for (int turn = 0; turn < 2; ++turn) {
      bool ours_now = (turn == 0) == (run % 2 == 0);
      prepare();
      (ours_now ? ours_measure : floor_measure) = RunProgram(ours_now ? ours : floor);
    }
    if (run < 0) continue;
    result.ours.push_back(ours_measure.seconds);
    result.floor.push_back(floor_measure.seconds);
    result.ratios.push_back(ours_measure.seconds / floor_measure.seconds);
    result.cpu_ratios.push_back(ours_measure.cpu_seconds / floor_measure.cpu_seconds);
    result.peak_mb = std::max(result.peak_mb, ours_measure.peak_mb);
  }
  return result;
}

// 50,000 empty boxscores, 137 a day over the year: the catalogue reads names only.
void MakeNameFolder(const std::string& folder, int count) {
  std::filesystem::create_directories(folder);
  int month = 1, day = 1;
  for (int i = 0; i < count; ++i) {
    if (i > 0 && i % 137 == 0 && ++day > gamefold::DaysInMonth(2008, month)) {
      day = 1;
      ++month;
    }
    char name[32];
    std::snprintf(name, sizeof name, "2008%02d%02d%05d.BOX", month, day, i % 137 + 1);
    int fd = ::open((folder + "/" + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
  }
}

// Takes the site's pages out of folder, so that each run writes them afresh.
void RemoveSitePages(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name == gamefold::kStandingsPageName || gamefold::IsTeamPageName(name)) {
      std::filesystem::remove(entry.path());
    }
  }
}

void PrintComparison(const char* job, const Comparison& result, double target) {
  bench::PrintRow(job, bench::Median(result.ours), bench::Median(result.floor),
                  bench::Median(result.ratios), bench::Median(result.cpu_ratios), target);
}

}  // namespace

int main(int argc, char** argv) {
  Plan plan;
  bool short_run = argc > 1 && std::string_view(argv[1]) == "--short";
  if (short_run) {
    plan = kShortPlan;
    --argc;
    ++argv;
  }
  std::string root = bench::DataFolder(argc > 1 ? argv[1] : nullptr);
  const std::string batch = GAMEFOLD_BATCH_PROGRAM;
  const std::string season = root + "/season", half = root + "/half", names = root + "/names";
  const std::string out = root + "/out", empty = root + "/empty";
  const std::string floor_out = root + "/floor";
  std::fprintf(stderr, "batch_bench: making the data in %s\n", root.c_str());
  RunProgram({GAMEFOLD_SAMPLE_SEASON_PROGRAM, "--force", "--days", plan.season_days, season});
  RunProgram({GAMEFOLD_SAMPLE_SEASON_PROGRAM, "--force", "--days", plan.half_days, half});
  MakeNameFolder(names, plan.list_names);
  std::filesystem::create_directories(empty);

  std::fprintf(stderr, "batch_bench: --version, %d runs each\n", plan.start_runs);
  Comparison start = Compare({batch, "--version"}, {"/bin/true"}, plan.start_runs, [] {});
  std::fprintf(stderr, "batch_bench: process, %d runs each\n", plan.process_runs);
  Comparison process = Compare({batch, "process", "--content", "3", "--index", season, out},
                               {GAMEFOLD_IO_FLOOR_PROGRAM, season, out}, plan.process_runs,
                               [&] { FreshFolder(out); });
  // The pages of the warm-up run are current for every run after it; the floor writes afresh
  // into a folder of its own.
  std::fprintf(stderr, "batch_bench: process --all over current pages, %d runs each\n",
               plan.process_runs);
  FreshFolder(out);
  Comparison current =
      Compare({batch, "process", "--all", "--content", "3", "--index", season, out},
              {GAMEFOLD_IO_FLOOR_PROGRAM, season, floor_out}, plan.process_runs,
              [&] { FreshFolder(floor_out); });
  std::fprintf(stderr, "batch_bench: process --durable, %d runs each\n", plan.process_runs);
  Comparison durable =
      Compare({batch, "process", "--durable", "--content", "3", "--index", season, out},
              {GAMEFOLD_IO_FLOOR_PROGRAM, season, floor_out}, plan.process_runs, [&] {
                FreshFolder(out);
                FreshFolder(floor_out);
              });
  std::fprintf(stderr, "batch_bench: list, %d runs each\n", plan.list_runs);
  Comparison list =
      Compare({batch, "list", names, empty}, {"ls", "-f", names}, plan.list_runs, [] {});
  FreshFolder(out);
  Measure half_run = RunProgram({batch, "process", "--content", "3", "--index", half, out});
  // A whole season's pages sent to a folder: one file's bytes held at a time.
  std::fprintf(stderr, "batch_bench: publish, once\n");
  FreshFolder(out);
  RunProgram({batch, "process", "--content", "3", "--index", season, out});
  const std::string site = root + "/site";
  FreshFolder(site);
  Measure publish = RunProgram({batch, "publish", out, "file://" + site + "/"});
  // The league's site over the season's pages: the standings and the team pages from the line
  // scores, written afresh each run.
  std::fprintf(stderr, "batch_bench: site, %d runs each\n", plan.process_runs);
  Comparison site_run =
      Compare({batch, "site", season, out}, {GAMEFOLD_IO_FLOOR_PROGRAM, season, floor_out},
              plan.process_runs, [&] {
                RemoveSitePages(out);
                FreshFolder(floor_out);
              });

  std::printf("Machine: %s\n", bench::Machine().c_str());
  if (short_run) std::printf("Short run: a few days, once each; the figures mean nothing.\n");
  std::printf("%-42s %11s %11s %8s %8s  %s\n", "job (medians, wall time)", "gamefold", "floor",
              "ratio", "cpu", "target");
  PrintComparison("--version, start-up (floor: /bin/true)", start, kStartTarget);
  PrintComparison("process --content 3 --index, 2,430 games", process, kProcessTarget);
  PrintComparison("process --all, all pages current", current, kCurrentTarget);
  PrintComparison("process --durable, 2,430 games", durable, kDurableTarget);
  double durable_cost = bench::Median(durable.ours) / bench::Median(process.ours) - 1;
  std::printf("%-42s %+8.0f %%  %40s %s\n", "durability's cost over a plain run",
              durable_cost * 100, "<= +20 % to be the default",
              durable_cost <= kDurableShare ? "could be" : "an option");
  PrintComparison("list, 50,000 names (floor: ls -f)", list, kListTarget);
  PrintComparison("site, 2,430 games", site_run, kSiteTarget);
  std::printf("%-42s %9.1f MB %43s %s\n", "peak memory, full season (180 days)", process.peak_mb,
              "< 30 MB", Verdict(process.peak_mb < kMemoryTargetMb));
  std::printf("%-42s %9.1f MB %43s %s\n", "peak memory, half season (90 days)", half_run.peak_mb,
              "not growing", Verdict(process.peak_mb <= half_run.peak_mb + kMemoryGrowthMb));
  std::printf("%-42s %9.1f MB %43s %s\n", "peak memory, publish of the full season",
              publish.peak_mb, "< 30 MB", Verdict(publish.peak_mb < kMemoryTargetMb));
  std::printf("%-42s %9.1f MB %43s %s\n", "peak memory, site of the full season", site_run.peak_mb,
              "< 30 MB", Verdict(site_run.peak_mb < kMemoryTargetMb));

  if (argc <= 1) std::filesystem::remove_all(root);
  return 0;
}
