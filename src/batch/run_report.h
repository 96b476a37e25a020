#pragma once

#include <string>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// What one run of gamefold-batch did, for --report json.
struct RunReport {
  std::string command;                      // "process", "index", "watch" or "publish"
  std::vector<std::string> days = {};       // keys whose page was made, in order
  std::vector<std::string> written = {};    // paths of the files replaced
  std::vector<std::string> unchanged = {};  // paths of the files that already held their bytes
  std::vector<Failure> failures = {};
  /// process and watch: the years of boxscores whose days were left out because the days were
  /// taken from the catalogue, which lists the first name's year only; --all publishes them.
  std::vector<std::string> unpublished_years = {};
  /// With the league's site: how many of its pages the run settled, and the boxscores that its
  /// standings leave out, their line score unreadable.
  bool site = false;
  size_t site_pages = 0;
  std::vector<std::string> uncounted = {};
  std::string destination = {};           // where the run published, when it did
  bool dry_run = false;                   // publish --dry-run: sent lists what would go
  std::vector<std::string> sent = {};     // files of the output folder sent to destination
  std::vector<std::string> current = {};  // files destination already held
  std::vector<std::string> skipped = {};  // files of the output folder publish would not send
};

/// The report as one line of JSON. A name that is not valid UTF-8 becomes an object
/// {"hex": its bytes in hex, "text": the name with U+FFFD for each bad byte}, so that a script
/// recovers the exact bytes; every other name is a plain string.
std::string ReportJson(const RunReport& report);

}  // namespace gamefold
