// The replacement engine: single passes, the whole-file engine against the line-by-line form,
// and conversions of files on disk with their backups.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "base/Errors.h"
#include "base/TextLines.h"
#include "migrate/ReplaceEngine.h"
#include "support/RandomText.h"
#include "support/TempDir.h"

namespace kv {
namespace {

using test::TTempDir;

// What applying the pairs one after another to every line of text gives: the lines joined with
// CR LF, and in count the number of replacements.
std::string LineByLinePasses(const std::vector<TPair>& pairs, const std::string& text,
                             std::int32_t& count) {
  std::vector<std::string> lines = SplitLines(text);
  count = 0;
  for (const auto& pair : pairs) count += ReplacePair(lines, AsciiUpper(pair.Find), pair.Replace);
  return JoinLinesCrLf(lines);
}

// A random table over a tiny alphabet: 1 to maxPairs pairs, find texts of minFind to maxFind
// bytes (short ones are filled up), replacements of up to maxReplace bytes.
std::vector<TPair> RandomTable(std::mt19937& rng, int maxPairs, std::size_t maxFind,
                               std::size_t minFind, std::size_t maxReplace) {
  std::vector<TPair> pairs;
  const int pairCount = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxPairs));
  for (int p = 0; p < pairCount; ++p) {
    std::string find = test::RandomText(rng, "aAbc", maxFind, false);
    while (find.size() < minFind) find += "abca"[find.size() % 4];
    pairs.push_back({find, test::RandomText(rng, "aAbBc", maxReplace, false)});
  }
  return pairs;
}

struct TPassCase {
  const char* Find;
  const char* Replace;
  const char* Line;
  const char* Expected;
  int Count;
};

TEST(ReplacePair, AppliesOnePairToALine) {
  const TPassCase cases[] = {
      {"abc", "X", "1ABC2abc3", "1X2X3", 2},                    // case of ASCII letters ignored
      {"aa", "b", "aaa", "ba", 1},                              // no overlapping matches
      {"Form", "MyForm", "Form1 form2", "MyForm1 MyForm2", 2},  // inserted text is not rescanned
      {"", "X", "abc", "abc", 0},                               // an empty find text never occurs
      {"\xE9t\xE9", "X", "\xC9T\xC9 \xE9T\xE9", "\xC9T\xC9 X", 1},  // other letters: same case only
      {"a=b", "c=d", "x A=B y", "x c=d y", 1},
      {"kvClass", "", "uses kvclass, KVCLASS;", "uses , ;", 2},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines{c.Line};
    EXPECT_EQ(ReplacePair(lines, AsciiUpper(c.Find), c.Replace), c.Count) << c.Find;
    EXPECT_EQ(lines[0], c.Expected) << c.Find;
  }
}

// The engine must give exactly what the line-by-line passes give, for every table and text.
// Random tables over a tiny alphabet force overlaps, chains of pairs feeding later pairs,
// repeated find texts, empty replacements and replacements holding their own find text.
TEST(SourceConverter, MatchesLineByLinePasses) {
  std::mt19937 rng(20261210);
  const std::string alphabet = "aAbB=c\r\n";
  auto randomText = [&](std::size_t maxLength, bool breaks) {
    return test::RandomText(rng, alphabet, maxLength, breaks);
  };
  for (int round = 0; round < 3000; ++round) {
    std::vector<TPair> pairs;
    const int pairCount = 1 + static_cast<int>(rng() % 6);
    for (int p = 0; p < pairCount; ++p)
      pairs.push_back({randomText(3, false), randomText(4, false)});
    const std::string text = randomText(40, true);

    std::int32_t expectedCount = 0;
    const std::string expected = LineByLinePasses(pairs, text, expectedCount);
    TSourceConverter converter(pairs);
    std::string actual = text;
    const std::int32_t count = converter.ApplyPairs(actual);
    ASSERT_EQ(count, expectedCount) << "round " << round;
    ASSERT_EQ(NormalizeLineBreaks(actual), expected) << "round " << round;
  }
}

