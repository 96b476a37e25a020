// gamefold-io-floor INPUT OUTPUT: the least any program can do for the day-page job, and so the
// yardstick of `gamefold-batch process`: it lists INPUT, reads every boxscore once and writes
// its bytes, untransformed, grouped by day into one file per day in OUTPUT (a temporary file,
// then a rename), with plain system calls and no checks beyond what keeps it honest.

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsBoxscoreName(std::string_view name) {
  return name.size() > 4 && ::strcasecmp(name.data() + name.size() - 4, ".BOX") == 0;
}

bool ListBoxscores(const std::string& folder, std::vector<std::string>* names) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.' && IsBoxscoreName(entry->d_name)) names->push_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(names->begin(), names->end());
  return true;
}

bool AppendFile(const std::string& path, std::string* day) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) == 0) day->reserve(day->size() + static_cast<size_t>(info.st_size));
  char buffer[65536];
  ssize_t got = 0;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
    day->append(buffer, static_cast<size_t>(got));
  ::close(fd);
  return got == 0;
}

bool WriteDay(const std::string& folder, std::string_view key, const std::string& day) {
  std::string path = folder + "/GamesOf" + std::string(key) + ".htm";
  std::string temporary = folder + "/.GamesOf" + std::string(key) + ".htm.tmp";
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = ::write(fd, day.data(), day.size()) == static_cast<ssize_t>(day.size());
  return ::close(fd) == 0 && written && ::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: gamefold-io-floor INPUT OUTPUT\n", stderr);
    return 2;
  }
  std::string input = argv[1], output = argv[2];
  std::vector<std::string> names;
  if (!ListBoxscores(input, &names)) {
    std::perror(input.c_str());
    return 1;
  }
  for (size_t first = 0; first < names.size();) {
    std::string_view key = std::string_view(names[first]).substr(0, 8);
    std::string day;
    size_t next = first;
    for (; next < names.size() && std::string_view(names[next]).substr(0, 8) == key; ++next) {
      if (!AppendFile(input + "/" + names[next], &day)) {
        std::perror(names[next].c_str());
        return 1;
      }
    }
    if (!WriteDay(output, key, day)) {
      std::perror(output.c_str());
      return 1;
    }
    first = next;
  }
  return 0;
}
