// Arbitrary bytes to the shared helpers: line splitting, the two number readings, the listing
// pattern and the listing order. Checks each against its own definition.

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/folder_listing.h"
#include "core/numbers.h"
#include "core/text_file.h"
#include "fuzz/fuzz_check.h"

namespace gamefold::fuzz {

namespace {

// The lines, each given back its end, are the bytes again: LF after every line but maybe the
// last, and a CR before it where the bytes had one.
void CheckSplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines = SplitLines(bytes);
  FUZZ_CHECK(lines.empty() == bytes.empty());
  size_t at = 0;
  for (std::string_view line : lines) {
    FUZZ_CHECK(line.data() == bytes.data() + at);
    FUZZ_CHECK(line.find('\n') == std::string_view::npos);
    at += line.size();
    bool cr_in_end =
        at < bytes.size() && bytes[at] == '\r' && (at + 1 == bytes.size() || bytes[at + 1] == '\n');
    if (cr_in_end) ++at;
    // Otherwise the line ends at an LF or the last byte, and a CR there would have been its end.
    if (!cr_in_end && !line.empty()) FUZZ_CHECK(line.back() != '\r');
    if (at < bytes.size()) {
      FUZZ_CHECK(bytes[at] == '\n');
      ++at;
    }
  }
  FUZZ_CHECK(at == bytes.size());
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void CheckNumbers(std::string_view text) {
  std::optional<double> strict = StrictNumber(text);
  FUZZ_CHECK(strict.has_value() == IsStrictNumber(text));
  if (strict) {
    FUZZ_CHECK(!std::isnan(*strict));
    // A number holds a digit, and the strict reading allows nothing but blanks around it.
    FUZZ_CHECK(text.find_first_of("0123456789") != std::string_view::npos);
    FUZZ_CHECK(text.find_first_not_of(" +-.0123456789Ee") == std::string_view::npos);
  }
  double leading = LeadingNumber(text);
  FUZZ_CHECK(!std::isnan(leading) && leading >= 0);
  // Without any digit there is no number to lead with.
  bool has_digit = false;
  for (char c : text) has_digit = has_digit || IsDigit(c);
  if (!has_digit) FUZZ_CHECK(leading == 0);
  // An unsigned strict number with no blank inside reads the same both ways.
  if (strict && text.find_first_not_of("0123456789.Ee") == std::string_view::npos) {
    FUZZ_CHECK(leading == *strict);
  }
  double rounded = RoundHalfEven(leading);
  FUZZ_CHECK(std::isinf(leading) || std::fabs(rounded - leading) <= 0.5);
  if (std::optional<int> small = ToInt16(leading)) {
    FUZZ_CHECK(*small >= -32768 && *small <= 32767 && *small == rounded);
  }
}

unsigned char Fold(char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 32) : byte;
}

// The reference matcher, by table: matches[i][j] tells whether the last i bytes of name match
// the last j bytes of pattern.
bool ReferenceMatch(std::string_view name, std::string_view pattern) {
  const size_t n = name.size(), m = pattern.size();
  std::vector<std::vector<bool>> matches(n + 1, std::vector<bool>(m + 1, false));
  matches[0][0] = true;
  for (size_t j = 1; j <= m; ++j) matches[0][j] = pattern[m - j] == '*' && matches[0][j - 1];
  for (size_t i = 1; i <= n; ++i) {
    for (size_t j = 1; j <= m; ++j) {
      char p = pattern[m - j];
      if (p == '*') {
        matches[i][j] = matches[i][j - 1] || matches[i - 1][j];
      } else {
        matches[i][j] = (p == '?' || Fold(p) == Fold(name[n - i])) && matches[i - 1][j - 1];
      }
    }
  }
  return matches[n][m];
}

void CheckPattern(std::string_view name, std::string_view pattern) {
  FUZZ_CHECK(MatchesPattern(name, name));
  FUZZ_CHECK(MatchesPattern(name, "*"));
  // The reference takes time and memory of the two sizes' product.
  if (name.size() <= 512 && pattern.size() <= 512) {
    FUZZ_CHECK(MatchesPattern(name, pattern) == ReferenceMatch(name, pattern));
  }
}

// The listing order byte by byte: ASCII letters folded, then the shorter first, then bytes.
bool ReferenceLess(std::string_view a, std::string_view b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return Fold(a[i]) < Fold(b[i]);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// A listing order must be a strict total order: sorting relies on it.
void CheckOrder(std::string_view a, std::string_view b, std::string_view c) {
  FUZZ_CHECK(ListingLess(a, b) == ReferenceLess(a, b));
  FUZZ_CHECK(ListingLess(b, c) == ReferenceLess(b, c));
  FUZZ_CHECK(!ListingLess(a, a));
  FUZZ_CHECK(!(ListingLess(a, b) && ListingLess(b, a)));
  FUZZ_CHECK(a == b || ListingLess(a, b) || ListingLess(b, a));
  if (ListingLess(a, b) && ListingLess(b, c)) FUZZ_CHECK(ListingLess(a, c));
}

// Cuts the next part from the input, up to a NUL.
std::string_view NextPart(std::string_view* rest) {
  size_t end = rest->find('\0');
  std::string_view part = rest->substr(0, end);
  *rest = end == std::string_view::npos ? std::string_view() : rest->substr(end + 1);
  return part;
}

}  // namespace

}  // namespace gamefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace gamefold::fuzz;
  std::string_view bytes = AsText(data, size);
  CheckSplitLines(bytes);
  for (std::string_view line : gamefold::SplitLines(bytes)) CheckNumbers(line);
  std::string_view rest = bytes;
  std::string_view first = NextPart(&rest);
  std::string_view second = NextPart(&rest);
  std::string_view third = NextPart(&rest);
  CheckPattern(first, second);
  CheckOrder(first, second, third);
  return 0;
}
