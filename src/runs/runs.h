#pragma once

// The runs that write into an output folder, one rule for the window and gamefold-batch alike:
// take the folder's lock, choose and write the days, list the folder again, rebuild the
// catalogue, write the site's pages and the month index. A run tells what happens through its
// events and its result; what the user sees of it is the front end's business.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "core/content_choice.h"
#include "core/failure.h"
#include "core/folder_lock.h"
#include "daypages/process.h"
#include "site/site.h"

namespace gamefold {

/// How the pages a run writes look and land.
struct OutputSettings {
  ContentChoice content_choice = ContentChoice::kBoxscores;
  std::string charset = {};  // declared in every page written, when not empty
  bool durable = false;      // pages reach the disk before they are reported written
  bool site = false;         // the standings and team pages, and the day pages' links
};

/// Where a run reads and writes, and how it meets another writer of the output folder.
struct RunPlace {
  std::string input_folder;
  std::string output_folder;
  double lock_wait_seconds = 60;
  /// Runs once before the wait begins, only when another writer holds the lock.
  std::function<void()> waiting = {};
  /// The caller holds the output folder's lock already (for several runs, or for publishing
  /// after one), so the run takes none.
  bool lock_held = false;
  /// The input folder's "*.BOX" names as the caller holds them, or null: the run lists them.
  const std::vector<std::string>* input_names = nullptr;
};

/// Which days a process run writes.
enum class DayChoice {
  kGiven,    // the keys given, in their order; a day without boxscores fails
  kSettled,  // the keys given that still have boxscores: a day whose files all went keeps its page
  kAll,      // every day that has boxscores
  kNew,      // the days the catalogue lists as without a page, of the first boxscore's year
};

/// When a process run writes the month index after its days.
enum class IndexChoice { kNever, kAlways, kWhenWritten };

/// What a process run does beyond its place and settings.
struct ProcessRequest {
  DayChoice days = DayChoice::kNew;
  std::vector<std::string> keys = {};  // kGiven, kSettled
  IndexChoice index = IndexChoice::kNever;
  /// The output folder's day page names before the run as the caller holds them, or null: the
  /// run lists them when it needs them (kNew, the site's neighbours).
  const std::vector<std::string>* output_names = nullptr;
};

/// The days a process run chose, told before any is written.
struct ChosenDays {
  std::vector<std::string> keys;  // then the site's neighbours of them, before they are written
  /// kNew: the rebuild that listed the days, when it let the run go on (kListed, kNoBoxscores).
  std::optional<CatalogueResult> catalogue;
  /// kNew: the first boxscore's year, and the other years of boxscores, left out.
  std::string year;
  std::vector<std::string> other_years;
  bool no_boxscores = false;  // kAll: the input folder holds no boxscore
};

/// What a run tells as it goes. Every member may be left empty.
struct RunEvents {
  std::function<void(const ChosenDays& days)> chosen;
  /// Before the first day is written: every day to write, the site's neighbours after the
  /// chosen days, and the input folder's names.
  std::function<void(std::span<const std::string> keys, std::span<const std::string> input_names)>
      writing;
  ProcessEvents day;                                    // each day as it is written
  std::function<void(size_t days_done)> days_ended;     // when the writing of days stopped
  std::function<void(const CatalogueResult&)> rebuilt;  // the catalogue after the days
  std::function<void(const SiteResult&)> site;          // the site's pages, also when one failed
  std::function<void(const std::string& path, bool written)> index;  // the month index
};

/// Where a run stopped.
enum class RunStage { kNone, kLock, kListing, kDays, kCatalogue, kSite, kIndex };

/// What a run did.
struct RunResult {
  bool done = false;
  RunStage failed_at = RunStage::kNone;
  Failure failure;              // why the run stopped
  std::string failed_day = {};  // the day that failed, when one did
  size_t days_done = 0;
  /// The output folder's day page names once the days were written (listed also after a day
  /// failed: the days before it have their pages), when the listing succeeded.
  bool output_listed = false;
  std::vector<std::string> output_names = {};
  /// The catalogue rebuilt from that listing.
  std::optional<CatalogueResult> catalogue = {};
  /// What failed after the run had stopped at a day: listing the folder again.
  std::vector<Failure> later_failures = {};
  bool wrote = false;  // some page was written rather than left as it was
};

/// Takes the output folder's lock for a run, unless place says the caller holds it.
[[nodiscard]] bool LockOutput(const RunPlace& place, FolderLock* lock, Failure* err);

/// Writes the days request chooses with processor (the caller's: its buffers serve run after
/// run), then lists the output folder again, rebuilds the catalogue and writes the site's pages
/// and the index as asked. Stops at the first failure; the days before it keep their pages.
[[nodiscard]] bool ProcessRun(const RunPlace& place, const OutputSettings& settings,
                              const ProcessRequest& request, DayProcessor* processor,
                              const RunEvents& events, RunResult* result);

/// Writes the site's pages when settings ask for them, then the month index from the pages in
/// the output folder when index_page; false at the first failure.
[[nodiscard]] bool IndexRun(const RunPlace& place, const OutputSettings& settings,
                            bool index_page, const RunEvents& events, RunResult* result);

/// Every day that has boxscores: the game-day keys that begin the names, each once, in order.
std::vector<std::string> DaysWithBoxscores(std::span<const std::string> input_names);

/// False, with the failure, when a rebuild that chooses days must stop the run: after its error
/// exit, or when the first boxscore name is not 17 characters long, which lists nothing although
/// boxscores wait and must not pass for a run with nothing to do.
[[nodiscard]] bool CatalogueLetsRunGo(const CatalogueResult& result,
                                      const std::string& input_folder,
                                      std::string_view first_input_name, Failure* err);

}  // namespace gamefold
