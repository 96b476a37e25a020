#pragma once

// What the runs share: the listings a run makes at most once, and the steps of more than one run.

#include <string>
#include <vector>

#include "core/failure.h"
#include "runs/runs.h"

namespace gamefold {

/// A folder's names as the caller holds them, or listed by the run the first time they are asked
/// for and kept for the rest of it.
class RunListing {
 public:
  RunListing(std::string folder, std::string_view pattern, const std::vector<std::string>* given)
      : folder_(std::move(folder)), pattern_(pattern), names_(given) {}
  RunListing(const RunListing&) = delete;
  RunListing& operator=(const RunListing&) = delete;

  /// The names, or null with the failure when the folder cannot be listed.
  const std::vector<std::string>* Get(Failure* err);

 private:
  std::string folder_;
  std::string_view pattern_;
  const std::vector<std::string>* names_;
  std::vector<std::string> listed_;
};

/// The output folder's day page names before a run.
using OutputNames = RunListing;

/// Ends a run at stage with failure; returns false.
bool StopRun(RunResult* result, RunStage stage, Failure failure);

/// Chooses the days of request into *chosen (the site's neighbours apart).
bool ChooseDays(const RunPlace& place, const ProcessRequest& request,
                const std::vector<std::string>& input_names, OutputNames* output_names,
                ChosenDays* chosen, Failure* err);

/// With the site, appends the neighbours of the chosen days and sets *site_days, the days that
/// have or get a page.
bool AddNeighbours(const OutputSettings& settings, const std::vector<std::string>& input_names,
                   OutputNames* output_names, ChosenDays* chosen,
                   std::vector<std::string>* site_days, Failure* err);

/// Writes the standings and team pages from the day pages in the output folder.
bool WriteSitePages(const RunPlace& place, const OutputSettings& settings,
                    const std::vector<std::string>& input_names, const RunEvents& events,
                    RunResult* result);

/// Writes the month index from output_names.
bool WriteMonthIndex(const RunPlace& place, const OutputSettings& settings,
                     const std::vector<std::string>& output_names, const RunEvents& events,
                     RunResult* result);

}  // namespace gamefold
