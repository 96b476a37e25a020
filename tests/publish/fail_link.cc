// Loaded into the test's SFTP server: the Nth link() or rename() of the process fails with
// EACCES, N being the number in the file that GAMEFOLD_FAIL_LINK_FILE names, read at each call
// (no file, or 0: none fails). It shows what publish does when the host refuses a rename.

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

int calls = 0;

bool ThisCallFails() {
  ++calls;
  const char* path = std::getenv("GAMEFOLD_FAIL_LINK_FILE");
  std::FILE* file = path == nullptr ? nullptr : std::fopen(path, "r");
  if (file == nullptr) return false;
  int failing = 0;
  if (std::fscanf(file, "%d", &failing) != 1) failing = 0;
  std::fclose(file);
  return failing == calls;
}

using TwoPaths = int (*)(const char*, const char*);

int Call(const char* symbol, const char* from, const char* to) {
  if (ThisCallFails()) {
    errno = EACCES;
    return -1;
  }
  auto real = reinterpret_cast<TwoPaths>(dlsym(RTLD_NEXT, symbol));
  return real(from, to);
}

}  // namespace

extern "C" int link(const char* from, const char* to) { return Call("link", from, to); }
extern "C" int rename(const char* from, const char* to) { return Call("rename", from, to); }
