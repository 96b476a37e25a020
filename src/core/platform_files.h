#pragma once

// Files and folders: reading folders, reading and writing files, bringing writes to the disk.
// Paths are bytes as the user gave them (see platform_paths.h); failures give error numbers
// (see platform_errors.h).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform_errors.h"

namespace gamefold::platform {

/// What a folder entry is; a link counts as what it leads to, one leading nowhere as kOther.
enum class EntryKind { kRegular, kFolder, kOther, kMissing };

/// Reads a folder's entries one by one, in the order the system gives, "." and ".." left out.
class FolderReader {
 public:
  FolderReader();
  ~FolderReader();
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;

  /// Opens folder; false with *errnum when it cannot be read.
  [[nodiscard]] bool Open(const std::string& folder, int* errnum);
  /// Moves to the next entry; false at the end, or on a failure with *errnum set (0 at the end).
  [[nodiscard]] bool Next(int* errnum);
  /// The current entry's name, valid until the next call of Next.
  std::string_view name() const;
  /// True when the system hides the entry: a name beginning with "."; on Windows also the
  /// hidden attribute.
  bool hidden() const;
  /// What the current entry is; may cost a system call for a link.
  EntryKind kind() const;
  /// The folder's size in bytes where the system tells it cheaply, else 0: a hint at how many
  /// names it holds.
  size_t size_hint() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// What path is, following links.
EntryKind KindOfPath(const std::string& path);

/// True when path itself, not what a link there leads to, is a FIFO, a socket or a device.
bool IsSpecialFile(const std::string& path);

/// The size in bytes of the regular file at path, following links; false with *errnum: ENOENT
/// when nothing is there, EISDIR for a folder, ENOTSUP for anything else that is no file.
[[nodiscard]] bool FileSize(const std::string& path, long long* size, int* errnum);

/// True when users other than its owner may read, write or run the file at path, following
/// links; false when nothing can be seen there, and where files have no such permissions
/// (Windows).
[[nodiscard]] bool OthersMayAccess(const std::string& path);

/// Whether a read goes through a link at the path's last name.
enum class Links { kFollow, kRefuse };

/// Reads a whole file's bytes in binary, never waiting on the file (a FIFO); false with
/// *errnum on a missing or unreadable file and on anything that is not a regular file: EISDIR
/// for a folder, EINVAL for a FIFO, socket or device, ELOOP for a link with Links::kRefuse (on
/// Windows a symbolic link or junction; a cloud file is read as the file it stands for).
[[nodiscard]] bool ReadFileBytes(const std::string& path, std::vector<char>* bytes, int* errnum,
                                 Links links = Links::kFollow);

/// As ReadFileBytes for folder's entry name, which may be a link only to a regular file inside
/// folder (at any depth): EXDEV for a link leading out of it. Reads no more than the first
/// `most` bytes.
[[nodiscard]] bool ReadFileInFolder(const std::string& folder, const std::string& name,
                                    std::vector<char>* bytes, int* errnum, size_t most = SIZE_MAX);

/// Makes one folder in a folder that is there; false with *errnum, EEXIST when something is
/// there already.
[[nodiscard]] bool MakeFolder(const std::string& folder, int* errnum);

/// Makes folder and the folders above it that are missing; true when it is a folder already
/// (through links too). False with *errnum: ENOTDIR where something other than a folder is in
/// the way, EINVAL for an empty path.
[[nodiscard]] bool MakeFolders(const std::string& folder, int* errnum);

/// When a new file's bytes go to the disk: when the system chooses, or starting at once, for a
/// file that will be brought to the disk soon (SyncFiles) and whose writing can meanwhile go on
/// beside the program's own work. Where the system offers no such start, both are the same.
enum class Writeback { kLater, kStartNow };

/// Creates a file that must not exist yet (EEXIST otherwise), writes content in binary and
/// closes it. On a failure after the creation the file stays, for the caller to remove.
[[nodiscard]] bool WriteNewFile(const std::string& path, std::string_view content, int* errnum,
                                Writeback writeback = Writeback::kLater);

/// Renames from to to, replacing an existing file at to in one step (EISDIR when to is a
/// folder).
[[nodiscard]] bool ReplaceByRename(const std::string& from, const std::string& to, int* errnum);

/// Removes a file; false when it could not be removed, also when a process still has it open
/// where the system then refuses (Windows).
[[nodiscard]] bool RemoveFile(const std::string& path);

/// A file written from its start, each Append reaching the file before it returns.
class AppendFile {
 public:
  AppendFile();
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  /// Opens path for writing, creating it, and holds it so that no other program opens it so
  /// too while it is open; then empties it. False with *errnum, or with *in_use set and the
  /// file untouched when another program holds it.
  [[nodiscard]] bool OpenHeld(const std::string& path, int* errnum, bool* in_use);
  /// Writes bytes at the end; false when not all could be written.
  [[nodiscard]] bool Append(std::string_view bytes);
  void Close();
  bool is_open() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// Brings the written bytes of the files at paths to the disk: one sync of their file system
/// where the system has it (Linux), each file's buffers elsewhere. False with *errnum.
[[nodiscard]] bool SyncFiles(const std::vector<std::string>& paths, int* errnum);

/// Brings a folder's entries (names renamed into it) to the disk; true where the system needs
/// nothing for it.
[[nodiscard]] bool SyncFolder(const std::string& folder);

/// A file's size and the time of its last change: what tells that it changed where no file event
/// does. The time is in the system's own units, only to be compared.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  bool operator==(const FileStamp&) const = default;
};

/// The stamp of what path leads to; false with *errnum (ENOENT or ENOTDIR when nothing is there).
[[nodiscard]] bool StampOfPath(const std::string& path, FileStamp* stamp, int* errnum);

}  // namespace gamefold::platform
