// The replacement engine. No find or replacement text can hold a line break, so a match never
// crosses a line and every line's result depends on that line alone. The engine therefore goes
// through the file line by line: one pass of the pair matcher (upper-casing as it reads) tells
// which find texts occur in the line, and only a line holding one is rewritten, by the pairs whose
// find text occurs in it (or appears in it through an earlier pair's replacement), in table order.
// Unchanged lines are copied as they are. The results equal those of applying every pair to every
// line. Nothing is kept per occurrence, so memory stays a small multiple of the file, and the work
// on a line is its length for each pair that occurs in it: after a pair replaces, only the
// stretches around its replacements are searched for find texts that have newly appeared.
#include "migrate/ReplaceEngine.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "base/CodePage.h"
#include "base/Errors.h"
#include "base/FastTimer.h"
#include "base/Files.h"
#include "base/Hash.h"
#include "base/Stream.h"
#include "base/TextLines.h"
#include "base/WorkerThreads.h"
#include "migrate/FormStream.h"
#include "migrate/Journal.h"
#include "platform/File.h"

namespace kv {

namespace {

std::vector<std::string> UniqueUpperFinds(const std::vector<TPair>& pairs) {
  std::vector<std::string> patterns;
  std::unordered_map<std::string, std::size_t> index;
  for (const auto& pair : pairs) {
    std::string upper = AsciiUpper(pair.Find);
    if (index.emplace(upper, patterns.size()).second) patterns.push_back(std::move(upper));
  }
  return patterns;
}

// How often a byte occurs in upper-cased Pascal code, roughly: 0 for the rarest. A search looks
// first for the rarest byte of its find text, so that it stops seldom.
std::uint8_t ByteCommonness(unsigned char c) {
  static const auto table = [] {
    std::array<std::uint8_t, 256> t{};
    // From the most common down; bytes not listed count as rare.
    const char* const common = " ETAOINSRLDCUMHFPG;.,()'=:BYW0V1_2K/-[]{}XJQZ3456789\t";
    const std::size_t n = std::strlen(common);
    for (std::size_t i = 0; i < n; ++i)
      t[static_cast<unsigned char>(common[i])] = static_cast<std::uint8_t>(n - i);
    return t;
  }();
  return table[c];
}

std::size_t RareOffsetOf(std::string_view find) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < find.size(); ++i) {
    if (ByteCommonness(static_cast<unsigned char>(find[i])) <
        ByteCommonness(static_cast<unsigned char>(find[best])))
      best = i;
  }
  return best;
}

// Finds upperFind in text (upper-cased as it is read) from position from; npos when absent.
// Looks for the find text's byte at rare (its rarest, in either case when it is a letter), 16
// positions at a time, and compares the rest at each hit.
std::size_t FindFolded(std::string_view text, std::string_view upperFind, std::size_t from,
                       std::size_t rare) {
  const std::size_t n = upperFind.size();
  if (from >= text.size() || n == 0 || n > text.size() - from) return std::string::npos;
  const char key = upperFind[rare];
  const char other = key >= 'A' && key <= 'Z' ? static_cast<char>(key + 32) : key;
  const char* const data = text.data();
  const char* const end = data + text.size();
  const char* const last = data + (text.size() - n) + rare;  // the last place of the key byte
  const char* p = data + from + rare;
  const auto matchAt = [&](const char* hit) {
    return EqualsUpper(hit - rare, upperFind.data(), n);
  };
#ifdef __SSE2__
  if (end - data >= 16) {
    const __m128i keys = _mm_set1_epi8(key);
    const __m128i others = _mm_set1_epi8(other);
    while (p <= last) {
      // The last block is the text's last 16 bytes, of which those before p are passed over.
      const char* const block = end - p >= 16 ? p : end - 16;
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
      auto mask = static_cast<unsigned>(_mm_movemask_epi8(
          _mm_or_si128(_mm_cmpeq_epi8(bytes, keys), _mm_cmpeq_epi8(bytes, others))));
      mask &= 0xFFFFu << (p - block);
      if (last - block < 15) mask &= (1u << (last - block + 1)) - 1;
      for (; mask != 0; mask &= mask - 1) {
        const char* const hit = block + __builtin_ctz(mask);
        if (matchAt(hit)) return static_cast<std::size_t>(hit - rare - data);
      }
      p = block + 16;
    }
    return std::string::npos;
  }
#endif
  for (; p <= last; ++p) {
    if ((*p == key || *p == other) && matchAt(p)) return static_cast<std::size_t>(p - rare - data);
  }
  return std::string::npos;
}

}  // namespace

std::int64_t ReplacePair(std::vector<std::string>& lines, std::string_view upperFind,
                         std::string_view replacement) {
  std::int64_t count = 0;
  if (upperFind.empty()) return 0;
  for (auto& line : lines) {
    std::string rest = line;
    std::string restUpper = AsciiUpper(line);
    std::string result;
    for (;;) {
      const std::size_t at = restUpper.find(upperFind);
      if (at == std::string::npos) break;
      ++count;
      result += rest.substr(0, at);
      result += replacement;
      rest.erase(0, at + upperFind.size());
      restUpper.erase(0, at + upperFind.size());
    }
    line = result + rest;
  }
  return count;
}

