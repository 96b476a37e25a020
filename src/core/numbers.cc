#include "core/numbers.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace gamefold {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    size_t exponent_start = j;
    while (j < text.size() && IsDigit(text[j])) ++j;
    if (j > exponent_start) i = j;
  }
  return i;
}

double ParseDecimal(std::string_view number) {
  std::string copy(number);
  return std::strtod(copy.c_str(), nullptr);
}

}  // namespace

std::optional<double> StrictNumber(std::string_view text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return std::nullopt;
  size_t end = text.find_last_not_of(' ') + 1;
  std::string_view body = text.substr(begin, end - begin);
  bool negative = false;
  if (body[0] == '+' || body[0] == '-') {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  size_t length = NumberPrefixLength(body);
  if (length == 0 || length != body.size()) return std::nullopt;
  double value = ParseDecimal(body);
  return negative ? -value : value;
}

double LeadingNumber(std::string_view text) {
  std::string packed;
  packed.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') packed += c;
  }
  size_t length = NumberPrefixLength(packed);
  return length == 0 ? 0.0 : ParseDecimal(std::string_view(packed).substr(0, length));
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
