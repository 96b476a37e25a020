// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "core/platform.h"

namespace gamefold::platform {

const char kPathSeparator = '\\';
// Windows has no disk quota error of its own: a quota that is full reports a full disk.
const int kQuotaExceeded = -1;

bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAbsolutePath(std::string_view path) {
  bool drive = path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2]) &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  bool unc = path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
  return drive || unc;
}

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  return native;
}

namespace {

// The error numbers of <cerrno> that Linux gives for the same causes.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
      return ENOENT;
    // A file that another program holds open is refused as a file without permission is.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    default:
      return EIO;
  }
}

int LastErrno() { return ErrnoOf(::GetLastError()); }

// UTF-8 to UTF-16; false for bytes that are no UTF-8, which no file name can match.
bool Widen(std::string_view text, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return true;
  int size = static_cast<int>(text.size());
  int count = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (count <= 0) return false;
  wide->resize(static_cast<size_t>(count));
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide->data(), count);
  return true;
}

std::string Narrow(const wchar_t* wide, size_t length) {
  if (length == 0) return {};
  int size = static_cast<int>(length);
  int count = ::WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
  std::string text(count > 0 ? static_cast<size_t>(count) : 0, '\0');
  if (count > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide, size, text.data(), count, nullptr, nullptr);
  return text;
}

std::string Narrow(const wchar_t* wide) { return Narrow(wide, std::wcslen(wide)); }

// The attributes of path, following a link to what it leads to; INVALID_FILE_ATTRIBUTES when
// there is nothing there.
DWORD AttributesOf(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return attributes;
  }
  HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return INVALID_FILE_ATTRIBUTES;
  BY_HANDLE_FILE_INFORMATION info{};
  bool known = ::GetFileInformationByHandle(file, &info) != 0;
  ::CloseHandle(file);
  return known ? info.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

// The error of a failed open of path. Where the nearest part of the path that exists is a file
// rather than a folder, Linux says "Not a directory" and Windows only "path not found": say what
// Linux says, so that a file given as a folder reads the same on both.
int OpenErrno(const std::wstring& path) {
  int errnum = LastErrno();
  if (errnum != ENOENT) return errnum;
  for (size_t end = path.find_last_of(L"\\/"); end != std::wstring::npos && end > 0;
       end = path.find_last_of(L"\\/", end - 1)) {
    DWORD attributes = ::GetFileAttributesW(path.substr(0, end).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      return attributes & FILE_ATTRIBUTE_DIRECTORY ? ENOENT : ENOTDIR;
    }
  }
  return ENOENT;
}

EntryKind KindOfAttributes(DWORD attributes) {
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::kMissing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryKind::kFolder;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return EntryKind::kOther;
  return EntryKind::kRegular;
}

// A folder path with a separator at its end, so that a name or "*" can follow.
std::wstring WithSeparator(std::wstring folder) {
  if (folder.empty() || (folder.back() != L'\\' && folder.back() != L'/')) folder += L'\\';
  return folder;
}

bool WriteAll(HANDLE file, std::string_view content) {
  while (!content.empty()) {
    DWORD chunk = content.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(content.size());
    DWORD written = 0;
    if (!::WriteFile(file, content.data(), chunk, &written, nullptr) || written == 0) return false;
    content.remove_prefix(written);
  }
  return true;
}

}  // namespace

struct FolderReader::State {
  HANDLE find = INVALID_HANDLE_VALUE;
  std::wstring folder;
  WIN32_FIND_DATAW data{};
  bool pending = false;  // data holds an entry that Next has not given yet
  std::string name;
};

FolderReader::FolderReader() : state_(std::make_unique<State>()) {}

FolderReader::~FolderReader() {
  if (state_->find != INVALID_HANDLE_VALUE) ::FindClose(state_->find);
}