std::string BackupNameOf(const std::string& path) {
  return ChangeFileExt(path, ".BAK");
}

TPreparedPairs::TPreparedPairs(std::vector<TPair> pairs, int codePage)
    : LeadBytes(LeadByteTable(codePage)), Matcher(UniqueUpperFinds(pairs)) {
  std::unordered_map<std::string_view, std::size_t> patternOf;
  for (std::size_t p = 0; p < Matcher.PatternCount(); ++p) patternOf.emplace(Matcher.Pattern(p), p);
  Pairs.reserve(pairs.size());
  for (auto& pair : pairs) {
    TPreparedPair prepared;
    prepared.UpperFind = AsciiUpper(pair.Find);
    prepared.UpperReplace = AsciiUpper(pair.Replace);
    if (LeadBytes != nullptr) {
      prepared.Find = pair.Find;
      const std::string& r = pair.Replace;
      std::size_t i = 0;
      while (i + 1 < r.size()) i += (*LeadBytes)[static_cast<std::uint8_t>(r[i])] ? 2 : 1;
      prepared.ReplaceEndsInLeadByte =
          i + 1 == r.size() && (*LeadBytes)[static_cast<std::uint8_t>(r[i])];
    }
    prepared.Replace = std::move(pair.Replace);
    prepared.RareOffset = RareOffsetOf(prepared.UpperFind);
    prepared.Pattern = static_cast<std::uint32_t>(patternOf.at(prepared.UpperFind));
    Pairs.push_back(std::move(prepared));
  }
  std::size_t longest = 0;
  for (std::size_t i = Pairs.size(); i-- > 0;) {
    Pairs[i].LongestLater = longest;
    longest = std::max(longest, Pairs[i].UpperFind.size());
  }
  // The pairs of each pattern, in table order, in one array (a pair of an empty find text has
  // none): counted, then placed.
  PatternPairsBegin.assign(Matcher.PatternCount() + 1, 0);
  for (const auto& pair : Pairs) {
    if (!pair.UpperFind.empty()) ++PatternPairsBegin[pair.Pattern + 1];
  }
  for (std::size_t p = 0; p < Matcher.PatternCount(); ++p)
    PatternPairsBegin[p + 1] += PatternPairsBegin[p];
  PatternPairs.resize(PatternPairsBegin.back());
  std::vector<std::uint32_t> placed(PatternPairsBegin.begin(), PatternPairsBegin.end() - 1);
  for (std::size_t i = 0; i < Pairs.size(); ++i) {
    if (!Pairs[i].UpperFind.empty())
      PatternPairs[placed[Pairs[i].Pattern]++] = static_cast<std::uint32_t>(i);
  }
  FindFeeds();
}

