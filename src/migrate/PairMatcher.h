// Finds the find texts of a conversion table in a text, in one pass. Each position's first few
// bytes (a "gram") are hashed and tested against a small bitmap of the grams that begin a find
// text; only positions that pass are compared with the find texts that begin with that gram. The
// positions are independent of each other, so the pass runs at close to memory speed, and the
// bitmaps stay in the first-level cache.
//
// Find texts are grouped by length into gram classes of 1, 2, 3 and 4 bytes (4 for every find
// text of 4 bytes or more), each with its own bitmap, so that a short find text never shortens
// the gram of the long ones: with one gram for all, a one-letter find text would make every
// position that begins with a common letter a candidate of hundreds of find texts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/Ascii.h"

namespace kv {

class TPairMatcher {
 public:
  // patterns: the find texts, already upper-cased (ASCII). Empty ones never match.
  // samples: some of the texts to be searched, when known. A find text of 5 bytes or more is
  // then found through the 4-byte stretch of it met least often in them, not through its first
  // four bytes: a name like "Constructor" is looked for by "TRUC", not by the "CONS" of every
  // "const". Which stretch is taken changes the speed only, never what is found.
  explicit TPairMatcher(std::vector<std::string> patterns,
                        const std::vector<std::string_view>& samples = {});

  std::size_t PatternCount() const { return Patterns.size(); }
  const std::string& Pattern(std::size_t p) const { return Patterns[p]; }
  // The length of the longest pattern (0 when there is none).
  std::size_t LongestPattern() const { return Longest; }

  // Which patterns the scans since the last Clear have reported. A scan reports each pattern
  // once, and passes over a gram all of whose patterns were reported without comparing them, so
  // that a text where many patterns occur at every position costs no more than one where they
  // occur once. One per thread.
  class TSeen {
   public:
    explicit TSeen(const TPairMatcher& matcher)
        : PatternStamp(matcher.Patterns.size(), 0),
          SlotStamp(matcher.Slots.size(), 0),
          SlotSeen(matcher.Slots.size(), 0),
          SlotAgain(matcher.Slots.size(), 0) {
      // Empty patterns are never reported: they count as reported from the start.
      for (const auto& pattern : matcher.Patterns) Empty += pattern.empty() ? 1 : 0;
      Count = Empty;
    }
    void Clear() {
      Count = Empty;
      if (++Stamp == 0) {
        std::fill(PatternStamp.begin(), PatternStamp.end(), 0);
        std::fill(SlotStamp.begin(), SlotStamp.end(), 0);
        std::fill(SlotAgain.begin(), SlotAgain.end(), 0);
        Stamp = 1;
      }
    }
    bool Has(std::size_t pattern) const { return PatternStamp[pattern] == Stamp; }
    // Adds a pattern found by other means than a scan; false when it was there already. (Its
    // gram keeps being compared by later scans, which only report patterns not seen.)
    bool Mark(std::size_t pattern) {
      if (PatternStamp[pattern] == Stamp) return false;
      PatternStamp[pattern] = Stamp;
      ++Count;
      return true;
    }
    // Whether every pattern has been reported, so that no scan can report more.
    bool All() const { return Count == PatternStamp.size(); }
    // Whether this was made for a matcher of matcher's shape (which a rebuilt matcher may not
    // have).
    bool Fits(const TPairMatcher& matcher) const {
      return PatternStamp.size() == matcher.Patterns.size() &&
             SlotStamp.size() == matcher.Slots.size();
    }

   private:
    friend class TPairMatcher;
    std::vector<std::uint32_t> PatternStamp;
    std::vector<std::uint32_t> SlotStamp;  // == Stamp: SlotSeen counts this gram's patterns seen
    std::vector<std::uint32_t> SlotSeen;
    std::vector<std::uint32_t> SlotAgain;  // == Stamp: the gram was met again after its first time
    std::uint32_t Stamp = 1;
    std::size_t Count = 0;  // patterns reported since Clear, and the empty ones
    std::size_t Empty = 0;
  };

  // Whether pattern may occur again after the place the scans since seen's last Clear reported it
  // at: false when its gram was not met again after it, so that a search for a second
  // occurrence (in the text as the scan saw it) can be left out.
  bool MayRecur(const TSeen& seen, std::size_t pattern) const;

