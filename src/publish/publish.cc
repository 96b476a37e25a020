#include "publish/publish.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>

#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/platform_files.h"
#include "core/text.h"
#include "core/text_file.h"
#include "publish/remote_site.h"

namespace gamefold {

namespace {

constexpr std::string_view kStateHeader = "gamefold publish 1";

// FNV-1a over the bytes, beside the size: it tells a changed page from its last sent copy (any
// one changed byte changes it), which is all the state file needs, with no library for it.
std::string HashOf(std::string_view content) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (unsigned char c : content) {
    hash ^= c;
    hash *= 0x100000001b3u;
  }
  std::string hex;
  for (int shift = 60; shift >= 0; shift -= 4)
    hex.push_back("0123456789abcdef"[(hash >> shift) & 15]);
  return hex;
}

struct Sent {
  long long size = 0;
  std::string hash;
};

// What the state file says was last sent to url into *sent; empty when it speaks of another
// destination, is missing or cannot be read, so that everything is compared afresh. A line
// that makes no sense drops only itself. False when something other than a file has the state
// file's name (a FIFO, a folder): the run that follows could not record what it sent.
bool ReadState(const std::string& path, const std::string& url, std::map<std::string, Sent>* sent,
               Failure* err) {
  sent->clear();
  std::vector<char> bytes;
  if (!ReadWholeFile(path, &bytes, err)) {
    platform::EntryKind kind = platform::KindOfPath(path);
    return kind == platform::EntryKind::kMissing || kind == platform::EntryKind::kRegular;
  }
  std::vector<std::string_view> lines = SplitLines(std::string_view(bytes.data(), bytes.size()));
  if (lines.size() < 2 || lines[0] != kStateHeader || lines[1] != url) return true;
  for (size_t i = 2; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    size_t blank = line.find(' ');
    size_t second = blank == std::string_view::npos ? blank : line.find(' ', blank + 1);
    if (second == std::string_view::npos || !IsDigits(line.substr(0, blank)) || blank > 15) {
      continue;
    }
    Sent entry{std::stoll(std::string(line.substr(0, blank))),
               std::string(line.substr(blank + 1, second - blank - 1))};
    (*sent)[std::string(line.substr(second + 1))] = entry;
  }
  return true;
}

bool WriteState(const std::string& path, const std::string& url,
                const std::map<std::string, Sent>& sent, Failure* err) {
  std::string text;
  AppendLine(&text, kStateHeader);
  AppendLine(&text, url);
  for (const auto& [name, entry] : sent) {
    AppendLine(&text, std::to_string(entry.size) + " " + entry.hash + " " + name);
  }
  return WriteFileAtomically(path, text, err);
}

// A local or mounted folder: the same temporary-then-rename as the pages themselves get.
class FolderSite : public RemoteSite {
 public:
  explicit FolderSite(std::string folder) : folder_(std::move(folder)) {}

  bool SizeOf(const std::string& name, long long* size, Failure* err) override {
    std::string path = JoinPath(folder_, name);
    int errnum = 0;
    if (platform::FileSize(path, size, &errnum)) return true;
    if (errnum == ENOENT) {
      *size = -1;
      return true;
    }
    *err = FailureFromErrno(errnum, "cannot read", path);
    return false;
  }

  bool Put(const std::string& name, std::string_view content, Failure* err) override {
    int errnum = 0;
    if (!platform::MakeFolders(folder_, &errnum)) {
      *err = FailureFromErrno(errnum, "cannot make the folder", folder_);
      return false;
    }
    // A run killed while sending left its temporary files here, as in the output folder.
    if (!swept_) RemoveStaleTemporaries(folder_);
    swept_ = true;
    return WriteFileAtomically(JoinPath(folder_, name), content, err);
  }

 private:
  std::string folder_;
  bool swept_ = false;
};

}  // namespace