void TPreparedPairs::FindFeeds() {
  // A pair turns a line P + find + S into P + replacement + S. Take the bytes that the find text
  // and the replacement share at their start and at their end as part of P and S: what is left,
  // the changed middle, turns P' + old middle + S' into P' + new middle + S'. A find text lying
  // wholly in P' or in S' was in the line before. So one that appears newly covers a byte of the
  // new middle, or, when the new middle is empty, the last byte of P' and the first of S'; and
  // where it overlaps the replacement it holds the replacement's bytes. Those places are few for
  // a real table (a name that gains a suffix feeds only the find texts that hold that suffix
  // just after the name's last bytes), and are then checked one by one.
  constexpr std::size_t MaxFeeds = 32;    // more places than this: search stretches instead
  constexpr std::size_t MaxChecks = 512;  // alignments tried for one pair before giving up

  const std::size_t patternCount = Matcher.PatternCount();
  // The last pair of each pattern: pattern p matters after pair i when lastPair[p] > i.
  std::vector<std::size_t> lastPair(patternCount, 0);
  for (std::size_t p = 0; p < patternCount; ++p) {
    if (PatternPairsBegin[p + 1] > PatternPairsBegin[p])
      lastPair[p] = PatternPairs[PatternPairsBegin[p + 1] - 1];
  }
  // Every byte of every pattern: (pattern, offset) by byte value.
  std::array<std::vector<std::pair<std::uint32_t, std::uint32_t>>, 256> byByte;
  for (std::size_t p = 0; p < patternCount; ++p) {
    const std::string& pattern = Matcher.Pattern(p);
    for (std::size_t o = 0; o < pattern.size(); ++o) {
      byByte[static_cast<unsigned char>(pattern[o])].emplace_back(static_cast<std::uint32_t>(p),
                                                                  static_cast<std::uint32_t>(o));
    }
  }

  for (std::size_t i = 0; i < Pairs.size(); ++i) {
    TPreparedPair& pair = Pairs[i];
    const std::string& find = pair.UpperFind;
    const std::string& replace = pair.UpperReplace;
    if (find.empty() || pair.LongestLater == 0 || find == replace) continue;
    const std::size_t shortest = std::min(find.size(), replace.size());
    std::size_t head = 0;
    while (head < shortest && find[head] == replace[head]) ++head;
    std::size_t tail = 0;
    while (head + tail < shortest &&
           find[find.size() - 1 - tail] == replace[replace.size() - 1 - tail])
      ++tail;
    const auto middleBegin = static_cast<std::ptrdiff_t>(head);
    const auto middleEnd = static_cast<std::ptrdiff_t>(replace.size() - tail);
    const auto replaceSize = static_cast<std::ptrdiff_t>(replace.size());

    std::size_t checks = 0;
    // Whether pattern p, begun at offset d from the replacement's first byte, agrees with the
    // replacement wherever the two overlap; adds it when it does.
    auto tryPlace = [&](std::uint32_t p, std::ptrdiff_t d) {
      ++checks;
      const std::string& pattern = Matcher.Pattern(p);
      const std::ptrdiff_t from = std::max<std::ptrdiff_t>(d, 0);
      const std::ptrdiff_t to =
          std::min<std::ptrdiff_t>(d + static_cast<std::ptrdiff_t>(pattern.size()), replaceSize);
      for (std::ptrdiff_t r = from; r < to; ++r) {
        if (pattern[static_cast<std::size_t>(r - d)] != replace[static_cast<std::size_t>(r)])
          return;
      }
      // The probe: the pattern's first byte before the replacement, or else its first byte
      // after it, or else (it lies within the replacement) its first byte.
      std::ptrdiff_t t = 0;
      if (d >= 0 && d + static_cast<std::ptrdiff_t>(pattern.size()) > replaceSize)
        t = replaceSize - d;
      pair.Feeds.push_back({p, static_cast<std::int32_t>(d), static_cast<std::int32_t>(d + t),
                            pattern[static_cast<std::size_t>(t)]});
    };
    const auto overBudget = [&] { return pair.Feeds.size() > MaxFeeds || checks > MaxChecks; };

    if (middleBegin < middleEnd) {
      // Through each byte of the new middle; an alignment is taken at the first middle byte it
      // covers, so that none is taken twice.
      for (std::ptrdiff_t q = middleBegin; q < middleEnd && !overBudget(); ++q) {
        const auto byte = static_cast<unsigned char>(replace[static_cast<std::size_t>(q)]);
        for (const auto& [p, o] : byByte[byte]) {
          if (lastPair[p] <= i) continue;
          const std::ptrdiff_t d = q - static_cast<std::ptrdiff_t>(o);
          if (std::max(d, middleBegin) != q) continue;
          tryPlace(p, d);
          if (overBudget()) break;
        }
      }
    } else {
      // Nothing new in the middle: a find text must span the place where the middle was taken
      // out, from middleBegin - 1 to middleBegin.
      for (std::uint32_t p = 0; p < patternCount && !overBudget(); ++p) {
        if (lastPair[p] <= i) continue;
        const auto length = static_cast<std::ptrdiff_t>(Matcher.Pattern(p).size());
        for (std::ptrdiff_t d = middleBegin + 1 - length; d <= middleBegin - 1; ++d) {
          tryPlace(p, d);
          if (overBudget()) break;
        }
      }
    }
    if (overBudget()) {
      pair.Feeds.clear();
      pair.Feeds.shrink_to_fit();
      pair.FeedsByScan = true;
    }
  }
}

void TPreparedPairs::TuneMatcher(const std::vector<std::string_view>& samples) {
  std::vector<std::string> patterns;
  patterns.reserve(Matcher.PatternCount());
  for (std::size_t p = 0; p < Matcher.PatternCount(); ++p) patterns.push_back(Matcher.Pattern(p));
  TPairMatcher tuned(std::move(patterns), samples);
  Matcher = std::move(tuned);
}

TPairApplier::TPairApplier(const TPreparedPairs& pairs)
    : Table(pairs), Seen(pairs.Matcher), FirstAt(pairs.Matcher.PatternCount(), 0) {}

TSourceConverter::TSourceConverter(std::vector<TPair> pairs, TConvertOptions options)
    : Pairs(std::move(pairs), options.CodePage), Applier(Pairs), Options(options) {}

void TSourceConverter::LoadProjectFile(const std::string& path, std::string& text, int codePage,
                                       TFileStatus* status, bool* binaryForm,
                                       std::optional<std::uint64_t>* binaryHash) {
  ReadFileInto(path, text, status, TFileKinds::RegularOnly);
  if (binaryForm) *binaryForm = false;
  // A form file whose first byte is 0xFF is a binary form resource; any other form file is read
  // as text ("object"/"inherited"/"inline" forms, and anything else too, so that no file is
  // skipped silently).
  if (!text.empty() && static_cast<unsigned char>(text[0]) == 0xFF &&
      AsciiUpper(ExtractFileExt(path)) == ".DFM") {
    if (binaryHash) *binaryHash = HashBytes(text);
    TByteView input(text);
    TMemoryStream output;
    FormResourceToText(input, output, codePage);
    text = output.TakeBytes();
    if (binaryForm) *binaryForm = true;
  }
}

