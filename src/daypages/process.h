#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/content_choice.h"
#include "core/failure.h"
#include "daypages/boxscore.h"

namespace gamefold {

/// The boxscore names of a day: those whose first 8 bytes equal key, in listing order.
std::vector<std::string> DayFiles(std::span<const std::string> input_names, std::string_view key);

/// The days' games all told: how many boxscores DayFiles gives for each key.
size_t CountGames(std::span<const std::string> input_names, std::span<const std::string> keys);

/// What a run of "&PROCESS" works on. The names are a view of the caller's listing.
struct ProcessJob {
  std::string input_folder;
  std::span<const std::string> input_names;  // the input folder's "*.BOX" names, listing order
  std::string output_folder;
  ContentChoice content_choice = ContentChoice::kBoxscores;
  std::string charset = {};  // declared in the page's head when not empty (IsCharsetName)
  bool durable = false;      // ProcessDays: pages reach the disk before they are reported done
  /// With the league's site: the sorted keys of the days that have pages, for each page's links
  /// to its neighbours. Null without the site.
  const std::vector<std::string>* site_days = nullptr;
};

/// What a run tells its caller as it goes, for the trace log and the progress display. Every
/// member may be left empty.
struct ProcessEvents {
  /// Before a boxscore file is read: its bare name.
  std::function<void(const std::string& file_name)> reading_file;
  /// When the day's page is about to be written: the key.
  std::function<void(std::string_view key)> page_opened;
  /// When the day's page is in place, before day_done: whether it was written, or left
  /// untouched because the file already held the same bytes.
  std::function<void(std::string_view key, bool written)> page_result;
  /// When the day's page is in place: the key and the number of its games.
  std::function<void(std::string_view key, size_t games)> day_done;
  /// When a day failed and the run stops there: the key and the cause (also in *err).
  std::function<void(std::string_view key, const Failure& failure)> day_failed;
};

/// A day's boxscores read ahead on a thread of their own while the day before is written.
struct ReadAhead;

/// Writes day pages. Owns the buffers that one day leaves to the next (about one day's files
/// and page), so one processor kept for a run, or for the program's life, spares allocating
/// and faulting them in again for every page.
class DayProcessor {
 public:
  /// Writes the page of key: reads the day's boxscores (DayFiles of the job's names, from the
  /// input folder), builds the page and replaces output_folder/GamesOf<key>.htm atomically,
  /// unless the file already holds the same bytes. On failure nothing is written, an existing
  /// page stays as it was, and err names the cause and the file. A day without boxscores in
  /// the job's names is a failure (53, naming the day and the input folder).
  [[nodiscard]] bool ProcessDay(const ProcessJob& job, std::string_view key,
                                const ProcessEvents& events, Failure* err);

  /// Builds the page of key as ProcessDay would and tells, without writing, whether the page
  /// in the output folder is missing or differs. False, with err, when a boxscore cannot be
  /// read or the day has none.
  [[nodiscard]] bool PageDiffers(const ProcessJob& job, std::string_view key, bool* differs,
                                 Failure* err);

  /// Removes what a killed run left in the output folder, then writes the page of every key in
  /// order, reporting each day done; the next day's boxscores are read on a second thread
  /// meanwhile (where one can be had), events all told on the caller's. Stops at the first
  /// failure, reported to day_failed and in err; the days before it keep their pages. Returns the
  /// number of days done. A durable job puts its pages in place together at the end
  /// (DurableBatch), and reports them done then.
  [[nodiscard]] size_t ProcessDays(const ProcessJob& job, std::span<const std::string> keys,
                                   const ProcessEvents& events, Failure* err);

 private:
  bool ReadDay(const ProcessJob& job, const std::vector<std::string>& names,
               const ProcessEvents& events, ReadAhead* ahead, Failure* err);
  bool BuildPage(const ProcessJob& job, std::string_view key, const ProcessEvents& events,
                 ReadAhead* ahead, size_t* games, Failure* err);
  bool ProcessDayRead(const ProcessJob& job, std::string_view key, const ProcessEvents& events,
                      ReadAhead* ahead, Failure* err);
  void ReleaseIfLarge();
  size_t ProcessDaysDurably(const ProcessJob& job, std::span<const std::string> keys,
                            const ProcessEvents& events, Failure* err);
  size_t BytesHeld() const;

  std::vector<Game> games_;  // the day's games first; any after them only lend their buffers
  std::string page_;
  std::vector<char> compared_;  // the page already in the output folder, read to compare
};

}  // namespace gamefold
