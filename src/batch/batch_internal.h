#pragma once

// What the commands of gamefold-batch share: the run that writes into the output folder, its
// messages and report, and the passes that more than one command makes.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch.h"
#include "batch/run_report.h"
#include "catalogue/catalogue.h"
#include "core/failure.h"
#include "core/folder_lock.h"

namespace gamefold::batch {

/// Width of the progress bars, in characters between the brackets.
inline constexpr int kProgressWidth = 30;

/// True when key names a day page the catalogue reads back: eight digits of a day from 101 to 1231.
bool IsDayKey(std::string_view key);

/// Tells a failure on err as "Error Encountered <number> <description>".
void ReportFailure(const Failure& failure, std::ostream& err);

/// Tells why a rebuild listed nothing, or its counters; false, with the failure, when it must fail.
[[nodiscard]] bool ReportCatalogueEnd(const CatalogueResult& result, const BatchCommand& command,
                                      std::string_view first_input_name, std::ostream& notes,
                                      Failure* failure, bool counts = true);

/// Every day that has boxscores among input_names, each once, in order.
std::vector<std::string> AllDays(const BatchCommand& command,
                                 const std::vector<std::string>& input_names, std::ostream& notes);

/// Where the messages that are not failures go: err, or nowhere with --quiet.
std::ostream& NotesOf(const BatchCommand& command, std::ostream& err);

// One run that writes into the output folder: what it tells, and what it did for the report.
struct Run {
  const BatchCommand& command;
  std::ostream& notes;  // err, or nowhere with --quiet
  std::ostream& err;
  bool show_progress;
  RunReport report;

  void Fail(const Failure& failure) {
    ReportFailure(failure, err);
    report.failures.push_back(failure);
  }
  void Settled(const std::string& path, bool written) {
    (written ? report.written : report.unchanged).push_back(path);
  }
};

/// Warns when the output folder lacks the style sheet that the pages link.
void WarnWithoutStyleSheet(Run* run);

/// Writes the month index from output_names; false after telling the failure.
[[nodiscard]] bool WriteIndex(Run* run, const std::vector<std::string>& output_names);

/// Writes the standings and team pages from the day pages now in the output folder.
[[nodiscard]] bool SitePass(Run* run);

/// Writes the pages of keys, then the catalogue's counters, the site and the index as asked.
[[nodiscard]] bool WritePages(Run* run, const std::vector<std::string>& input_names,
                              const std::vector<std::string>& keys, bool write_index, bool counts);

/// Writes the pages of the days the command asks for, as process does.
[[nodiscard]] bool ProcessPass(Run* run);

/// Sends what changed in the output folder to the run's destination.
[[nodiscard]] bool PublishPass(Run* run, std::ostream& out);

/// Writes the run's report on out when --report json asks for it.
void EmitReport(const Run& run, std::ostream& out);

// Runs pass with the output folder locked against other writers.
template <typename Pass>
[[nodiscard]] bool Locked(Run* run, Pass pass) {
  FolderLock lock;
  Failure failure;
  if (!lock.Acquire(run->command.output_folder, run->command.lock_wait_seconds, &failure)) {
    run->Fail(failure);
    return false;
  }
  return pass();
}

// A run's pass, then publishing when it succeeded and a destination was given.
template <typename Pass>
[[nodiscard]] bool ThenPublish(Run* run, std::ostream& out, Pass pass) {
  return pass() && (run->command.destination.empty() || PublishPass(run, out));
}

/// The commands: each returns the exit status.
int RunList(const BatchCommand& command, std::ostream& out, std::ostream& err);
int RunProcess(const BatchCommand& command, std::ostream& out, std::ostream& err,
               bool show_progress);
int RunIndex(const BatchCommand& command, std::ostream& out, std::ostream& err);
int RunSite(const BatchCommand& command, std::ostream& out, std::ostream& err);
int RunWatch(const BatchCommand& command, std::ostream& out, std::ostream& err);
int RunPublish(const BatchCommand& command, std::ostream& out, std::ostream& err,
               bool show_progress);

}  // namespace gamefold::batch