bool FolderReader::Open(const std::string& folder, int* errnum) {
  if (!Widen(folder, &state_->folder)) {
    *errnum = ENOENT;
    return false;
  }
  state_->folder = WithSeparator(state_->folder);
  std::wstring pattern = state_->folder + L"*";
  // The basic information leaves out the short 8.3 names, and the large fetch asks for many
  // entries per call: both make long listings faster.
  state_->find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &state_->data,
                                    FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (state_->find != INVALID_HANDLE_VALUE) {
    state_->pending = true;
    return true;
  }
  DWORD error = ::GetLastError();
  // Only a drive's empty root has no "." to find.
  if (error == ERROR_FILE_NOT_FOUND) return true;
  // A file given as a folder: the same number as Linux gives.
  DWORD attributes = AttributesOf(state_->folder.substr(0, state_->folder.size() - 1));
  *errnum = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)
                ? ENOTDIR
                : ErrnoOf(error);
  return false;
}

bool FolderReader::Next(int* errnum) {
  *errnum = 0;
  for (;;) {
    if (state_->find == INVALID_HANDLE_VALUE) return false;
    if (!state_->pending && !::FindNextFileW(state_->find, &state_->data)) {
      DWORD error = ::GetLastError();
      if (error != ERROR_NO_MORE_FILES) *errnum = ErrnoOf(error);
      return false;
    }
    state_->pending = false;
    const wchar_t* name = state_->data.cFileName;
    if (std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) continue;
    state_->name = Narrow(name);
    return true;
  }
}

std::string_view FolderReader::name() const { return state_->name; }

bool FolderReader::hidden() const {
  return (!state_->name.empty() && state_->name[0] == '.') ||
         (state_->data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

EntryKind FolderReader::kind() const {
  DWORD attributes = state_->data.dwFileAttributes;
  // The listing's attributes tell most entries' kind; only a link needs a look at its target.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    attributes = AttributesOf(state_->folder + state_->data.cFileName);
  }
  EntryKind kind = KindOfAttributes(attributes);
  return kind == EntryKind::kMissing ? EntryKind::kOther : kind;
}

size_t FolderReader::size_hint() const { return 0; }

EntryKind KindOfPath(const std::string& path) {
  std::wstring wide;
  if (!Widen(path, &wide)) return EntryKind::kMissing;
  return KindOfAttributes(AttributesOf(wide));
}

bool IsSpecialFile(const std::string& path) {
  std::wstring wide;
  if (!Widen(path, &wide)) return false;
  DWORD attributes = ::GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DEVICE) != 0;
}

namespace {

// Reads the file open as file to its end, or its first `most` bytes, and closes it; anything but
// a file on a disk (a pipe, a console, a device) is refused with EINVAL.
bool ReadOpenFile(HANDLE file, std::vector<char>* bytes, int* errnum, size_t most = SIZE_MAX) {
  if (::GetFileType(file) != FILE_TYPE_DISK) {
    ::CloseHandle(file);
    *errnum = EINVAL;
    return false;
  }
  // The size is a hint only: the file may grow or shrink while it is read.
  LARGE_INTEGER size{};
  ::GetFileSizeEx(file, &size);
  bytes->resize(std::min(static_cast<size_t>(size.QuadPart), most - 1) + 1);
  size_t filled = 0;
  while (filled < most) {
    if (filled == bytes->size()) bytes->resize(std::min(bytes->size() * 2, most));
    size_t room = bytes->size() - filled;
    DWORD chunk = room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room);
    DWORD got = 0;
    if (!::ReadFile(file, bytes->data() + filled, chunk, &got, nullptr)) {
      *errnum = LastErrno();
      ::CloseHandle(file);
      bytes->clear();
      return false;
    }
    if (got == 0) break;
    filled += got;
  }
  ::CloseHandle(file);
  bytes->resize(filled);
  return true;
}

// Opens path for reading; with FILE_FLAG_OPEN_REPARSE_POINT in flags a link itself, not what
// it leads to. INVALID_HANDLE_VALUE with *errnum on a failure.
HANDLE OpenForReading(const std::wstring& path, DWORD flags, int* errnum) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | flags, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *errnum = OpenErrno(path);
    // A folder cannot be opened as a file: say what it is, as Linux does.
    if (KindOfAttributes(AttributesOf(path)) == EntryKind::kFolder) *errnum = EISDIR;
  }
  return file;
}

