#pragma once

// What the commands of gamefold-batch share: the run that writes into the output folder, its
// messages and report, and the passes that more than one command makes.

#include <ostream>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/run_report.h"
#include "catalogue/catalogue.h"
#include "core/failure.h"
#include "core/folder_lock.h"
#include "daypages/process.h"
#include "runs/runs.h"
#include "site/site.h"

namespace gamefold::batch {

/// Tells a failure on err as "Error Encountered <number> <description>".
void ReportFailure(const Failure& failure, std::ostream& err);

/// Tells that the input folder holds no boxscore.
void NoteNoBoxscores(const BatchCommand& command, std::ostream& notes);

/// Tells why a rebuild that let the run go on listed nothing, or its doubts and counters.
void ReportCatalogueEnd(const CatalogueResult& result, const BatchCommand& command,
                        std::ostream& notes);

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

/// The folders of the command, for a run under the lock the command holds.
RunPlace PlaceOf(const BatchCommand& command);

/// How the command's pages look and land.
OutputSettings SettingsOf(const BatchCommand& command);

/// What every run shows of the site's pages and the index it writes.
RunEvents CommonEvents(Run* run);

/// Shows what the site's pages came to.
void ShowSite(Run* run, const SiteResult& result);

/// Tells the failure of a run that did not finish; true when it did.
bool Finished(Run* run, const RunResult& result);

/// Writes the pages of the days the command asks for, as process does.
bool ProcessPass(Run* run, DayProcessor* processor);

/// Writes the pages of the days request asks for, telling the catalogue's counters when counts.
bool DaysPass(Run* run, const ProcessRequest& request, bool counts, DayProcessor* processor);

/// Sends what changed in the output folder to the run's destination.
[[nodiscard]] bool PublishPass(Run* run, std::ostream& out);

/// Writes the run's report on out when --report json asks for it.
void EmitReport(const Run& run, std::ostream& out);

// Runs pass with the output folder locked against other writers.
template <typename Pass>
[[nodiscard]] bool Locked(Run* run, Pass pass) {
  FolderLock lock;
  Failure failure;
  RunPlace place = PlaceOf(run->command);
  place.lock_held = false;
  if (!LockOutput(place, &lock, &failure)) {
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

/// The site's pages as settings ask, then the month index when index_page, under the lock, with
/// their report (index, site); returns the exit status.
int IndexCommand(const BatchCommand& command, std::ostream& out, std::ostream& err,
                 const OutputSettings& settings, bool index_page);

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