void TPairApplier::NotePattern(std::size_t pattern, std::uint32_t afterPair) {
  const std::uint32_t* const pairs = Table.PatternPairs.data();
  const std::uint32_t end = Table.PatternPairsBegin[pattern + 1];
  for (std::uint32_t k = Table.PatternPairsBegin[pattern]; k < end; ++k) {
    if (pairs[k] > afterPair || afterPair == UINT32_MAX) Pending.push_back(pairs[k]);
  }
}

std::size_t TPairApplier::WholeCharacterMatch(const TPreparedPairs::TPreparedPair& pair,
                                              std::size_t at, std::size_t& boundary) const {
  const std::array<bool, 256>& lead = *Table.LeadBytes;
  const std::size_t n = Line.size();
  const std::size_t length = pair.UpperFind.size();
  auto isLead = [&](std::size_t i) { return lead[static_cast<std::uint8_t>(Line[i])]; };
  while (at != std::string::npos) {
    // A lead byte and the byte after it are one character; a lead byte ending the line is one
    // on its own.
    while (boundary < at) boundary += isLead(boundary) && boundary + 1 < n ? 2 : 1;
    if (boundary == at) {
      // The bytes equal the find text's with ASCII letters upper-cased. The match holds when it
      // ends on a boundary too, and every second byte of a character in it is the find text's
      // very byte (it is no letter, so its case counts). Lead bytes lie above the letters and
      // are equal already; the characters of the match line up with those of the find text,
      // since both begin on a boundary.
      bool whole = true;
      for (std::size_t k = 0; k < length;) {
        if (isLead(at + k) && at + k + 1 < n) {
          if (k + 1 == length || Line[at + k + 1] != pair.Find[k + 1]) {
            whole = false;
            break;
          }
          k += 2;
        } else {
          k += 1;
        }
      }
      if (whole) return at;
    }
    at = FindFolded(Line, pair.UpperFind, boundary == at ? at + 1 : boundary, pair.RareOffset);
  }
  return std::string::npos;
}

std::int64_t TPairApplier::ApplyPairsToLine(std::string_view line) {
  // The line as the pairs have made it so far: the file's own bytes until a pair replaces
  // something (double-byte matching reads Line, so it gets a copy at once). Searches upper-case
  // it as they read.
  std::string_view current = line;
  if (Table.LeadBytes != nullptr) {
    Line.assign(line);
    current = Line;
  }
  std::sort(Pending.begin(), Pending.end());

  std::int64_t count = 0;
  for (std::size_t k = 0; k < Pending.size(); ++k) {
    const std::uint32_t index = Pending[k];
    const auto& pair = Table.Pairs[index];
    const std::string_view find = pair.UpperFind;
    // Until a pair has replaced something, the line is as the pass over the text saw it, which
    // noted where each pattern first occurs and whether it may occur again.
    const bool asScanned = count == 0;
    const bool once = asScanned && !Table.Matcher.MayRecur(Seen, pair.Pattern);
    std::size_t at =
        asScanned ? FirstAt[pair.Pattern] : FindFolded(current, find, 0, pair.RareOffset);
    std::size_t boundary = 0;  // double-byte code pages: where the next character begins
    if (Table.LeadBytes != nullptr) at = WholeCharacterMatch(pair, at, boundary);
    if (at == std::string::npos) continue;
    Scratch.clear();
    Scratch.reserve(current.size() + current.size() / 4);
    Windows.clear();
    Replaced.clear();
    const bool feeds = !pair.Feeds.empty();
    const std::size_t reach = pair.LongestLater > 0 ? pair.LongestLater - 1 : 0;
    std::size_t from = 0;
    while (at != std::string::npos) {
      ++count;
      Scratch.append(current, from, at - from);
      // A find text that appears through this replacement holds one of its bytes, or spans the
      // place where the match was taken out: it begins less than the longest find text before
      // the replacement and ends as far after it.
      const std::size_t segment = Scratch.size();
      if (pair.FeedsByScan) {
        const std::size_t windowBegin = segment > reach ? segment - reach : 0;
        const std::size_t windowEnd = segment + pair.Replace.size() + reach;
        if (!Windows.empty() && windowBegin <= Windows.back().second) {
          Windows.back().second = windowEnd;
        } else {
          Windows.emplace_back(windowBegin, windowEnd);
        }
      } else if (feeds) {
        Replaced.push_back(segment);
      }
      Scratch += pair.Replace;
      from = at + find.size();
      at = once ? std::string::npos : FindFolded(current, find, from, pair.RareOffset);
      if (Table.LeadBytes != nullptr) {
        // The text after the match is read on from the end of the replacement: a replacement
        // ending in a lone lead byte makes the next byte its second one.
        boundary = from + (pair.ReplaceEndsInLeadByte && from < current.size() ? 1 : 0);
        at = WholeCharacterMatch(pair, at, boundary);
      }
    }
    Scratch.append(current.substr(from));
    Line.swap(Scratch);
    current = Line;
    // The replacements may have made find texts of later pairs appear in the line.
    const std::size_t before = Pending.size();
    for (const auto& [windowBegin, windowEnd] : Windows) {
      if (windowBegin >= Line.size()) break;
      const std::string_view window = std::string_view(Line).substr(
          windowBegin, std::min(windowEnd, Line.size()) - windowBegin);
      Table.Matcher.ForEachNew(window, Seen,
                                     [&](std::size_t, std::size_t p) { NotePattern(p, index); });
    }
    for (const std::size_t segment : Replaced) {
      for (const auto& feed : pair.Feeds) {
        const auto probe = static_cast<std::ptrdiff_t>(segment) + feed.ProbeOffset;
        if (probe < 0 || static_cast<std::size_t>(probe) >= Line.size() ||
            AsciiUpper(Line[static_cast<std::size_t>(probe)]) != feed.ProbeByte ||
            Seen.Has(feed.Pattern))
          continue;
        const std::string& pattern = Table.Matcher.Pattern(feed.Pattern);
        const auto begin = static_cast<std::ptrdiff_t>(segment) + feed.Offset;
        if (begin < 0 || static_cast<std::size_t>(begin) + pattern.size() > Line.size() ||
            !EqualsUpper(Line.data() + begin, pattern.data(), pattern.size()))
          continue;
        Seen.Mark(feed.Pattern);
        NotePattern(feed.Pattern, index);
      }
    }
    if (Pending.size() > before)
      std::sort(Pending.begin() + static_cast<std::ptrdiff_t>(k) + 1, Pending.end());
  }
  return count;
}

