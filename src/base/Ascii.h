// ASCII case folding: names, masks and find texts compare without regard to the case of the
// letters A to Z; every other byte must be equal.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kv {

inline char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// ASCII letters upper-cased in every byte of a word (std::uint32_t or std::uint64_t): a byte is a
// lower-case letter when its low seven bits lie in 0x61..0x7A and its top bit is clear; such
// bytes lose 0x20.
template <typename T>
constexpr T AsciiUpperWord(T x) {
  constexpr T ones = static_cast<T>(0x0101010101010101ULL);
  const T heptets = x & static_cast<T>(0x7F * ones);
  const T aboveBacktick = heptets + static_cast<T>(0x1F * ones);  // top bit: heptet > 0x60
  const T aboveZ = heptets + static_cast<T>(0x05 * ones);         // top bit: heptet > 0x7A
  const T lower = aboveBacktick & ~aboveZ & ~x & static_cast<T>(0x80 * ones);
  return x - (lower >> 2);
}

// Whether n bytes of text, upper-cased, equal n bytes of upper (upper-cased already).
inline bool EqualsUpper(const char* text, const char* upper, std::size_t n) {
  for (; n >= 8; n -= 8, text += 8, upper += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, text, 8);
    std::memcpy(&y, upper, 8);
    if (AsciiUpperWord(x) != y) return false;
  }
  for (; n > 0; --n, ++text, ++upper) {
    if (AsciiUpper(*text) != *upper) return false;
  }
  return true;
}

inline std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = AsciiUpper(c);
  return upper;
}

inline bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace kv