// A matcher tuned on sample texts looks for other stretches of the longer find texts than their
// first bytes; what it finds, and so what the engine makes of a text, must not change.
TEST(SourceConverter, TunedMatcherGivesTheSameResults) {
  std::mt19937 rng(1211);
  for (int round = 0; round < 400; ++round) {
    const std::vector<TPair> pairs = RandomTable(rng, 10, 9, 5, 6);
    const std::string text = test::RandomText(rng, "aAbBc\n", 400, true);
    // Samples where the find texts' first bytes are common and their last bytes rare, and the
    // text itself.
    std::string common;
    for (const auto& pair : pairs) common += pair.Find.substr(0, 4) + " ";
    const std::vector<std::string_view> samples{common, common, text};

    std::int32_t expectedCount = 0;
    const std::string expected = LineByLinePasses(pairs, text, expectedCount);
    // The applier was at work before the matcher was rebuilt, and must adapt to it.
    TPreparedPairs prepared(pairs);
    TPairApplier applier(prepared);
    std::string before = text;
    applier.ApplyPairs(before);
    prepared.TuneMatcher(samples);
    std::string actual = text;
    ASSERT_EQ(applier.ApplyPairs(actual), expectedCount) << "round " << round;
    if (expectedCount > 0) {
      ASSERT_EQ(actual, expected) << "round " << round;
    }
  }
}

// The same comparison on the inputs that stress the engine's shortcuts: long lines where many
// find texts occur at every position, one-letter find texts among long ones, find texts that share
// their first bytes, and replacements (empty ones too) that make later pairs' find texts appear
// across the place where they were made.
TEST(SourceConverter, MatchesLineByLinePassesOnLongLines) {
  auto expectSame = [](const std::vector<TPair>& pairs, const std::string& text,
                       const std::string& what) {
    std::int32_t expectedCount = 0;
    const std::string expected = LineByLinePasses(pairs, text, expectedCount);
    TSourceConverter converter(pairs);
    std::string actual = text;
    const std::int32_t count = converter.ApplyPairs(actual);
    ASSERT_EQ(count, expectedCount) << what;
    if (count > 0) {
      ASSERT_EQ(actual, expected) << what;
    }
  };

  const std::string run(8000, 'a');
  std::string runLines;
  for (int i = 0; i < 400; ++i) runLines += std::string(1 + i % 60, 'A') + "\n";
  std::vector<TPair> runs;  // runs of "a" of many lengths, each giving a run for later pairs
  for (int length = 12; length >= 1; --length)
    runs.push_back({std::string(static_cast<std::size_t>(length), 'a'),
                    std::string(static_cast<std::size_t>(length % 3 + 1), 'A') + "b"});
  std::vector<TPair> shared;  // find texts sharing their first four bytes, and a one-letter one
  for (int k = 0; k < 30; ++k) shared.push_back({"TfrxR" + std::string(k % 7, 'e') + "port", "x"});
  shared.push_back({"e", "EE"});
  shared.push_back({"xE", "TfrxRport"});
  std::string identifiers;
  for (int i = 0; identifiers.size() < 20000; ++i)
    identifiers += (i % 3 ? "TfrxReport" : "tfrxreeport") + std::to_string(i % 11) + "; ";

  const struct {
    const char* What;
    std::vector<TPair> Pairs;
    std::string Text;
  } cases[] = {
      {"runs of one letter, one line", runs, run},
      {"runs of one letter, many lines", runs, runLines + run},
      {"one letter growing", {{"a", "ab"}, {"ba", "c"}, {"C", ""}, {"ab", "a"}}, run},
      {"shared prefixes and a one-letter find text", shared, identifiers},
      {"empty replacements joining find texts",
       {{"b", ""}, {"aa", "c"}, {"cc", "b"}, {"bb", "cac"}, {"acc", ""}},
       std::string(3000, 'b') + "ab" + std::string(5000, 'a') + "ba"},
  };
  for (const auto& c : cases) expectSame(c.Pairs, c.Text, c.What);

  // Random tables with find texts of every gram length over long lines of a tiny alphabet.
  std::mt19937 rng(1210);
  for (int round = 0; round < 150; ++round) {
    const std::vector<TPair> pairs = RandomTable(rng, 12, 7, 1, 5);
    const std::string text = test::RandomText(rng, round % 2 ? "aAbBc" : "aAbBc\n", 1500, true);
    expectSame(pairs, text, "round " + std::to_string(round));
  }
}

