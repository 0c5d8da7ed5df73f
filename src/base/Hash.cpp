// Four independent lanes each take every fourth 16-byte block of little-endian words: the two
// words, each mixed with a constant and one with the lane, are multiplied into 128 bits whose
// halves are folded together, one multiplication per 16 bytes; the processor works on the four
// lanes at once. The lanes, the tail and the length are then folded together and mixed so that
// every input bit reaches every output bit.
#include "base/Hash.h"

#include <cstring>

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
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

// The 128-bit product of a and b folded to 64 bits.
__extension__ typedef unsigned __int128 TWide;

inline std::uint64_t Fold(std::uint64_t a, std::uint64_t b) {
  const TWide product = static_cast<TWide>(a) * b;
  return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
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
  // The lanes start apart from the constants the words are mixed with, so that two words of a
  // block do not play symmetric parts.
  std::uint64_t a = Rotl(Prime2, 13), b = Rotl(Prime3, 29), c = Rotl(Prime4, 43), d = Rotl(Prime1, 7);
  for (; end - p >= 64; p += 64) {
    a = Fold(Word(p) ^ Prime1, Word(p + 8) ^ a);
    b = Fold(Word(p + 16) ^ Prime2, Word(p + 24) ^ b);
    c = Fold(Word(p + 32) ^ Prime3, Word(p + 40) ^ c);
    d = Fold(Word(p + 48) ^ Prime4, Word(p + 56) ^ d);
  }
  std::uint64_t h = Fold(a ^ Rotl(c, 17), b ^ Rotl(d, 41)) ^ (Rotl(a, 7) + Rotl(b, 23) + Rotl(c, 31) + d);
  h += static_cast<std::uint64_t>(n) * Prime1;
  for (; end - p >= 16; p += 16) h = Fold(Word(p) ^ Prime2 ^ h, Word(p + 8) ^ Prime3);
  if (end - p >= 8) {
    h = Fold(Word(p) ^ Prime4, h ^ Prime1);
    p += 8;
  }
  std::uint64_t tail = 0;
  for (int shift = 0; p < end; ++p, shift += 8) tail |= static_cast<std::uint64_t>(*p) << shift;
  h = Fold(tail ^ Prime3, h ^ Prime2);
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
