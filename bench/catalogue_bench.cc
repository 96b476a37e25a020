// Rebuilds the game-day catalogue over a folder of 50,000 boxscore names and 150 day pages, as
// a long-running league would hold, and prints how long one rebuild takes; then how long the
// listing order takes to sort those names, as the window's file lists and `process` sort theirs.

#include <algorithm>
#include <random>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "core/folder_listing.h"

namespace {

constexpr int kBoxscores = 50000;
constexpr int kPages = 150;
constexpr int kRuns = 200;
constexpr int kSortRuns = 30;

// Boxscores spread over the 183 days from April to September, in listing order.
std::vector<std::string> BoxscoreNames() {
  std::vector<std::string> names;
  names.reserve(kBoxscores);
  for (int i = 0; i < kBoxscores; ++i) {
    int day = i * 183 / kBoxscores;
    int month = 4 + day / 31;
    char name[32];
    std::snprintf(name, sizeof name, "2008%02d%02d%05d.box", month, 1 + day % 31, i);
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> PageNames() {
  std::vector<std::string> names;
  for (int day = 0; day < kPages; ++day) {
    char name[32];
    std::snprintf(name, sizeof name, "GamesOf2008%02d%02d.htm", 4 + day / 31, 1 + day % 31);
    names.push_back(name);
  }
  return names;
}

}  // namespace

int main() {
  std::vector<std::string> boxscores = BoxscoreNames();
  std::vector<std::string> pages = PageNames();

  double min_ms = 1e9;
  double max_ms = 0;
  double total_ms = 0;
  size_t entries = 0;
  for (int run = 0; run < kRuns; ++run) {
    auto start = std::chrono::steady_clock::now();
    gamefold::CatalogueResult result = gamefold::BuildCatalogue(boxscores, pages);
    auto stop = std::chrono::steady_clock::now();
    entries = result.entries.size();
    double ms = std::chrono::duration<double, std::milli>(stop - start).count();
    min_ms = std::min(min_ms, ms);
    max_ms = std::max(max_ms, ms);
    total_ms += ms;
  }
  std::printf("BuildCatalogue over %d boxscores and %d pages (%zu days listed), %d runs\n",
              kBoxscores, kPages, entries, kRuns);
  std::printf("min %.3f ms  max %.3f ms  avg %.3f ms\n", min_ms, max_ms, total_ms / kRuns);

  // The names as a folder gives them: in no particular order.
  std::vector<double> sort_ms;
  std::mt19937 shuffle(1);
  for (int run = 0; run < kSortRuns; ++run) {
    std::vector<std::string> names = boxscores;
    std::shuffle(names.begin(), names.end(), shuffle);
    auto start = std::chrono::steady_clock::now();
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return gamefold::ListingLess(a, b); });
    auto stop = std::chrono::steady_clock::now();
    sort_ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
  }
  std::sort(sort_ms.begin(), sort_ms.end());
  std::printf("listing order of %d names, %d runs: min %.2f ms  median %.2f ms\n", kBoxscores,
              kSortRuns, sort_ms.front(), sort_ms[sort_ms.size() / 2]);
  return 0;
}
