#include "core/text_file.h"

#include <atomic>
#include <cerrno>
#include <limits>

#include "core/game_day.h"
#include "core/platform_files.h"
#include "core/platform_paths.h"
#include "core/platform_processes.h"
#include "core/text.h"

namespace gamefold {

namespace {

// The temporary file of `path` is "." + its name + ".tmp" + a number unique in the process.
constexpr std::string_view kTemporaryMarker = ".tmp";

std::string_view NameOf(std::string_view path) {
  size_t slash = path.size();
  while (slash > 0 && !platform::IsPathSeparator(path[slash - 1])) --slash;
  return path.substr(slash);
}

std::string TemporaryPrefix(std::string_view path) {
  std::string prefix(path.substr(0, path.size() - NameOf(path).size()));
  prefix += '.';
  prefix.append(NameOf(path));
  prefix.append(kTemporaryMarker);
  return prefix;
}

// The files the sweep may stand for: the pages, the style sheet that publish sends beside them
// (in a file: destination) and publish's state file. The output folder is the user's; a name
// that merely looks like ours is theirs.
bool IsWrittenName(std::string_view name) {
  return IsPageFileName(name) || name == kStyleSheetName || name == kPublishStateName ||
         name == kStandingsPageName || IsTeamPageName(name);
}

// True for "." + written name + ".tmp" + pid + "-" + counter, exactly the names that
// WriteFileAtomically gives a temporary file; gives the pid of the process that wrote it.
bool IsTemporaryName(std::string_view name, long* writer) {
  if (name.empty() || name[0] != '.') return false;
  size_t marker = name.rfind(kTemporaryMarker);
  if (marker == std::string_view::npos || !IsWrittenName(name.substr(1, marker - 1))) return false;
  std::string_view rest = name.substr(marker + kTemporaryMarker.size());
  size_t dash = rest.find('-');
  if (dash == std::string_view::npos || !IsDigits(rest.substr(dash + 1))) return false;
  // A pid has at most seven digits on Linux and as few in practice on Windows, fewer than
  // DigitsValue's nine.
  std::optional<int> pid = DigitsValue(rest.substr(0, dash));
  if (!pid || *pid <= 0) return false;
  *writer = *pid;
  return true;
}

// The process itself counts as not running: it writes one file at a time and removes its
// temporary file before it returns, so one of its own found later was left by an earlier
// process that had the same pid.
bool IsRunning(long pid) {
  return pid != platform::CurrentProcessId() && platform::IsProcessRunning(pid);
}

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    size_t lf = bytes.find('\n');
    std::string_view line = bytes.substr(0, lf);
    if (lf == std::string_view::npos) {
      bytes = {};
    } else {
      bytes.remove_prefix(lf + 1);
    }
    // A CR before the LF, or a CR that ends the file, is part of the line end.
    if (!line.empty() && line.back() == '\r' && (lf != std::string_view::npos || bytes.empty())) {
      line.remove_suffix(1);
    }
    lines.push_back(line);
  }
  return lines;
}

namespace {

// The failure of a read that gave errnum, in words for the two refusals of our own making.
Failure ReadFailure(int errnum, const std::string& path) {
  Failure failure = FailureFromErrno(errnum, "cannot read", path);
  std::string named = "cannot read " + PrintableName(platform::NativePath(path));
  if (errnum == EINVAL) failure.description = named + ": not a regular file";
  if (errnum == EXDEV) failure.description = named + ": a link leading out of its folder";
  return failure;
}

}  // namespace

bool IsPageFileName(std::string_view name) {
  if (name == kIndexPageName) return true;
  return name.size() == kDayPageNameLength && name.starts_with(kDayPagePrefix) &&
         name.ends_with(kDayPageSuffix) &&
         IsDigits(name.substr(kDayPagePrefix.size(), kDayKeyLength));
}

bool ReadWholeFile(const std::string& path, std::vector<char>* bytes, Failure* err) {
  int errnum = 0;
  if (platform::ReadFileBytes(path, bytes, &errnum)) return true;
  *err = ReadFailure(errnum, path);
  return false;
}

bool ReadFileOfFolder(const std::string& folder, const std::string& name, std::vector<char>* bytes,
                      Failure* err, size_t most) {
  int errnum = 0;
  if (platform::ReadFileInFolder(folder, name, bytes, &errnum, most)) return true;
  *err = ReadFailure(errnum, JoinPath(folder, name));
  return false;
}

void AppendLine(std::string* out, std::string_view line) {
  out->append(line);
  out->append("\r\n");
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || !platform::IsPathSeparator(path.back())) path += platform::kPathSeparator;
  path.append(name);
  return path;
}

