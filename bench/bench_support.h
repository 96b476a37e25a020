// What the benchmarks share: running a program and timing it, medians, fresh folders, and the
// machine line printed above every table.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct Measure {
  double seconds = 0;      // wall time
  double cpu_seconds = 0;  // user and system time: what the program itself spent, whatever
                           // else the machine was running meanwhile
  double peak_mb = 0;
};

/// Runs a program with its output thrown away; exits the benchmark when it cannot run or fails.
Measure RunProgram(const std::vector<std::string>& args);

/// The median; values must not be empty.
double Median(std::vector<double> values);

/// An empty folder, and what the runs before wrote flushed to the disk, so that no run pays for
/// the one before it.
void FreshFolder(const std::string& folder);

/// A new temporary folder, or `folder` when given; exits the benchmark when it cannot be made.
std::string DataFolder(const char* folder);

/// The processor, its cores and the kernel.
std::string Machine();

/// "met" or "MISSED".
const char* Verdict(bool met);

/// One row of the tables: the job, our time and the floor's, the ratios of wall and CPU time,
/// the target.
void PrintRow(const char* job, double ours, double floor, double ratio, double cpu_ratio,
              double target);

}  // namespace bench
