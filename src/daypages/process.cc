#include "daypages/process.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "core/game_day.h"
#include "core/platform_files.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/day_page.h"
#include "daypages/day_reader.h"
#include "daypages/page_writer.h"

namespace gamefold {

namespace {

// 53, "File not found": the day's boxscores are not in the input folder.
constexpr int kNoBoxscoreNumber = 53;

// A day whose boxscores are not there (a mistyped key, a day listed for another folder, a day
// of another year) would get a page without games, over a good page perhaps: it is a failure.
Failure NoBoxscore(std::string_view key, const std::string& input_folder) {
  Failure failure;
  failure.number = kNoBoxscoreNumber;
  failure.description = "no boxscore of " + std::string(key) + " in " + input_folder;
  failure.path = input_folder;
  return failure;
}

// The neighbours of key among the site's days.
SiteLinks LinksOf(const std::vector<std::string>& days, std::string_view key) {
  SiteLinks links;
  auto at = std::lower_bound(days.begin(), days.end(), key);
  if (at != days.begin()) links.previous_key = *(at - 1);
  if (at != days.end() && *at == key) ++at;
  if (at != days.end()) links.next_key = *at;
  return links;
}

size_t PageBytesHeld(const DayWork& day) { return day.page.capacity() + day.old_page.capacity(); }

void ReleasePages(DayWork* day) {
  day->page = std::string();
  day->old_page = std::vector<char>();
}

// What building the day told as it went, in a run on one thread: the files read, the page.
void TellBuilt(const DayWork& day, const ProcessEvents& events) {
  if (events.reading_file) {
    for (size_t i = 0; i < day.files_read; ++i) events.reading_file(day.names[i]);
  }
  if (day.opened && events.page_opened) events.page_opened(day.key);
}

void TellPlaced(std::string_view key, bool changed, size_t games, const ProcessEvents& events) {
  if (events.page_result) events.page_result(key, changed);
  if (events.day_done) events.day_done(key, games);
}

// Tells how the day ended once it is placed or has failed; false, with err, when it failed.
bool TellEnd(const DayWork& day, const ProcessEvents& events, Failure* err) {
  if (day.placed) {
    TellPlaced(day.key, day.changed, day.names.size(), events);
    return true;
  }
  *err = day.failure;
  if (events.day_failed) events.day_failed(day.key, *err);
  return false;
}

}  // namespace

std::vector<std::vector<std::string>> FilesOfDays(std::span<const std::string> input_names,
                                                  std::span<const std::string> keys) {
  std::vector<std::vector<std::string>> files(keys.size());
  // Each name's day is looked up once: a season's listing scanned for each of its days would
  // cost more than reading it.
  std::unordered_map<std::string_view, std::vector<size_t>> places;
  for (size_t k = 0; k < keys.size(); ++k) {
    // A name or key shorter than eight bytes never matches.
    if (keys[k].size() == kDayKeyLength) places[keys[k]].push_back(k);
  }
  for (const std::string& name : input_names) {
    auto found = places.find(DayKeyOf(name));
    if (found == places.end()) continue;
    for (size_t k : found->second) files[k].push_back(name);
  }
  return files;
}

std::vector<std::string> DayFiles(std::span<const std::string> input_names, std::string_view key) {
  const std::string keys[] = {std::string(key)};
  return std::move(FilesOfDays(input_names, keys).front());
}

size_t CountGames(std::span<const std::string> input_names, std::span<const std::string> keys) {
  size_t games = 0;
  for (const std::vector<std::string>& names : FilesOfDays(input_names, keys)) {
    games += names.size();
  }
  return games;
}

// Reads the day's boxscores, in order, into the first games: from the reader's buffers where
// they were read ahead.
bool DayProcessor::ReadDay(const ProcessJob& job, ReadAhead* ahead, DayWork* day,
                           const ProcessEvents* live) {
  const std::vector<std::string>& names = day->names;
  if (games_.size() < names.size()) games_.resize(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    day->files_read = i + 1;
    if (live != nullptr && live->reading_file) live->reading_file(names[i]);
    Game& game = games_[i];
    if (ahead != nullptr) {
      if (i == ahead->failed_at) {
        day->failure = ahead->failure;
        return false;
      }
      // The read buffer goes back to the reader for a later day.
      game.text.swap(ahead->texts[i]);
    } else if (!ReadFileOfFolder(job.input_folder, names[i], &game.text, &day->failure)) {
      return false;
    }
    FillGame(&game, job.content_choice, names[i]);
  }
  return true;
}

// Builds the page of key into day->page, with what the day has to tell; live, where given,
// hears it as it happens.
void DayProcessor::BuildDay(const ProcessJob& job, std::string_view key, ReadAhead* ahead,
                            DayWork* day, const ProcessEvents* live) {
  day->key = key;
  day->files_read = 0;
  day->opened = day->built = false;
  day->placed = day->changed = false;
  if (ahead != nullptr) {
    day->names.swap(ahead->names);
  } else {
    day->names = DayFiles(job.input_names, key);
  }
  if (day->names.empty()) {
    day->failure = NoBoxscore(key, job.input_folder);
    return;
  }
  if (!ReadDay(job, ahead, day, live)) return;
  day->opened = true;
  if (live != nullptr && live->page_opened) live->page_opened(key);
  day->page.clear();
  std::optional<SiteLinks> links;
  if (job.site_days != nullptr) links = LinksOf(*job.site_days, key);
  WriteDayPage(&day->page, key, std::span<const Game>(games_.data(), day->names.size()),
               links ? &*links : nullptr);
  DeclareCharset(&day->page, job.charset);
  day->built = true;
}

// Memory freed after a day may go back to the system, and faulting it in again for the next
// page costs more than building the page; so the games' buffers and the page are kept, unless
// a large day made them large.
void DayProcessor::ReleaseIfLarge() {
  size_t bytes = PageBytesHeld(day_);
  for (const Game& game : games_) {
    bytes += game.text.capacity() + game.pieces.capacity() * sizeof(std::string_view);
  }
  if (bytes > kMostKeptBytes) {
    games_ = std::vector<Game>();
    ReleasePages(&day_);
  }
}

bool DayProcessor::ProcessDay(const ProcessJob& job, std::string_view key,
                              const ProcessEvents& events, Failure* err) {
  BuildDay(job, key, nullptr, &day_, &events);
  PlaceDayPage(job.output_folder, nullptr, &day_);
  bool done = TellEnd(day_, events, err);
  ReleaseIfLarge();
  return done;
}

bool DayProcessor::PageDiffers(const ProcessJob& job, std::string_view key, bool* differs,
                               Failure* err) {
  BuildDay(job, key, nullptr, &day_, nullptr);
  bool built = day_.built;
  if (built) {
    std::string path = JoinPath(job.output_folder, DayPageName(key));
    *differs = !FileHoldsBytes(path, day_.page, &day_.old_page);
  } else {
    *err = day_.failure;
  }
  ReleaseIfLarge();
  return built;
}

size_t DayProcessor::ProcessDays(const ProcessJob& job, std::span<const std::string> keys,
                                 const ProcessEvents& events, Failure* err) {
  // A run killed while writing a page may have left its temporary file behind.
  RemoveStaleTemporaries(job.output_folder);
  size_t done = 0;
  if (keys.size() < 2 && !job.durable) {
    while (done < keys.size() && ProcessDay(job, keys[done], events, err)) ++done;
    return done;
  }
  return ProcessDaysAhead(job, keys, events, err);
}

size_t DayProcessor::ProcessDaysAhead(const ProcessJob& job, std::span<const std::string> keys,
                                      const ProcessEvents& events, Failure* err) {
  struct Staged {
    bool changed = false;
    size_t games = 0;
  };
  std::vector<Staged> staged;  // a durable run's days, told done once committed
  DurableBatch batch;          // outlives the writer that stages into it
  size_t done = 0;
  bool failed = false;
  {
    DayReader reader(job, keys);
    PageWriter writer(job.output_folder, job.durable ? &batch : nullptr);
    // Tells a day the writer is done with; nothing more once a day has failed. A durable day's
    // end waits for the commit.
    auto settle = [&](const DayWork* day) {
      if (failed) return;
      TellBuilt(*day, events);
      if (!job.durable) {
        failed = !TellEnd(*day, events, err);
        done += failed ? 0 : 1;
        return;
      }
      failed = !day->placed;
      if (failed) *err = day->failure;
      if (!failed) staged.push_back({day->changed, day->names.size()});
    };
    for (size_t k = 0; k < keys.size() && !failed; ++k) {
      while (writer.Full()) settle(writer.Finished(true));
      if (failed) break;
      DayWork* day = writer.Next();
      if (PageBytesHeld(*day) > kMostKeptBytes) ReleasePages(day);
      ReadAhead* ahead = reader.Next();
      BuildDay(job, keys[k], ahead, day, nullptr);
      reader.Done(ahead);
      ReleaseIfLarge();
      bool built = day->built;
      writer.Write();
      while (const DayWork* ready = writer.Finished(false)) settle(ready);
      // The reader reads nothing after a day it could not read.
      if (!built) break;
    }
    while (const DayWork* rest = writer.Finished(true)) settle(rest);
  }
  if (!job.durable) return done;
  // A failure while building or staging keeps the days before it, as without durability; one
  // while committing ends the days at the first page that is not in place.
  Failure commit_failure;
  size_t to_commit = batch.staged();
  size_t committed = batch.Commit(&commit_failure);
  for (size_t placed = 0; done < staged.size(); ++done) {
    if (staged[done].changed && placed++ == committed) break;
  }
  if (committed < to_commit) {
    failed = true;
    *err = commit_failure;
  }
  for (size_t i = 0; i < done; ++i) TellPlaced(keys[i], staged[i].changed, staged[i].games, events);
  if (failed && done < keys.size() && events.day_failed) events.day_failed(keys[done], *err);
  return done;
}

}  // namespace gamefold