namespace {

// Writes content into a new temporary file beside path; on failure nothing is left behind.
bool WriteTemporaryFor(const std::string& path, std::string_view content, std::string* temporary,
                       Failure* err, platform::Writeback writeback = platform::Writeback::kLater) {
  static std::atomic<unsigned> counter{0};
  // A FIFO or device in a page's place is nobody's page: replacing it would hide what put it
  // there, so it is refused, by name.
  if (platform::IsSpecialFile(path)) {
    *err = FailureFromErrno(EINVAL, "cannot write", path);
    err->description =
        "cannot write " + PrintableName(platform::NativePath(path)) + ": not a regular file";
    return false;
  }
  std::string prefix = TemporaryPrefix(path) + std::to_string(platform::CurrentProcessId()) + "-";
  int errnum = 0;
  bool written = false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temporary = prefix + std::to_string(counter++);
    written = platform::WriteNewFile(*temporary, content, &errnum, writeback);
    if (written || errnum != EEXIST) break;
  }
  if (!written) {
    // The write's failure is the one to tell; a temporary left behind is swept by a later run.
    if (errnum != EEXIST) (void)platform::RemoveFile(*temporary);
    *err = FailureFromErrno(errnum, "cannot write", path);
  }
  return written;
}

std::string FolderOf(const std::string& path) {
  size_t separator = path.size();
  while (separator > 0 && !platform::IsPathSeparator(path[separator - 1])) --separator;
  return separator == 0 ? std::string(".") : path.substr(0, separator);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view content, Failure* err) {
  std::string temporary;
  if (!WriteTemporaryFor(path, content, &temporary, err)) return false;
  int errnum = 0;
  if (!platform::ReplaceByRename(temporary, path, &errnum)) {
    (void)platform::RemoveFile(temporary);  // as above: the rename's failure is the one told
    *err = FailureFromErrno(errnum, "cannot write", path);
    return false;
  }
  return true;
}

bool DurableBatch::Stage(const std::string& path, std::string_view content, Failure* err) {
  Staged staged;
  staged.path = path;
  // The disk writes the staged files while the next are built; Commit then waits less.
  if (!WriteTemporaryFor(path, content, &staged.temporary, err, platform::Writeback::kStartNow)) {
    return false;
  }
  staged_.push_back(std::move(staged));
  return true;
}

size_t DurableBatch::Commit(Failure* err) {
  std::vector<Staged> staged = std::move(staged_);
  staged_.clear();
  if (staged.empty()) return 0;
  // Every temporary's bytes reach the disk before any rename publishes one: after a power cut
  // a page is the old one or the new one, never an empty one.
  std::vector<std::string> temporaries;
  for (const Staged& one : staged) temporaries.push_back(one.temporary);
  size_t done = 0;
  int errnum = 0;
  if (!platform::SyncFiles(temporaries, &errnum)) {
    *err = FailureFromErrno(errnum, "cannot bring to the disk", staged.front().path);
  } else {
    for (; done < staged.size(); ++done) {
      if (!platform::ReplaceByRename(staged[done].temporary, staged[done].path, &errnum)) {
        *err = FailureFromErrno(errnum, "cannot write", staged[done].path);
        break;
      }
    }
  }
  // Left behind, a temporary is swept by a later run; the failure told is the one above.
  for (size_t i = done; i < staged.size(); ++i) (void)platform::RemoveFile(staged[i].temporary);
  std::string synced;
  for (size_t i = 0; i < done; ++i) {
    std::string folder = FolderOf(staged[i].path);
    // The files are in place whatever the folder's sync gives, and Commit counts what is in
    // place; the system keeps the entries unless it loses power before writing them itself.
    if (folder != synced) (void)platform::SyncFolder(folder);
    synced = folder;
  }
  return done;
}

DurableBatch::~DurableBatch() {
  // Nothing to tell from a destructor; a temporary left behind is swept by a later run.
  for (const Staged& staged : staged_) (void)platform::RemoveFile(staged.temporary);
}

bool FileHoldsBytes(const std::string& path, std::string_view content, std::vector<char>* buffer) {
  std::vector<char> own;
  std::vector<char>& bytes = buffer != nullptr ? *buffer : own;
  int errnum = 0;
  if (!platform::ReadFileBytes(path, &bytes, &errnum)) return false;
  return std::string_view(bytes.data(), bytes.size()) == content;
}

bool ReplaceFileIfChanged(const std::string& path, std::string_view content, bool* written,
                          Failure* err, std::vector<char>* buffer) {
  *written = false;
  if (FileHoldsBytes(path, content, buffer)) return true;
  if (!WriteFileAtomically(path, content, err)) return false;
  *written = true;
  return true;
}

void RemoveStaleTemporaries(const std::string& folder) {
  platform::FolderReader reader;
  int errnum = 0;
  if (!reader.Open(folder, &errnum)) return;
  // Names first, removals after: a folder changed while it is read may skip or repeat names.
  std::vector<std::string> stale;
  while (reader.Next(&errnum)) {
    long writer = 0;
    if (IsTemporaryName(reader.name(), &writer) && !IsRunning(writer)) {
      stale.emplace_back(reader.name());
    }
  }
  // On Windows a temporary that its writer still holds open cannot be removed: that writer
  // runs, so the file stays, as it must.
  for (const std::string& name : stale) (void)platform::RemoveFile(JoinPath(folder, name));
}

}  // namespace gamefold