// True for any reparse point, opened itself with FILE_FLAG_OPEN_REPARSE_POINT.
bool IsReparsePoint(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  return ::GetFileInformationByHandle(file, &info) != 0 &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// True for a reparse point whose name leads elsewhere: a symbolic link, a junction. Others (a
// cloud or deduplicated file) are the file itself, read through their driver. Unknown counts
// as a link.
bool IsNameSurrogate(HANDLE file) {
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!::GetFileInformationByHandleEx(file, FileAttributeTagInfo, &info, sizeof info)) return true;
  return (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         IsReparseTagNameSurrogate(info.ReparseTag);
}

// The path of what the handle opened, every link resolved; empty when it cannot be told.
std::wstring FinalPathOf(HANDLE handle) {
  DWORD length = ::GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  if (length == 0) return L"";
  std::wstring path(length, L'\0');
  DWORD got = ::GetFinalPathNameByHandleW(handle, path.data(), length, FILE_NAME_NORMALIZED);
  if (got == 0 || got >= length) return L"";
  path.resize(got);
  return path;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::vector<char>* bytes, int* errnum, Links links) {
  bytes->clear();
  std::wstring wide;
  if (!Widen(path, &wide)) {
    *errnum = ENOENT;
    return false;
  }
  bool refuse_links = links == Links::kRefuse;
  HANDLE file = OpenForReading(wide, refuse_links ? FILE_FLAG_OPEN_REPARSE_POINT : 0, errnum);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (refuse_links && IsReparsePoint(file)) {
    bool link = IsNameSurrogate(file);
    ::CloseHandle(file);
    if (link) {
      *errnum = ELOOP;
      return false;
    }
    // Opened itself, a cloud file would give its stub: its bytes come through its driver.
    file = OpenForReading(wide, 0, errnum);
    if (file == INVALID_HANDLE_VALUE) return false;
  }
  return ReadOpenFile(file, bytes, errnum);
}

bool ReadFileInFolder(const std::string& folder, const std::string& name, std::vector<char>* bytes,
                      int* errnum, size_t most) {
  bytes->clear();
  std::wstring wide_folder, wide_name;
  if (!Widen(folder.empty() ? "." : folder, &wide_folder) || !Widen(name, &wide_name)) {
    *errnum = ENOENT;
    return false;
  }
  std::wstring wide = WithSeparator(wide_folder) + wide_name;
  HANDLE file = OpenForReading(wide, FILE_FLAG_OPEN_REPARSE_POINT, errnum);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (IsReparsePoint(file)) {
    // A link: followed only to a file inside the folder, whatever links lie on the way.
    ::CloseHandle(file);
    file = OpenForReading(wide, 0, errnum);
    if (file == INVALID_HANDLE_VALUE) return false;
    HANDLE base_handle = ::CreateFileW(wide_folder.c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    std::wstring base;
    if (base_handle != INVALID_HANDLE_VALUE) {
      base = FinalPathOf(base_handle);
      ::CloseHandle(base_handle);
    }
    std::wstring target = FinalPathOf(file);
    base = WithSeparator(base);
    bool inside =
        base.size() > 1 && target.size() > base.size() &&
        ::CompareStringOrdinal(target.c_str(), static_cast<int>(base.size()), base.c_str(),
                               static_cast<int>(base.size()), TRUE) == CSTR_EQUAL;
    if (!inside) {
      ::CloseHandle(file);
      *errnum = EXDEV;
      return false;
    }
  }
  return ReadOpenFile(file, bytes, errnum, most);
}

bool WriteNewFile(const std::string& path, std::string_view content, int* errnum) {
  std::wstring wide;
  if (!Widen(path, &wide)) {
    *errnum = ENOENT;
    return false;
  }
  // No sharing: while its writer has it open, no other process can remove the file.
  HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *errnum = OpenErrno(wide);
    return false;
  }
  bool written = WriteAll(file, content);
  if (!written) *errnum = LastErrno();
  if (!::CloseHandle(file) && written) {
    written = false;
    *errnum = LastErrno();
  }
  return written;
}

bool ReplaceByRename(const std::string& from, const std::string& to, int* errnum) {
  std::wstring wide_from, wide_to;
  if (!Widen(from, &wide_from) || !Widen(to, &wide_to)) {
    *errnum = ENOENT;
    return false;
  }
  // A reader that holds the page open (a virus scanner, an indexer) lets go within moments:
  // a few short waits spare the user a failure.
  for (int attempt = 0;; ++attempt) {
    if (::MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    DWORD error = ::GetLastError();
    if (KindOfAttributes(AttributesOf(wide_to)) == EntryKind::kFolder) {
      *errnum = EISDIR;
      return false;
    }
    if (attempt == 4 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
                         error != ERROR_LOCK_VIOLATION)) {
      *errnum = ErrnoOf(error);
      return false;
    }
    ::Sleep(50);
  }
}

bool RemoveFile(const std::string& path) {
  std::wstring wide;
  return Widen(path, &wide) && ::DeleteFileW(wide.c_str()) != 0;
}

struct AppendFile::State {
  HANDLE file = INVALID_HANDLE_VALUE;
};

AppendFile::AppendFile() : state_(std::make_unique<State>()) {}

AppendFile::~AppendFile() { Close(); }

bool AppendFile::OpenHeld(const std::string& path, int* errnum, bool* in_use) {
  Close();
  *in_use = false;
  std::wstring wide;
  if (!Widen(path, &wide)) {
    *errnum = ENOENT;
    return false;
  }
  // Others may read the file while it is written, but not write it: a second writer's open
  // fails with a sharing violation, which says that the file is held.
  state_->file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (state_->file == INVALID_HANDLE_VALUE) {
    *in_use = ::GetLastError() == ERROR_SHARING_VIOLATION;
    *errnum = OpenErrno(wide);
    return false;
  }
  if (!::SetEndOfFile(state_->file)) {
    *errnum = LastErrno();
    Close();
    return false;
  }
  return true;
}

bool AppendFile::Append(std::string_view bytes) {
  return state_->file != INVALID_HANDLE_VALUE && WriteAll(state_->file, bytes);
}

void AppendFile::Close() {
  if (state_->file != INVALID_HANDLE_VALUE) ::CloseHandle(state_->file);
  state_->file = INVALID_HANDLE_VALUE;
}

bool AppendFile::is_open() const { return state_->file != INVALID_HANDLE_VALUE; }

std::string CurrentFolder() {
  DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return "";
  std::wstring path(size, L'\0');
  DWORD length = ::GetCurrentDirectoryW(size, path.data());
  return length == 0 || length >= size ? "" : Narrow(path.data(), length);
}

long CurrentProcessId() { return static_cast<long>(::GetCurrentProcessId()); }

bool IsProcessRunning(long pid) {
  if (pid <= 0) return false;
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  // A process we may not look at still runs.
  if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  ::CloseHandle(process);
  return running;
}

std::string ProgramPath() {
  std::wstring path(32768, L'\0');
  DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return "";
  path.resize(length);
  return Narrow(path.data(), path.size());
}

// The Windows build publishes to folders only and starts no program of its own.
struct ChildProcess::State {};

ChildProcess::ChildProcess() : state_(std::make_unique<State>()) {}

ChildProcess::~ChildProcess() = default;

bool ChildProcess::Start(const std::string&, int* errnum) {
  *errnum = ENOSYS;
  return false;
}

bool ChildProcess::Send(std::string_view, int* errnum) {
  *errnum = EPIPE;
  return false;
}

bool ChildProcess::Receive(char*, size_t, int* errnum) {
  *errnum = 0;
  return false;
}

DateTime LocalTimeNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

// Linux's texts, so that a message reads the same on both systems.
std::string ErrorText(int errnum) {
  switch (errnum) {
    case ENOENT:
      return "No such file or directory";
    case EACCES:
      return "Permission denied";
    case EPERM:
      return "Operation not permitted";
    case EROFS:
      return "Read-only file system";
    case ENOSPC:
      return "No space left on device";
    case EFBIG:
      return "File too large";
    case EEXIST:
      return "File exists";
    case ENOTDIR:
      return "Not a directory";
    case EISDIR:
      return "Is a directory";
    case EINVAL:
      return "Invalid argument";
    case ELOOP:
      return "Too many levels of symbolic links";
    case ENAMETOOLONG:
      return "File name too long";
    case ENOMEM:
      return "Cannot allocate memory";
    case ENOTEMPTY:
      return "Directory not empty";
    case EIO:
      return "Input/output error";
    default:
      return std::strerror(errnum);
  }
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  // The narrow arguments went through the code page; the wide command line holds every name.
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(wide[i]));
  ::LocalFree(wide);
  return args;
}

