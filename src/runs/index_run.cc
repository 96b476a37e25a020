#include <string>
#include <vector>

#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text_file.h"
#include "monthindex/index_page.h"
#include "runs/runs.h"
#include "runs/runs_internal.h"
#include "site/site.h"

namespace gamefold {

const std::vector<std::string>* RunListing::Get(Failure* err) {
  if (names_ != nullptr) return names_;
  if (!ListFolder(folder_, pattern_, &listed_, err)) return nullptr;
  names_ = &listed_;
  return names_;
}

bool StopRun(RunResult* result, RunStage stage, Failure failure) {
  result->done = false;
  result->failed_at = stage;
  result->failure = std::move(failure);
  return false;
}

bool LockOutput(const RunPlace& place, FolderLock* lock, Failure* err) {
  return place.lock_held ||
         lock->Acquire(place.output_folder, place.lock_wait_seconds, err, place.waiting);
}

bool WriteSitePages(const RunPlace& place, const OutputSettings& settings,
                    const std::vector<std::string>& input_names, const RunEvents& events,
                    RunResult* result) {
  SiteResult site;
  Failure failure;
  // The listing the run made under the lock, when it made one: the site needs no other.
  const std::vector<std::string>* output_names =
      result->output_listed ? &result->output_names : nullptr;
  bool done = WriteSite(
      {place.input_folder, input_names, place.output_folder, settings.charset, output_names},
      &site, &failure);
  if (!site.written.empty()) result->wrote = true;
  if (events.site) events.site(site);
  return done || StopRun(result, RunStage::kSite, failure);
}

bool WriteMonthIndex(const RunPlace& place, const OutputSettings& settings,
                     const std::vector<std::string>& output_names, const RunEvents& events,
                     RunResult* result) {
  Failure failure;
  bool written = false;
  if (!WriteIndexPage(place.output_folder, output_names, &failure, settings.charset, &written,
                      settings.durable, settings.site)) {
    return StopRun(result, RunStage::kIndex, failure);
  }
  result->wrote = result->wrote || written;
  if (events.index) events.index(JoinPath(place.output_folder, kIndexPageName), written);
  return true;
}

// The folder is listed under the lock: pages written or deleted by another program since the
// caller's last listing are linked or left out as they are now.
bool IndexRun(const RunPlace& place, const OutputSettings& settings, bool index_page,
              const RunEvents& events, RunResult* result) {
  FolderLock lock;
  Failure failure;
  if (!LockOutput(place, &lock, &failure)) return StopRun(result, RunStage::kLock, failure);
  // A run killed while writing a page may have left its temporary file behind: swept once a
  // run, as ProcessDays does for a process run.
  RemoveStaleTemporaries(place.output_folder);
  if (index_page) {
    if (!ListFolder(place.output_folder, kDayPagePattern, &result->output_names, &failure)) {
      return StopRun(result, RunStage::kListing, failure);
    }
    result->output_listed = true;
  }
  if (settings.site) {
    RunListing input(place.input_folder, kBoxscorePattern, place.input_names);
    const std::vector<std::string>* input_names = input.Get(&failure);
    if (input_names == nullptr) return StopRun(result, RunStage::kListing, failure);
    if (!WriteSitePages(place, settings, *input_names, events, result)) return false;
  }
  if (index_page && !WriteMonthIndex(place, settings, result->output_names, events, result)) {
    return false;
  }
  result->done = true;
  return true;
}

}  // namespace gamefold