void TPairApplier::Release() {
  std::string().swap(Output);
  std::string().swap(Line);
  std::string().swap(Scratch);
}

std::int64_t TPairApplier::ApplyPairs(std::string& text) {
  // Lines are independent of each other: only the lines holding a find text can change. The
  // matcher goes through the whole text in one pass; a line is looked at only when the matcher
  // stops in it, and is then rewritten on its own. The text between changed lines is copied with
  // its breaks made CR LF.
  if (!Seen.Fits(Table.Matcher)) Seen = TPairMatcher::TSeen(Table.Matcher);
  const std::size_t n = text.size();
  const char* const data = text.data();
  Output.clear();
  std::size_t copyFrom = 0;
  std::int64_t total = 0;
  // The line the matcher stopped in last: [lineBegin, lineEnd), and where the next one begins.
  std::size_t lineBegin = 0;
  std::size_t lineEnd = 0;
  std::size_t next = 0;
  const auto isBreak = [](char c) { return c == '\r' || c == '\n'; };

  const auto finishLine = [&] {
    if (Pending.empty()) return;
    const std::int64_t count =
        ApplyPairsToLine(std::string_view(data + lineBegin, lineEnd - lineBegin));
    if (count == 0) return;
    total += count;
    if (Output.empty() && lineBegin == 0 && next >= n) {
      Output.swap(Line);  // the whole file is one line: no copy
    } else {
      // Room for the whole file, so that the text is seldom moved; the buffer is kept for the
      // next file.
      if (Output.empty()) Reserve(n);
      AppendNormalizedLines(Output, std::string_view(text).substr(copyFrom, lineBegin - copyFrom));
      Output += Line;
    }
    Output += "\r\n";
    copyFrom = next;
  };
  // Called before the matcher compares a position: a position past the current line begins a
  // new one, and the line before is done. A break itself is never part of a match.
  const auto enterLine = [&](std::size_t at) {
    if (isBreak(data[at])) return false;
    finishLine();
    lineBegin = LineStartBefore(text, at, next);
    lineEnd = FindBreak(text, at);
    next = lineEnd;
    if (next < n) next += (data[next] == '\r' && next + 1 < n && data[next + 1] == '\n') ? 2 : 1;
    Seen.Clear();
    Pending.clear();
    return true;
  };
  const auto atCandidate = [&](std::size_t at) { return at < lineEnd || enterLine(at); };
  Pending.clear();
  Table.Matcher.ForEachNewChecked(
      text, Seen, atCandidate, [&](std::size_t at, std::size_t p) {
        FirstAt[p] = at - lineBegin;
        NotePattern(p, UINT32_MAX);
      });
  finishLine();
  if (total == 0) return 0;
  AppendNormalizedLines(Output, std::string_view(text).substr(copyFrom));
  text.swap(Output);
  return total;
}

std::string BackupCandidate(const std::string& path, unsigned attempt) {
  if (attempt == 0) return BackupNameOf(path);
  if (attempt == 1) return path + ".BAK";
  return path + "." + std::to_string(attempt) + ".BAK";
}

