#include "daypages/process.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "core/game_day.h"
#include "core/platform_files.h"
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

struct ReadAhead {
  std::vector<std::string> names;
  // One per name read, in order: its text read and its kept pieces found.
  std::vector<Game> games;
  size_t failed_at = SIZE_MAX;  // the name whose read failed, if any
  Failure failure;
  // Where the caller was still busy with the day before when this day's boxscores were in, the
  // reader went on with the day: it read the day's page as the output folder held it, to be
  // compared with the new one only when no page of the same day is written in between, and it
  // built the new page.
  bool page_ahead = false;
  bool page_read = false;
  std::vector<char> page;
  bool built = false;
  std::string built_page;
};

namespace {

// The page of key from its games, as ProcessDay writes it.
void BuildPageText(const ProcessJob& job, std::string_view key, std::span<const Game> games,
                   std::string* page) {
  page->clear();
  std::optional<SiteLinks> links;
  if (job.site_days != nullptr) links = LinksOf(*job.site_days, key);
  WriteDayPage(page, key, games, links ? &*links : nullptr);
  DeclareCharset(page, job.charset);
}

// Reads the days' boxscores one day ahead on a thread of its own, while the caller builds and
// writes the page of the day before: one core reads, the other builds. Which side is the slower
// depends on the machine and on the run (a fresh run writes every page, a run over current pages
// reads them all), so the work between reading and writing goes to whichever side is free: when
// the caller has not yet taken the day before, the reader builds the day's page too. Only the
// caller's thread tells events, so that they come in the order of a run without it; a read that
// failed is told when its day comes, after the days before it are done.
class DayReader {
 public:
  using Day = ReadAhead;

  DayReader(const ProcessJob& job, std::span<const std::string> keys) : job_(job), keys_(keys) {
    thread_ = std::thread([this] { Run(); });
  }
  ~DayReader() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  DayReader(const DayReader&) = delete;
  DayReader& operator=(const DayReader&) = delete;

  /// Waits for the next day's read and hands it over; Done gives back its buffers.
  Day* Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty(); });
    Day* day = ready_.front();
    ready_.pop_front();
    ready_count_.store(ready_.size(), std::memory_order_release);
    return day;
  }
  void Done(Day* day) {
    std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(day);
    changed_.notify_all();
  }

 private:
  // Days' buffers in turn: one read into here, one read from by the caller, and one more that
  // lets either side run ahead for a day when the other is held up.
  static constexpr size_t kDays = 3;

  void Run() {
    Day days[kDays];
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (Day& day : days) spare_.push_back(&day);
    }
    for (size_t k = 0; k < keys_.size(); ++k) {
      const std::string& key = keys_[k];
      Day* filling = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return stop_ || !spare_.empty(); });
        if (stop_) return;
        filling = spare_.front();
        spare_.pop_front();
      }
      // The buffers of a large day are not kept for the next, as the processor's are not.
      size_t held = filling->page.capacity() + filling->built_page.capacity();
      for (const Game& game : filling->games) held += game.text.capacity();
      if (held > kMostKept) {
        filling->games = std::vector<Game>();
        filling->page = std::vector<char>();
        filling->built_page = std::string();
      }
      filling->names = DayFiles(job_.input_names, key);
      filling->failed_at = SIZE_MAX;
      if (filling->games.size() < filling->names.size()) {
        filling->games.resize(filling->names.size());
      }
      for (size_t i = 0; i < filling->names.size(); ++i) {
        Game& game = filling->games[i];
        if (!ReadFileOfFolder(job_.input_folder, filling->names[i], &game.text,
                              &filling->failure)) {
          filling->failed_at = i;
          break;
        }
        FillGame(&game, job_.content_choice, filling->names[i]);
      }
      bool failed = filling->failed_at != SIZE_MAX;
      bool caller_busy = ready_count_.load(std::memory_order_acquire) > 0;
      filling->built = !failed && !filling->names.empty() && caller_busy;
      // The days still held in the other buffers may not have their pages yet: a day asked
      // again among them has its page read when it comes.
      bool again = false;
      for (size_t back = 1; back < kDays && back <= k; ++back) again |= keys_[k - back] == key;
      filling->page_ahead = filling->built && !again;
      if (filling->page_ahead) {
        int errnum = 0;
        std::string path = JoinPath(job_.output_folder, DayPageName(key));
        filling->page_read = platform::ReadFileBytes(path, &filling->page, &errnum);
      }
      if (filling->built) {
        BuildPageText(job_, key,
                      std::span<const Game>(filling->games.data(), filling->names.size()),
                      &filling->built_page);
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        ready_.push_back(filling);
        ready_count_.store(ready_.size(), std::memory_order_release);
      }
      changed_.notify_all();
      // The run stops at a failed day: nothing after it is read.
      if (failed) break;
    }
    // Stay until the caller has given back the days it holds, which live here.
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stop_; });
  }

  const ProcessJob& job_;
  std::span<const std::string> keys_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Day*> ready_;  // read, waiting for the caller, in order
  std::deque<Day*> spare_;  // given back by the caller, to read into next
  // The size of ready_, read without the lock to tell whether the caller is behind.
  std::atomic<size_t> ready_count_{0};
  bool stop_ = false;
  std::thread thread_;
};

