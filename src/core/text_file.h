#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// Splits bytes into lines. A line ends at LF; a CR right before that LF, or a CR that is the
/// very last byte, belongs to the line end. A last line without LF is still a line; no bytes
/// give no lines. The views point into bytes.
std::vector<std::string_view> SplitLines(std::string_view bytes);

/// Reads a whole file as bytes. Fails on a missing or unreadable file and on anything that is
/// not a regular file (a folder named x.BOX).
bool ReadWholeFile(const std::string& path, std::vector<char>* bytes, Failure* err);

/// Appends line and CR LF to out.
void AppendLine(std::string* out, std::string_view line);

/// Joins a folder and a file name with one separator ("/", or "\\" on Windows); a folder that
/// ends in either separator gets no other.
std::string JoinPath(std::string_view folder, std::string_view name);

/// Replaces the file at path with content, so that readers see the old file or the new one and
/// nothing in between: the bytes go to a temporary file beside it whose name begins with "."
/// (no listing counts it), which is then renamed over path. On failure the temporary file is
/// removed and an existing file at path is left as it was.
bool WriteFileAtomically(const std::string& path, std::string_view content, Failure* err);

/// Removes from folder the temporary files that WriteFileAtomically left there for a day page or
/// the index page in a process that no longer runs (one killed while writing). Those of running
/// processes stay, and so does every other name, however much it resembles one.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace gamefold
