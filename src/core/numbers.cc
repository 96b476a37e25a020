#include "core/numbers.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "core/text.h"

namespace gamefold {

namespace {

bool IsExponentLetter(char c) { return c == 'E' || c == 'e'; }

// Length of the decimal number (digits, one point, exponent) at the start of text; 0 when
// text does not begin with one. A lone point, or an exponent without digits, is not part of it.
size_t NumberPrefixLength(std::string_view text) {
  size_t i = 0;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    size_t after_point = i + 1;
    while (after_point < text.size() && IsDigit(text[after_point])) ++after_point, ++digits;
    if (digits > 0) i = after_point;
  }
  if (digits == 0) return 0;
  if (i < text.size() && IsExponentLetter(text[i])) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    size_t exponent_start = j;
    while (j < text.size() && IsDigit(text[j])) ++j;
    if (j > exponent_start) i = j;
  }
  return i;
}

// Whether a number that a double cannot hold is too large (rather than too small): its decimal
// order of magnitude, from the place of its first significant digit plus its exponent, is
// positive. Only reached for hundreds of digits or exponents beyond 300.
bool ExceedsDouble(std::string_view number) {
  long long magnitude = 0;
  bool significant = false;
  bool after_point = false;
  size_t i = 0;
  for (; i < number.size() && !IsExponentLetter(number[i]); ++i) {
    if (number[i] == '.') {
      after_point = true;
    } else if (!significant && number[i] == '0') {
      if (after_point) --magnitude;
    } else {
      significant = true;
      if (!after_point) ++magnitude;
    }
  }
  if (i < number.size()) {
    bool negative = i + 1 < number.size() && number[i + 1] == '-';
    long long exponent = 0;
    for (char c : number.substr(i + 1)) {
      if (IsDigit(c) && exponent < 1'000'000'000) exponent = exponent * 10 + (c - '0');
    }
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude > 0;
}

// Reads a text that NumberPrefixLength accepted whole. from_chars, unlike strtod, always takes
// "." as the decimal point, whatever locale the window has set.
double ParseDecimal(std::string_view number) {
  double value = 0.0;
  std::from_chars_result result =
      std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    return ExceedsDouble(number) ? HUGE_VAL : 0.0;
  }
  return value;
}

// The signed number body of a strict reading: the text without its surrounding blanks and sign.
// Returns false when nothing but blanks and a sign is left.
bool StrictBody(std::string_view text, std::string_view* body, bool* negative) {
  *body = TrimBlanks(text);
  if (body->empty()) return false;
  *negative = (*body)[0] == '-';
  if ((*body)[0] == '+' || (*body)[0] == '-') body->remove_prefix(1);
  size_t length = NumberPrefixLength(*body);
  return length != 0 && length == body->size();
}

}  // namespace

std::optional<double> StrictNumber(std::string_view text) {
  std::string_view body;
  bool negative = false;
  if (!StrictBody(text, &body, &negative)) return std::nullopt;
  double value = ParseDecimal(body);
  return negative ? -value : value;
}

bool IsStrictNumber(std::string_view text) {
  std::string_view body;
  bool negative = false;
  return StrictBody(text, &body, &negative);
}

double LeadingNumber(std::string_view text) {
  // Names and fields are short: packing them on the stack keeps a catalogue scan of thousands
  // of names free of allocations.
  char buffer[64];
  std::string long_text;
  std::string_view packed;
  if (text.size() <= sizeof buffer) {
    size_t size = 0;
    for (char c : text) {
      if (c != ' ') buffer[size++] = c;
    }
    packed = std::string_view(buffer, size);
  } else {
    for (char c : text) {
      if (c != ' ') long_text += c;
    }
    packed = long_text;
  }
  size_t length = NumberPrefixLength(packed);
  return length == 0 ? 0.0 : ParseDecimal(packed.substr(0, length));
}

double RoundHalfEven(double value) {
  // nearbyint follows the current rounding mode, which is round-to-nearest-even by default.
  return std::nearbyint(value);
}

std::optional<int> ToInt16(double value) {
  double rounded = RoundHalfEven(value);
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) return std::nullopt;
  return static_cast<int>(rounded);
}

}  // namespace gamefold