TEST(SourceConverter, LaterPairsWorkOnEarlierOutput) {
  TSourceConverter converter({{"A", "B"}, {"B", "C"}});
  std::string text = "a";
  EXPECT_EQ(converter.ApplyPairs(text), 2);
  EXPECT_EQ(NormalizeLineBreaks(text), "C\r\n");
}

TEST(TextLines, SplitsAtEveryKindOfBreakAndWritesCrLf) {
  const struct {
    const char* In;
    const char* Out;
  } cases[] = {
      {"", ""},
      {"a", "a\r\n"},
      {"a\n", "a\r\n"},
      {"a\r\nb", "a\r\nb\r\n"},
      {"a\rb\n\nc", "a\r\nb\r\n\r\nc\r\n"},
      {"\r\n", "\r\n"},
      {"a\n\r", "a\r\n\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormalizeLineBreaks(c.In), c.Out) << c.In;
    EXPECT_EQ(JoinLinesCrLf(SplitLines(c.In)), c.Out) << c.In;
  }
}

// The searches for breaks read 16 bytes at a time; on texts with breaks at every distance they
// must agree with a byte-by-byte reading.
TEST(TextLines, BreakSearchesAgreeWithAReadingByteByByte) {
  std::mt19937 rng(1612);
  const auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
  for (int round = 0; round < 300; ++round) {
    const std::string text =
        test::RandomText(rng, round % 3 ? "ab\r\n" : std::string(40, 'x') + "\r\n", 200, true);
    ASSERT_EQ(NormalizeLineBreaks(text), JoinLinesCrLf(SplitLines(text))) << round;
    std::string appended = "head";
    AppendNormalizedLines(appended, text);
    ASSERT_EQ(appended, "head" + JoinLinesCrLf(SplitLines(text))) << round;
    for (std::size_t at = 0; at <= text.size(); ++at) {
      std::size_t next = at;
      while (next < text.size() && !isBreak(text[next])) ++next;
      ASSERT_EQ(FindBreak(text, at), next) << round << " " << at;
      const std::size_t floor = at / 3;
      std::size_t start = at;
      while (start > floor && !isBreak(text[start - 1])) --start;
      ASSERT_EQ(LineStartBefore(text, at, floor), start) << round << " " << at;
    }
  }
}

TEST(BackupName, ReplacesOrAppendsTheExtension) {
  EXPECT_EQ(BackupNameOf("/p/Unit1.pas"), "/p/Unit1.BAK");
  EXPECT_EQ(BackupNameOf("/p.d/Makefile"), "/p.d/Makefile.BAK");
  EXPECT_EQ(BackupNameOf("a.b.dfm"), "a.b.BAK");
}

// A binary form resource: header, then a form with one text property.
std::string BinaryForm(const std::string& caption) {
  std::string form = "TPF0";
  form +=
      "\x06TForm1\x05"
      "Form1";
  form +=
      "\x07"
      "Caption\x06";
  form += static_cast<char>(caption.size());
  form += caption;
  form += std::string("\0\0", 2);
  std::string res = "\xFF\x0A";
  res += '\0';
  res += "TFORM1";
  res += '\0';
  res += "\x30\x10";
  const auto size = static_cast<std::uint32_t>(form.size());
  for (int i = 0; i < 4; ++i) res += static_cast<char>((size >> (8 * i)) & 0xFF);
  return res + form;
}

class ConvertFileTest : public ::testing::Test {
 protected:
  std::int32_t Convert(const std::string& name, std::vector<TPair> pairs, bool dryRun = false) {
    TSourceConverter converter(std::move(pairs), TConvertOptions{dryRun});
    std::int64_t microseconds = -1;
    const std::int32_t count = converter.ConvertFile(Dir / name, microseconds);
    EXPECT_GE(microseconds, 0);
    return count;
  }
  TTempDir Dir;
};

TEST_F(ConvertFileTest, ChangedFileIsBackedUpAndWrittenWithCrLf) {
  Dir.Write("Unit1.pas", "uses kvClass;\nvar R: TkvReport;");
  EXPECT_EQ(Convert("Unit1.pas", {{"kvClass", "kvxClass"}, {"TkvReport", "TkvxReport"}}), 2);
  EXPECT_EQ(Dir.Read("Unit1.pas"), "uses kvxClass;\r\nvar R: TkvxReport;\r\n");
  EXPECT_EQ(Dir.Read("Unit1.BAK"), "uses kvClass;\nvar R: TkvReport;");
}

TEST_F(ConvertFileTest, UnchangedFileKeepsItsBytesAndTimeAndGetsNoBackup) {
  const std::string path = Dir.Write("Unit1.pas", "unit Unit1;\n");
  const auto before = std::filesystem::last_write_time(path);
  EXPECT_EQ(Convert("Unit1.pas", {{"TkvReport", "TkvxReport"}}), 0);
  EXPECT_EQ(Dir.Read("Unit1.pas"), "unit Unit1;\n");
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
  EXPECT_FALSE(Dir.Exists("Unit1.BAK"));
}

TEST_F(ConvertFileTest, DryRunWritesNothing) {
  Dir.Write("Unit1.pas", "TkvReport");
  EXPECT_EQ(Convert("Unit1.pas", {{"TkvReport", "TkvxReport"}}, true), 1);
  EXPECT_EQ(Dir.Read("Unit1.pas"), "TkvReport");
  EXPECT_FALSE(Dir.Exists("Unit1.BAK"));
}

// A backup made by an earlier run may hold the only copy of an original: a later run with
// another table must not replace it.
TEST_F(ConvertFileTest, BackupFromAnEarlierRunIsKept) {
  Dir.Write("Unit1.pas", "uses kvClass;");
  Dir.Write("Unit1.dfm", "object R: TkvReport");
  const std::string form = "object R: TkvReport";
  EXPECT_EQ(Convert("Unit1.dfm", {{"TkvReport", "TkvxReport"}}), 1);
  EXPECT_EQ(Convert("Unit1.pas", {{"kvClass", "kvxClass"}}), 1);
  EXPECT_EQ(Dir.Read("Unit1.BAK"), form);
  EXPECT_EQ(Dir.Read("Unit1.pas.BAK"), "uses kvClass;");
  // A third run takes the next numbered name.
  EXPECT_EQ(Convert("Unit1.pas", {{"kvxClass", "kvyClass"}}), 1);
  EXPECT_EQ(Dir.Read("Unit1.pas.2.BAK"), "uses kvxClass;\r\n");
  EXPECT_EQ(Dir.Read("Unit1.pas"), "uses kvyClass;\r\n");
}

TEST_F(ConvertFileTest, BackupsOfOneRunNeverReplaceEachOther) {
  Dir.Write("Unit1.pas", "TkvReport pas");
  Dir.Write("Unit1.dfm", "object Form1: TForm1\r\n  object R: TkvReport\r\n");
  TSourceConverter converter({{"TkvReport", "TkvxReport"}, {"Tkvx", "Tkvxx"}});
  std::int64_t us = 0;
  // The unit's .pas and .dfm share a backup name; a path listed twice backs up twice.
  EXPECT_EQ(converter.ConvertFile(Dir / "Unit1.pas", us), 2);
  EXPECT_EQ(converter.ConvertFile(Dir / "Unit1.dfm", us), 2);
  EXPECT_EQ(converter.ConvertFile(Dir / "Unit1.pas", us), 1);
  EXPECT_EQ(converter.ConvertFile(Dir / "Unit1.pas", us), 1);
  EXPECT_EQ(Dir.Read("Unit1.BAK"), "TkvReport pas");
  EXPECT_EQ(Dir.Read("Unit1.dfm.BAK"), "object Form1: TForm1\r\n  object R: TkvReport\r\n");
  EXPECT_EQ(Dir.Read("Unit1.pas.BAK"), "TkvxxReport pas\r\n");
  EXPECT_EQ(Dir.Read("Unit1.pas.2.BAK"), "TkvxxxReport pas\r\n");
  EXPECT_EQ(Dir.Read("Unit1.pas"), "TkvxxxxReport pas\r\n");
}

// Whatever holds a backup name, a folder or a link leading nowhere, is passed over and left as
// it is; no temporary file is left behind.
// POSIX only: the link leading nowhere (Windows makes symbolic links only with a privilege).
#ifndef _WIN32
TEST_F(ConvertFileTest, BackupNamesTakenByAnythingArePassedOver) {
  Dir.Write("Unit1.pas", "TkvReport");
  Dir.Write("Unit1.BAK/keep", "a folder in the way of the backup");
  ASSERT_EQ(::symlink("nowhere", (Dir / "Unit1.pas.BAK").c_str()), 0);
  EXPECT_EQ(Convert("Unit1.pas", {{"TkvReport", "TkvxReport"}}), 1);
  EXPECT_EQ(Dir.Read("Unit1.pas.2.BAK"), "TkvReport");
  EXPECT_EQ(Dir.Read("Unit1.BAK/keep"), "a folder in the way of the backup");
  struct stat st {};
  ASSERT_EQ(::lstat((Dir / "Unit1.pas.BAK").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(Dir.Path())) ++entries;
  EXPECT_EQ(entries, 4);
}
#endif

// A file nobody may write is refused when it would change, even for the superuser, and stays as
// it was; one that needs no change is read as any other.
TEST_F(ConvertFileTest, ReadOnlyFileIsRefusedWhenItWouldChange) {
  const std::string path = Dir.Write("Unit1.pas", "TkvReport");
  std::filesystem::permissions(path, std::filesystem::perms(0444));
  for (const bool dryRun : {false, true}) {
    try {
      Convert("Unit1.pas", {{"TkvReport", "R"}}, dryRun);
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      EXPECT_NE(std::string(e.what()).find("\"" + path + "\". The file is read-only"),
                std::string::npos)
          << e.what();
    }
  }
  EXPECT_EQ(Dir.Read("Unit1.pas"), "TkvReport");
  EXPECT_FALSE(Dir.Exists("Unit1.BAK"));
  EXPECT_EQ(Convert("Unit1.pas", {{"nothing", "R"}}), 0);
}

TEST_F(ConvertFileTest, MissingFileRaisesTheOpenError) {
  try {
    Convert("Nope.pas", {{"a", "b"}});
    FAIL() << "no error";
  } catch (const EFileError& e) {
    const std::string opening = "Cannot open file \"" + (Dir / "Nope.pas") + "\". ";
#ifdef _WIN32
    // The system's words, which differ between Windows versions and Wine.
    EXPECT_TRUE(std::string(e.what()).starts_with(opening)) << e.what();
#else
    EXPECT_EQ(std::string(e.what()), opening + "No such file or directory");
#endif
  }
}

TEST_F(ConvertFileTest, BinaryFormIsWrittenAsTextAndBackedUpAsItWas) {
  const std::string binary = BinaryForm("TkvReport");
  Dir.Write("Form1.dfm", binary);
  Dir.Write("Form2.dfm", BinaryForm("Hello"));
  EXPECT_EQ(Convert("Form1.dfm", {{"TkvReport", "TkvxReport"}}), 1);
  EXPECT_EQ(Dir.Read("Form1.dfm"), "object Form1: TForm1\r\n  Caption = 'TkvxReport'\r\nend\r\n");
  EXPECT_EQ(Dir.Read("Form1.BAK"), binary);
  // Without a match the binary form stays as it is.
  EXPECT_EQ(Convert("Form2.dfm", {{"TkvReport", "TkvxReport"}}), 0);
  EXPECT_EQ(Dir.Read("Form2.dfm"), BinaryForm("Hello"));
}

TEST_F(ConvertFileTest, InvalidBinaryFormFailsAndLeavesTheFile) {
  const std::string truncated = BinaryForm("TkvReport").substr(0, 30);
  Dir.Write("Form1.dfm", truncated);
  EXPECT_THROW(Convert("Form1.dfm", {{"TkvReport", "TkvxReport"}}), EStreamError);
  EXPECT_EQ(Dir.Read("Form1.dfm"), truncated);
  EXPECT_FALSE(Dir.Exists("Form1.BAK"));
}

TEST_F(ConvertFileTest, FormFilesOfAnyOtherKindAreReadAsText) {
  Dir.Write("Odd.dfm", "# TkvReport\n");
  Dir.Write("Empty.dfm", "");
  EXPECT_EQ(Convert("Odd.dfm", {{"TkvReport", "TkvxReport"}}), 1);
  EXPECT_EQ(Dir.Read("Odd.dfm"), "# TkvxReport\r\n");
  EXPECT_EQ(Convert("Empty.dfm", {{"TkvReport", "TkvxReport"}}), 0);
}

TEST_F(ConvertFileTest, NulBytesAreCarriedThrough) {
  const std::string text("TkvReport\0tail TkvReport\nnext", 29);
  Dir.Write("Unit1.pas", text);
  EXPECT_EQ(Convert("Unit1.pas", {{"TkvReport", "R"}}), 2);
  EXPECT_EQ(Dir.Read("Unit1.pas"), std::string("R\0tail R\r\nnext\r\n", 16));
}

// Also the bits that the process's creation mask strips from a new file (group and others may
// write under the usual mask 022): the new file must be given them after it was created. POSIX
// only: Windows keeps a read-only attribute, no bits.
#ifndef _WIN32
TEST_F(ConvertFileTest, NewFileKeepsThePermissionsOfTheOld) {
  for (const mode_t mode : {0640, 0666, 0602}) {
    SCOPED_TRACE(mode);
    const std::string path = Dir.Write("Unit1.pas", "TkvReport");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    EXPECT_EQ(Convert("Unit1.pas", {{"TkvReport", "R"}}), 1);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, mode);
  }
}
#endif

// Converting a list on several threads gives what converting it file by file gives: the same
// counts, texts and backup names, a file listed twice converted again on its first result, a
// failed file reported in its place.
TEST(ConvertFiles, ParallelRunEqualsSequentialRun) {
  auto makeProject = [](const TTempDir& dir) {
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
      const std::string name = "Unit" + std::to_string(i);
      paths.push_back(
          dir.Write(name + ".pas", "uses kvClass;\nvar R: TkvReport; // " + name + "\n"));
      if (i % 3 == 0) paths.push_back(dir.Write(name + ".dfm", "object R: TkvReport\r\nend\r\n"));
      if (i % 7 == 0) paths.push_back(paths[paths.size() - 2]);  // listed twice
      if (i % 11 == 0) paths.push_back(dir / ("Missing" + std::to_string(i) + ".pas"));
      if (i % 5 == 0) paths.push_back(dir.Write(name + ".dpr", "program P;\n"));
    }
    return paths;
  };
  const std::vector<TPair> pairs{
      {"TkvReport", "TkvxReport"}, {"kvClass", "kvxClass"}, {"Tkvx", "TkvX"}};

  TTempDir one, many;
  const auto sequentialPaths = makeProject(one);
  const auto parallelPaths = makeProject(many);
  std::vector<std::string> sequential, parallel;
  auto record = [](std::vector<std::string>& log) {
    return [&log](std::size_t i, const TFileResult& r) {
      log.push_back(std::to_string(i) + ":" + std::to_string(r.Replacements) +
                    (r.Error ? "!" : ""));
      return true;
    };
  };
  TSourceConverter(pairs, TConvertOptions{false, 1})
      .ConvertFiles(sequentialPaths, record(sequential));
  TSourceConverter(pairs, TConvertOptions{false, 3}).ConvertFiles(parallelPaths, record(parallel));
  EXPECT_EQ(parallel, sequential);

  std::vector<std::string> oneFiles, manyFiles;
  for (const auto& e : std::filesystem::directory_iterator(one.Path()))
    oneFiles.push_back(e.path().filename().string());
  for (const auto& e : std::filesystem::directory_iterator(many.Path()))
    manyFiles.push_back(e.path().filename().string());
  std::sort(oneFiles.begin(), oneFiles.end());
  std::sort(manyFiles.begin(), manyFiles.end());
  ASSERT_EQ(manyFiles, oneFiles);
  for (const auto& name : oneFiles) EXPECT_EQ(many.Read(name), one.Read(name)) << name;
}