void TSourceConverter::Commit(const std::string& path, TFileReplacement& replacement,
                              const TFileResult& result) {
  const auto candidates = [&](unsigned attempt) { return BackupCandidate(path, attempt); };
  TRunJournal* const journal = Options.Journal;
  if (!journal) {
    replacement.CommitWithFreshBackup(candidates);
    if (Options.Durable) SyncFolder(FolderOf(path));
    return;
  }
  // intent (with the first backup name) -> backup claimed (and noted when it is another name;
  // a copy is noted before its name is claimed) -> file replaced -> done: whenever the process
  // dies, the journal names every file that may have changed, and the backup of every file that
  // was replaced. A backup linked but not yet noted is a link of the file itself, which undo
  // finds by that.
  const std::string expected = BackupCandidate(path, 0);
  const std::size_t entry = journal->Intent(path, expected, result.OriginalHash, result.NewHash);
  try {
    replacement.CommitWithFreshBackup(
        candidates, [&](const std::string& backup, TBackupKind kind) {
          if (kind == TBackupKind::Copied) {
            journal->Copy(entry, backup);
          } else if (backup != expected) {
            journal->Backup(entry, backup);
          }
        });
  } catch (...) {
    journal->Failed(entry);
    throw;
  }
  if (!Options.Durable) {
    journal->Done(entry);
    return;
  }
  // The done line waits until the new file and its name are on the disk; folders are flushed
  // for a group of files at a time.
  UnflushedEntries.push_back(entry);
  std::string folder = FolderOf(path);
  if (std::find(UnflushedFolders.begin(), UnflushedFolders.end(), folder) ==
      UnflushedFolders.end()) {
    UnflushedFolders.push_back(std::move(folder));
  }
  constexpr std::size_t FlushEvery = 64;
  if (UnflushedEntries.size() >= FlushEvery) FlushCommitted();
}

void TSourceConverter::FlushCommitted() {
  if (UnflushedEntries.empty()) return;
  bool synced = true;
  for (const std::string& folder : UnflushedFolders) synced = SyncFolder(folder) && synced;
  // A file whose name may not be on the disk gets no done line: undo then tells from the file's
  // content whether it was replaced, as after a kill.
  if (synced && Options.Journal) {
    for (const std::size_t entry : UnflushedEntries) Options.Journal->Done(entry);
    Options.Journal->Sync();
  }
  UnflushedEntries.clear();
  UnflushedFolders.clear();
}

std::unique_ptr<TFileReplacement> TSourceConverter::ConvertText(const std::string& path,
                                                                TPairApplier& applier,
                                                                std::string& text,
                                                                TFileResult& result) const {
  TFileStatus status;
  bool binaryForm = false;
  const bool journal = Options.Journal && !Options.DryRun;
  // A binary form's hash is of its own bytes, taken before they become text.
  std::optional<std::uint64_t> binaryHash;
  try {
    LoadProjectFile(path, text, Options.CodePage, &status, &binaryForm,
                    journal ? &binaryHash : nullptr);
    std::string oldText;
    if (Options.KeepTexts) oldText = text;
    TFastTimer timer;
    timer.Start();
    result.Replacements = applier.ApplyPairs(text);
    timer.Stop();
    result.Microseconds = timer.ElapsedMicroseconds();
    if (result.Replacements == 0) return nullptr;
    if (journal) {
      // Only changed files are hashed; the text before the passes is still in the applier.
      result.OriginalHash = binaryHash ? *binaryHash : HashBytes(applier.TextBefore());
      result.NewHash = HashBytes(text);
    }
    if (Options.KeepTexts) {
      result.OldText = std::move(oldText);
      result.NewText = text;
      result.BinaryForm = binaryForm;
    }
  } catch (const std::bad_alloc&) {
    // A file too large for the memory left fails on its own; the buffers are given back so that
    // the next file starts afresh.
    std::string().swap(text);
    applier.Release();
    std::string().swap(result.OldText);
    std::string().swap(result.NewText);
    throw EFileError("Cannot convert file \"" + path +
                     "\". There is not enough memory to hold it and its new text (" +
                     std::to_string(status.Size) + " bytes)");
  }
  // The folder may be writable when the file is not, and the new file would then replace it
  // anyway; a file nobody may write is left alone (also in a dry run, which shows what a real
  // run would do).
  if (IsReadOnlyMode(status.Permissions)) {
    throw EFileError("Cannot write file \"" + path +
                     "\". The file is read-only (nobody has write permission); it was left as it "
                     "was");
  }
  if (Options.DryRun) return nullptr;
  // The old file survives under the backup name, so the new text need not be flushed to the
  // disk before it takes the file's place, unless the run is to be durable.
  return std::make_unique<TFileReplacement>(path, text, Options.Durable, &status);
}

std::int64_t TSourceConverter::ConvertFile(const std::string& path, std::int64_t& microseconds) {
  TFileResult result;
  const auto replacement = ConvertText(path, Applier, FileLines.Text, result);
  microseconds = result.Microseconds;
  if (replacement) {
    Commit(path, *replacement, result);
    FlushCommitted();
  }
  return result.Replacements;
}

