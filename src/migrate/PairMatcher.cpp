// Building the gram classes of a conversion table's find texts.
#include "migrate/PairMatcher.h"

#include <algorithm>

namespace kv {

TPairMatcher::TPairMatcher(std::vector<std::string> patterns) : Patterns(std::move(patterns)) {
  // Group the patterns by class and gram, in pattern order within a gram.
  struct TEntry {
    std::uint32_t Length, Gram, Pattern;
  };
  std::vector<TEntry> entries;
  for (std::size_t p = 0; p < Patterns.size(); ++p) {
    const std::string& pattern = Patterns[p];
    if (pattern.empty()) continue;
    Longest = std::max(Longest, pattern.size());
    const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(4, pattern.size()));
    std::uint32_t gram = 0;
    for (std::size_t k = 0; k < length; ++k) {
      gram |= static_cast<std::uint32_t>(static_cast<unsigned char>(pattern[k])) << (8 * k);
    }
    entries.push_back({length, gram, static_cast<std::uint32_t>(p)});
  }
  // Longest gram first: the class of the long patterns leads the scan.
  std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
    return a.Length != b.Length ? a.Length > b.Length : a.Gram < b.Gram;
  });

  SlotPatterns.reserve(entries.size());
  for (std::size_t begin = 0; begin < entries.size();) {
    const std::uint32_t length = entries[begin].Length;
    std::size_t end = begin;
    std::size_t grams = 0;
    for (; end < entries.size() && entries[end].Length == length; ++end) {
      if (end == begin || entries[end].Gram != entries[end - 1].Gram) ++grams;
    }
    TGramClass gramClass;
    gramClass.Length = length;
    gramClass.Mask = length == 4 ? 0xFFFFFFFFu : (1u << (8 * length)) - 1;
    gramClass.FirstSlot = static_cast<std::uint32_t>(Slots.size());
    std::size_t slotCount = 16;
    while (slotCount < grams * 2) slotCount *= 2;
    gramClass.SlotCount = static_cast<std::uint32_t>(slotCount);
    gramClass.Filter.assign((std::size_t{1} << FilterBits) / 64, 0);
    Slots.resize(Slots.size() + slotCount);
    TSlot* const slots = Slots.data() + gramClass.FirstSlot;
    for (std::size_t k = begin; k < end;) {
      const std::uint32_t gram = entries[k].Gram;
      TSlot slot{gram, static_cast<std::uint32_t>(SlotPatterns.size()), 0};
      for (; k < end && entries[k].Gram == gram; ++k) {
        SlotPatterns.push_back(entries[k].Pattern);
        ++slot.Count;
      }
      std::size_t s = Hash(gram) & (slotCount - 1);
      while (slots[s].Count != 0) s = (s + 1) & (slotCount - 1);
      slots[s] = slot;
      const std::uint32_t h = Hash(gram);
      gramClass.Filter[h >> 6] |= std::uint64_t{1} << (h & 63);
    }
    Classes.push_back(std::move(gramClass));
    begin = end;
  }
}

}  // namespace kv
