// The line diff: hunks and their unified text, shortest diffs against a plain LCS, line ends, and
// costly texts that must stay fast and correct.
#include <gtest/gtest.h>

#include <random>

#include "migrate/LineDiff.h"

namespace kv {
namespace {

using namespace std::string_literals;

std::string Unified(std::string_view oldText, std::string_view newText) {
  std::string out;
  AppendUnifiedDiff(out, "a/f", "b/f", DiffTexts(oldText, newText));
  return out;
}

std::string Numbered(int from, int to, const std::string& except = {}, int at = 0) {
  std::string text;
  for (int i = from; i <= to; ++i) text += (i == at ? except : std::to_string(i)) + "\n";
  return text;
}

TEST(LineDiff, UnifiedTextOfTypicalChanges) {
  struct TCase {
    const char* Name;
    std::string Old, New, Expected;
  };
  std::string mergedNew = Numbered(1, 20);
  mergedNew.replace(mergedNew.find("\n5\n") + 1, 1, "A");
  mergedNew.replace(mergedNew.find("\n11\n") + 1, 2, "B");
  std::string splitNew = Numbered(1, 20);
  splitNew.replace(splitNew.find("\n5\n") + 1, 1, "A");
  splitNew.replace(splitNew.find("\n13\n") + 1, 2, "B");
  const TCase cases[] = {
      {"no change", "a\nb\n", "a\nb\n", "--- a/f\n+++ b/f\n"},
      {"insert at start", "b\nc\n", "a\nb\nc\n", "--- a/f\n+++ b/f\n@@ -1,2 +1,3 @@\n+a\n b\n c\n"},
      {"insert at end", "a\nb\n", "a\nb\nc\n", "--- a/f\n+++ b/f\n@@ -1,2 +1,3 @@\n a\n b\n+c\n"},
      {"delete in the middle", Numbered(1, 9), Numbered(1, 4) + Numbered(6, 9),
       "--- a/f\n+++ b/f\n@@ -2,7 +2,6 @@\n 2\n 3\n 4\n-5\n 6\n 7\n 8\n"},
      {"change in the middle", Numbered(1, 9), Numbered(1, 9, "X", 5),
       "--- a/f\n+++ b/f\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+X\n 6\n 7\n 8\n"},
      {"contexts touch: one hunk", Numbered(1, 20), mergedNew,
       "--- a/f\n+++ b/f\n@@ -2,13 +2,13 @@\n 2\n 3\n 4\n-5\n+A\n 6\n 7\n 8\n 9\n 10\n-11\n+B\n"
       " 12\n 13\n 14\n"},
      {"contexts apart: two hunks", Numbered(1, 20), splitNew,
       "--- a/f\n+++ b/f\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+A\n 6\n 7\n 8\n"
       "@@ -10,7 +10,7 @@\n 10\n 11\n 12\n-13\n+B\n 14\n 15\n 16\n"},
      {"empty old", "", "a\nb\n", "--- a/f\n+++ b/f\n@@ -0,0 +1,2 @@\n+a\n+b\n"},
      {"empty new", "a\n", "", "--- a/f\n+++ b/f\n@@ -1 +0,0 @@\n-a\n"},
      {"both empty", "", "", "--- a/f\n+++ b/f\n"},
      {"one line", "a\n", "b\n", "--- a/f\n+++ b/f\n@@ -1 +1 @@\n-a\n+b\n"},
      {"no line end at the end", "a\nb", "a\nc\r\n",
       "--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n"},
      {"bytes as they are", "x\t\x1b[31m\xE9\0y\n"s, "z\n",
       "--- a/f\n+++ b/f\n@@ -1 +1 @@\n-x\t\x1b[31m\xE9\0y\n+z\n"s},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Unified(c.Old, c.New), c.Expected) << c.Name;
  }
}

TEST(LineDiff, LineEndsAreComparedApartAndNamed) {
  struct TCase {
    const char* Old;
    const char* New;
    std::size_t Hunks;
    const char* Note;
  };
  const TCase cases[] = {
      {"a\nb\n", "a\nb\n", 0, ""},
      {"a\r\nb\r\n", "a\r\nb\r\n", 0, ""},
      {"a\nb\n", "a\r\nb\r\n", 0, "Only the line ends change: LF -> CR LF on 2 lines"},
      {"a\rb", "a\r\nb\r\n", 0,
       "Only the line ends change: CR and no line end -> CR LF on 2 lines"},
      {"a\nb\nc\r\n", "a\r\nB\r\nc\r\n", 1,
       "The line ends change too: LF -> CR LF on 1 unchanged line"},
  };
  for (const auto& c : cases) {
    const TTextDiff diff = DiffTexts(c.Old, c.New);
    EXPECT_EQ(diff.Hunks.size(), c.Hunks) << c.Old;
    EXPECT_EQ(LineEndNote(diff), c.Note) << c.Old;
  }
}

// Rebuilds the new lines from the old ones and the hunks, checking that every context and
// removed line is the old line at its place; returns the number of removed plus added lines.
std::size_t CheckRebuilds(const std::vector<std::string>& oldLines,
                          const std::vector<std::string>& newLines, const TTextDiff& diff) {
  std::vector<std::string> rebuilt;
  std::size_t i = 0, changes = 0;
  for (const auto& hunk : diff.Hunks) {
    EXPECT_GE(hunk.OldFrom, i);
    EXPECT_EQ(hunk.NewFrom - rebuilt.size(), hunk.OldFrom - i);
    while (i < hunk.OldFrom) rebuilt.push_back(oldLines[i++]);
    std::size_t olds = 0, news = 0;
    for (const auto& line : hunk.Lines) {
      if (line.Kind != TDiffLineKind::Added) {
        EXPECT_LT(i, oldLines.size());
        if (i < oldLines.size()) {
          EXPECT_EQ(line.Text, oldLines[i]);
        }
        ++i, ++olds;
      }
      if (line.Kind != TDiffLineKind::Removed) rebuilt.emplace_back(line.Text), ++news;
      if (line.Kind != TDiffLineKind::Context) ++changes;
    }
    EXPECT_EQ(olds, hunk.OldCount);
    EXPECT_EQ(news, hunk.NewCount);
  }
  while (i < oldLines.size()) rebuilt.push_back(oldLines[i++]);
  EXPECT_EQ(rebuilt, newLines);
  return changes;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

// On random texts of few distinct lines (many ways to pair them), the diff rebuilds the new
// text and is a shortest one; with no work allowed it still rebuilds the new text.
TEST(LineDiff, RandomTextsGiveShortestCorrectDiffs) {
  std::mt19937 random(14);
  for (int round = 0; round < 400; ++round) {
    auto make = [&] {
      std::vector<std::string> lines(random() % 30);
      for (auto& line : lines) line = std::string(1, static_cast<char>('a' + random() % 3));
      return lines;
    };
    const auto a = make();
    const auto b = make();
    std::vector<std::vector<std::size_t>> lcs(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = a.size(); i-- > 0;) {
      for (std::size_t j = b.size(); j-- > 0;) {
        lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
      }
    }
    const std::string oldText = Join(a), newText = Join(b);
    EXPECT_EQ(CheckRebuilds(a, b, DiffTexts(oldText, newText, round % 4)),
              a.size() + b.size() - 2 * lcs[0][0])
        << oldText << "--\n"
        << newText;
    CheckRebuilds(a, b, DiffTexts(oldText, newText, 3, 0));
  }
}

// Large texts: every line changed, few lines changed, and lines drawn from a small set (the
// costly case for the search, where the work budget runs out) each give a diff that rebuilds the
// new text; their time is measured in bench/LineDiffBench.cpp.
TEST(LineDiff, LargeTextsGiveCorrectDiffs) {
  constexpr int Lines = 100000;
  std::mt19937 random(7);
  std::vector<std::string> base(Lines), everyLine(Lines), fewLines(Lines), shuffled(Lines),
      shuffled2(Lines);
  for (int i = 0; i < Lines; ++i) {
    base[i] = "line " + std::to_string(i);
    everyLine[i] = "new " + std::to_string(i);
    fewLines[i] = i % 10 == 3 ? "changed " + std::to_string(i) : base[i];
    shuffled[i] = std::to_string(random() % 4);
    shuffled2[i] = std::to_string(random() % 4);
  }
  struct TCase {
    const char* Name;
    const std::vector<std::string>& Old;
    const std::vector<std::string>& New;
    std::size_t Changes;  // 0: not checked
  };
  const TCase cases[] = {
      {"every line", base, everyLine, 2 * Lines},
      {"every tenth line", base, fewLines, 2 * Lines / 10},
      {"few distinct lines", shuffled, shuffled2, 0},
  };
  for (const auto& c : cases) {
    const std::string oldText = Join(c.Old), newText = Join(c.New);
    const TTextDiff diff = DiffTexts(oldText, newText);
    const std::size_t changes = CheckRebuilds(c.Old, c.New, diff);
    if (c.Changes != 0) {
      EXPECT_EQ(changes, c.Changes) << c.Name;
    }
  }
}

}  // namespace
}  // namespace kv
