// Floating-point text forms. The digits come from the C library's "%Le" conversion, which rounds
// the exact binary value correctly and never depends on the locale for its digits; the placing of
// the decimal point and the exponent is done here on the digit string.
#include "base/FloatText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kv {

namespace {

// A finite, non-zero value as sign, significant digits d1 d2 ... dn and a decimal exponent:
// value = d1.d2...dn × 10^Exponent.
struct TDecimalDigits {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

// Rounds value to significantDigits digits (at least 1).
TDecimalDigits ToDecimalDigits(long double value, int significantDigits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*Le", significantDigits - 1, value);
  TDecimalDigits result;
  const char* p = text;
  if (*p == '-') {
    result.Negative = true;
    ++p;
  }
  for (; *p != 'e' && *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9') result.Digits += *p;
  }
  if (*p == 'e') result.Exponent = static_cast<int>(std::strtol(p + 1, nullptr, 10));
  return result;
}

// Text of NaN and the infinities, or empty for a finite value.
std::string NonFiniteText(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  return {};
}

}  // namespace

std::string FormatFloatGeneral(long double value, char decimalSeparator) {
  if (std::string text = NonFiniteText(value); !text.empty()) return text;
  if (value == 0) return "0";
  // Whole numbers below 10^15 (most values of a report: sizes, positions, widths) are their own
  // 15-digit form.
  if (std::fabs(value) < 1e15L && value == std::trunc(value)) {
    return std::to_string(static_cast<long long>(value));
  }

  TDecimalDigits d = ToDecimalDigits(value, 15);
  while (d.Digits.size() > 1 && d.Digits.back() == '0') d.Digits.pop_back();
  const int digitCount = static_cast<int>(d.Digits.size());

  std::string text = d.Negative ? "-" : "";
  if (d.Exponent < -5 || d.Exponent >= 15) {
    text += d.Digits[0];
    if (digitCount > 1) {
      text += decimalSeparator;
      text.append(d.Digits, 1);
    }
    text += 'E';
    text += std::to_string(d.Exponent);
  } else if (d.Exponent < 0) {
    text += '0';
    text += decimalSeparator;
    text.append(static_cast<std::size_t>(-d.Exponent - 1), '0');
    text += d.Digits;
  } else {
    const int integerDigits = d.Exponent + 1;
    if (digitCount <= integerDigits) {
      text += d.Digits;
      text.append(static_cast<std::size_t>(integerDigits - digitCount), '0');
    } else {
      text.append(d.Digits, 0, static_cast<std::size_t>(integerDigits));
      text += decimalSeparator;
      text.append(d.Digits, static_cast<std::size_t>(integerDigits));
    }
  }
  return text;
}

std::string FormatFloatFixed80(long double value) {
  constexpr int Decimals = 18;
  constexpr int Significant = 16;
  if (std::string text = NonFiniteText(value); !text.empty()) return text;

  std::string text;
  const TDecimalDigits d = value == 0 ? TDecimalDigits{} : ToDecimalDigits(value, Significant);
  if (value != 0 && d.Exponent + Decimals + 1 >= Significant) {
    // All 16 significant digits lie at or above the 18th decimal: place the point among them.
    if (d.Negative) text += '-';
    std::string fraction;
    if (d.Exponent >= 0) {
      const std::size_t integerDigits = static_cast<std::size_t>(d.Exponent) + 1;
      if (integerDigits >= d.Digits.size()) {
        text += d.Digits;
        text.append(integerDigits - d.Digits.size(), '0');
      } else {
        text.append(d.Digits, 0, integerDigits);
        fraction.assign(d.Digits, integerDigits);
      }
    } else {
      text += '0';
      fraction.assign(static_cast<std::size_t>(-d.Exponent - 1), '0');
      fraction += d.Digits;
    }
    fraction.resize(Decimals, '0');
    text += '.';
    text += fraction;
  } else {
    // The 18th decimal is the coarser limit: round the exact value once to 18 decimals.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Lf", Decimals, value);
    text = buffer;
  }
  // A value that rounds to zero is written without a sign.
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

}  // namespace kv
