#include "tests/support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/folder_listing.h"
#include "core/platform_processes.h"
#include "core/text_file.h"

namespace gamefold::testing {

TempDir::TempDir() {
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

std::string TempDir::operator/(std::string_view name) const { return JoinPath(path_, name); }

TempDir::~TempDir() {
  // A test may have left the folder read-only.
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> AllEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Listing(const std::string& folder, std::string_view pattern) {
  std::vector<std::string> names;
  Failure ignored;
  // A folder that cannot be listed gives no names, which the caller's expectations then show.
  (void)ListFolder(folder, pattern, &names, &ignored);
  return names;
}

bool PermissionsAreIgnored() {
  static const bool ignored = [] {
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    return std::ofstream(dir / "probe").is_open();
  }();
  return ignored;
}

}  // namespace gamefold::testing
