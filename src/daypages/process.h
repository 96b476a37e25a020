#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// Trace texts of the "&PROCESS" command.
inline constexpr std::string_view kTraceStartingProcess = " starting process ";
inline constexpr std::string_view kTraceBackFromProcess = " back from process ";

/// Content choices, in the order the window lists them; choice n is at index n - 1.
inline constexpr std::string_view kContentChoices[] = {
    "1 - Boxscores only", "2 - Boxscores & Scoresheets", "3 - Boxscores Scoresheets & Logs"};

/// The key of a "Game Days Selected" entry: its first eight characters.
std::string_view DayKeyOf(std::string_view entry);

/// The boxscore names of a day: those whose first 8 bytes equal key, in listing order.
std::vector<std::string> DayFiles(const std::vector<std::string>& input_names,
                                  std::string_view key);

/// What ProcessDay tells its caller as it goes, for the trace log and the progress display.
struct ProcessEvents {
  /// Before a boxscore file is read: its bare name.
  std::function<void(const std::string& file_name)> reading_file;
  /// When the day's page is about to be written: the key.
  std::function<void(std::string_view key)> page_opened;
};

/// Writes the day page of key: reads the day's boxscores (by name from input_names, in
/// input_folder), builds the page and replaces output_folder/GamesOf<key>.htm atomically. On
/// failure nothing is written, an existing page stays as it was, and err names the cause and
/// the file. Keeps its buffers (about one day's files and page) for the thread's next call.
bool ProcessDay(const std::string& input_folder, const std::vector<std::string>& input_names,
                const std::string& output_folder, std::string_view key, int content_choice,
                const ProcessEvents& events, Failure* err);

}  // namespace gamefold