namespace {

// Identifies the file a path names, so that a file listed twice (under any name) is known.
// Notes the largest size met in largest.
std::string FileIdentity(const std::string& path, std::size_t& largest) {
  const std::optional<os::TEntry> entry = os::StatusOf(path, os::TFollow::Yes);
  if (!entry) return "path:" + path;
  const TFileStatus& status = entry->Status;
  if (entry->Kind == os::TEntryKind::Regular) {
    largest = std::max(largest, static_cast<std::size_t>(status.Size));
  }
  return std::to_string(status.Device) + ":" + std::to_string(status.Inode);
}

bool IsBackupName(const std::string& path) {
  return path.size() >= 4 && AsciiUpper(std::string_view(path).substr(path.size() - 4)) == ".BAK";
}

}  // namespace

void TSourceConverter::TuneFor(const std::vector<std::string>& paths) {
  // A long run first reads a few of its files, spread over the list, so that the matcher looks
  // for the stretches of the find texts that are rare in them. It costs a few milliseconds, so a
  // short run goes without.
  constexpr std::size_t MinFiles = 64;
  constexpr std::size_t SampleFiles = 16;
  constexpr std::size_t SampleBytes = 256 << 10;
  if (paths.size() < MinFiles) return;
  std::vector<std::string> texts;
  std::size_t bytes = 0;
  for (std::size_t k = 0; k < SampleFiles && bytes < SampleBytes; ++k) {
    std::string text;
    try {
      ReadFileInto(paths[k * paths.size() / SampleFiles], text, nullptr, TFileKinds::RegularOnly);
    } catch (const std::exception&) {
      continue;  // the run itself reports the file
    }
    if (!text.empty() && static_cast<unsigned char>(text[0]) == 0xFF) continue;  // binary form
    if (text.size() > SampleBytes - bytes) text.resize(SampleBytes - bytes);
    bytes += text.size();
    texts.push_back(std::move(text));
  }
  Pairs.TuneMatcher(std::vector<std::string_view>(texts.begin(), texts.end()));
}

