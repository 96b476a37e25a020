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

bool IsCharsetName(std::string_view name) {
  if (name.empty() || name.size() > 40) return false;
  for (char c : name) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !IsDigit(c) && c != '.' && c != '_' && c != ':' && c != '+' && c != '-') {
      return false;
    }
  }
  return true;
}

void DeclareCharset(std::string* page, std::string_view charset) {
  if (charset.empty()) return;
  // Right after "<HTML>": the browser looks for the declaration in the first bytes of the page,
  // and a line of its own leaves every other line of the page as it was.
  size_t line_end = page->find('\n');
  size_t at = line_end == std::string::npos ? page->size() : line_end + 1;
  page->insert(at, std::string("<meta charset=").append(charset).append(">\r\n"));
}

}  // namespace gamefold
