#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/platform.h"
#include "core/text_file.h"

namespace gamefold::testing {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    static std::atomic<unsigned> count{0};
    std::string base = std::filesystem::temp_directory_path().string();
    std::string prefix = "gamefold-" + std::to_string(platform::CurrentProcessId()) + "-";
    std::error_code error;
    // A folder of an earlier run with the same process id may still be there: take the next.
    for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
      std::string candidate = JoinPath(base, prefix + std::to_string(count++));
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
    }
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  /// The path of name in the folder, joined as the core joins paths.
  std::string operator/(std::string_view name) const { return JoinPath(path_, name); }

 private:
  std::string path_;
};

/// Writes bytes to path as they are.
inline void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// Reads a whole file's bytes; empty when it is missing.
inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// True when the process can write into read-only folders (root can; on Windows everyone can),
/// so that a test relying on permissions must take another way to make a write fail.
inline bool PermissionsAreIgnored() {
  static const bool ignored = [] {
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    return std::ofstream(dir / "probe").is_open();
  }();
  return ignored;
}

}  // namespace gamefold::testing