  // Calls onNew(position, pattern) for each pattern that occurs in text and is not in seen yet,
  // at its first occurrence, and adds it to seen. The text is upper-cased (ASCII letters) as it
  // is read.
  template <typename F>
  void ForEachNew(std::string_view text, TSeen& seen, F&& onNew) const;
  // The same, in one pass over a text of many lines: before a position is compared with the
  // patterns, atCandidate(position) is called, which may clear seen (when the position begins a
  // new line) or return false to pass over the position. Positions come in increasing order.
  template <typename H, typename F>
  void ForEachNewChecked(std::string_view text, TSeen& seen, H&& atCandidate, F&& onNew) const;

 private:
  static constexpr unsigned FilterBits = 17;

  static std::uint32_t Hash(std::uint32_t gram) {
    return (gram * 0x9E3779B1u) >> (32 - FilterBits);
  }

  // The patterns whose gram is Length bytes long (all of 4 bytes or more for Length 4).
  struct TGramClass {
    std::uint32_t Length = 0;
    std::uint32_t Mask = 0;
    std::uint32_t FirstSlot = 0;  // this class's slots are Slots[FirstSlot, FirstSlot + SlotCount)
    std::uint32_t SlotCount = 0;
    std::vector<std::uint64_t> Filter;
  };
  // Open-addressing table from gram to the patterns that begin with it.
  struct TSlot {
    std::uint32_t Gram = 0;
    std::uint32_t First = 0;  // index into SlotPatterns
    std::uint32_t Count = 0;  // 0: empty slot
  };
  // A pattern of a slot, with its first eight bytes (as a little-endian word, and a mask of those
  // that belong to it), so that most candidates are told apart by one compare, without reading
  // the pattern itself.
  struct TCandidate {
    std::uint64_t Head = 0;
    std::uint64_t HeadMask = 0;
    std::uint32_t Pattern = 0;
    std::uint32_t Length = 0;
    std::uint32_t Offset = 0;  // where the gram lies in the pattern
  };
  // How often each 4-byte stretch of a pattern occurs in samples (upper-cased).
  static std::vector<std::pair<std::uint32_t, std::uint32_t>> CountGrams(
      const std::vector<std::string>& patterns, const std::vector<std::string_view>& samples);

  template <typename F>
  void Verify(const TGramClass& gramClass, const char* text, std::size_t left,
              std::size_t at, std::uint32_t gram, TSeen& seen, F& onNew) const;
  // FixedCount: the number of classes when known at compile time, else 0.
  template <std::size_t FixedCount, typename H, typename F>
  void Scan(std::string_view text, TSeen& seen, H& atCandidate, F& onNew) const;