// With ConvertRepeatsOnce a file named again, by any path, gets no second conversion and no
// result, on one thread or several.
TEST(ConvertFiles, RepeatsAreConvertedOnceWhenAsked) {
  for (const unsigned threads : {1u, 3u}) {
    SCOPED_TRACE(threads);
    TTempDir dir;
    const std::string a = dir.Write("p/a.pas", "TkvReport");
    const std::string b = dir.Write("p/b.pas", "TkvReport");
    const std::vector<std::string> paths{a, dir / "p/../p/a.pas", b, a, dir / "p/./b.pas"};
    std::vector<std::size_t> reported;
    TConvertOptions options;
    options.Threads = threads;
    options.ConvertRepeatsOnce = true;
    TSourceConverter({{"TkvReport", "TkvReportX"}}, options)
        .ConvertFiles(paths, [&](std::size_t i, const TFileResult& r) {
          EXPECT_EQ(r.Replacements, 1) << i;
          reported.push_back(i);
          return true;
        });
    EXPECT_EQ(reported, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(dir.Read("p/a.pas"), "TkvReportX\r\n");
    EXPECT_FALSE(dir.Exists("p/a.pas.BAK"));
  }
}

TEST(ConvertFiles, StoppingLeavesLaterFilesAndNoTemporaryFiles) {
  TTempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 30; ++i)
    paths.push_back(dir.Write("U" + std::to_string(i) + ".pas", "TkvReport"));
  std::size_t seen = 0;
  TSourceConverter({{"TkvReport", "R"}}, TConvertOptions{false, 3})
      .ConvertFiles(paths, [&](std::size_t i, const TFileResult&) {
        ++seen;
        return i < 4;
      });
  EXPECT_EQ(seen, 5u);
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(dir.Read("U" + std::to_string(i) + ".pas"), i < 5 ? "R\r\n" : "TkvReport") << i;
  }
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 35);  // 30 files and 5 backups
}

