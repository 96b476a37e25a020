#pragma once

#include <string>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// One day of a run on its way from the boxscores to its page in the output folder, with what
/// the day has to tell its caller: the events are held until the page is in place (or the day
/// has failed), so that they come in day order, on the caller's thread, whichever thread read,
/// built or wrote.
struct DayWork {
  std::string key;
  std::vector<std::string> names;  // the day's boxscores, in listing order
  size_t files_read = 0;           // reading_file is owed for names[0, files_read)
  bool opened = false;             // page_opened is owed: every boxscore was read
  bool built = false;              // page holds the day's page; else failure tells why not
  std::string page;
  std::vector<char> old_page;  // the file the page replaces, read to compare them
  bool placed = false;         // the page is in place: written, staged, or already there
  bool changed = false;        // written or staged: the file did not hold the same bytes
  Failure failure;
};

}  // namespace gamefold
