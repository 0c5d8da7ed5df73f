// Text forms of floating-point numbers used throughout the program: the general form (shortest
// decimal of at most 15 significant digits) and the fixed 18-decimal form of 80-bit values in form
// streams. Both work on the exact decimal expansion of the value, independent of the C locale.
#pragma once

#include <string>

namespace kv {

// The general form: the value rounded to 15 significant digits, trailing zeros dropped.
// Fixed notation when 1e-5 <= |value| < 1e15 after rounding ("0.00001", "123.25",
// "999999999999999"), otherwise a mantissa in the same style, "E" and the exponent with a sign
// only when negative ("1E15", "1.5E-6", "-2.25E300"). Zero, also negative zero, is "0".
// NaN is "NAN", infinities are "INF" and "-INF". decimalSeparator replaces the point.
std::string FormatFloatGeneral(long double value, char decimalSeparator);

// The fixed form of an 80-bit extended value: fixed notation with "." as separator, rounded to 16
// significant digits and always 18 digits after the point (1.5 -> "1.500000000000000000",
// 1/3 -> "0.333333333333333300"). A value too small for 16 significant digits to reach past the
// 18th decimal is rounded once to 18 decimals. Large magnitudes are written out in full
// (1e20 -> "100000000000000000000.000000000000000000"). A result that is all zeros carries no
// minus sign. NaN and infinities are written as in FormatFloatGeneral.
std::string FormatFloatFixed80(long double value);

}  // namespace kv
