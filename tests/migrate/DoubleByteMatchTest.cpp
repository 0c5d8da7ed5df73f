// Matching under double-byte code pages: a match covers whole characters, the second byte of a
// character is never taken for a letter, and boundaries follow the text as replacements change
// it. Any other code page matches bytes, as the line-by-line passes do.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/Ascii.h"
#include "base/CodePage.h"
#include "base/TextLines.h"
#include "migrate/ReplaceEngine.h"

namespace kv {
namespace {

// The character boundaries of a line: boundary[i] is true when a character begins at byte i
// (and at the end of the line). A lead byte with a byte after it is a character of two bytes.
std::vector<bool> Boundaries(const std::string& line, int codePage) {
  std::vector<bool> boundary(line.size() + 1, false);
  for (std::size_t i = 0; i < line.size();) {
    boundary[i] = true;
    i += IsLeadByte(codePage, static_cast<std::uint8_t>(line[i])) && i + 1 < line.size() ? 2 : 1;
  }
  boundary[line.size()] = true;
  return boundary;
}

// Upper-cases the ASCII letters that begin a character; second bytes stay as they are.
std::string UpperInCharacters(const std::string& text, int codePage) {
  const std::vector<bool> boundary = Boundaries(text, codePage);
  std::string upper = text;
  for (std::size_t i = 0; i < upper.size(); ++i) {
    if (boundary[i]) upper[i] = AsciiUpper(upper[i]);
  }
  return upper;
}

// One pair over every line, the slow and plain way: the line is rebuilt after each replacement,
// and its boundaries and upper-cased form are worked out anew from the rebuilt line. A match
// begins at or after the end of the last replacement, on a boundary, ends on a boundary, and
// equals the find text with both upper-cased as above.
std::int32_t ReplacePairInCharacters(std::vector<std::string>& lines, const std::string& find,
                                     const std::string& replacement, int codePage) {
  if (find.empty()) return 0;
  const std::string upperFind = UpperInCharacters(find, codePage);
  std::int32_t count = 0;
  for (auto& line : lines) {
    std::size_t from = 0;
    for (;;) {
      const std::vector<bool> boundary = Boundaries(line, codePage);
      const std::string upper = UpperInCharacters(line, codePage);
      std::size_t at = from;
      while (at + find.size() <= line.size() &&
             !(boundary[at] && boundary[at + find.size()] &&
               upper.compare(at, find.size(), upperFind) == 0)) {
        ++at;
      }
      if (at + find.size() > line.size()) break;
      ++count;
      line = line.substr(0, at) + replacement + line.substr(at + find.size());
      from = at + replacement.size();
    }
  }
  return count;
}

std::int32_t Apply(const std::vector<TPair>& pairs, int codePage, std::string& text) {
  TConvertOptions options;
  options.CodePage = codePage;
  TSourceConverter converter(pairs, options);
  return converter.ApplyPairs(text);
}

// Each case holds under all four double-byte code pages: 0x81 leads a character in each, and
// "A", "a" and "b" are second bytes in each. Bytes: the same text matched byte by byte (1252).
struct TCase {
  const char* What;
  std::vector<TPair> Pairs;
  std::string Text;
  std::string DoubleByte;
  int DoubleByteCount;
  std::string Bytes;
  int BytesCount;
};

TEST(DoubleByteMatch, MatchesKeepToWholeCharacters) {
  const TCase cases[] = {
      {"a second byte A is no letter; the A after it is",
       {{"A", "X"}}, "\x81" "A A", "\x81" "A X\r\n", 1, "\x81" "X X\r\n", 2},
      {"lower case: no match begins on the second byte a",
       {{"ab", "X"}}, "\x81" "ab ab", "\x81" "ab X\r\n", 1, "\x81" "X X\r\n", 2},
      {"a match ending inside a character is none; at the line end the lead byte is alone",
       {{"A\x81", "X"}}, "A\x81" "B A\x81", "A\x81" "B X\r\n", 1, "XB X\r\n", 2},
      {"a find text's character matches only that character: its second byte exactly",
       {{"\x81" "a", "X"}}, "\x81" "A \x81" "a", "\x81" "A X\r\n", 1, "X X\r\n", 2},
      {"a letter after a find text's character still ignores case",
       {{"\x81" "ab", "X"}}, "\x81" "aB", "X\r\n", 1, "X\r\n", 1},
      {"a replacement ending in a lead byte takes the next byte as its second",
       {{"x", "\x81"}}, "xx", "\x81" "x\r\n", 1, "\x81\x81\r\n", 2},
      {"later pairs read the line as the earlier ones left it",
       {{"x", "\x81"}, {"A", "B"}}, "xA A", "\x81" "A B\r\n", 2, "\x81" "B B\r\n", 3},
      {"a character replaced by a letter is a letter to later pairs",
       {{"\x81\x81", "a"}, {"AA", "Z"}}, "\x81\x81" "A", "Z\r\n", 2, "Z\r\n", 2},
      {"a line break ends a character: the next line begins anew",
       {{"A", "X"}}, "\x81\r\nA\x81\nA", "\x81\r\nX\x81\r\nX\r\n", 2,
       "\x81\r\nX\x81\r\nX\r\n", 2},
      {"no match at all leaves the text as it was",
       {{"A", "X"}}, "\x81" "A\n", "\x81" "A\n", 0, "\x81" "X\r\n", 1},
      {"bytes of the text outside matches are carried through",
       {{"b", "Y"}}, "\x81" "b\xFF" "b", "\x81" "b\xFFY\r\n", 1, "\x81Y\xFFY\r\n", 2},
  };
  for (const int codePage : {932, 936, 949, 950}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(codePage) + ": " + c.What);
      std::string text = c.Text;
      const std::int32_t count = Apply(c.Pairs, codePage, text);
      EXPECT_EQ(count, c.DoubleByteCount);
      EXPECT_EQ(text, c.DoubleByte);

      // Byte by byte, as the line-by-line passes give it.
      std::string bytes = c.Text;
      EXPECT_EQ(Apply(c.Pairs, 1252, bytes), c.BytesCount);
      EXPECT_EQ(bytes, c.Bytes);
      std::vector<std::string> lines = SplitLines(c.Text);
      std::int32_t lineCount = 0;
      for (const auto& pair : c.Pairs)
        lineCount += ReplacePair(lines, AsciiUpper(pair.Find), pair.Replace);
      EXPECT_EQ(lineCount, c.BytesCount);
      EXPECT_EQ(JoinLinesCrLf(lines), c.Bytes);
    }
  }
}

