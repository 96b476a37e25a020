// The POSIX side of files and folders: folder reading, file reads and writes, folder making.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/platform_files.h"

namespace gamefold::platform {

namespace {

EntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::kRegular;
  if (S_ISDIR(mode)) return EntryKind::kFolder;
  return EntryKind::kOther;
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

struct FolderReader::State {
  DIR* dir = nullptr;
  dirent* entry = nullptr;
};

FolderReader::FolderReader() : state_(std::make_unique<State>()) {}

FolderReader::~FolderReader() {
  if (state_->dir != nullptr) ::closedir(state_->dir);
}

bool FolderReader::Open(const std::string& folder, int* errnum) {
  state_->dir = ::opendir(folder.c_str());
  if (state_->dir == nullptr) *errnum = errno;
  return state_->dir != nullptr;
}

bool FolderReader::Next(int* errnum) {
  for (;;) {
    errno = 0;
    state_->entry = ::readdir(state_->dir);
    if (state_->entry == nullptr) {
      *errnum = errno;
      return false;
    }
    const char* name = state_->entry->d_name;
    if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) return true;
  }
}

std::string_view FolderReader::name() const { return state_->entry->d_name; }

bool FolderReader::hidden() const { return state_->entry->d_name[0] == '.'; }

EntryKind FolderReader::kind() const {
  switch (state_->entry->d_type) {
    case DT_REG:
      return EntryKind::kRegular;
    case DT_DIR:
      return EntryKind::kFolder;
    case DT_LNK:
    case DT_UNKNOWN:
      break;
    default:
      return EntryKind::kOther;
  }
  // Only links and file systems that do not report the type need a stat.
  struct stat info {};
  if (::fstatat(::dirfd(state_->dir), state_->entry->d_name, &info, 0) != 0) {
    return EntryKind::kOther;
  }
  return KindOfMode(info.st_mode);
}

size_t FolderReader::size_hint() const {
  struct stat info {};
  if (::fstat(::dirfd(state_->dir), &info) != 0 || info.st_size <= 0) return 0;
  return static_cast<size_t>(info.st_size);
}

EntryKind KindOfPath(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return EntryKind::kMissing;
  return KindOfMode(info.st_mode);
}

bool IsSpecialFile(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode) &&
         !S_ISLNK(info.st_mode);
}

bool FileSize(const std::string& path, long long* size, int* errnum) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    *errnum = errno;
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *errnum = S_ISDIR(info.st_mode) ? EISDIR : ENOTSUP;
    return false;
  }
  *size = static_cast<long long>(info.st_size);
  return true;
}

bool OthersMayAccess(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IRWXG | S_IRWXO)) != 0;
}

namespace {

// Reads the regular file open at fd to its end, or its first `most` bytes, and closes fd;
// anything else is refused: EISDIR for a folder, EINVAL for a FIFO, a socket or a device.
bool ReadOpenFile(int fd, std::vector<char>* bytes, int* errnum, size_t most = SIZE_MAX) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    *errnum = errno;
    ::close(fd);
    bytes->clear();
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *errnum = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    bytes->clear();
    return false;
  }
  // The size is a hint only: the file may grow or shrink while it is read. The buffer keeps what
  // it held before, so that only the bytes beyond its last size are cleared on the way: a day's
  // files fill one buffer after another, and clearing each whole first cost a tenth of a run.
  size_t expected = std::min(static_cast<size_t>(info.st_size), most - 1);
  bytes->resize(expected + 1);
  size_t filled = 0;
  while (filled < most) {
    if (filled == bytes->size()) bytes->resize(std::min(bytes->size() * 2, most));
    size_t wanted = bytes->size() - filled;
    ssize_t got = ::read(fd, bytes->data() + filled, wanted);
    if (got < 0) {
      if (errno == EINTR) continue;
      *errnum = errno;
      ::close(fd);
      bytes->clear();
      return false;
    }
    filled += static_cast<size_t>(got);
    // A regular file reads short only at its end: no second call just to be told so.
    if (got == 0 || (static_cast<size_t>(got) < wanted && filled >= expected)) break;
  }
  ::close(fd);
  bytes->resize(filled);
  return true;
}