// Files are read ahead of the one being written: a file edited after it was read (an editor's
// autosave while a long file converts) is never replaced by a conversion of what it held before.
// It fails with "changed during the run; left as it is", or, read after the edit, is converted
// from the edit, which its backup then holds.
TEST(ConvertFiles, FileEditedAfterItWasReadIsNeverReplaced) {
  TTempDir dir;
  std::vector<std::string> paths;
  // The first file takes long to convert: the small ones after it are read meanwhile.
  std::string large;
  for (int i = 0; i < 300000; ++i) large += "var R: TkvReport;\r\n";
  paths.push_back(dir.Write("Large.pas", large));
  for (int i = 0; i < 10; ++i) paths.push_back(dir.Write("U" + std::to_string(i) + ".pas", "TkvReport"));
  std::vector<std::string> errors(paths.size());
  TSourceConverter({{"TkvReport", "R"}}, TConvertOptions{false, 2})
      .ConvertFiles(paths, [&](std::size_t i, const TFileResult& r) {
        if (r.Error) {
          try {
            std::rethrow_exception(r.Error);
          } catch (const std::exception& e) {
            errors[i] = e.what();
          }
        }
        if (i == 0) {
          for (std::size_t k = 1; k < paths.size(); ++k) {
            std::ofstream(paths[k], std::ios::app) << " TkvReport edited";
          }
        }
        return true;
      });
  int refused = 0;
  for (std::size_t k = 1; k < paths.size(); ++k) {
    SCOPED_TRACE(paths[k]);
    const std::string backup = BackupNameOf(paths[k]);
    if (!errors[k].empty()) {
      ++refused;
      EXPECT_EQ(errors[k], "changed during the run; left as it is");
      EXPECT_EQ(dir.Read(paths[k]), "TkvReport TkvReport edited");
      EXPECT_FALSE(dir.Exists(backup));
    } else {
      EXPECT_EQ(dir.Read(paths[k]), "R R edited\r\n");
      EXPECT_EQ(dir.Read(backup), "TkvReport TkvReport edited");
    }
  }
  EXPECT_GT(refused, 0) << "no file was read before the edit";
}

