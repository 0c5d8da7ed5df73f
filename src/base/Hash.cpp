// Four independent lanes each take every fourth 8-byte little-endian word, multiplied and
// rotated, so that the processor works on the four at once; the lanes, the tail and the length
// are then folded together and mixed so that every input bit reaches every output bit.
#include "base/Hash.h"


namespace kv {

namespace {

constexpr std::uint64_t Prime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t Prime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t Prime3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t Prime4 = 0x85EBCA77C2B2AE63ULL;

inline std::uint64_t Rotl(std::uint64_t x, int r) {
  return (x << r) | (x >> (64 - r));
}

// Words are read little-endian whatever the machine, so that a stored hash stays valid.
inline std::uint64_t Word(const unsigned char* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

inline std::uint64_t Round(std::uint64_t lane, std::uint64_t word) {
  return Rotl(lane + word * Prime2, 31) * Prime1;
}

inline std::uint64_t Avalanche(std::uint64_t h) {
  h ^= h >> 33;
  h *= Prime2;
  h ^= h >> 29;
  h *= Prime3;
  h ^= h >> 32;
  return h;
}

}  // namespace

std::uint64_t HashBytes(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  const unsigned char* const end = p + n;
  std::uint64_t h;
  if (n >= 32) {
    std::uint64_t a = Prime1 + Prime2, b = Prime2, c = 0, d = 0 - Prime1;
    for (const unsigned char* const last = end - 32; p <= last; p += 32) {
      a = Round(a, Word(p));
      b = Round(b, Word(p + 8));
      c = Round(c, Word(p + 16));
      d = Round(d, Word(p + 24));
    }
    h = Rotl(a, 1) + Rotl(b, 7) + Rotl(c, 12) + Rotl(d, 18);
    for (std::uint64_t lane : {a, b, c, d}) h = (h ^ Round(0, lane)) * Prime1 + Prime4;
  } else {
    h = Prime3;
  }
  h += static_cast<std::uint64_t>(n);
  for (; p + 8 <= end; p += 8) h = Rotl(h ^ Round(0, Word(p)), 27) * Prime1 + Prime4;
  for (; p < end; ++p) h = Rotl(h ^ (*p * Prime3), 11) * Prime1;
  return Avalanche(h);
}

std::string HashText(std::uint64_t hash) {
  static const char digits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) text[static_cast<std::size_t>(i)] = digits[hash & 15];
  return text;
}

bool ParseHashText(std::string_view text, std::uint64_t& hash) {
  if (text.size() != 16) return false;
  std::uint64_t value = 0;
  for (const char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else {
      return false;
    }
    value = (value << 4) | digit;
  }
  hash = value;
  return true;
}

}  // namespace kv