bool PublishedFiles(const std::string& output_folder, std::vector<std::string>* names, Failure* err,
                    std::vector<SkippedFile>* skipped) {
  names->clear();
  std::vector<std::string> listed;
  if (!ListFolder(output_folder, kDayPagePattern, &listed, err)) return false;
  for (std::string& name : listed) {
    if (!name.ends_with(".htm")) continue;
    // Only the names our writers make: whatever else is there was put there by someone else,
    // and the public site is no place to guess about it.
    if (IsPageFileName(name)) {
      names->push_back(std::move(name));
    } else if (skipped != nullptr) {
      skipped->push_back({std::move(name), "not the name of a day page"});
    }
  }
  // The league's site: its team pages by their exact pattern, its standings with the extras.
  std::string team_pattern = std::string(kTeamPagePrefix) + "*" + std::string(kDayPageSuffix);
  if (!ListFolder(output_folder, team_pattern, &listed, err)) return false;
  for (std::string& name : listed) {
    if (IsTeamPageName(name)) {
      names->push_back(std::move(name));
    } else if (skipped != nullptr && name.ends_with(kDayPageSuffix)) {
      skipped->push_back({std::move(name), "not the name of a team page"});
    }
  }
  for (std::string_view extra : {kIndexPageName, kStyleSheetName, kStandingsPageName}) {
    platform::EntryKind kind = platform::KindOfPath(JoinPath(output_folder, extra));
    if (kind != platform::EntryKind::kMissing && kind != platform::EntryKind::kFolder) {
      names->emplace_back(extra);
    }
  }
  return true;
}

namespace {

enum class Read { kDone, kSkipped, kFailed };

// Reads the output folder's file name into *bytes, never through a link and only from a
// regular file; a link or a special file is added to *skipped instead.
Read ReadPublished(const std::string& output_folder, const std::string& name,
                   std::vector<char>* bytes, std::vector<SkippedFile>* skipped, Failure* err) {
  std::string path = JoinPath(output_folder, name);
  int errnum = 0;
  if (platform::ReadFileBytes(path, bytes, &errnum, platform::Links::kRefuse)) return Read::kDone;
  if (errnum == ELOOP || errnum == EINVAL || errnum == EISDIR) {
    skipped->push_back({name, errnum == ELOOP ? "a link" : "not a regular file"});
    return Read::kSkipped;
  }
  *err = FailureFromErrno(errnum, "cannot read", path);
  return Read::kFailed;
}

}  // namespace

namespace {

// What a run has to do: each file's size and hash now, those the state file says were sent as
// they are (still to be checked on the host) and those to send.
struct Plan {
  std::map<std::string, Sent> local;
  std::vector<std::string> maybe_unchanged, to_send;
};

// Hashes the files to publish one at a time, so that a season of pages never sits in memory at
// once (each is read again when it is sent), and sorts them by what the state file says.
bool PlanRun(const std::string& output_folder, const std::vector<std::string>& names,
             const std::map<std::string, Sent>& state, Plan* plan, PublishResult* result,
             Failure* failure) {
  std::vector<char> bytes;
  for (const std::string& name : names) {
    Read read = ReadPublished(output_folder, name, &bytes, &result->skipped, failure);
    if (read == Read::kSkipped) continue;
    if (read == Read::kFailed) return false;
    std::string_view content(bytes.data(), bytes.size());
    Sent& now = plan->local[name] = {static_cast<long long>(content.size()), HashOf(content)};
    auto last = state.find(name);
    bool same =
        last != state.end() && last->second.size == now.size && last->second.hash == now.hash;
    (same ? plan->maybe_unchanged : plan->to_send).push_back(name);
  }
  return true;
}

// A copy changed or lost on the host is sent again, whatever the state file says.
bool CheckHostCopies(RemoteSite* site, Plan* plan, PublishResult* result, Failure* failure) {
  for (const std::string& name : plan->maybe_unchanged) {
    long long size = 0;
    if (!site->SizeOf(name, &size, failure)) return false;
    (size == plan->local[name].size ? result->unchanged : plan->to_send).push_back(name);
  }
  return true;
}

// Sends the files of the plan, checking each copy's size on the host; what was sent goes into
// the state. Stops at the first failure.
bool SendFiles(const std::string& output_folder, const Destination& destination,
               const PublishProgress& progress, RemoteSite* site, Plan* plan,
               std::map<std::string, Sent>* state, PublishResult* result, Failure* failure) {
  std::vector<char> bytes;
  const std::vector<std::string>& to_send = plan->to_send;
  for (size_t i = 0; i < to_send.size(); ++i) {
    const std::string& name = to_send[i];
    Read read = ReadPublished(output_folder, name, &bytes, &result->skipped, failure);
    if (read == Read::kSkipped) {
      plan->local.erase(name);
      continue;
    }
    std::string_view content(bytes.data(), bytes.size());
    long long size = 0;
    if (read != Read::kDone || !site->Put(name, content, failure) ||
        !site->SizeOf(name, &size, failure)) {
      return false;
    }
    if (size != static_cast<long long>(content.size())) {
      *failure = {kRemoteIoError,
                  "The copy of " + PrintableName(name) + " at " + destination.url + " has " +
                      std::to_string(size) + " bytes instead of " + std::to_string(content.size()),
                  name};
      return false;
    }
    // What was sent, which may be newer than what was hashed before.
    (*state)[name] = {static_cast<long long>(content.size()), HashOf(content)};
    result->sent.push_back(name);
    if (progress) progress(name, i + 1, to_send.size());
  }
  return true;
}

}  // namespace

