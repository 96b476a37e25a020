#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
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
[[nodiscard]] bool ListFolder(const std::string& folder, std::string_view pattern,
                              std::vector<std::string>* names, Failure* err);

/// The order of a compact listing's names.
enum class ListingOrder {
  kSorted,      // every name in ListingLess order
  kLeastFirst,  // the least name (by ListingLess) first, the others in no particular order
};

/// Names of a folder held in one block of bytes, with views of them: far fewer allocations and
/// memory pages than a string per name. Movable, not copyable (the views point into the block).
class CompactListing {
 public:
  CompactListing() = default;
  CompactListing(CompactListing&&) = default;
  CompactListing& operator=(CompactListing&&) = default;
  CompactListing(const CompactListing&) = delete;
  CompactListing& operator=(const CompactListing&) = delete;

  /// The names, valid as long as the listing lives unchanged.
  std::span<const std::string_view> names() const { return names_; }
  /// Puts the names in ListingLess order.
  void Sort();

 private:
  friend bool ListFolder(const std::string& folder, std::string_view pattern, ListingOrder order,
                         CompactListing* listing, Failure* err);

  std::vector<char> bytes_;  // each name followed by a NUL byte
  std::vector<std::string_view> names_;
};

/// Lists the same names as the form above into listing, in the order asked for; kLeastFirst
/// spares the sort when only the first name's place matters. Fails when the folder cannot be
/// read, leaving listing empty.
[[nodiscard]] bool ListFolder(const std::string& folder, std::string_view pattern,
                              ListingOrder order, CompactListing* listing, Failure* err);

/// A folder listing that remembers its folder and pattern, as the window's hidden file lists do.
class FileList {
 public:
  explicit FileList(std::string pattern) : pattern_(std::move(pattern)) {}

  /// Points the list at folder and reads it. On failure the previous folder and names stay.
  [[nodiscard]] bool SetPath(const std::string& folder, Failure* err);
  /// Takes names as the folder's listing, read by someone else.
  void SetNames(std::vector<std::string> names) { names_ = std::move(names); }
  /// Changes the pattern; the names follow at the next read.
  void set_pattern(std::string pattern) { pattern_ = std::move(pattern); }

  const std::string& path() const { return path_; }
  const std::string& pattern() const { return pattern_; }
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::string pattern_;
  std::string path_;
  std::vector<std::string> names_;
};

/// True when path names a regular, non-hidden file; when its last part holds "*" or "?", true
/// when any such file of its folder matches it.
bool FileExists(const std::string& path);

}  // namespace gamefold
