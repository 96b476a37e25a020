#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// Matches a file name against a pattern of "*" (any run of bytes) and "?" (one byte), ASCII
/// letter case ignored: "*.BOX" matches "x.box".
bool MatchesPattern(std::string_view name, std::string_view pattern);

/// The order of a folder listing: ASCII letters taken as lower case and every other byte by its
/// value (as strcasecmp does); names equal that way then in plain byte order.
bool ListingLess(std::string_view a, std::string_view b);

/// Lists the names of the regular files in folder that are not hidden (no leading ".") and match
/// pattern, in ListingLess order. A symbolic link counts as the file it leads to; one that leads
/// nowhere is left out. Fails when the folder cannot be read.
bool ListFolder(const std::string& folder, std::string_view pattern,
                std::vector<std::string>* names, Failure* err);

/// True when path names a regular, non-hidden file; when its last part holds "*" or "?", true
/// when any such file of its folder matches it.
bool FileExists(const std::string& path);

}  // namespace gamefold
