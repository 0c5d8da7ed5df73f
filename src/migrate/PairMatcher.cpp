// Aho-Corasick automaton with a dense transition table over byte classes. Bytes that occur in no
// pattern share class 0, and the two cases of an ASCII letter share one class, which keeps the
// table small enough to stay in cache.
#include "migrate/PairMatcher.h"

#include <deque>

#include "migrate/TextLines.h"

namespace kv {

TPairMatcher::TPairMatcher(const std::vector<std::string>& patterns) {
  // Byte classes: one per distinct upper-cased byte of the patterns, class 0 for all others.
  bool used[256] = {};
  std::size_t distinct = 0;
  for (const auto& pattern : patterns) {
    for (const char c : pattern) {
      const auto upper = static_cast<std::uint8_t>(AsciiUpper(c));
      if (!used[upper]) used[upper] = true, ++distinct;
    }
  }
  if (distinct < 256) {
    for (int b = 0; b < 256; ++b) {
      if (used[b]) ClassOf[b] = static_cast<std::uint8_t>(ClassCount++);
    }
  } else {
    ClassCount = 256;
    for (int b = 0; b < 256; ++b) ClassOf[b] = static_cast<std::uint8_t>(b);
  }
  for (int c = 'a'; c <= 'z'; ++c) ClassOf[c] = ClassOf[c - 32];

  // The trie; 0 in Next means "no edge yet" (the root is never a child).
  std::vector<std::uint32_t> trie(ClassCount, 0);
  PatternAt.assign(1, -1);
  PatternLengths.reserve(patterns.size());
  DuplicateOf.assign(patterns.size(), -1);
  for (std::size_t p = 0; p < patterns.size(); ++p) {
    const std::string& pattern = patterns[p];
    PatternLengths.push_back(pattern.size());
    if (pattern.size() > Longest) Longest = pattern.size();
    if (pattern.empty()) continue;
    std::uint32_t state = 0;
    for (const char c : pattern) {
      const std::size_t slot = state * ClassCount + ClassOf[static_cast<std::uint8_t>(c)];
      if (trie[slot] == 0) {
        const auto fresh = static_cast<std::uint32_t>(PatternAt.size());
        trie[slot] = fresh;
        PatternAt.push_back(-1);
        trie.resize(trie.size() + ClassCount, 0);
      }
      state = trie[state * ClassCount + ClassOf[static_cast<std::uint8_t>(c)]];
    }
    if (PatternAt[state] < 0) {
      PatternAt[state] = static_cast<std::int32_t>(p);
    } else {
      DuplicateOf[p] = PatternAt[state];
    }
  }

  // Failure links by breadth-first order, completing the transitions into a full automaton.
  const std::size_t states = PatternAt.size();
  std::vector<std::uint32_t> fail(states, 0);
  OutputLink.assign(states, -1);
  Next.assign(states * ClassCount, 0);
  std::deque<std::uint32_t> queue;
  for (std::uint32_t c = 0; c < ClassCount; ++c) {
    const std::uint32_t child = trie[c];
    Next[c] = child;
    if (child != 0) queue.push_back(child);
  }
  while (!queue.empty()) {
    const std::uint32_t state = queue.front();
    queue.pop_front();
    const std::uint32_t f = fail[state];
    OutputLink[state] = PatternAt[f] >= 0 ? static_cast<std::int32_t>(f) : OutputLink[f];
    for (std::uint32_t c = 0; c < ClassCount; ++c) {
      const std::uint32_t child = trie[state * ClassCount + c];
      if (child != 0) {
        fail[child] = Next[f * ClassCount + c];
        Next[state * ClassCount + c] = child;
        queue.push_back(child);
      } else {
        Next[state * ClassCount + c] = Next[f * ClassCount + c];
      }
    }
  }
  for (auto& target : Next) {
    if (PatternAt[target] >= 0 || OutputLink[target] >= 0) target |= OutputBit;
  }
}

std::size_t TPairMatcher::Scan(std::string_view text, std::vector<std::uint8_t>& seen) const {
  std::size_t marked = 0;
  std::uint32_t state = 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t next = Next[state * ClassCount + ClassOf[bytes[i]]];
    state = next & ~OutputBit;
    if (!(next & OutputBit)) continue;
    // Walk the chain of patterns ending here. Marking always walks a chain to its end or to a
    // marked pattern, so a marked pattern means the rest of its chain is marked too.
    std::int32_t s = PatternAt[state] >= 0 ? static_cast<std::int32_t>(state) : OutputLink[state];
    while (s >= 0) {
      const auto p = static_cast<std::size_t>(PatternAt[static_cast<std::size_t>(s)]);
      if (seen[p]) break;
      seen[p] = 1;
      ++marked;
      s = OutputLink[static_cast<std::size_t>(s)];
    }
  }
  // Patterns with the same text as another share its state; copy their marks.
  if (marked > 0) {
    for (std::size_t p = 0; p < DuplicateOf.size(); ++p) {
      if (DuplicateOf[p] >= 0 && !seen[p] && seen[static_cast<std::size_t>(DuplicateOf[p])]) {
        seen[p] = 1;
        ++marked;
      }
    }
  }
  return marked;
}

}  // namespace kv
