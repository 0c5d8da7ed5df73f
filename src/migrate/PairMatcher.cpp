// Building the gram filter and the gram table of a conversion table's find texts.
#include "migrate/PairMatcher.h"

#include <algorithm>
#include <limits>

namespace kv {

TPairMatcher::TPairMatcher(std::vector<std::string> patterns) : Patterns(std::move(patterns)) {
  // The gram is as long as the shortest find text allows, at most 4 bytes.
  std::size_t shortest = std::numeric_limits<std::size_t>::max();
  for (const auto& pattern : Patterns) {
    if (!pattern.empty()) shortest = std::min(shortest, pattern.size());
  }
  Filter.assign((std::size_t{1} << FilterBits) / 64, 0);
  if (shortest == std::numeric_limits<std::size_t>::max()) return;
  GramLength = std::min<std::size_t>(4, shortest);
  GramMask = GramLength == 4 ? 0xFFFFFFFFu : (1u << (8 * GramLength)) - 1;

  // Group the patterns by gram, in pattern order within a gram.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> byGram;  // gram, pattern
  for (std::size_t p = 0; p < Patterns.size(); ++p) {
    const std::string& pattern = Patterns[p];
    if (pattern.empty()) continue;
    std::uint32_t gram = 0;
    for (std::size_t k = 0; k < GramLength; ++k) {
      gram |= static_cast<std::uint32_t>(static_cast<unsigned char>(pattern[k])) << (8 * k);
    }
    byGram.emplace_back(gram, static_cast<std::uint32_t>(p));
  }
  std::stable_sort(byGram.begin(), byGram.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });

  std::size_t slotCount = 16;
  while (slotCount < byGram.size() * 2) slotCount *= 2;
  Slots.assign(slotCount, TSlot{});
  SlotPatterns.reserve(byGram.size());
  for (std::size_t k = 0; k < byGram.size();) {
    const std::uint32_t gram = byGram[k].first;
    TSlot slot{gram, static_cast<std::uint32_t>(SlotPatterns.size()), 0};
    for (; k < byGram.size() && byGram[k].first == gram; ++k) {
      SlotPatterns.push_back(byGram[k].second);
      ++slot.Count;
    }
    std::size_t s = Hash(gram) & (slotCount - 1);
    while (Slots[s].Count != 0) s = (s + 1) & (slotCount - 1);
    Slots[s] = slot;
    const std::uint32_t h = Hash(gram);
    Filter[h >> 6] |= std::uint64_t{1} << (h & 63);
  }
}

}  // namespace kv
