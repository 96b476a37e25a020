#pragma once

// What the core asks of the operating system. The platform_posix_*.cc files and the
// platform_win32_*.cc files each implement all of it; the build takes one side. Paths are bytes as
// the user gave them: on Windows they are UTF-8, converted to the system's wide characters at each
// call. Failures give an error number of <cerrno> (ENOENT, EACCES, ...), the same on every system
// for the same cause, so that users see the same error numbers and messages everywhere.

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"

namespace gamefold::platform {

/// The separator this system writes between folders and names.
extern const char kPathSeparator;

/// True for a byte that separates folders in a path here: "/" everywhere, "\" on Windows too.
bool IsPathSeparator(char c);

/// True for a path that needs no current folder: "/x"; on Windows also "C:\x" and "\\host\share".
bool IsAbsolutePath(std::string_view path);

/// path with its separators written as this system writes them, for messages.
std::string NativePath(std::string_view path);

/// The disk quota error number, or a number no call gives where the system has none.
extern const int kQuotaExceeded;

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

/// Creates a file that must not exist yet (EEXIST otherwise), writes content in binary and
/// closes it. On a failure after the creation the file stays, for the caller to remove.
[[nodiscard]] bool WriteNewFile(const std::string& path, std::string_view content, int* errnum);

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

/// The current folder, as an absolute path; "" when it cannot be told.
std::string CurrentFolder();

/// This process's id.
long CurrentProcessId();

/// True when a process with this id still runs.
bool IsProcessRunning(long pid);

/// The machine's local time now.
DateTime LocalTimeNow();

/// The system's text for an error number; the same text for the same number everywhere.
std::string ErrorText(int errnum);

/// The program's arguments without its name, as UTF-8 on Windows whatever the code page.
std::vector<std::string> ProgramArguments(int argc, char** argv);

/// Makes standard output write its bytes as they are: no LF turned into CR LF on Windows.
void UseBinaryStandardOutput();

/// True when standard error is a terminal (a console on Windows).
bool StandardErrorIsTerminal();

/// The roots of the drives where the system has drive letters ("C:\", "D:\", ...); empty
/// elsewhere.
std::vector<std::string> DriveRoots();

/// An exclusive lock on a lock file, through which the writers of one folder take turns.
class FileLock {
 public:
  enum class Outcome { kTaken, kBusy, kUnavailable, kRefused };
  FileLock();
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  /// Opens path, creating it without following a link there, and tries once to lock it
  /// without waiting: kBusy while another holds it; kUnavailable where no file can be made or
  /// locked (a read-only or missing folder, a share without locks); kRefused with *errnum where
  /// the folder takes files but path cannot be the lock: a link (ELOOP), a folder (EISDIR), no
  /// regular file (EINVAL), a file this user may not open (EACCES).
  Outcome TryLock(const std::string& path, int* errnum);
  /// Lets go; first removes the lock file where no waiter can be fooled by that (not on
  /// Windows, where a waiter may hold the file open).
  void Unlock();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// True where FolderWatch reports file events (Linux); elsewhere a watch compares listings.
extern const bool kHasFolderEvents;

/// Requests to stop (SIGINT and SIGTERM; on Windows Ctrl+C, Ctrl+Break and the console's
/// closing), held back from Catch on, to be read between runs so that none cuts a write short.
class StopRequests {
 public:
  StopRequests();
  ~StopRequests();
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

  [[nodiscard]] bool Catch();
  /// True once a stop was asked for.
  bool Requested();

 private:
  friend class FolderWatch;
  struct State;
  std::unique_ptr<State> state_;
};

/// Changes of a folder's entries as the system reports them where kHasFolderEvents; elsewhere
/// it only waits.
class FolderWatch {
 public:
  /// What one wait saw.
  struct Changes {
    std::vector<std::string> names;  // entries written, moved or removed
    bool lost = false;               // the system dropped events: any entry may have changed
    bool folder_gone = false;        // the folder itself was removed or moved away
  };
  FolderWatch();
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  /// Starts watching folder; false with *errnum when it cannot be watched.
  [[nodiscard]] bool Open(const std::string& folder, int* errnum);
  /// Waits up to timeout_ms for changes or a stop; false once a stop was asked for.
  [[nodiscard]] bool Wait(int timeout_ms, StopRequests* stop, Changes* changes);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// The path of the running program, for finding the programs installed beside it; "" when it
/// cannot be told.
std::string ProgramPath();

/// A program of ours started with one two-way channel as its standard input and output, its
/// standard error and environment shared with this process. Where a system has no such programs
/// (the Windows build) Start fails with ENOSYS.
class ChildProcess {
 public:
  ChildProcess();
  /// Closes the channel and waits for the program to end.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  /// Starts program with no arguments; false with *errnum (ENOENT when there is none).
  [[nodiscard]] bool Start(const std::string& program, int* errnum);
  /// Writes all of bytes; false with *errnum, EPIPE when the program has ended, never a signal.
  [[nodiscard]] bool Send(std::string_view bytes, int* errnum);
  /// Reads exactly size bytes; false with *errnum, 0 when the program closed the channel first.
  [[nodiscard]] bool Receive(char* buffer, size_t size, int* errnum);

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

}  // namespace gamefold::platform