// An exception from onResult ends the run and reaches the caller once every thread has stopped:
// the files handed on before it stay written, with the results of a file-by-file run, later files
// are untouched and no temporary file is left.
TEST(ConvertFiles, ExceptionFromOnResultReachesTheCallerAndKeepsWrittenFiles) {
  struct TStopHere : std::runtime_error {
    TStopHere() : std::runtime_error("stop here") {}
  };
  for (const unsigned threads : {1u, 3u}) {
    SCOPED_TRACE(threads);
    TTempDir dir;
    const auto original = [](int i) { return i % 2 == 0 ? "TkvReport" : "TkvReport TkvReport"; };
    std::vector<std::string> paths;
    for (int i = 0; i < 30; ++i) {
      paths.push_back(dir.Write("U" + std::to_string(i) + ".pas", original(i)));
    }
    std::vector<std::string> handedOn;
    TSourceConverter converter({{"TkvReport", "R"}}, TConvertOptions{false, threads});
    EXPECT_THROW(converter.ConvertFiles(paths,
                                        [&](std::size_t i, const TFileResult& r) {
                                          handedOn.push_back(std::to_string(i) + ":" +
                                                             std::to_string(r.Replacements) +
                                                             (r.Error ? "!" : ""));
                                          if (i == 1) throw TStopHere();
                                          return true;
                                        }),
                 TStopHere);
    EXPECT_EQ(handedOn, (std::vector<std::string>{"0:1", "1:2"}));
    EXPECT_EQ(dir.Read("U0.pas"), "R\r\n");
    EXPECT_EQ(dir.Read("U1.pas"), "R R\r\n");
    EXPECT_EQ(dir.Read("U0.BAK"), "TkvReport");
    for (int i = 2; i < 30; ++i)
      EXPECT_EQ(dir.Read("U" + std::to_string(i) + ".pas"), original(i)) << i;
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
      ++entries;
    EXPECT_EQ(entries, 32);  // 30 files and 2 backups
  }
}

