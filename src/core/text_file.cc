#include "core/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>

#include "core/game_day.h"
#include "core/os_services.h"
#include "core/text.h"

namespace gamefold {

namespace {

// The temporary file of `path` is "." + its name + ".tmp" + a number unique in the process.
constexpr std::string_view kTemporaryMarker = ".tmp";

std::string_view NameOf(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string TemporaryPrefix(std::string_view path) {
  std::string prefix(path.substr(0, path.size() - NameOf(path).size()));
  prefix += '.';
  prefix.append(NameOf(path));
  prefix.append(kTemporaryMarker);
  return prefix;
}

// The files the sweep may stand for: a day page "GamesOf" + eight-digit key + ".htm" and the
// index page. The output folder is the user's; a name that merely looks like ours is theirs.
bool IsPageName(std::string_view name) {
  if (name == kIndexPageName) return true;
  return name.size() == kDayPageNameLength && name.starts_with(kDayPagePrefix) &&
         name.ends_with(kDayPageSuffix) &&
         IsDigits(name.substr(kDayPagePrefix.size(), kDayKeyLength));
}

// True for "." + page name + ".tmp" + pid + "-" + counter, exactly the names that
// WriteFileAtomically gives a page's temporary file; gives the pid of the process that wrote it.
bool IsTemporaryName(std::string_view name, pid_t* writer) {
  if (name.empty() || name[0] != '.') return false;
  size_t marker = name.rfind(kTemporaryMarker);
  if (marker == std::string_view::npos || !IsPageName(name.substr(1, marker - 1))) return false;
  std::string_view rest = name.substr(marker + kTemporaryMarker.size());
  size_t dash = rest.find('-');
  if (dash == std::string_view::npos || !IsDigits(rest.substr(dash + 1))) return false;
  // A pid has at most seven digits where the system counts them, far fewer than DigitsValue's
  // nine.
  std::optional<int> pid = DigitsValue(rest.substr(0, dash));
  if (!pid || *pid <= 0) return false;
  *writer = static_cast<pid_t>(*pid);
  return true;
}

// The process itself counts as not running: it writes one file at a time and removes its
// temporary file before it returns, so one of its own found later was left by an earlier
// process that had the same pid.
bool IsRunning(pid_t pid) {
  if (pid == ::getpid()) return false;
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
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
  bytes->clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *err = FailureFromErrno(errno, "cannot read", path);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    int errnum = S_ISDIR(info.st_mode) ? EISDIR : errno;
    if (errnum == 0) errnum = EINVAL;
    ::close(fd);
    *err = FailureFromErrno(errnum, "cannot read", path);
    return false;
  }
  // The size is a hint only: the file may grow or shrink while it is read.
  bytes->resize(static_cast<size_t>(info.st_size) + 1);
  size_t filled = 0;
  for (;;) {
    if (filled == bytes->size()) bytes->resize(bytes->size() * 2);
    ssize_t got = ::read(fd, bytes->data() + filled, bytes->size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      int errnum = errno;
      ::close(fd);
      bytes->clear();
      *err = FailureFromErrno(errnum, "cannot read", path);
      return false;
    }
    if (got == 0) break;
    filled += static_cast<size_t>(got);
  }
  ::close(fd);
  bytes->resize(filled);
  return true;
}

void AppendLine(std::string* out, std::string_view line) {
  out->append(line);
  out->append("\r\n");
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path.append(name);
  return path;
}

namespace {

// Writes content into a new temporary file beside path; on failure nothing is left behind.
bool WriteTemporaryFor(const std::string& path, std::string_view content, std::string* temporary,
                       Failure* err) {
  static std::atomic<unsigned> counter{0};
  std::string prefix = TemporaryPrefix(path) + std::to_string(::getpid()) + "-";
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    *temporary = prefix + std::to_string(counter++);
    fd = ::open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *err = FailureFromErrno(errno, "cannot write", path);
    return false;
  }
  bool written = WriteAll(fd, content);
  int errnum = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    errnum = errno;
  }
  if (!written) {
    ::unlink(temporary->c_str());
    *err = FailureFromErrno(errnum, "cannot write", path);
  }
  return written;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view content, Failure* err) {
  std::string temporary;
  if (!WriteTemporaryFor(path, content, &temporary, err)) return false;
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    int errnum = errno;
    ::unlink(temporary.c_str());
    *err = FailureFromErrno(errnum, "cannot write", path);
    return false;
  }
  return true;
}

bool DurableBatch::Stage(const std::string& path, std::string_view content, Failure* err) {
  Staged staged;
  staged.path = path;
  if (!WriteTemporaryFor(path, content, &staged.temporary, err)) return false;
  staged_.push_back(std::move(staged));
  return true;
}

size_t DurableBatch::Commit(Failure* err) {
  std::vector<Staged> staged = std::move(staged_);
  staged_.clear();
  if (staged.empty()) return 0;
  auto folder_of = [](const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  };
  // One sync of the file system brings every temporary's bytes to the disk before any rename
  // publishes one: a page never shows empty after a power cut.
  size_t done = 0;
  if (!SyncFileSystemOf(folder_of(staged.front().path))) {
    *err = FailureFromErrno(errno, "cannot bring to the disk", staged.front().path);
  } else {
    for (; done < staged.size(); ++done) {
      if (::rename(staged[done].temporary.c_str(), staged[done].path.c_str()) != 0) {
        *err = FailureFromErrno(errno, "cannot write", staged[done].path);
        break;
      }
    }
  }
  for (size_t i = done; i < staged.size(); ++i) ::unlink(staged[i].temporary.c_str());
  std::string synced;
  for (size_t i = 0; i < done; ++i) {
    std::string folder = folder_of(staged[i].path);
    if (folder != synced) SyncFolder(folder);
    synced = folder;
  }
  return done;
}

DurableBatch::~DurableBatch() {
  for (const Staged& staged : staged_) ::unlink(staged.temporary.c_str());
}

bool FileHoldsBytes(const std::string& path, std::string_view content) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool same = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<size_t>(info.st_size) == content.size();
  // Compared a chunk at a time: a page that differs mostly differs in size already, and one
  // that does not costs a read from the page cache, no allocation.
  char chunk[1 << 16];
  size_t offset = 0;
  while (same) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      same = got == 0 && offset == content.size();
      break;
    }
    size_t size = static_cast<size_t>(got);
    same =
        offset + size <= content.size() && std::memcmp(chunk, content.data() + offset, size) == 0;
    offset += size;
  }
  ::close(fd);
  return same;
}

bool ReplaceFileIfChanged(const std::string& path, std::string_view content, bool* written,
                          Failure* err) {
  *written = false;
  if (FileHoldsBytes(path, content)) return true;
  if (!WriteFileAtomically(path, content, err)) return false;
  *written = true;
  return true;
}

void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (dirent* entry = ::readdir(dir)) {
    pid_t writer = 0;
    if (IsTemporaryName(entry->d_name, &writer) && !IsRunning(writer)) {
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

}  // namespace gamefold
