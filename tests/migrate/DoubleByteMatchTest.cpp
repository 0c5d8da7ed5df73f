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
#include "support/RandomText.h"

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
      while (at + find.size() <= line.size() && !(boundary[at] && boundary[at + find.size()] &&
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

// The texts of the cases below write "#" for the byte 0x81, which leads a character in each of
// the four double-byte code pages; "A", "a", "b" and "y" are second bytes in each of them.
std::string Lead(std::string text) {
  for (char& c : text) {
    if (c == '#') c = '\x81';
  }
  return text;
}

// Each case under the double-byte code pages, and byte by byte (1252) as sed matches.
struct TCase {
  std::vector<TPair> Pairs;
  const char* Text;
  const char* DoubleByte;
  int DoubleByteCount;
  const char* Bytes;
  int BytesCount;
};

TEST(DoubleByteMatch, MatchesKeepToWholeCharacters) {
  const TCase cases[] = {
      // A second byte A is no letter; the A after it is.
      {{{"A", "X"}}, "#A A", "#A X\r\n", 1, "#X X\r\n", 2},
      // Lower case: no match begins on the second byte a.
      {{{"ab", "X"}}, "#ab ab", "#ab X\r\n", 1, "#X X\r\n", 2},
      // A match ending inside a character is none; at the line end the lead byte is alone.
      {{{"A#", "X"}}, "A#B A#", "A#B X\r\n", 1, "XB X\r\n", 2},
      // A find text's character matches only that character: its second byte exactly.
      {{{"#a", "X"}}, "#A #a", "#A X\r\n", 1, "X X\r\n", 2},
      // A letter after a find text's character still ignores case.
      {{{"#ab", "X"}}, "#aB", "X\r\n", 1, "X\r\n", 1},
      // A replacement ending in a lead byte takes the next byte as its second.
      {{{"x", "#"}}, "xx", "#x\r\n", 1, "##\r\n", 2},
      // Later pairs read the line as the earlier ones left it.
      {{{"x", "#"}, {"A", "B"}}, "xA A", "#A B\r\n", 2, "#B B\r\n", 3},
      // A character replaced by a letter is a letter to later pairs.
      {{{"##", "a"}, {"AA", "Z"}}, "##A", "Z\r\n", 2, "Z\r\n", 2},
      // A line break ends a character: the next line begins anew.
      {{{"A", "X"}}, "#\r\nA#\nA", "#\r\nX#\r\nX\r\n", 2, "#\r\nX#\r\nX\r\n", 2},
      // No match at all leaves the text as it was.
      {{{"A", "X"}}, "#A\n", "#A\n", 0, "#X\r\n", 1},
      // Bytes of the text outside matches are carried through.
      {{{"y", "Z"}}, "#y\xFFy", "#y\xFFZ\r\n", 1, "#Z\xFFZ\r\n", 2},
  };
  for (const auto& c : cases) {
    std::vector<TPair> pairs;
    for (const auto& pair : c.Pairs) pairs.push_back({Lead(pair.Find), Lead(pair.Replace)});
    for (const int codePage : {932, 936, 949, 950}) {
      SCOPED_TRACE(std::to_string(codePage) + ": " + c.Text);
      std::string text = Lead(c.Text);
      EXPECT_EQ(Apply(pairs, codePage, text), c.DoubleByteCount);
      EXPECT_EQ(text, Lead(c.DoubleByte));
    }
    // Byte by byte, as the line-by-line passes give it.
    SCOPED_TRACE(std::string("1252: ") + c.Text);
    std::string bytes = Lead(c.Text);
    EXPECT_EQ(Apply(pairs, 1252, bytes), c.BytesCount);
    EXPECT_EQ(bytes, Lead(c.Bytes));
    std::vector<std::string> lines = SplitLines(Lead(c.Text));
    std::int32_t lineCount = 0;
    for (const auto& pair : pairs)
      lineCount += ReplacePair(lines, AsciiUpper(pair.Find), pair.Replace);
    EXPECT_EQ(lineCount, c.BytesCount);
    EXPECT_EQ(JoinLinesCrLf(lines), Lead(c.Bytes));
  }
}

// The lead bytes differ between the code pages: 932 leaves 0x80, 0xA0 to 0xDF (one-byte
// katakana) and 0xFD to 0xFF alone; the others lead from 0x81 to 0xFE. UTF-8 is matched byte by
// byte. Each byte is followed by an "A", which is replaced only when the byte leads nothing.
TEST(DoubleByteMatch, EachCodePageHasItsOwnLeadBytes) {
  const struct {
    int CodePage;
    std::vector<std::uint8_t> Leading;
    std::vector<std::uint8_t> NotLeading;
  } cases[] = {
      {932, {0x81, 0x9F, 0xE0, 0xFC}, {0x7F, 0x80, 0xA0, 0xA1, 0xDF, 0xFD, 0xFF}},
      {936, {0x81, 0xA0, 0xA1, 0xFE}, {0x7F, 0x80, 0xFF}},
      {949, {0x81, 0xA0, 0xA1, 0xFE}, {0x7F, 0x80, 0xFF}},
      {950, {0x81, 0xA0, 0xA1, 0xFE}, {0x7F, 0x80, 0xFF}},
      {65001, {}, {0x81, 0xC3, 0xE0, 0xFE}},
  };
  for (const auto& c : cases) {
    std::string text, expected;
    for (const std::uint8_t b : c.Leading) {
      text += {static_cast<char>(b), 'A', ' '};
      expected += {static_cast<char>(b), 'A', ' '};
    }
    for (const std::uint8_t b : c.NotLeading) {
      text += {static_cast<char>(b), 'A', ' '};
      expected += {static_cast<char>(b), 'X', ' '};
    }
    Apply({{"A", "X"}}, c.CodePage, text);
    EXPECT_EQ(text, expected + "\r\n") << c.CodePage;
  }
}

// No second byte of these code pages is a CR or an LF, so a line break always ends a character
// and lines can be matched one by one. The converter of the platform agrees: a lead byte before
// a break is a byte on its own, and the break stays a break.
TEST(DoubleByteMatch, LineBreaksAreNeverSecondBytes) {
  for (const int codePage : {932, 936, 949, 950}) {
    for (int lead = 0; lead < 256; ++lead) {
      if (!IsLeadByte(codePage, static_cast<std::uint8_t>(lead))) continue;
      for (const char* brk : {"\r", "\n"}) {
        const std::string utf8 =
            CodePageToUtf8(std::string(1, static_cast<char>(lead)) + brk, codePage);
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
    return test::RandomText(rng, alphabet, maxLength, breaks);
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