void UseBinaryStandardOutput() {
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::vector<std::string> DriveRoots() {
  std::vector<std::string> roots;
  DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (drives & (1u << letter))
      roots.push_back(std::string(1, static_cast<char>('A' + letter)) + ":\\");
  }
  return roots;
}

struct FileLock::State {
  HANDLE file = INVALID_HANDLE_VALUE;
};

FileLock::FileLock() : state_(std::make_unique<State>()) {}

FileLock::~FileLock() { Unlock(); }

FileLock::Outcome FileLock::TryLock(const std::string& path, int* errnum) {
  Unlock();
  std::wstring wide;
  if (!Widen(path, &wide)) return Outcome::kUnavailable;
  // FILE_FLAG_OPEN_REPARSE_POINT: a link named like the lock is opened itself, never followed
  // to make its target, and is then refused below.
  HANDLE file =
      ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *errnum = LastErrno();
    // Something is there under the lock's name that cannot be opened (a folder, a file of
    // another user): a run without the lock would interleave with others. Where nothing is
    // there, the folder takes no files, and the write itself tells why.
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Outcome::kUnavailable;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) *errnum = EISDIR;
    return Outcome::kRefused;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  bool link = IsReparsePoint(file) && IsNameSurrogate(file);
  if (link || ::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    ::CloseHandle(file);
    *errnum = link ? ELOOP : EINVAL;
    return Outcome::kRefused;
  }
  OVERLAPPED from_start{};
  if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &from_start)) {
    bool busy = ::GetLastError() == ERROR_LOCK_VIOLATION;
    ::CloseHandle(file);
    return busy ? Outcome::kBusy : Outcome::kUnavailable;
  }
  state_->file = file;
  return Outcome::kTaken;
}

