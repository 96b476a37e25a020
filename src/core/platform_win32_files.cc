// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// Folder reading and file reads.

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/platform_files.h"
#include "core/platform_win32_internal.h"

namespace gamefold::platform {

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

bool FileSize(const std::string& path, long long* size, int* errnum) {
  std::wstring wide;
  if (!Widen(path, &wide)) {
    *errnum = ENOENT;
    return false;
  }
  // Opened rather than looked up, so that a link gives what it leads to.
  HANDLE file =
      ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *errnum = OpenErrno(wide);
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  bool known = ::GetFileInformationByHandle(file, &info) != 0;
  if (!known) *errnum = LastErrno();
  bool disk = ::GetFileType(file) == FILE_TYPE_DISK;
  ::CloseHandle(file);
  if (!known) return false;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *errnum = EISDIR;
    return false;
  }
  if (!disk || (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) {
    *errnum = ENOTSUP;
    return false;
  }
  *size = static_cast<long long>((static_cast<unsigned long long>(info.nFileSizeHigh) << 32) |
                                 info.nFileSizeLow);
  return true;
}

// Access here is granted by lists of users rather than by owner, group and others.
bool OthersMayAccess(const std::string&) { return false; }

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

bool StampOfPath(const std::string& path, FileStamp* stamp, int* errnum) {
  std::wstring wide;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!Widen(path, &wide)) {
    *errnum = ENOENT;
    return false;
  }
  if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
    *errnum = LastErrno();
    return false;
  }
  stamp->size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  stamp->modified =
      static_cast<std::int64_t>((std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                data.ftLastWriteTime.dwLowDateTime);
  return true;
}

}  // namespace gamefold::platform
