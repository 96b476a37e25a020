#pragma once

// What watch keeps between its runs: the days whose boxscores changed and must settle, the
// files' stamps where no file event tells of a change, and what failed, to be tried again.

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/platform.h"

namespace gamefold::batch {

using SteadyClock = std::chrono::steady_clock;

/// seconds as the steady clock counts them.
SteadyClock::duration Seconds(double seconds);

/// The boxscores' stamps by name, for comparing listings where file events do not arrive; a
/// file whose stamp cannot be read has the empty one.
using FileStamps = std::map<std::string, platform::FileStamp>;

/// The stamps of folder's boxscores; none when it cannot be listed.
FileStamps StampsOf(const std::string& folder);

/// Appends to *names the names that came, went or changed between before and after.
void ChangedNames(const FileStamps& before, const FileStamps& after,
                  std::vector<std::string>* names);

/// The days whose boxscores changed, each with the time of its last change: a day is due once
/// its files have stayed quiet for the settle time, so that no day is published while its
/// boxscores are still being written.
class SettlingDays {
 public:
  explicit SettlingDays(double settle_seconds) : settle_(Seconds(settle_seconds)) {}

  /// Marks the days of the boxscore names among names changed at now; other names are left.
  void Touch(const std::vector<std::string>& names, SteadyClock::time_point now);
  /// The sooner of latest and the time the next day is due.
  SteadyClock::time_point NextDue(SteadyClock::time_point latest) const;
  /// The days due at now, in order; they are no longer kept.
  std::vector<std::string> TakeDue(SteadyClock::time_point now);

 private:
  SteadyClock::duration settle_;
  std::map<std::string, SteadyClock::time_point> last_change_;
};

/// What failed in watch's runs, kept due: a day may fail for a while (its page name taken by a
/// folder, a full disk) and the host may be away, with no boxscore changing meanwhile. The first
/// retry comes three settle times after the failure (30 s by default, at least a second), each
/// next one after twice the pause before, up to ten minutes, so that a lasting fault is not
/// hammered; tests shorten it through --settle.
class Retries {
 public:
  explicit Retries(double settle_seconds);

  bool pending() const { return whole_pass_ || publish_ || !days_.empty(); }
  bool whole_pass() const { return whole_pass_; }
  const std::set<std::string>& days() const { return days_; }
  SteadyClock::time_point when() const { return when_; }
  int count() const { return failures_; }

  /// Keeps what failed due; returns the pause before the next try, as the run line tells it.
  std::string Failed(bool whole_pass, const std::vector<std::string>& days, bool publish,
                     SteadyClock::time_point now);
  void Succeeded();

 private:
  double first_pause_;
  bool whole_pass_ = false, publish_ = false;
  std::set<std::string> days_;
  int failures_ = 0;
  SteadyClock::time_point when_;
};

}  // namespace gamefold::batch
