// Replays kept inputs through a fuzz target without libFuzzer, so that the ordinary test suite
// (and its sanitizer build) checks every seed and every kept finding with any compiler.
// Arguments are files, or folders whose regular files are all replayed; an argument that does
// not exist is skipped, so a target with no kept findings yet needs no special case.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
    return 1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so that the sanitizers catch a read past its end.
  std::vector<uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path argument(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(argument, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(argument)) {
        if (!entry.is_regular_file()) continue;
        failed += Replay(entry.path());
        ++replayed;
      }
    } else if (std::filesystem::exists(argument, error)) {
      failed += Replay(argument);
      ++replayed;
    }
  }
  std::printf("%d inputs replayed\n", replayed);
  // An empty replay means the corpus went missing, which must not pass as a success.
  return failed == 0 && replayed > 0 ? 0 : 1;
}
