#pragma once

// What the Windows platform files share; defined in platform_win32_internal.cc, the error
// numbers in platform_win32_errors.cc.

#include <windows.h>

#include <string>
#include <string_view>

#include "core/platform_files.h"

namespace gamefold::platform {

/// The error number of <cerrno> that Linux gives for the same cause as the Windows error.
int ErrnoOf(DWORD error);
/// ErrnoOf of the last Windows error of this thread.
int LastErrno();
/// UTF-8 to UTF-16; false for bytes that are no UTF-8, which no file name can match.
[[nodiscard]] bool Widen(std::string_view text, std::wstring* wide);
/// UTF-16 to UTF-8, length characters of wide.
std::string Narrow(const wchar_t* wide, size_t length);
/// UTF-16 to UTF-8 up to the terminating zero.
std::string Narrow(const wchar_t* wide);
/// The attributes of path, links followed; INVALID_FILE_ATTRIBUTES when nothing is there.
DWORD AttributesOf(const std::wstring& path);
/// The error number of a failed open of path, "Not a directory" where Linux says so.
int OpenErrno(const std::wstring& path);
/// The kind of entry that attributes describe.
EntryKind KindOfAttributes(DWORD attributes);
/// A folder path with a separator at its end, so that a name or "*" can follow.
std::wstring WithSeparator(std::wstring folder);
/// Writes all of content to file; false on a failure.
[[nodiscard]] bool WriteAll(HANDLE file, std::string_view content);
/// True for any reparse point, opened itself with FILE_FLAG_OPEN_REPARSE_POINT.
bool IsReparsePoint(HANDLE file);
/// True for a reparse point whose name leads elsewhere: a symbolic link, a junction.
bool IsNameSurrogate(HANDLE file);

}  // namespace gamefold::platform
