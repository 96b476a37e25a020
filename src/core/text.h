#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gamefold {

// Small rules on bytes of text that several readers share. "Blank" is the space character only:
// tabs and other control bytes are text like any other.

/// True for the ASCII digits 0 to 9.
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

/// True when text is one or more ASCII digits and nothing else.
bool IsDigits(std::string_view text);

/// The value of a run of at most nine ASCII digits; nothing for an empty text, another byte, or
/// a longer run.
std::optional<int> DigitsValue(std::string_view text);

/// The number that count digits write at the 1-based position of text; nothing when text ends
/// before them or a byte there is not a digit.
std::optional<int> DigitsAt(std::string_view text, size_t position, size_t count);

/// Characters first to first + count - 1 of text, counted from 1; fewer when text ends before
/// (none when it ends before first).
std::string_view Characters(std::string_view text, size_t first, size_t count);

/// text without the blanks at either end; empty when it holds only blanks.
std::string_view TrimBlanks(std::string_view text);

/// value (not negative) in at least width decimal digits, zeros in front.
std::string ZeroPadded(int value, size_t width);

/// True for a character set name a page may declare: 1 to 40 letters, digits and ". _ : + -".
/// Anything else could end the attribute and put markup of its own into every page.
bool IsCharsetName(std::string_view name);

/// Adds the line "<meta charset=NAME>" after the first line of page; nothing when charset is
/// empty, so that a page without a declared character set keeps its bytes.
void DeclareCharset(std::string* page, std::string_view charset);

}  // namespace gamefold
