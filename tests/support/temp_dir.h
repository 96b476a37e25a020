#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace gamefold::testing {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  /// The path of name in the folder, joined as the core joins paths.
  std::string operator/(std::string_view name) const;

 private:
  std::string path_;
};

/// Writes bytes to path as they are.
void WriteBytes(const std::string& path, std::string_view bytes);

/// Reads a whole file's bytes; empty when it is missing.
std::string ReadBytes(const std::string& path);

/// Every name in folder, hidden ones included, in byte order: what a temporary file left behind
/// would show in. Empty when the folder cannot be read.
std::vector<std::string> AllEntries(const std::string& folder);

/// The folder's names as the program lists them (ListFolder); empty when it cannot be read.
std::vector<std::string> Listing(const std::string& folder, std::string_view pattern);

/// True when the process can write into read-only folders (root can; on Windows everyone can),
/// so that a test relying on permissions must take another way to make a write fail.
bool PermissionsAreIgnored();

}  // namespace gamefold::testing