void TSourceConverter::ConvertFiles(
    const std::vector<std::string>& listed,
    const std::function<bool(std::size_t, const TFileResult&)>& onResult) {
  unsigned threads = Options.Threads != 0 ? Options.Threads : std::thread::hardware_concurrency();
  threads = std::clamp(threads, 1u, 16u);
  // A run that lists a backup file could read it before an earlier file's backup is made under
  // that name; such a run, and a short one, goes file by file.
  const bool listsBackups = std::any_of(listed.begin(), listed.end(), IsBackupName);
  const bool sequential = threads == 1 || listed.size() < 2 || listsBackups;

  // The identity of each listed file, when repeats are to be known: one status query per file.
  // Meanwhile another thread tunes the matcher (it reads a few of the files) and then looks up
  // the last part of the list.
  const bool lookUp = !sequential || Options.ConvertRepeatsOnce;
  std::vector<std::string> identities(lookUp ? listed.size() : 0);
  std::size_t largest = 0;  // the size of the largest file, when the files were looked up
  {
    std::size_t split = identities.size();  // the helper looks up [split, end)
    std::size_t helperLargest = 0;
    std::exception_ptr helperError;
    std::jthread helper;
    if (!sequential) {
      split = identities.size() * 3 / 5;
      try {
        helper = std::jthread([&] {
          try {
            TuneFor(listed);
          } catch (...) {
            // Tuning only makes the run faster; without it the matcher stays as it was.
          }
          try {
            for (std::size_t i = split; i < identities.size(); ++i)
              identities[i] = FileIdentity(listed[i], helperLargest);
          } catch (...) {
            helperError = std::current_exception();
          }
        });
      } catch (const std::system_error&) {
        split = identities.size();
      }
    }
    for (std::size_t i = 0; i < split; ++i) identities[i] = FileIdentity(listed[i], largest);
    if (helper.joinable()) helper.join();
    if (helperError) std::rethrow_exception(helperError);
    largest = std::max(largest, helperLargest);
  }
  // The files converted: all listed ones, or only the first listing of each file.
  std::vector<std::string> firstListings;
  std::vector<std::size_t> listIndex;  // index in listed of each of firstListings
  if (Options.ConvertRepeatsOnce) {
    std::unordered_set<std::string> seen;
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < listed.size(); ++i) {
      if (!seen.insert(identities[i]).second) continue;
      firstListings.push_back(listed[i]);
      listIndex.push_back(i);
      kept.push_back(std::move(identities[i]));
    }
    identities.swap(kept);
  }
  const std::vector<std::string>& paths = Options.ConvertRepeatsOnce ? firstListings : listed;
  const auto report = [&](std::size_t i, const TFileResult& result) {
    return onResult(Options.ConvertRepeatsOnce ? listIndex[i] : i, result);
  };
  // The journal names the run's folders, where a killed run leaves its temporary files.
  if (Options.Journal && !Options.DryRun) Options.Journal->NoteFolders(paths);
  // However the run ends, what a durable run committed is flushed and noted done.
  struct TFlushOnExit {
    TSourceConverter& Converter;
    ~TFlushOnExit() { Converter.FlushCommitted(); }
  } flushOnExit{*this};

  if (sequential) {
    for (std::size_t i = 0; i < paths.size(); ++i) {
      TFileResult result;
      try {
        const auto replacement = ConvertText(paths[i], Applier, FileLines.Text, result);
        if (replacement) Commit(paths[i], *replacement, result);
      } catch (...) {
        // A failed file reports no count and no time.
        result = TFileResult{};
        result.Error = std::current_exception();
      }
      if (!report(i, result)) return;
    }
    return;
  }

  // A file listed again must wait until its earlier listing has been written.
  std::vector<std::size_t> waitFor(paths.size(), 0);  // 1 + index of the earlier listing, or 0
  {
    std::unordered_map<std::string, std::size_t> lastListed;
    for (std::size_t i = 0; i < paths.size(); ++i) {
      auto [it, fresh] = lastListed.try_emplace(identities[i], i);
      if (!fresh) {
        waitFor[i] = it->second + 1;
        it->second = i;
      }
    }
  }

  // The calling thread converts files too and, between its own files, hands on every result
  // that is ready in list order; the other threads only convert. Nobody waits while there is
  // work, so the threads seldom sleep.
  struct TSlot {
    std::atomic<bool> Ready{false};
    TFileResult Result;
    std::unique_ptr<TFileReplacement> Replacement;  // the new text, written beside the file
  };
  std::vector<TSlot> slots(paths.size());
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t nextJob = 0;
  std::atomic<std::size_t> handedOn{0};  // results handed on, in list order
  bool stopping = false;
  // Converted files waiting to be written are held in memory; this bounds how many.
  const std::size_t window = 4 * threads + 8;

  // Takes the next file when it may be converted now: inside the window, and a file listed
  // before has been written. With wait, sleeps until that is so; returns false when there is no
  // more work (or, without wait, none now).
  auto takeJob = [&](std::size_t& job, bool wait) {
    std::unique_lock lock(mutex);
    auto mayTake = [&] {
      return stopping || nextJob >= paths.size() ||
             (nextJob < handedOn + window && handedOn >= waitFor[nextJob]);
    };
    if (wait) {
      changed.wait(lock, mayTake);
    } else if (!mayTake()) {
      return false;
    }
    if (stopping || nextJob >= paths.size()) return false;
    job = nextJob++;
    return true;
  };
  auto convert = [&](std::size_t job, TPairApplier& applier, std::string& text) {
    TSlot& slot = slots[job];
    try {
      slot.Replacement = ConvertText(paths[job], applier, text, slot.Result);
    } catch (...) {
      slot.Result.Error = std::current_exception();
    }
    {
      std::lock_guard lock(mutex);
      slot.Ready.store(true, std::memory_order_release);
    }
    changed.notify_all();
  };

  // Each thread's buffers are made large enough for the largest file at once: growing them file
  // by file would move them, and touch fresh memory, many times over. Reserved memory costs
  // nothing until it is written. Beyond a size that real units never reach, buffers grow with
  // the file at hand instead, where a file too large to be held fails on its own.
  constexpr std::size_t MaxReserved = std::size_t{64} << 20;
  const auto reserve = [size = std::min(largest, MaxReserved)](TPairApplier& applier,
                                                               std::string& text) noexcept {
    try {
      // The text buffer and the applier's output trade places after every changed file.
      text.reserve(TPairApplier::RoomFor(size));
      applier.Reserve(size);
    } catch (const std::bad_alloc&) {
      // The buffers then grow as files need.
    }
  };

  // However this function is left (onResult throwing, a thread that could not be started), the
  // workers are told to stop and joined before the state they share goes away: each finishes at
  // most the file it holds, and files converted but not yet written are dropped with their
  // temporary files when the slots go.
  TWorkerThreads pool([&] {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    changed.notify_all();
  });
  // The calling thread converts too, so the run goes on even when no worker can be started.
  pool.Start(
      threads - 1,
      [&] {
        TPairApplier applier(Pairs);
        std::string text;
        reserve(applier, text);
        std::size_t job;
        while (takeJob(job, true)) convert(job, applier, text);
      },
      /*atLeastOne=*/false);

  std::string text;
  reserve(Applier, text);
  for (std::size_t next = 0; next < paths.size();) {
    TSlot& slot = slots[next];
    if (!slot.Ready.load(std::memory_order_acquire)) {
      std::size_t job;
      if (takeJob(job, false)) {
        convert(job, Applier, text);
      } else {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return slot.Ready.load(std::memory_order_acquire); });
      }
      continue;
    }
    if (slot.Replacement) {
      try {
        Commit(paths[next], *slot.Replacement, slot.Result);
      } catch (...) {
        slot.Result.Error = std::current_exception();
      }
      slot.Replacement.reset();
    }
    const bool goOn = report(next, slot.Result);
    // The texts kept to show the changes are not needed once handed on.
    std::string().swap(slot.Result.OldText);
    std::string().swap(slot.Result.NewText);
    ++next;
    {
      std::lock_guard lock(mutex);
      handedOn = next;
      if (!goOn) stopping = true;
    }
    changed.notify_all();
    if (!goOn) break;
  }
}

}  // namespace kv
