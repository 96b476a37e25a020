#include "core/text_file.h"

#include <atomic>
#include <cerrno>
#include <limits>

#include "core/platform.h"

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

// True for "." + name + ".tmp" + pid + "-" + number, the names WriteFileAtomically writes;
// gives the pid of the process that wrote it.
bool IsTemporaryName(std::string_view name, long* writer) {
  if (name.empty() || name[0] != '.') return false;
  size_t marker = name.rfind(kTemporaryMarker);
  if (marker == std::string_view::npos || marker == 0) return false;
  std::string_view rest = name.substr(marker + kTemporaryMarker.size());
  size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size()) return false;
  long long pid = 0;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (i == dash) continue;
    if (rest[i] < '0' || rest[i] > '9') return false;
    if (i < dash && pid < (1LL << 40)) pid = pid * 10 + (rest[i] - '0');
  }
  *writer = static_cast<long>(pid);
  return pid > 0 && pid <= std::numeric_limits<int>::max();
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

bool ReadWholeFile(const std::string& path, std::vector<char>* bytes, Failure* err) {
  int errnum = 0;
  if (platform::ReadFileBytes(path, bytes, &errnum)) return true;
  *err = FailureFromErrno(errnum, "cannot read", path);
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

bool WriteFileAtomically(const std::string& path, std::string_view content, Failure* err) {
  static std::atomic<unsigned> counter{0};
  std::string prefix = TemporaryPrefix(path) + std::to_string(platform::CurrentProcessId()) + "-";
  std::string temporary;
  int errnum = 0;
  bool written = false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = prefix + std::to_string(counter++);
    written = platform::WriteNewFile(temporary, content, &errnum);
    if (written || errnum != EEXIST) break;
  }
  if (written) written = platform::ReplaceByRename(temporary, path, &errnum);
  if (!written) {
    if (errnum != EEXIST) platform::RemoveFile(temporary);
    *err = FailureFromErrno(errnum, "cannot write", path);
    return false;
  }
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
  for (const std::string& name : stale) platform::RemoveFile(JoinPath(folder, name));
}

}  // namespace gamefold