  std::vector<std::string> Patterns;
  std::size_t Longest = 0;
  std::vector<TGramClass> Classes;  // the classes that have patterns, longest gram first
  std::vector<TSlot> Slots;
  std::vector<TCandidate> SlotPatterns;
  std::vector<std::uint32_t> SlotOf;  // each pattern's slot (UINT32_MAX for an empty one)
};

inline bool TPairMatcher::MayRecur(const TSeen& seen, std::size_t pattern) const {
  const std::uint32_t slot = SlotOf[pattern];
  return slot == UINT32_MAX || seen.SlotAgain[slot] == seen.Stamp;
}

template <typename F>
void TPairMatcher::Verify(const TGramClass& gramClass, const char* text, std::size_t left,
                          std::size_t at, std::uint32_t gram, TSeen& seen, F& onNew) const {
  const std::size_t mask = gramClass.SlotCount - 1;
  for (std::size_t s = Hash(gram) & mask;; s = (s + 1) & mask) {
    const std::size_t slotIndex = gramClass.FirstSlot + s;
    const TSlot& slot = Slots[slotIndex];
    if (slot.Count == 0) return;
    if (slot.Gram != gram) continue;
    if (seen.SlotStamp[slotIndex] != seen.Stamp) {
      seen.SlotStamp[slotIndex] = seen.Stamp;
      seen.SlotSeen[slotIndex] = 0;
    } else {
      seen.SlotAgain[slotIndex] = seen.Stamp;
      if (seen.SlotSeen[slotIndex] == slot.Count) return;  // all its patterns were reported
    }
    for (std::uint32_t k = 0; k < slot.Count; ++k) {
      const TCandidate& candidate = SlotPatterns[slot.First + k];
      const std::uint32_t p = candidate.Pattern;
      // The pattern would begin Offset bytes before the gram.
      if (seen.PatternStamp[p] == seen.Stamp || candidate.Offset > at ||
          candidate.Length > left + candidate.Offset)
        continue;
      const char* const start = text - candidate.Offset;
      bool same;
      if (left + candidate.Offset >= 8) {
        std::uint64_t eight;
        std::memcpy(&eight, start, 8);
        eight = AsciiUpperWord(eight);
        same = ((eight ^ candidate.Head) & candidate.HeadMask) == 0 &&
               (candidate.Length <= 8 ||
                EqualsUpper(start + 8, Patterns[p].data() + 8, candidate.Length - 8));
      } else {
        same = EqualsUpper(start, Patterns[p].data(), candidate.Length);
      }
      if (same) {
        seen.PatternStamp[p] = seen.Stamp;
        ++seen.SlotSeen[slotIndex];
        ++seen.Count;
        onNew(at - candidate.Offset, static_cast<std::size_t>(p));
      }
    }
    return;
  }
}

template <std::size_t FixedCount, typename H, typename F>
void TPairMatcher::Scan(std::string_view text, TSeen& seen, H& atCandidate, F& onNew) const {
  const TGramClass* const classes = Classes.data();
  const std::size_t classCount = FixedCount != 0 ? FixedCount : Classes.size();
  const char* data = text.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
  // With one class, its mask and bitmap are held in locals, since the callback may write memory
  // the compiler cannot tell apart from them.
  const std::uint32_t mask0 = classes[0].Mask;
  const std::uint64_t* const filter0 = classes[0].Filter.data();
  const auto probe = [&](std::uint32_t word, std::size_t at) {
    if (FixedCount == 1) {
      const std::uint32_t gram = word & mask0;
      const std::uint32_t h = Hash(gram);
      if (((filter0[h >> 6] >> (h & 63)) & 1) && atCandidate(at))
        Verify(classes[0], data + at, n - at, at, gram, seen, onNew);
      return;
    }
    for (std::size_t c = 0; c < classCount; ++c) {
      const TGramClass& gramClass = classes[c];
      const std::uint32_t gram = word & gramClass.Mask;
      const std::uint32_t h = Hash(gram);
      if (((gramClass.Filter[h >> 6] >> (h & 63)) & 1) && atCandidate(at))
        Verify(gramClass, data + at, n - at, at, gram, seen, onNew);
    }
  };
  // Eight bytes loaded (and upper-cased) at once give the grams of five positions.
  for (; i + 8 <= n; i += 5) {
    std::uint64_t eight;
    std::memcpy(&eight, data + i, 8);
    eight = AsciiUpperWord(eight);
    probe(static_cast<std::uint32_t>(eight), i);
    probe(static_cast<std::uint32_t>(eight >> 8), i + 1);
    probe(static_cast<std::uint32_t>(eight >> 16), i + 2);
    probe(static_cast<std::uint32_t>(eight >> 24), i + 3);
    probe(static_cast<std::uint32_t>(eight >> 32), i + 4);
  }
  // Then whole 4-byte loads while they stay inside the text.
  for (; i + 4 <= n; ++i) {
    std::uint32_t word;
    std::memcpy(&word, data + i, 4);
    word = AsciiUpperWord(word);
    for (std::size_t c = 0; c < classCount; ++c) {
      const TGramClass& gramClass = classes[c];
      const std::uint32_t gram = word & gramClass.Mask;
      const std::uint32_t h = Hash(gram);
      if (((gramClass.Filter[h >> 6] >> (h & 63)) & 1) && atCandidate(i))
        Verify(gramClass, data + i, n - i, i, gram, seen, onNew);
    }
  }
  // The last positions, byte by byte.
  for (; i < n; ++i) {
    for (std::size_t c = 0; c < classCount; ++c) {
      const TGramClass& gramClass = classes[c];
      if (i + gramClass.Length > n) continue;
      std::uint32_t gram = 0;
      for (std::size_t k = 0; k < gramClass.Length; ++k) {
        const char b = AsciiUpper(data[i + k]);
        gram |= static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << (8 * k);
      }
      const std::uint32_t h = Hash(gram);
      if (((gramClass.Filter[h >> 6] >> (h & 63)) & 1) && atCandidate(i))
        Verify(gramClass, data + i, n - i, i, gram, seen, onNew);
    }
  }
}

template <typename H, typename F>
void TPairMatcher::ForEachNewChecked(std::string_view text, TSeen& seen, H&& atCandidate,
                                     F&& onNew) const {
  // The common table has only find texts of 4 bytes or more: one class, which the compiler
  // keeps in registers.
  switch (Classes.size()) {
    case 0:
      return;
    case 1:
      Scan<1>(text, seen, atCandidate, onNew);
      return;
    default:
      Scan<0>(text, seen, atCandidate, onNew);
  }
}

template <typename F>
void TPairMatcher::ForEachNew(std::string_view text, TSeen& seen, F&& onNew) const {
  if (seen.All()) return;
  ForEachNewChecked(text, seen, [](std::size_t) { return true; }, onNew);
}

}  // namespace kv
