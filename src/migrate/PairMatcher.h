// A multi-pattern matcher over the find texts of a conversion table (Aho-Corasick automaton with
// ASCII case folding). One pass over a file tells which find texts occur in it at all, so the
// engine can skip the pairs that cannot change the file instead of searching for each of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

class TPairMatcher {
 public:
  // Builds the automaton over the given patterns, matched ignoring the case of ASCII letters.
  // Empty patterns are allowed and never match.
  explicit TPairMatcher(const std::vector<std::string>& patterns);

  std::size_t PatternCount() const { return PatternLengths.size(); }
  std::size_t LongestPattern() const { return Longest; }

  // Marks seen[p] = 1 for every pattern p that occurs in text. seen must have PatternCount()
  // entries. Patterns already marked stay marked; returns how many new marks were made.
  std::size_t Scan(std::string_view text, std::vector<std::uint8_t>& seen) const;

 private:
  // A transition whose target state ends at least one pattern carries this bit.
  static constexpr std::uint32_t OutputBit = 0x80000000u;

  std::uint32_t ClassCount = 1;
  std::uint8_t ClassOf[256] = {};
  std::vector<std::uint32_t> Next;       // state * ClassCount + class -> state | OutputBit
  std::vector<std::int32_t> PatternAt;   // pattern ending exactly at a state, or -1
  std::vector<std::int32_t> OutputLink;  // nearest proper suffix state that ends a pattern
  std::vector<std::size_t> PatternLengths;
  std::size_t Longest = 0;
  std::vector<std::int32_t> DuplicateOf;  // pattern -> first pattern with the same text, or -1
};

}  // namespace kv