// O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer that never comes.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;

// The absolute path without links that path leads to; "" with *errnum when it leads nowhere.
std::string RealPath(const std::string& path, int* errnum) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) {
    *errnum = errno;
    return "";
  }
  std::string resolved = real;
  std::free(real);
  return resolved;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::vector<char>* bytes, int* errnum, Links links) {
  int fd = ::open(path.c_str(), kReadFlags | (links == Links::kRefuse ? O_NOFOLLOW : 0));
  if (fd < 0) {
    *errnum = errno;
    bytes->clear();
    return false;
  }
  return ReadOpenFile(fd, bytes, errnum);
}

bool ReadFileInFolder(const std::string& folder, const std::string& name, std::vector<char>* bytes,
                      int* errnum, size_t most) {
  std::string path = folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
  int fd = ::open(path.c_str(), kReadFlags | O_NOFOLLOW);
  *errnum = errno;
  if (fd < 0 && errno == ELOOP) {
    // A link: followed only to a file inside the folder, whatever links lie on the way.
    std::string target = RealPath(path, errnum);
    std::string base = target.empty() ? "" : RealPath(folder.empty() ? "." : folder, errnum);
    if (!base.empty() && base.back() != '/') base += '/';
    if (!base.empty() && !target.starts_with(base)) *errnum = EXDEV;
    if (!base.empty() && target.starts_with(base)) {
      fd = ::open(target.c_str(), kReadFlags | O_NOFOLLOW);
      *errnum = errno;
    }
  }
  if (fd < 0) {
    bytes->clear();
    return false;
  }
  return ReadOpenFile(fd, bytes, errnum, most);
}

bool MakeFolder(const std::string& folder, int* errnum) {
  if (::mkdir(folder.c_str(), 0777) == 0) return true;
  *errnum = errno;
  return false;
}

bool WriteNewFile(const std::string& path, std::string_view content, int* errnum,
                  Writeback writeback) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    *errnum = errno;
    return false;
  }
  bool written = WriteAll(fd, content);
  *errnum = errno;
#if defined(__linux__)
  // Only a start: nothing is waited for, and the sync that follows tells any failure.
  if (written && writeback == Writeback::kStartNow) {
    (void)::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
  }
#endif
  if (::close(fd) != 0 && written) {
    written = false;
    *errnum = errno;
  }
  return written;
}

bool ReplaceByRename(const std::string& from, const std::string& to, int* errnum) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  *errnum = errno;
  return false;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

struct AppendFile::State {
  int fd = -1;
};

AppendFile::AppendFile() : state_(std::make_unique<State>()) {}

AppendFile::~AppendFile() { Close(); }

bool AppendFile::OpenHeld(const std::string& path, int* errnum, bool* in_use) {
  Close();
  *in_use = false;
  // Not truncated on open: another program's file must stay whole. The lock lives as long as
  // the file is open.
  state_->fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (state_->fd < 0) {
    *errnum = errno;
    return false;
  }
  if (::flock(state_->fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    Close();
    *in_use = true;
    return false;
  }
  if (::ftruncate(state_->fd, 0) != 0) {
    *errnum = errno;
    Close();
    return false;
  }
  return true;
}

bool AppendFile::Append(std::string_view bytes) {
  return state_->fd >= 0 && WriteAll(state_->fd, bytes);
}

void AppendFile::Close() {
  if (state_->fd >= 0) ::close(state_->fd);
  state_->fd = -1;
}

bool AppendFile::is_open() const { return state_->fd >= 0; }

bool SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

bool StampOfPath(const std::string& path, FileStamp* stamp, int* errnum) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    *errnum = errno;
    return false;
  }
  stamp->size = static_cast<std::uint64_t>(info.st_size);
  stamp->modified =
      static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  return true;
}

}  // namespace gamefold::platform
