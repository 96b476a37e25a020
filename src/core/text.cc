#include "core/text.h"

namespace gamefold {

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

std::optional<int> DigitsValue(std::string_view text) {
  // Nine digits always fit an int.
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<int> DigitsAt(std::string_view text, size_t position, size_t count) {
  std::string_view digits = Characters(text, position, count);
  if (digits.size() != count) return std::nullopt;
  return DigitsValue(digits);
}

std::string_view Characters(std::string_view text, size_t first, size_t count) {
  if (first == 0 || first > text.size()) return {};
  return text.substr(first - 1, count);
}

std::string_view TrimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string ZeroPadded(int value, size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

}  // namespace gamefold
