#include "support/temp_dir.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/folder_listing.h"

namespace gamefold::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "gamefold-XXXXXX").string();
  path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
}

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
  ListFolder(folder, pattern, &names, &ignored);
  return names;
}

bool PermissionsAreIgnored() { return ::geteuid() == 0; }

}  // namespace gamefold::testing
