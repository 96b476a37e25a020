#include "daypages/process.h"

#include "core/game_day.h"
#include "core/text_file.h"
#include "daypages/boxscore.h"
#include "daypages/day_page.h"

namespace gamefold {

namespace {

constexpr size_t kKeyLength = 8;

// What ProcessDay keeps from one day to the next. Memory freed after a day may go back to the
// system, and faulting it in again for the next page costs more than building the page; so the
// games' buffers and the page are reused. The window and the batch program each run their
// days from one thread.
struct Workspace {
  std::vector<Game> games;  // the day's games first; any after them only lend their buffers
  std::string page;
};

// Beyond this, a day's buffers are given back rather than kept for the next day.
constexpr size_t kMostKept = size_t{16} << 20;

size_t BytesHeld(const Workspace& workspace) {
  size_t bytes = workspace.page.capacity();
  for (const Game& game : workspace.games) {
    bytes += game.text.capacity() + game.pieces.capacity() * sizeof(std::string_view);
  }
  return bytes;
}

// Reads the day's boxscores, in order, into the first games of the workspace.
bool ReadDay(const std::string& input_folder, const std::vector<std::string>& names,
             int content_choice, const ProcessEvents& events, Workspace* workspace, Failure* err) {
  if (workspace->games.size() < names.size()) workspace->games.resize(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (events.reading_file) events.reading_file(names[i]);
    Game& game = workspace->games[i];
    if (!ReadWholeFile(JoinPath(input_folder, names[i]), &game.text, err)) return false;
    FillGame(&game, content_choice, names[i]);
  }
  return true;
}

}  // namespace

std::string_view DayKeyOf(std::string_view entry) { return entry.substr(0, kKeyLength); }

std::vector<std::string> DayFiles(const std::vector<std::string>& input_names,
                                  std::string_view key) {
  std::vector<std::string> names;
  // A name or key shorter than eight bytes never matches.
  if (key.size() != kKeyLength) return names;
  for (const std::string& name : input_names) {
    if (name.size() >= kKeyLength && std::string_view(name).substr(0, kKeyLength) == key) {
      names.push_back(name);
    }
  }
  return names;
}

bool ProcessDay(const std::string& input_folder, const std::vector<std::string>& input_names,
                const std::string& output_folder, std::string_view key, int content_choice,
                const ProcessEvents& events, Failure* err) {
  std::string page_path = JoinPath(output_folder, DayPageName(key));
  std::vector<std::string> names = DayFiles(input_names, key);
  thread_local Workspace workspace;
  bool written = ReadDay(input_folder, names, content_choice, events, &workspace, err);
  if (written) {
    if (events.page_opened) events.page_opened(key);
    workspace.page.clear();
    WriteDayPage(&workspace.page, key, std::span<const Game>(workspace.games.data(), names.size()));
    written = WriteFileAtomically(page_path, workspace.page, err);
  }
  if (BytesHeld(workspace) > kMostKept) workspace = Workspace();
  return written;
}

}  // namespace gamefold
