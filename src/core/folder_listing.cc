#include "core/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace gamefold {

namespace {

unsigned char Fold(char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

bool IsRegularEntry(int dir_fd, const dirent* entry) {
  if (entry->d_type == DT_REG) return true;
  if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return false;
  // Only links and file systems that do not report the type need a stat.
  struct stat info {};
  return ::fstatat(dir_fd, entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  // Classic greedy matcher with one backtrack point for the last "*".
  size_t n = 0, p = 0;
  size_t star = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_n = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool ListingLess(std::string_view a, std::string_view b) {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    unsigned char fa = Fold(a[i]), fb = Fold(b[i]);
    if (fa != fb) return fa < fb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool ListFolder(const std::string& folder, std::string_view pattern,
                std::vector<std::string>* names, Failure* err) {
  names->clear();
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    *err = FailureFromErrno(errno, "cannot list the folder", folder);
    return false;
  }
  int dir_fd = ::dirfd(dir);
  int errnum = 0;
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      errnum = errno;
      break;
    }
    if (entry->d_name[0] == '.') continue;
    std::string_view name(entry->d_name);
    if (!MatchesPattern(name, pattern) || !IsRegularEntry(dir_fd, entry)) continue;
    names->emplace_back(name);
  }
  ::closedir(dir);
  if (errnum != 0) {
    names->clear();
    *err = FailureFromErrno(errnum, "cannot list the folder", folder);
    return false;
  }
  std::sort(names->begin(), names->end(),
            [](const std::string& a, const std::string& b) { return ListingLess(a, b); });
  return true;
}

bool FileList::SetPath(const std::string& folder, Failure* err) {
  std::vector<std::string> names;
  if (!ListFolder(folder, pattern_, &names, err)) return false;
  path_ = folder;
  names_ = std::move(names);
  return true;
}

bool FileExists(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name[0] == '.') return false;
  if (name.find_first_of("*?") == std::string::npos) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  }
  std::vector<std::string> names;
  Failure ignored;
  return ListFolder(folder, name, &names, &ignored) && !names.empty();
}

}  // namespace gamefold