bool Publish(const std::string& output_folder, const Destination& destination, bool dry_run,
             const PublishProgress& progress, PublishResult* result) {
  *result = PublishResult();
  Failure failure;
  std::vector<std::string> names;
  std::map<std::string, Sent> state;
  std::string state_path = JoinPath(output_folder, kPublishStateName);
  Plan plan;
  if (!PublishedFiles(output_folder, &names, &failure, &result->skipped) ||
      !ReadState(state_path, destination.url, &state, &failure) ||
      !PlanRun(output_folder, names, state, &plan, result, &failure)) {
    result->failures.push_back(failure);
    return false;
  }
  bool to_folder = destination.scheme == Destination::Scheme::kFile;
  // A dry run asks no network host: copies changed or lost there are found by a real run only.
  if (dry_run && !to_folder) {
    result->sent = plan.to_send;
    result->unchanged = plan.maybe_unchanged;
    return true;
  }
  // A run killed while writing the state file left its temporary file here.
  if (!dry_run) RemoveStaleTemporaries(output_folder);
  std::unique_ptr<RemoteSite> site = to_folder ? std::make_unique<FolderSite>(destination.folder)
                                               : OpenNetworkSite(destination, &failure);
  // What an earlier run cut short left on the host goes first, so that it never lingers.
  bool done = site != nullptr && (dry_run || site->SweepLeftovers(&failure)) &&
              CheckHostCopies(site.get(), &plan, result, &failure);
  // Pages before the index, so that the index never links to a page still on its way.
  std::stable_partition(plan.to_send.begin(), plan.to_send.end(),
                        [](const std::string& name) { return name.starts_with("GamesOf"); });
  if (dry_run) {
    result->sent = plan.to_send;
    if (!done) result->failures.push_back(failure);
    return done;
  }
  done = done && SendFiles(output_folder, destination, progress, site.get(), &plan, &state, result,
                           &failure);
  if (!done) result->failures.push_back(failure);
  // Also after a failure: the files sent need not go again.
  if (!result->sent.empty() || !result->unchanged.empty()) {
    std::map<std::string, Sent> kept;
    for (const auto& [name, entry] : state) {
      if (plan.local.contains(name)) kept[name] = entry;
    }
    if (!WriteState(state_path, destination.url, kept, &failure)) {
      result->failures.push_back(failure);
      done = false;
    }
  }
  return done;
}

}  // namespace gamefold
