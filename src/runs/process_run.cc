#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "runs/runs.h"
#include "runs/runs_internal.h"

namespace gamefold {

namespace {

// Writes the chosen days, stopping at the first that fails.
bool WriteDays(const RunPlace& place, const OutputSettings& settings,
               const std::vector<std::string>& input_names, const ChosenDays& chosen,
               const std::vector<std::string>* site_days, DayProcessor* processor,
               const RunEvents& events, RunResult* result) {
  ProcessJob job{place.input_folder,      input_names,      place.output_folder,
                 settings.content_choice, settings.charset, settings.durable};
  job.site_days = site_days;
  ProcessEvents day = events.day;
  day.page_result = [result, &events](std::string_view key, bool written) {
    result->wrote = result->wrote || written;
    if (events.day.page_result) events.day.page_result(key, written);
  };
  day.day_failed = [result, &events](std::string_view key, const Failure& failure) {
    result->failed_day = key;
    if (events.day.day_failed) events.day.day_failed(key, failure);
  };
  Failure failure;
  result->days_done = processor->ProcessDays(job, chosen.keys, day, &failure);
  if (events.days_ended) events.days_ended(result->days_done);
  return result->days_done == chosen.keys.size() || StopRun(result, RunStage::kDays, failure);
}

// Lists the output folder once the days are written and rebuilds the catalogue from it. After a
// day failed, the listing and the rebuild still show the pages of the days before it, and what
// fails here is told apart from the failure that stopped the run.
bool ListAgain(const RunPlace& place, const std::vector<std::string>& input_names,
               const RunEvents& events, RunResult* result) {
  bool days_done = result->failed_at == RunStage::kNone;
  Failure failure;
  if (!ListFolder(place.output_folder, kDayPagePattern, &result->output_names, &failure)) {
    if (!days_done) result->later_failures.push_back(failure);
    return days_done && StopRun(result, RunStage::kListing, failure);
  }
  result->output_listed = true;
  result->catalogue = BuildCatalogue(input_names, result->output_names);
  if (!days_done) return false;
  if (result->catalogue->end == CatalogueResult::End::kFailed) {
    return StopRun(result, RunStage::kCatalogue, result->catalogue->failure);
  }
  if (events.rebuilt) events.rebuilt(*result->catalogue);
  return true;
}

// The days of the run, told before the first is written; false when the run is over already:
// it failed, or it was asked for days whose files all went.
bool Choose(const RunPlace& place, const OutputSettings& settings, const ProcessRequest& request,
            const std::vector<std::string>& input_names, const RunEvents& events,
            ChosenDays* chosen, std::vector<std::string>* site_days, RunResult* result) {
  OutputNames output_names(place.output_folder, kDayPagePattern, request.output_names);
  Failure failure;
  if (!ChooseDays(place, request, input_names, &output_names, chosen, &failure)) {
    RunStage stage = request.days == DayChoice::kNew && chosen->catalogue ? RunStage::kCatalogue
                                                                          : RunStage::kListing;
    return StopRun(result, stage, failure);
  }
  if (request.days == DayChoice::kSettled && chosen->keys.empty()) {
    result->done = true;
    return false;
  }
  if (events.chosen) events.chosen(*chosen);
  if (!AddNeighbours(settings, input_names, &output_names, chosen, site_days, &failure)) {
    return StopRun(result, RunStage::kListing, failure);
  }
  if (events.writing) events.writing(chosen->keys, input_names);
  return true;
}

bool WantsIndex(IndexChoice index, const RunResult& result) {
  return index == IndexChoice::kAlways || (index == IndexChoice::kWhenWritten && result.wrote);
}

}  // namespace

bool ProcessRun(const RunPlace& place, const OutputSettings& settings,
                const ProcessRequest& request, DayProcessor* processor, const RunEvents& events,
                RunResult* result) {
  FolderLock lock;
  Failure failure;
  if (!LockOutput(place, &lock, &failure)) return StopRun(result, RunStage::kLock, failure);
  RunListing input(place.input_folder, kBoxscorePattern, place.input_names);
  const std::vector<std::string>* input_names = input.Get(&failure);
  if (input_names == nullptr) return StopRun(result, RunStage::kListing, failure);
  ChosenDays chosen;
  std::vector<std::string> site_days;
  if (!Choose(place, settings, request, *input_names, events, &chosen, &site_days, result)) {
    return result->done;
  }
  const std::vector<std::string>* days_of_site = settings.site ? &site_days : nullptr;
  bool days_done =
      WriteDays(place, settings, *input_names, chosen, days_of_site, processor, events, result);
  if (!ListAgain(place, *input_names, events, result) || !days_done) return false;
  if (settings.site && !WriteSitePages(place, settings, *input_names, events, result)) {
    return false;
  }
  if (WantsIndex(request.index, *result) &&
      !WriteMonthIndex(place, settings, result->output_names, events, result)) {
    return false;
  }
  result->done = true;
  return true;
}

}  // namespace gamefold
