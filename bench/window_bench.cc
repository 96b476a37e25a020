// Measures the window's "&PROCESS" of a full sample season against `gamefold-batch process` of
// the same days, the two run by turns, and prints one row in the batch benchmark's columns. The
// window runs on Qt's offscreen platform, so the repaint of each day is drawn, only nowhere to
// be seen. What is timed is the click alone: picking the days beforehand is not.
// Usage: window_bench [--short] [FOLDER], as batch_bench.

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/day_list.h"
#include "app/folder_picker.h"
#include "app/form1.h"
#include "bench/bench_support.h"

namespace {

constexpr double kTarget = 2.0;

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double WallSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename T>
T* Control(const gamefold::Form1& window, const char* name) {
  T* control = window.findChild<T*>(name);
  if (control == nullptr) {
    std::fprintf(stderr, "window_bench: the window has no %s\n", name);
    std::exit(1);
  }
  return control;
}

// Points the window's output side at a fresh `out`, picks every day it then lists with the
// third content choice, and clicks "&PROCESS": the time of the click.
bench::Measure ProcessInWindow(gamefold::Form1& window, const std::string& out,
                               const std::string& empty) {
  gamefold::Failure failure;
  auto* output = Control<gamefold::FolderList>(window, "Dir2");
  auto* days = Control<gamefold::DayList>(window, "List1");
  // Away and back, so that the folder handler runs and the catalogue lists every day again;
  // the way back is the move that must succeed.
  (void)output->setPath(empty, &failure);
  bench::FreshFolder(out);
  if (!output->setPath(out, &failure)) {
    std::fprintf(stderr, "window_bench: cannot open %s\n", out.c_str());
    std::exit(1);
  }
  while (days->count() > 0) emit days->picked(0);
  Control<QListWidget>(window, "List3")->setCurrentRow(2);
  bench::Measure measure;
  double wall = WallSeconds(), cpu = CpuSeconds();
  Control<QPushButton>(window, "Command1")->click();
  measure.seconds = WallSeconds() - wall;
  measure.cpu_seconds = CpuSeconds() - cpu;
  if (Control<QListWidget>(window, "List2")->count() != 0) {
    std::fprintf(stderr, "window_bench: the window's process failed\n");
    std::exit(1);
  }
  return measure;
}

}  // namespace

int main(int argc, char** argv) {
  bool short_run = argc > 1 && std::string_view(argv[1]) == "--short";
  if (short_run) {
    --argc;
    ++argv;
  }
  const char* season_days = short_run ? "4" : "180";
  int runs = short_run ? 1 : 15;
  std::string root = bench::DataFolder(argc > 1 ? argv[1] : nullptr);
  const std::string season = root + "/window-season", out = root + "/window-out";
  const std::string empty = root + "/window-empty", home = root + "/window-home";
  std::fprintf(stderr, "window_bench: making the data in %s\n", root.c_str());
  bench::RunProgram({GAMEFOLD_SAMPLE_SEASON_PROGRAM, "--force", "--days", season_days, season});
  std::filesystem::create_directories(empty);
  std::filesystem::create_directories(home);
  // The window keeps its trace log and settings in the folder it starts in.
  if (::chdir(home.c_str()) != 0) {
    std::perror("window_bench: chdir");
    return 1;
  }

  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  gamefold::Form1 window;
  window.show();
  while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
    QApplication::processEvents();
  }
  gamefold::Failure failure;
  if (!Control<gamefold::FolderList>(window, "Dir1")->setPath(season, &failure)) {
    std::fprintf(stderr, "window_bench: cannot open %s\n", season.c_str());
    std::exit(1);
  }

  std::fprintf(stderr, "window_bench: process, %d runs each\n", runs);
  std::vector<double> ours, batch, ratios, cpu_ratios;
  const std::vector<std::string> batch_args = {
      GAMEFOLD_BATCH_PROGRAM, "process", "--content", "3", season, out};
  // By turns, after one warm-up pair, the first of each pair changing every time.
  for (int run = -1; run < runs; ++run) {
    bench::Measure window_measure, batch_measure;
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == (run % 2 == 0)) {
        window_measure = ProcessInWindow(window, out, empty);
      } else {
        bench::FreshFolder(out);
        batch_measure = bench::RunProgram(batch_args);
      }
    }
    if (run < 0) continue;
    ours.push_back(window_measure.seconds);
    batch.push_back(batch_measure.seconds);
    ratios.push_back(window_measure.seconds / batch_measure.seconds);
    cpu_ratios.push_back(window_measure.cpu_seconds / batch_measure.cpu_seconds);
  }

  std::printf("Machine: %s\n", bench::Machine().c_str());
  if (short_run) std::printf("Short run: a few days, once each; the figures mean nothing.\n");
  std::printf("%-42s %11s %11s %8s %8s  %s\n", "job (medians, wall time)", "window", "batch",
              "ratio", "cpu", "target");
  bench::PrintRow("window's PROCESS, content 3, 2,430 games", bench::Median(ours),
                  bench::Median(batch), bench::Median(ratios), bench::Median(cpu_ratios), kTarget);

  if (argc <= 1) std::filesystem::remove_all(root);
  return 0;
}
