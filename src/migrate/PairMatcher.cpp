// Building the gram classes of a conversion table's find texts.
#include "migrate/PairMatcher.h"

#include <algorithm>
#include <cstring>

namespace kv {

namespace {

std::uint32_t GramAt(const std::string& pattern, std::size_t offset, std::size_t length) {
  std::uint32_t gram = 0;
  for (std::size_t k = 0; k < length; ++k) {
    gram |= static_cast<std::uint32_t>(static_cast<unsigned char>(pattern[offset + k])) << (8 * k);
  }
  return gram;
}

}  // namespace

std::vector<std::pair<std::uint32_t, std::uint32_t>> TPairMatcher::CountGrams(
    const std::vector<std::string>& patterns, const std::vector<std::string_view>& samples) {
  // Every 4-byte stretch of the patterns that could be chosen, sorted, with a count each; a
  // bitmap of their hashes passes over most positions of the samples without a search.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> counts;
  for (const auto& pattern : patterns) {
    if (pattern.size() < 5) continue;
    for (std::size_t o = 0; o + 4 <= pattern.size(); ++o)
      counts.emplace_back(GramAt(pattern, o, 4), 0);
  }
  std::sort(counts.begin(), counts.end());
  counts.erase(std::unique(counts.begin(), counts.end()), counts.end());
  if (counts.empty()) return counts;
  std::vector<std::uint64_t> filter((std::size_t{1} << FilterBits) / 64, 0);
  for (const auto& [gram, count] : counts) {
    const std::uint32_t h = Hash(gram);
    filter[h >> 6] |= std::uint64_t{1} << (h & 63);
  }
  // An open-addressing table from gram to its place in counts.
  std::size_t size = 16;
  while (size < counts.size() * 2) size *= 2;
  std::vector<std::uint32_t> table(size, UINT32_MAX);
  for (std::uint32_t k = 0; k < counts.size(); ++k) {
    std::size_t s = Hash(counts[k].first) & (size - 1);
    while (table[s] != UINT32_MAX) s = (s + 1) & (size - 1);
    table[s] = k;
  }
  for (const std::string_view sample : samples) {
    for (std::size_t i = 0; i + 4 <= sample.size(); ++i) {
      std::uint32_t word;
      std::memcpy(&word, sample.data() + i, 4);
      word = AsciiUpperWord(word);
      const std::uint32_t h = Hash(word);
      if (((filter[h >> 6] >> (h & 63)) & 1) == 0) continue;
      for (std::size_t s = h & (size - 1); table[s] != UINT32_MAX; s = (s + 1) & (size - 1)) {
        if (counts[table[s]].first == word) {
          ++counts[table[s]].second;
          break;
        }
      }
    }
  }
  return counts;
}

TPairMatcher::TPairMatcher(std::vector<std::string> patterns,
                           const std::vector<std::string_view>& samples)
    : Patterns(std::move(patterns)) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> counts;
  if (!samples.empty()) counts = CountGrams(Patterns, samples);
  const auto countOf = [&](std::uint32_t gram) {
    const auto it = std::lower_bound(counts.begin(), counts.end(),
                                     std::pair<std::uint32_t, std::uint32_t>(gram, 0));
    return it != counts.end() && it->first == gram ? it->second : 0;
  };
  // Group the patterns by class and gram, in pattern order within a gram.
  struct TEntry {
    std::uint32_t Length, Gram, Pattern, Offset;
  };
  std::vector<TEntry> entries;
  for (std::size_t p = 0; p < Patterns.size(); ++p) {
    const std::string& pattern = Patterns[p];
    if (pattern.empty()) continue;
    Longest = std::max(Longest, pattern.size());
    const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(4, pattern.size()));
    // The first four bytes, unless the samples met another stretch less often.
    std::size_t offset = 0;
    if (!counts.empty() && pattern.size() >= 5) {
      std::uint32_t fewest = countOf(GramAt(pattern, 0, 4));
      for (std::size_t o = 1; o + 4 <= pattern.size() && fewest > 0; ++o) {
        const std::uint32_t count = countOf(GramAt(pattern, o, 4));
        if (count < fewest) {
          fewest = count;
          offset = o;
        }
      }
    }
    entries.push_back({length, GramAt(pattern, offset, length), static_cast<std::uint32_t>(p),
                       static_cast<std::uint32_t>(offset)});
  }
  // Longest gram first: the class of the long patterns leads the scan.
  std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
    return a.Length != b.Length ? a.Length > b.Length : a.Gram < b.Gram;
  });

  SlotPatterns.reserve(entries.size());
  SlotOf.assign(Patterns.size(), UINT32_MAX);
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
    while (slotCount < grams * 4) slotCount *= 2;
    gramClass.SlotCount = static_cast<std::uint32_t>(slotCount);
    gramClass.Filter.assign((std::size_t{1} << FilterBits) / 64, 0);
    Slots.resize(Slots.size() + slotCount);
    TSlot* const slots = Slots.data() + gramClass.FirstSlot;
    for (std::size_t k = begin; k < end;) {
      const std::uint32_t gram = entries[k].Gram;
      TSlot slot{gram, static_cast<std::uint32_t>(SlotPatterns.size()), 0};
      for (; k < end && entries[k].Gram == gram; ++k) {
        const std::string& pattern = Patterns[entries[k].Pattern];
        TCandidate candidate;
        candidate.Pattern = entries[k].Pattern;
        candidate.Offset = entries[k].Offset;
        candidate.Length = static_cast<std::uint32_t>(pattern.size());
        const std::size_t head = std::min<std::size_t>(8, pattern.size());
        std::memcpy(&candidate.Head, pattern.data(), head);
        candidate.HeadMask = head == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * head)) - 1;
        SlotPatterns.push_back(candidate);
        ++slot.Count;
      }
      std::size_t s = Hash(gram) & (slotCount - 1);
      while (slots[s].Count != 0) s = (s + 1) & (slotCount - 1);
      slots[s] = slot;
      const auto slotIndex = gramClass.FirstSlot + static_cast<std::uint32_t>(s);
      for (std::uint32_t j = 0; j < slot.Count; ++j)
        SlotOf[SlotPatterns[slot.First + j].Pattern] = slotIndex;
      const std::uint32_t h = Hash(gram);
      gramClass.Filter[h >> 6] |= std::uint64_t{1} << (h & 63);
    }
    Classes.push_back(std::move(gramClass));
    begin = end;
  }
}

}  // namespace kv
