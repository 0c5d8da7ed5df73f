// Finds every occurrence of every find text of a conversion table in an upper-cased text, in one
// pass. Each position's first few bytes (a "gram") are hashed and tested against a small bitmap
// of the grams that begin a find text; only positions that pass are compared with the find texts
// that begin with that gram. The positions are independent of each other, so the pass runs at
// close to memory speed, and the bitmap stays in the first-level cache.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

class TPairMatcher {
 public:
  // patterns: the find texts, already upper-cased (ASCII). Empty ones never match.
  explicit TPairMatcher(std::vector<std::string> patterns);

  std::size_t PatternCount() const { return Patterns.size(); }
  const std::string& Pattern(std::size_t p) const { return Patterns[p]; }

  // Calls onMatch(position, pattern) for every occurrence of every pattern in upper (a text
  // upper-cased the same way), by increasing position; occurrences may overlap.
  template <typename F>
  void ForEachMatch(std::string_view upper, F&& onMatch) const;

 private:
  static constexpr unsigned FilterBits = 16;

  static std::uint32_t Hash(std::uint32_t gram) {
    return (gram * 0x9E3779B1u) >> (32 - FilterBits);
  }
  bool MayStartAt(std::uint32_t hash) const { return (Filter[hash >> 6] >> (hash & 63)) & 1; }
  // Compares short runs inline, eight bytes at a time; find texts are mostly short.
  static bool SameBytes(const char* a, const char* b, std::size_t n) {
    for (; n >= 8; n -= 8, a += 8, b += 8) {
      std::uint64_t x, y;
      std::memcpy(&x, a, 8);
      std::memcpy(&y, b, 8);
      if (x != y) return false;
    }
    for (; n > 0; --n, ++a, ++b) {
      if (*a != *b) return false;
    }
    return true;
  }
  template <typename F>
  void Verify(std::string_view upper, std::size_t at, std::uint32_t gram, F& onMatch) const;

  std::vector<std::string> Patterns;
  std::size_t GramLength = 0;  // 0 when there is no non-empty pattern
  std::uint32_t GramMask = 0;
  std::vector<std::uint64_t> Filter;
  // Open-addressing table from gram to the patterns that begin with it.
  struct TSlot {
    std::uint32_t Gram = 0;
    std::uint32_t First = 0;  // index into SlotPatterns
    std::uint32_t Count = 0;  // 0: empty slot
  };
  std::vector<TSlot> Slots;
  std::vector<std::uint32_t> SlotPatterns;
};

template <typename F>
void TPairMatcher::Verify(std::string_view upper, std::size_t at, std::uint32_t gram,
                          F& onMatch) const {
  const std::size_t mask = Slots.size() - 1;
  for (std::size_t s = Hash(gram) & mask;; s = (s + 1) & mask) {
    const TSlot& slot = Slots[s];
    if (slot.Count == 0) return;
    if (slot.Gram != gram) continue;
    for (std::uint32_t k = 0; k < slot.Count; ++k) {
      const std::uint32_t p = SlotPatterns[slot.First + k];
      const std::string& pattern = Patterns[p];
      if (pattern.size() <= upper.size() - at &&
          SameBytes(upper.data() + at + GramLength, pattern.data() + GramLength,
                    pattern.size() - GramLength)) {
        onMatch(at, static_cast<std::size_t>(p));
      }
    }
    return;
  }
}

template <typename F>
void TPairMatcher::ForEachMatch(std::string_view upper, F&& onMatch) const {
  if (GramLength == 0 || upper.size() < GramLength) return;
  const char* data = upper.data();
  const std::size_t n = upper.size();
  std::size_t i = 0;
  // Whole 4-byte loads while they stay inside the text. The filter and the mask are held in
  // locals, since the callback may write memory the compiler cannot tell apart from them.
  const std::uint64_t* filter = Filter.data();
  const std::uint32_t mask = GramMask;
  for (; i + 4 <= n; ++i) {
    std::uint32_t gram;
    std::memcpy(&gram, data + i, 4);
    gram &= mask;
    const std::uint32_t h = Hash(gram);
    if ((filter[h >> 6] >> (h & 63)) & 1) Verify(upper, i, gram, onMatch);
  }
  // The last positions, byte by byte.
  for (; i + GramLength <= n; ++i) {
    std::uint32_t gram = 0;
    for (std::size_t k = 0; k < GramLength; ++k) {
      gram |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i + k])) << (8 * k);
    }
    if (MayStartAt(Hash(gram))) Verify(upper, i, gram, onMatch);
  }
}

}  // namespace kv
