#include "daypages/process.h"

#include "core/game_day.h"
#include "core/text_file.h"
#include "daypages/day_page.h"

namespace gamefold {

namespace {

// Beyond this, a day's buffers are given back rather than kept for the next day.
constexpr size_t kMostKept = size_t{16} << 20;

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
  size_t bytes = page_.capacity();
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
    if (!ReadWholeFile(JoinPath(job.input_folder, names[i]), &game.text, err)) return false;
    FillGame(&game, job.content_choice, names[i]);
  }
  return true;
}

bool DayProcessor::ProcessDay(const ProcessJob& job, std::string_view key,
                              const ProcessEvents& events, Failure* err) {
  std::vector<std::string> names = DayFiles(job.input_names, key);
  bool written = ReadDay(job, names, events, err);
  if (written) {
    if (events.page_opened) events.page_opened(key);
    page_.clear();
    WriteDayPage(&page_, key, std::span<const Game>(games_.data(), names.size()));
    written = WriteFileAtomically(JoinPath(job.output_folder, DayPageName(key)), page_, err);
  }
  if (BytesHeld() > kMostKept) {
    games_ = std::vector<Game>();
    page_ = std::string();
  }
  if (written && events.day_done) events.day_done(key, names.size());
  if (!written && events.day_failed) events.day_failed(key, *err);
  return written;
}

size_t DayProcessor::ProcessDays(const ProcessJob& job, std::span<const std::string> keys,
                                 const ProcessEvents& events, Failure* err) {
  // A run killed while writing a page may have left its temporary file behind.
  RemoveStaleTemporaries(job.output_folder);
  size_t done = 0;
  while (done < keys.size() && ProcessDay(job, keys[done], events, err)) ++done;
  return done;
}

}  // namespace gamefold
