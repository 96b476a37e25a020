#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/folder_listing.h"

// Stops the run on a broken invariant. libFuzzer takes the abort for a crash and saves the input
// that caused it, so an invariant is as good a finding as an out-of-bounds read.
#define FUZZ_CHECK(condition)                                                 \
  do {                                                                        \
    if (!(condition)) ::gamefold::fuzz::Fail(#condition, __FILE__, __LINE__); \
  } while (false)

namespace gamefold::fuzz {

/// Reports the broken invariant and aborts.
[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

/// The fuzzer's bytes as text.
inline std::string_view AsText(const unsigned char* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

/// Splits text at every separator; empty pieces are dropped, since no folder lists an empty name.
inline std::vector<std::string> SplitNames(std::string_view text, char separator) {
  std::vector<std::string> names;
  while (!text.empty()) {
    size_t end = text.find(separator);
    std::string_view name = text.substr(0, end);
    if (!name.empty()) names.emplace_back(name);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return names;
}

/// Characters first to first+count-1 of a name, counted from 1, as far as the name goes.
inline std::string_view Characters(std::string_view name, size_t first, size_t count) {
  return first > name.size() ? std::string_view() : name.substr(first - 1, count);
}

/// The value of exactly four ASCII digits; nothing for any other text.
inline std::optional<int> FourDigits(std::string_view text) {
  if (text.size() != 4) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

/// Puts names in the order in which a folder listing gives them.
inline void SortAsListed(std::vector<std::string>* names) {
  std::sort(names->begin(), names->end(),
            [](const std::string& a, const std::string& b) { return ListingLess(a, b); });
}

/// Splits a written page into its lines; nothing when the page does not end with CR LF or holds
/// an LF that is not the end of a CR LF. A lone CR stays inside its line.
inline std::optional<std::vector<std::string_view>> PageLines(std::string_view page) {
  std::vector<std::string_view> lines;
  while (!page.empty()) {
    size_t end = page.find("\r\n");
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view line = page.substr(0, end);
    if (line.find('\n') != std::string_view::npos) return std::nullopt;
    lines.push_back(line);
    page.remove_prefix(end + 2);
  }
  return lines;
}

/// Walks the lines of a written page, each checked against what it must be.
class LineReader {
 public:
  explicit LineReader(std::vector<std::string_view> lines) : lines_(std::move(lines)) {}

  /// The next line; there must be one.
  std::string_view Next() {
    FUZZ_CHECK(next_ < lines_.size());
    return lines_[next_++];
  }
  /// Takes the next line, which must be line.
  void Expect(std::string_view line) { FUZZ_CHECK(Next() == line); }
  bool AtEnd() const { return next_ == lines_.size(); }

 private:
  std::vector<std::string_view> lines_;
  size_t next_ = 0;
};

/// Undoes the page's escaping of a text: "&amp;", "&lt;", "&gt;" and "&#39;" give back their
/// byte. Nothing when the text holds a raw "<", or an "&" that starts none of those.
inline std::optional<std::string> Unescape(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&#39;", '\''}};
  std::string plain;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '<') return std::nullopt;
    if (text[i] != '&') {
      plain += text[i++];
      continue;
    }
    bool known = false;
    for (const auto& [entity, byte] : kEntities) {
      if (text.substr(i, entity.size()) == entity) {
        plain += byte;
        i += entity.size();
        known = true;
        break;
      }
    }
    if (!known) return std::nullopt;
  }
  return plain;
}

}  // namespace gamefold::fuzz