// Asked to keep the texts, a run hands over the old and the new text of each file that changes
// (a binary form's old text is its text form), on one thread or several, and a dry run still
// writes nothing; unchanged and failed files carry no text.
TEST(ConvertFiles, KeepsTheOldAndNewTextsWhenAsked) {
  for (const unsigned threads : {1u, 3u}) {
    SCOPED_TRACE(threads);
    TTempDir dir;
    const std::vector<std::string> paths{
        dir.Write("a.pas", "uses kvClass;\nx;\n"), dir.Write("b.pas", "unit B;\n"),
        dir.Write("Form1.dfm", BinaryForm("TkvReport")), dir / "missing.pas"};
    TConvertOptions options;
    options.DryRun = true;
    options.Threads = threads;
    options.KeepTexts = true;
    std::vector<TFileResult> results;
    TSourceConverter({{"kvClass", "kvxClass"}, {"TkvReport", "TkvxReport"}}, options)
        .ConvertFiles(paths, [&](std::size_t, const TFileResult& r) {
          results.push_back(r);
          return true;
        });
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].OldText, "uses kvClass;\nx;\n");
    EXPECT_EQ(results[0].NewText, "uses kvxClass;\r\nx;\r\n");
    EXPECT_FALSE(results[0].BinaryForm);
    EXPECT_EQ(results[1].OldText, "");
    EXPECT_EQ(results[1].NewText, "");
    EXPECT_EQ(results[2].OldText, "object Form1: TForm1\r\n  Caption = 'TkvReport'\r\nend\r\n");
    EXPECT_EQ(results[2].NewText, "object Form1: TForm1\r\n  Caption = 'TkvxReport'\r\nend\r\n");
    EXPECT_TRUE(results[2].BinaryForm);
    EXPECT_TRUE(results[3].Error);
    EXPECT_EQ(results[3].OldText, "");
    EXPECT_EQ(dir.Read("a.pas"), "uses kvClass;\nx;\n");
    EXPECT_EQ(dir.Read("Form1.dfm"), BinaryForm("TkvReport"));
    EXPECT_FALSE(dir.Exists("a.BAK"));
  }
}

}  // namespace
}  // namespace kv