// Starts *reader on its thread; leaves it empty where no thread can be had (a user's process
// limit reached), and the days are then read on the caller's thread, one at a time.
void StartReader(std::optional<DayReader>* reader, const ProcessJob& job,
                 std::span<const std::string> keys) {
  try {
    reader->emplace(job, keys);
  } catch (const std::system_error&) {
    reader->reset();
  }
}

// Whether the file at path holds exactly page: told by the copy read ahead where there is one.
bool HoldsPage(const std::string& path, std::string_view page, const ReadAhead* ahead,
               std::vector<char>* buffer) {
  if (ahead == nullptr || !ahead->page_ahead) return FileHoldsBytes(path, page, buffer);
  return ahead->page_read && std::string_view(ahead->page.data(), ahead->page.size()) == page;
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
                           const ProcessEvents& events, ReadAhead* ahead, Failure* err) {
  if (games_.size() < names.size()) games_.resize(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (events.reading_file) events.reading_file(names[i]);
    Game& game = games_[i];
    if (ahead != nullptr) {
      if (i == ahead->failed_at) {
        *err = ahead->failure;
        return false;
      }
      // The game comes here to be built into the page, unless the reader built it; this side's
      // buffers go back to the reader for a later day.
      if (!ahead->built) std::swap(game, ahead->games[i]);
      continue;
    }
    if (!ReadFileOfFolder(job.input_folder, names[i], &game.text, err)) return false;
    FillGame(&game, job.content_choice, names[i]);
  }
  return true;
}

// Builds the page of key into page_; *games is the number of its games.
bool DayProcessor::BuildPage(const ProcessJob& job, std::string_view key,
                             const ProcessEvents& events, ReadAhead* ahead, size_t* games,
                             Failure* err) {
  std::vector<std::string> own_names;
  if (ahead == nullptr) own_names = DayFiles(job.input_names, key);
  const std::vector<std::string>& names = ahead != nullptr ? ahead->names : own_names;
  *games = names.size();
  if (names.empty()) {
    *err = NoBoxscore(key, job.input_folder);
    return false;
  }
  if (!ReadDay(job, names, events, ahead, err)) return false;
  if (events.page_opened) events.page_opened(key);
  if (ahead != nullptr && ahead->built) {
    page_.swap(ahead->built_page);
  } else {
    BuildPageText(job, key, std::span<const Game>(games_.data(), names.size()), &page_);
  }
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
  return ProcessDayRead(job, key, events, nullptr, err);
}

bool DayProcessor::ProcessDayRead(const ProcessJob& job, std::string_view key,
                                  const ProcessEvents& events, ReadAhead* ahead, Failure* err) {
  size_t games = 0;
  bool changed = false;
  std::string path = JoinPath(job.output_folder, DayPageName(key));
  // A page already holding the same bytes is not touched at all (see ReplaceFileIfChanged).
  bool done = BuildPage(job, key, events, ahead, &games, err);
  if (done && !HoldsPage(path, page_, ahead, &compared_)) {
    done = WriteFileAtomically(path, page_, err);
    changed = done;
  }
  ReleaseIfLarge();
  if (done && events.page_result) events.page_result(key, changed);
  if (done && events.day_done) events.day_done(key, games);
  if (!done && events.day_failed) events.day_failed(key, *err);
  return done;
}

bool DayProcessor::PageDiffers(const ProcessJob& job, std::string_view key, bool* differs,
                               Failure* err) {
  size_t games = 0;
  bool built = BuildPage(job, key, {}, nullptr, &games, err);
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
  std::optional<DayReader> reader;
  if (keys.size() >= 2) StartReader(&reader, job, keys);
  if (!reader) {
    while (done < keys.size() && ProcessDay(job, keys[done], events, err)) ++done;
    return done;
  }
  while (done < keys.size()) {
    ReadAhead* ahead = reader->Next();
    bool day_done = ProcessDayRead(job, keys[done], events, ahead, err);
    reader->Done(ahead);
    if (!day_done) break;
    ++done;
  }
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
  std::optional<DayReader> reader;
  StartReader(&reader, job, keys);
  for (const std::string& key : keys) {
    Built day;
    std::string path = JoinPath(job.output_folder, DayPageName(key));
    ReadAhead* ahead = reader ? reader->Next() : nullptr;
    failed = !BuildPage(job, key, events, ahead, &day.games, err);
    if (!failed) {
      day.changed = !HoldsPage(path, page_, ahead, &compared_);
      failed = day.changed && !batch.Stage(path, page_, err);
    }
    if (reader) reader->Done(ahead);
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
