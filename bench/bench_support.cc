#include "bench/bench_support.h"

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

extern char** environ;

namespace bench {

namespace {

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

}  // namespace

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
    std::fprintf(stderr, "bench: cannot run %s\n", argv[0]);
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  ::clock_gettime(CLOCK_MONOTONIC, &stop);
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bench: %s failed\n", args[0].c_str());
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

void FreshFolder(const std::string& folder) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  ::sync();
}

std::string DataFolder(const char* folder) {
  if (folder != nullptr) {
    std::filesystem::create_directories(folder);
    return folder;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "gamefold-bench-XXXXXX");
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("bench: mkdtemp");
    std::exit(1);
  }
  return pattern;
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

void PrintRow(const char* job, double ours, double floor, double ratio, double cpu_ratio,
              double target) {
  std::printf("%-42s %9.3f s %9.3f s %7.2fx %7.2fx  <= %.1fx %s\n", job, ours, floor, ratio,
              cpu_ratio, target, Verdict(ratio <= target));
}

}  // namespace bench