// The lock file stays: a waiter may hold it open, and a new file under the same name would
// then be a second lock.
void FileLock::Unlock() {
  if (state_->file == INVALID_HANDLE_VALUE) return;
  ::CloseHandle(state_->file);  // closing the handle lets go of its locks
  state_->file = INVALID_HANDLE_VALUE;
}

const bool kHasFolderEvents = false;

namespace {

std::atomic<bool> stop_requested{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  stop_requested = true;
  return TRUE;
}

}  // namespace

struct StopRequests::State {
  bool caught = false;
};

StopRequests::StopRequests() : state_(std::make_unique<State>()) {}

StopRequests::~StopRequests() {
  if (state_->caught) ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool StopRequests::Catch() {
  state_->caught = ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
  return state_->caught;
}

bool StopRequests::Requested() { return stop_requested; }

struct FolderWatch::State {};

FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}

FolderWatch::~FolderWatch() = default;

bool FolderWatch::Open(const std::string&, int*) { return true; }

// No file events here: waits in short steps, so that a stop is seen soon.
bool FolderWatch::Wait(int timeout_ms, StopRequests* stop, Changes*) {
  for (int waited = 0; waited < timeout_ms && !stop->Requested(); waited += 100) {
    ::Sleep(static_cast<DWORD>(std::min(100, timeout_ms - waited)));
  }
  return !stop->Requested();
}

bool SyncFiles(const std::vector<std::string>& paths, int* errnum) {
  for (const std::string& path : paths) {
    std::wstring wide;
    if (!Widen(path, &wide)) {
      *errnum = ENOENT;
      return false;
    }
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      *errnum = LastErrno();
      return false;
    }
    bool flushed = ::FlushFileBuffers(file) != 0;
    if (!flushed) *errnum = LastErrno();
    ::CloseHandle(file);
    if (!flushed) return false;
  }
  return true;
}

// NTFS journals its folder entries itself.
bool SyncFolder(const std::string&) { return true; }

}  // namespace gamefold::platform
