// Random texts over a small alphabet for the differential tests of the replacement engine: a
// small alphabet forces overlapping matches and chains of pairs.
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace kv::test {

// Up to maxLength characters drawn from alphabet; without breaks, CR and LF become "a".
inline std::string RandomText(std::mt19937& rng, const std::string& alphabet, std::size_t maxLength,
                              bool breaks) {
  std::string s;
  const std::size_t n = rng() % (maxLength + 1);
  for (std::size_t i = 0; i < n; ++i) {
    char c = alphabet[rng() % alphabet.size()];
    if (!breaks && (c == '\r' || c == '\n')) c = 'a';
    s += c;
  }
  return s;
}

}  // namespace kv::test
