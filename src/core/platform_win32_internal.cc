// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// What the Windows files share: UTF-8 and UTF-16, attributes, whole writes.

#include "core/platform_win32_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/platform_files.h"

namespace gamefold::platform {

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
  if (count > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, wide, size, text.data(), count, nullptr, nullptr);
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
  HANDLE file =
      ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

}  // namespace gamefold::platform