// The lead bytes differ between the code pages: 932 leaves 0x80, 0xA0 to 0xDF (one-byte
// katakana) and 0xFD to 0xFF alone; the others lead from 0x81 to 0xFE.
TEST(DoubleByteMatch, EachCodePageHasItsOwnLeadBytes) {
  const struct {
    int CodePage;
    const char* Text;
    const char* Expected;
  } cases[] = {
      {932, "\x80" "A\x81" "A\x9F" "A\xA0" "A", "\x80" "X\x81" "A\x9F" "A\xA0" "X"},
      {932, "\xA1" "A\xDF" "A\xE0" "A", "\xA1" "X\xDF" "X\xE0" "A"},
      {932, "\xFC" "A\xFD" "A\xFF" "A", "\xFC" "A\xFD" "X\xFF" "X"},
      {936, "\x80" "A\xA1" "A\xFE" "A\xFF" "A", "\x80" "X\xA1" "A\xFE" "A\xFF" "X"},
      {949, "\x80" "A\xA1" "A\xFE" "A\xFF" "A", "\x80" "X\xA1" "A\xFE" "A\xFF" "X"},
      {950, "\x80" "A\xA1" "A\xFE" "A\xFF" "A", "\x80" "X\xA1" "A\xFE" "A\xFF" "X"},
      {65001, "\x81" "A\xE0" "A", "\x81" "X\xE0" "X"},  // UTF-8 is matched byte by byte
  };
  for (const auto& c : cases) {
    std::string text = c.Text;
    Apply({{"A", "X"}}, c.CodePage, text);
    EXPECT_EQ(text, std::string(c.Expected) + "\r\n") << c.CodePage << " " << c.Text;
  }
}

// No second byte of these code pages is a CR or an LF, so a line break always ends a character
// and lines can be matched one by one. The converter of the platform agrees: a lead byte before
// a break is a byte on its own, and the break stays a break.
TEST(DoubleByteMatch, LineBreaksAreNeverSecondBytes) {
  struct TRestore {
    int Saved = SystemCodePage();
    ~TRestore() { SetSystemCodePage(Saved); }
  } restore;
  for (const int codePage : {932, 936, 949, 950}) {
    SetSystemCodePage(codePage);
    for (int lead = 0; lead < 256; ++lead) {
      if (!IsLeadByte(codePage, static_cast<std::uint8_t>(lead))) continue;
      for (const char* brk : {"\r", "\n"}) {
        const std::string utf8 = CodePageToUtf8(std::string(1, static_cast<char>(lead)) + brk);
        EXPECT_TRUE(utf8.ends_with(brk)) << codePage << " lead " << lead;
      }
    }
  }
}

// The engine against the plain model, on random tables and texts over lead bytes of both kinds
// (0xA1 and 0xFE lead in 936 but not in 932), letters that are second bytes, and line breaks.
TEST(DoubleByteMatch, EngineMatchesThePlainModel) {
  std::mt19937 rng(20261214);
  const std::string alphabet = "aAbB\x81\x9F\xA1\xE0\xFE\r\n";
  auto randomText = [&](std::size_t maxLength, bool breaks) {
    std::string s;
    const std::size_t n = rng() % (maxLength + 1);
    for (std::size_t i = 0; i < n; ++i) {
      char c = alphabet[rng() % alphabet.size()];
      if (!breaks && (c == '\r' || c == '\n')) c = 'a';
      s += c;
    }
    return s;
  };
  for (const int codePage : {932, 936}) {
    for (int round = 0; round < 3000; ++round) {
      std::vector<TPair> pairs;
      const int pairCount = 1 + static_cast<int>(rng() % 5);
      for (int p = 0; p < pairCount; ++p)
        pairs.push_back({randomText(3, false), randomText(3, false)});
      const std::string text = randomText(40, true);

      std::vector<std::string> lines = SplitLines(text);
      std::int32_t expectedCount = 0;
      for (const auto& pair : pairs)
        expectedCount += ReplacePairInCharacters(lines, pair.Find, pair.Replace, codePage);

      std::string actual = text;
      const std::int32_t count = Apply(pairs, codePage, actual);
      ASSERT_EQ(count, expectedCount) << codePage << " round " << round;
      ASSERT_EQ(actual, count > 0 ? JoinLinesCrLf(lines) : text) << codePage << " round " << round;
    }
  }
}

}  // namespace
}  // namespace kv
