// Measures gamefold-batch on a full sample season against the floor of the same work, and
// prints one small table:
//  - `process --content 3 --index` against gamefold-io-floor (list, read every boxscore once,
//    write the bytes grouped by day), the two run by turns, the median of the paired ratios;
//  - `process --all --content 3 --index` over a season whose pages are all current (nothing to
//    write) against the floor of a fresh run;
//  - `process --durable` against the floor, and its cost over the plain run;
//  - `list` on a folder of 50,000 boxscore names against `ls -f` of that folder;
//  - the peak memory of the full-season run, and of a half-season run beside it.
// Usage: batch_bench [--short] [FOLDER]; the data goes into FOLDER, by default a fresh temporary
// folder, which is removed at the end. --short runs every job once on a few days: it shows that
// the benchmark builds and runs (as CI does) and measures nothing worth reading.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/game_day.h"

extern char** environ;

namespace {

// The size of the data and the number of runs: a full season, or a few days for --short.
struct Plan {
  const char* season_days = "180";
  const char* half_days = "90";
  int process_runs = 5;
  int list_runs = 9;
  int list_names = 50000;
};
constexpr Plan kShortPlan{"4", "2", 1, 1, 500};
constexpr double kProcessTarget = 1.3;
constexpr double kCurrentTarget = 1.0;
// What durability may cost on top of a plain run before it has to be asked for.
constexpr double kDurableShare = 0.2;
constexpr double kListTarget = 1.5;
constexpr double kMemoryTargetMb = 30;
// How much more the full season may take than half of it and still count as not growing: the
// listing of another 1,215 names, and the allocator's slack.
constexpr double kMemoryGrowthMb = 1;

struct Measure {
  double seconds = 0;      // wall time
  double cpu_seconds = 0;  // user and system time: what the program itself spent, whatever
                           // else the machine was running meanwhile
  double peak_mb = 0;
};

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

// Runs a program with its output thrown away and returns its wall time and peak memory.
Measure RunProgram(const std::vector<std::string>& args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  timespec start{}, stop{};
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "batch_bench: cannot run %s\n", argv[0]);
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  ::clock_gettime(CLOCK_MONOTONIC, &stop);
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "batch_bench: %s failed\n", args[0].c_str());
    std::exit(1);
  }
  Measure measure;
  measure.seconds = static_cast<double>(stop.tv_sec - start.tv_sec) +
                    static_cast<double>(stop.tv_nsec - start.tv_nsec) * 1e-9;
  measure.cpu_seconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  measure.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024;  // kilobytes on Linux
  return measure;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

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

// An empty output folder, and the written pages of the last run flushed to the disk, so that
// no run pays for the one before it.
void FreshFolder(const std::string& folder) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  ::sync();
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

std::string Machine() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line, model = "unknown processor";
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) {
      model = line.substr(line.find(':') + 2);
      break;
    }
  }
  utsname system{};
  ::uname(&system);
  return model + ", " + std::to_string(::sysconf(_SC_NPROCESSORS_ONLN)) + " cores, " +
         system.sysname + " " + system.release;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void PrintComparison(const char* job, const Comparison& result, double target) {
  double ratio = Median(result.ratios);
  std::printf("%-42s %9.3f s %9.3f s %7.2fx %7.2fx  <= %.1fx %s\n", job, Median(result.ours),
              Median(result.floor), ratio, Median(result.cpu_ratios), target,
              Verdict(ratio <= target));
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
  std::string root;
  if (argc > 1) {
    root = argv[1];
    std::filesystem::create_directories(root);
  } else {
    std::string pattern = (std::filesystem::temp_directory_path() / "gamefold-bench-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("batch_bench: mkdtemp");
      return 1;
    }
    root = pattern;
  }
  const std::string batch = GAMEFOLD_BATCH_PROGRAM;
  const std::string season = root + "/season", half = root + "/half", names = root + "/names";
  const std::string out = root + "/out", empty = root + "/empty";
  const std::string floor_out = root + "/floor";
  std::fprintf(stderr, "batch_bench: making the data in %s\n", root.c_str());
  RunProgram({GAMEFOLD_MAKE_SEASON_PROGRAM, "--days", plan.season_days, season});
  RunProgram({GAMEFOLD_MAKE_SEASON_PROGRAM, "--days", plan.half_days, half});
  MakeNameFolder(names, plan.list_names);
  std::filesystem::create_directories(empty);

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

  std::printf("Machine: %s\n", Machine().c_str());
  if (short_run) std::printf("Short run: a few days, once each; the figures mean nothing.\n");
  std::printf("%-42s %11s %11s %8s %8s  %s\n", "job (medians, wall time)", "gamefold", "floor",
              "ratio", "cpu", "target");
  PrintComparison("process --content 3 --index, 2,430 games", process, kProcessTarget);
  PrintComparison("process --all, all pages current", current, kCurrentTarget);
  PrintComparison("process --durable, 2,430 games", durable, kProcessTarget * (1 + kDurableShare));
  double durable_cost = Median(durable.ours) / Median(process.ours) - 1;
  std::printf("%-42s %+8.0f %%  %40s %s\n", "durability's cost over a plain run",
              durable_cost * 100, "<= +20 % to be the default",
              durable_cost <= kDurableShare ? "could be" : "an option");
  PrintComparison("list, 50,000 names (floor: ls -f)", list, kListTarget);
  std::printf("%-42s %9.1f MB %43s %s\n", "peak memory, full season (180 days)", process.peak_mb,
              "< 30 MB", Verdict(process.peak_mb < kMemoryTargetMb));
  std::printf("%-42s %9.1f MB %43s %s\n", "peak memory, half season (90 days)", half_run.peak_mb,
              "not growing", Verdict(process.peak_mb <= half_run.peak_mb + kMemoryGrowthMb));

  if (argc <= 1) std::filesystem::remove_all(root);
  return 0;
}
