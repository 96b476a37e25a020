#include "daypages/process.h"

#include <algorithm>

#include "core/game_day.h"
#include "core/text.h"
#include "core/text_file.h"
#include "daypages/day_page.h"

namespace gamefold {

namespace {

// Beyond this, a day's buffers are given back rather than kept for the next day.
constexpr size_t kMostKept = size_t{16} << 20;

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

}  // namespace

std::vector<std::string> DayFiles(std::span<const std::string> input_names, std::string_view key) {
  std::vector<std::string> names;
  // A name or key shorter than eight bytes never matches.
  if (key.size() != kDayKeyLength) return names;
  for (const std::string& name : input_names) {
    if (DayKeyOf(name) == key) names.push_back(name);
  }
  return names;
}

size_t CountGames(std::span<const std::string> input_names, std::span<const std::string> keys) {
  size_t games = 0;
  for (const std::string& key : keys) games += DayFiles(input_names, key).size();
  return games;
}

// Memory freed after a day may go back to the system, and faulting it in again for the next
// page costs more than building the page; so the games' buffers and the page are kept.
size_t DayProcessor::BytesHeld() const {
  size_t bytes = page_.capacity() + compared_.capacity();
  for (const Game& game : games_) {
    bytes += game.text.capacity() + game.pieces.capacity() * sizeof(std::string_view);
  }
  return bytes;
}

// Reads the day's boxscores, in order, into the first games.
bool DayProcessor::ReadDay(const ProcessJob& job, const std::vector<std::string>& names,
                           const ProcessEvents& events, Failure* err) {
  if (games_.size() < names.size()) games_.resize(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (events.reading_file) events.reading_file(names[i]);
    Game& game = games_[i];
    if (!ReadFileOfFolder(job.input_folder, names[i], &game.text, err)) return false;
    FillGame(&game, job.content_choice, names[i]);
  }
  return true;
}

// Builds the page of key into page_; *games is the number of its games.
bool DayProcessor::BuildPage(const ProcessJob& job, std::string_view key,
                             const ProcessEvents& events, size_t* games, Failure* err) {
  std::vector<std::string> names = DayFiles(job.input_names, key);
  *games = names.size();
  if (names.empty()) {
    *err = NoBoxscore(key, job.input_folder);
    return false;
  }
  if (!ReadDay(job, names, events, err)) return false;
  if (events.page_opened) events.page_opened(key);
  page_.clear();
  std::optional<SiteLinks> links;
  if (job.site_days != nullptr) links = LinksOf(*job.site_days, key);
  WriteDayPage(&page_, key, std::span<const Game>(games_.data(), names.size()),
               links ? &*links : nullptr);
  DeclareCharset(&page_, job.charset);
  return true;
}

void DayProcessor::ReleaseIfLarge() {
  if (BytesHeld() > kMostKept) {
    games_ = std::vector<Game>();
    page_ = std::string();
    compared_ = std::vector<char>();
  }
}

bool DayProcessor::ProcessDay(const ProcessJob& job, std::string_view key,
                              const ProcessEvents& events, Failure* err) {
  size_t games = 0;
  bool changed = false;
  bool done = BuildPage(job, key, events, &games, err) &&
              ReplaceFileIfChanged(JoinPath(job.output_folder, DayPageName(key)), page_, &changed,
                                   err, &compared_);
  ReleaseIfLarge();
  if (done && events.page_result) events.page_result(key, changed);
  if (done && events.day_done) events.day_done(key, games);
  if (!done && events.day_failed) events.day_failed(key, *err);
  return done;
}

bool DayProcessor::PageDiffers(const ProcessJob& job, std::string_view key, bool* differs,
                               Failure* err) {
  size_t games = 0;
  bool built = BuildPage(job, key, {}, &games, err);
  if (built) {
    *differs = !FileHoldsBytes(JoinPath(job.output_folder, DayPageName(key)), page_, &compared_);
  }
  ReleaseIfLarge();
  return built;
}

size_t DayProcessor::ProcessDays(const ProcessJob& job, std::span<const std::string> keys,
                                 const ProcessEvents& events, Failure* err) {
  // A run killed while writing a page may have left its temporary file behind.
  RemoveStaleTemporaries(job.output_folder);
  if (job.durable) return ProcessDaysDurably(job, keys, events, err);
  size_t done = 0;
  while (done < keys.size() && ProcessDay(job, keys[done], events, err)) ++done;
  return done;
}

size_t DayProcessor::ProcessDaysDurably(const ProcessJob& job, std::span<const std::string> keys,
                                        const ProcessEvents& events, Failure* err) {
  struct Built {
    size_t games = 0;
    bool changed = false;
  };
  std::vector<Built> built;
  DurableBatch batch;
  bool failed = false;
  for (const std::string& key : keys) {
    Built day;
    std::string path = JoinPath(job.output_folder, DayPageName(key));
    failed = !BuildPage(job, key, events, &day.games, err);
    if (!failed) {
      day.changed = !FileHoldsBytes(path, page_, &compared_);
      failed = day.changed && !batch.Stage(path, page_, err);
    }
    ReleaseIfLarge();
    if (failed) break;
    built.push_back(day);
  }
  // A failure while building keeps the days before it, as without durability; one while
  // committing ends the days at the first page that is not in place.
  Failure commit_failure;
  size_t staged = batch.staged();
  size_t committed = batch.Commit(&commit_failure);
  size_t done = 0;
  for (size_t placed = 0; done < built.size(); ++done) {
    if (built[done].changed && placed++ == committed) break;
  }
  if (committed < staged) {
    failed = true;
    *err = commit_failure;
  }
  for (size_t i = 0; i < done; ++i) {
    if (events.page_result) events.page_result(keys[i], built[i].changed);
    if (events.day_done) events.day_done(keys[i], built[i].games);
  }
  if (failed && done < keys.size() && events.day_failed) events.day_failed(keys[done], *err);
  return done;
}

}  // namespace gamefold
