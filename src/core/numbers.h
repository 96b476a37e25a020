#pragma once

#include <optional>
#include <string_view>

namespace gamefold {

// Both readings take "blank" to mean the space character only, and take the exponent letter in
// either case ("E" or "e", then an optional sign and digits). Neither depends on the C locale.

/// The strict reading of a text as a number: the whole text must be a decimal number (blanks
/// around it, an optional sign, digits with at most one decimal point, an optional exponent).
/// Returns nothing when the text is not numeric (an empty or all-blank text is not).
std::optional<double> StrictNumber(std::string_view text);

/// True when StrictNumber reads text as a number; cheaper, as it computes no value.
bool IsStrictNumber(std::string_view text);

/// The leading reading: blanks anywhere are ignored and the value is that of the longest prefix
/// that forms an unsigned decimal number (digits, a decimal point, an exponent); 0 when none.
double LeadingNumber(std::string_view text);

/// Rounds to the nearest integer, halves to even (2.5 gives 2, 3.5 gives 4).
double RoundHalfEven(double value);

/// Rounds half to even and checks that the result fits a 16-bit signed integer.
std::optional<int> ToInt16(double value);

}  // namespace gamefold
