// kv3conv as a whole process: what it prints, its exit codes and the files it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Report.h"
#include "support/Environment.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

using kv::test::TTempDir;

// A file's name in a diff header: the side ("a" or "b") and the path, with a "/" between them
// unless the path starts with one (a path from a drive letter does not).
std::string DiffSide(char side, const std::string& path) {
  return std::string(1, side) + (path.starts_with("/") ? "" : "/") + path;
}

// The name the program gives a file it found below a folder named on its command line: the
// folder as given, then the rest joined with the system's separator.
std::string Found(const std::string& folder, std::string below) {
#ifdef _WIN32
  std::replace(below.begin(), below.end(), '/', '\\');
  return folder + "\\" + below;
#else
  return folder + "/" + below;
#endif
}

struct TRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

class CliTest : public ::testing::Test {
 protected:
  // Source runs keep their journals in the test's folder.
  CliTest() { kv::test::SetEnvironment(kv::test::StateHomeVariable, Dir / "state"); }
  TRun Run(const std::vector<std::string>& args) {
    TRun run;
    run.Exit = kv::test::RunProgram(KV3CONV_PATH, args, Dir / "stdout", Dir / "stderr");
    run.Out = Dir.Read("stdout");
    run.Err = Dir.Read("stderr");
    return run;
  }
  std::string Table() {
    return Dir.Write("kv25x.dat", "TkvReport=TkvxReport\r\nkvClass=kvxClass\r\n");
  }
  TTempDir Dir;
};

TEST_F(CliTest, SourceConvertsAFolderAndPrintsALinePerFileAndATotal) {
  Dir.Write("proj/Unit1.pas", "uses kvClass;\r\nvar R: TkvReport;\r\n");
  Dir.Write("proj/sub/Unit2.pas", "unit Unit2;\r\n");
  Dir.Write("proj/notes.txt", "TkvReport");
  const TRun run = Run({"source", "--table", Table(), Dir / "proj"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(run.Out.find(" 2 "), std::string::npos);
  EXPECT_NE(run.Out.find("Done    " + Found(Dir / "proj", "Unit1.pas") + "\n"), std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find("Done    " + Found(Dir / "proj", "sub/Unit2.pas") + "\n"),
            std::string::npos);
  EXPECT_EQ(run.Out.find("notes.txt"), std::string::npos);
  EXPECT_NE(run.Out.find("Total: 2 replacements in 2 files, 1 changed, 0 failed"),
            std::string::npos);
  EXPECT_EQ(Dir.Read("proj/Unit1.pas"), "uses kvxClass;\r\nvar R: TkvxReport;\r\n");
  EXPECT_TRUE(Dir.Exists("proj/Unit1.BAK"));
  EXPECT_EQ(Dir.Read("proj/notes.txt"), "TkvReport");
}

TEST_F(CliTest, SourceGoesOnAfterAFailedFileAndExitsWithOne) {
  Dir.Write("a.pas", "TkvReport");
  Dir.Write("c.pas", "TkvReport");
  const TRun run = Run({"source", "--table", Table(), Dir / "a.pas", Dir / "b.pas", Dir / "c.pas"});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_NE(run.Out.find("Failed  " + (Dir / "b.pas")), std::string::npos);
  EXPECT_NE(run.Err.find("Cannot open file \"" + (Dir / "b.pas") + "\""), std::string::npos);
  EXPECT_EQ(Dir.Read("c.pas"), "TkvxReport\r\n");
}

// A file nobody may write is refused with an error naming it, also when the tool runs as the
// superuser; the other files are converted and the exit code is 1.
TEST_F(CliTest, SourceRefusesAReadOnlyFileAndGoesOn) {
  const std::string readOnly = Dir.Write("a.pas", "TkvReport");
  std::filesystem::permissions(readOnly, std::filesystem::perms(0444));
  Dir.Write("b.pas", "TkvReport");
  const TRun run = Run({"source", "--table", Table(), readOnly, Dir / "b.pas"});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_NE(run.Err.find("kv3conv: " + readOnly + ": Cannot write file \"" + readOnly +
                         "\". The file is read-only"),
            std::string::npos)
      << run.Err;
  EXPECT_NE(run.Out.find("Failed  " + readOnly), std::string::npos) << run.Out;
  EXPECT_EQ(Dir.Read("a.pas"), "TkvReport");
  EXPECT_EQ(std::filesystem::status(readOnly).permissions() & std::filesystem::perms::all,
            std::filesystem::perms(0444));
  EXPECT_FALSE(Dir.Exists("a.BAK"));
  EXPECT_EQ(Dir.Read("b.pas"), "TkvxReport\r\n");
}

// A table that cannot be a table is refused before any file is touched, naming the file (its
// unprintable bytes escaped); lines that give no pair are listed with their numbers.
TEST_F(CliTest, SourceRefusesTablesThatAreNoTablesAndListsIgnoredLines) {
  Dir.Write("a.pas", "TkvReport");
  const struct {
    const char* Name;
    std::string Bytes;
    const char* Error;
  } cases[] = {
      {"empty.dat", "", "it is empty"},
      {"blank.dat", "\r\n  \r\n", "it is empty"},
      // Not "nul.dat": Windows takes NUL with any extension for its null device.
      {"zero.dat", std::string("a=b\r\nc=\0d\r\n", 10), "it holds a NUL byte in line 2"},
#ifndef _WIN32  // Windows takes no control byte in a name
      {"binary\x1B[1m.dat", "a=b\nc\x1B=d", "it holds the control byte 0x1B in line 2"},
#endif
      {"nopairs.dat", "abc\r\n=x\r\n", "none of its lines is a find=replace pair"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TRun run = Run({"source", "--table", Dir.Write(c.Name, c.Bytes), Dir / "a.pas"});
    EXPECT_EQ(run.Exit, 2);
    std::string shown = Dir / c.Name;
    if (const std::size_t esc = shown.find('\x1B'); esc != std::string::npos)
      shown.replace(esc, 1, "\\x1B");
    EXPECT_NE(run.Err.find("The conversion table \"" + shown + "\" cannot be used: " + c.Error),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(std::any_of(run.Err.begin(), run.Err.end(),
                             [](char ch) { return ch == '\x1B' || ch == '\0'; }));
    EXPECT_EQ(Dir.Read("a.pas"), "TkvReport");
  }

  const std::string table = Dir.Write("t.dat", "TkvReport=TkvxReport\r\nno pair\r\n\r\n=x\r\n");
  const TRun run = Run({"source", "--table", table, Dir / "a.pas"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(run.Err.find("kv3conv: " + table + ":2: line ignored: it has no \"=\"\nkv3conv: " +
                         table + ":3: line ignored: the line is empty\nkv3conv: " + table +
                         ":4: line ignored: its find text is empty\n"),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(Dir.Read("a.pas"), "TkvxReport\r\n");
}

// Masks are separated by ";" or ","; a mask or a folder that matches nothing is named on standard
// error. A file named twice, by any path or through two folders, is converted once.
TEST_F(CliTest, SourceMasksAndFilesNamedTwice) {
  Dir.Write("p/a.pas", "TkvReport");
  Dir.Write("p/b.dpr", "TkvReport");
  Dir.Write("p/c.dfm", "TkvReport");
  Dir.Write("empty/notes.txt", "TkvReport");
  const TRun run = Run({"source", "--table", Table(), "--mask", "*.pas, *.dpr;*.xyz", Dir / "p",
                        Dir / "p/../p/a.pas", Dir / "p", Dir / "empty"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(run.Out.find("Total: 2 replacements in 2 files, 2 changed"), std::string::npos)
      << run.Out;
  EXPECT_EQ(Dir.Read("p/a.pas"), "TkvxReport\r\n");
  EXPECT_EQ(Dir.Read("p/a.BAK"), "TkvReport");
  EXPECT_FALSE(Dir.Exists("p/a.pas.BAK"));
  EXPECT_EQ(Dir.Read("p/b.dpr"), "TkvxReport\r\n");
  EXPECT_EQ(Dir.Read("p/c.dfm"), "TkvReport");
  EXPECT_NE(run.Err.find("kv3conv: no file matches the mask *.xyz\n"), std::string::npos)
      << run.Err;
  EXPECT_NE(run.Err.find("kv3conv: " + (Dir / "empty") + ": no file in this folder matches"),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(run.Err.find("*.pas\n"), std::string::npos) << run.Err;
}

TEST_F(CliTest, SourceJsonAndDryRun) {
  Dir.Write("a.pas", "TkvReport");
  const TRun run = Run({"source", "--json", "--dry-run", "--table", Table(), Dir / "a.pas"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  const auto json = nlohmann::json::parse(run.Out);
  ASSERT_EQ(json["files"].size(), 1u) << run.Out;
  const auto& file = json["files"][0];
  EXPECT_EQ(file["path"], Dir / "a.pas");
  EXPECT_EQ(file["replacements"], 1);
  ASSERT_TRUE(file["microseconds"].is_number_integer());
  EXPECT_GE(file["microseconds"].get<std::int64_t>(), 0);
  EXPECT_EQ(file["status"], "Done");
  EXPECT_TRUE(file["error"].is_null());
  const auto& total = json["total"];
  EXPECT_EQ(total["files"], 1);
  EXPECT_EQ(total["replacements"], 1);
  EXPECT_EQ(total["microseconds"], file["microseconds"]);
  EXPECT_EQ(total["failed"], 0);
  EXPECT_EQ(total["dryRun"], true);
  EXPECT_EQ(Dir.Read("a.pas"), "TkvReport");
  EXPECT_FALSE(Dir.Exists("a.BAK"));
}

// --diff prints what a run would change as a unified diff per file, in list order, on standard
// output alone (the total goes to standard error), writes nothing and colours only when asked
// (standard output is no terminal here); with --json each file carries its diff.
TEST_F(CliTest, SourceDiffShowsTheChangesAndWritesNothing) {
  const std::string a =
      "unit A;\r\n\r\nuses kvClass;\r\n\r\ninterface\r\nvar R: TkvReport;\r\n"
      "implementation\r\nend.\r\n";
  const std::string c = "x := TkvReport;\ny;\n";
  Dir.Write("p/a.pas", a);
  Dir.Write("p/b.pas", "unit B;\r\n");
  Dir.Write("p/c.pas", c);
  const std::vector<std::string> files{Dir / "p/a.pas", Dir / "p/b.pas", Dir / "p/c.pas"};
  std::vector<std::string> args{"source", "--diff", "--table", Table()};
  args.insert(args.end(), files.begin(), files.end());
  const TRun run = Run(args);
  EXPECT_EQ(run.Exit, 0) << run.Err;
  const std::string aDiff = "--- " + DiffSide('a', files[0]) + "\n+++ " + DiffSide('b', files[0]) +
                            "\n"
                            "@@ -1,8 +1,8 @@\n"
                            " unit A;\n"
                            " \n"
                            "-uses kvClass;\n"
                            "+uses kvxClass;\n"
                            " \n"
                            " interface\n"
                            "-var R: TkvReport;\n"
                            "+var R: TkvxReport;\n"
                            " implementation\n"
                            " end.\n";
  const std::string cDiff =
      "The line ends change too: LF -> CR LF on 1 unchanged line\n"
      "--- " +
      DiffSide('a', files[2]) + "\n+++ " + DiffSide('b', files[2]) +
      "\n"
      "@@ -1,2 +1,2 @@\n"
      "-x := TkvReport;\n"
      "+x := TkvxReport;\n"
      " y;\n";
  EXPECT_EQ(run.Out, aDiff + cDiff);
  EXPECT_NE(run.Err.find("Total: 3 replacements in 3 files, 2 changed, 0 failed"),
            std::string::npos)
      << run.Err;
  EXPECT_NE(run.Err.find("(dry run: no file was written)"), std::string::npos);
  EXPECT_EQ(Dir.Read("p/a.pas"), a);
  EXPECT_EQ(Dir.Read("p/c.pas"), c);
  EXPECT_FALSE(Dir.Exists("p/a.BAK"));
  EXPECT_FALSE(Dir.Exists("p/c.BAK"));

  args.push_back("--color=always");
  const TRun coloured = Run(args);
  EXPECT_EQ(coloured.Exit, 0) << coloured.Err;
  EXPECT_NE(coloured.Out.find("\x1b[1m--- " + DiffSide('a', files[0]) + "\x1b[0m\n\x1b[1m+++ " +
                              DiffSide('b', files[0]) +
                              "\x1b[0m\n\x1b[36m@@ -1,8 +1,8 @@\x1b[0m\n unit A;\n"),
            std::string::npos)
      << coloured.Out;
  EXPECT_NE(coloured.Out.find("\x1b[31m-uses kvClass;\x1b[0m\n\x1b[32m+uses kvxClass;\x1b[0m\n"),
            std::string::npos);
  args.back() = "--color=sometimes";
  EXPECT_EQ(Run(args).Exit, 2);

  args.back() = "--json";
  const TRun json = Run(args);
  EXPECT_EQ(json.Exit, 0) << json.Err;
  const auto parsed = nlohmann::json::parse(json.Out);
  ASSERT_EQ(parsed["files"].size(), 3u) << json.Out;
  EXPECT_EQ(parsed["files"][0]["diff"], aDiff);
  EXPECT_TRUE(parsed["files"][1]["diff"].is_null());
  EXPECT_EQ(parsed["files"][2]["diff"], cDiff);
  EXPECT_EQ(parsed["total"]["dryRun"], true);
  EXPECT_FALSE(Dir.Exists("p/a.BAK"));
}

// A binary form is diffed as its text form, with a note saying so, and left as it is.
TEST_F(CliTest, SourceDiffShowsABinaryFormAsText) {
  const std::string binary = Dir.Read(std::string(KV_EXAMPLES_DIR) + "/project/Unit2.dfm");
  const std::string form = Dir.Write("Unit2.dfm", binary);
  const TRun run = Run({"source", "--diff", "--table", Table(), form});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_TRUE(run.Out.starts_with(
      "Binary form: it is written as its text form; the lines shown are those of its text form\n"
      "--- " +
      DiffSide('a', form) + "\n+++ " + DiffSide('b', form) + "\n@@ -9,7 +9,7 @@\n"))
      << run.Out;
  EXPECT_NE(run.Out.find("\n-  object kvReport2: TkvReport\n+  object kvReport2: TkvxReport\n"),
            std::string::npos);
  EXPECT_EQ(Dir.Read("Unit2.dfm"), binary);
  EXPECT_FALSE(Dir.Exists("Unit2.BAK"));
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  const TRun missingTable = Run({"source", "--table", Dir / "none.dat", Dir.Path()});
  EXPECT_EQ(missingTable.Exit, 2);
  EXPECT_NE(missingTable.Err.find("--table"), std::string::npos);
  EXPECT_EQ(Run({"source"}).Exit, 2);
  EXPECT_EQ(Run({"frobnicate"}).Exit, 2);
  EXPECT_EQ(Run({"--codepage", "77", "source", "--table", Table(), Dir.Path()}).Exit, 2);
  EXPECT_EQ(Run({"source", "--table", Table(), Dir.Path(), "--codepage", "77"}).Exit, 2);
  const TRun help = Run({"--help"});
  EXPECT_EQ(help.Exit, 0);
  EXPECT_NE(help.Out.find("dfm2txt"), std::string::npos);
  EXPECT_EQ(Run({"--version"}).Exit, 0);
}

// Options of the program are taken after the subcommand too; UTF-8 is a code page like others.
TEST_F(CliTest, CodePageAfterTheSubcommandAndUtf8) {
  Dir.Write("p/a.pas", "TkvReport \xE2\x82\xAC");
  const TRun run = Run({"source", "--table", Table(), Dir / "p", "--codepage", "65001"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Dir.Read("p/a.pas"), "TkvxReport \xE2\x82\xAC\r\n");
  EXPECT_EQ(Run({"report", "--codepage", "65001", Dir / "p"}).Exit, 0);
}

// Under a double-byte code page no match begins on the second byte of a character: in Shift-JIS
// the katakana letter a is 0x83 0x41, whose second byte is an "A" (0x41). Without the option the
// bytes are matched one by one.
TEST_F(CliTest, DoubleByteCodePageKeepsMatchesToWholeCharacters) {
  const std::string table = Dir.Write("t.dat", "A=Z\r\n");
  const std::string text = "s := '\x83\x41'; A := 1;";
  Dir.Write("j/a.pas", text);
  Dir.Write("b/a.pas", text);
  const TRun run = Run({"--codepage", "932", "source", "--table", table, Dir / "j"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(run.Out.find("Total: 1 replacements"), std::string::npos) << run.Out;
  EXPECT_EQ(Dir.Read("j/a.pas"), "s := '\x83\x41'; Z := 1;\r\n");
  EXPECT_EQ(Run({"source", "--table", table, Dir / "b"}).Exit, 0);
  EXPECT_EQ(Dir.Read("b/a.pas"), "s := '\x83Z'; Z := 1;\r\n");
}

TEST_F(CliTest, Dfm2TxtConvertsTheExampleBinaryForm) {
  const std::string form = std::string(KV_EXAMPLES_DIR) + "/project/Unit2.dfm";
  const TRun run = Run({"dfm2txt", form, Dir / "out.txt"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  const std::string text = Dir.Read("out.txt");
  EXPECT_TRUE(text.starts_with("object ReportForm: TReportForm\r\n  Left = 192\r\n")) << text;
  EXPECT_TRUE(text.ends_with("  end\r\nend\r\n"));
  // To standard output when no output file is named.
  EXPECT_EQ(Run({"dfm2txt", form}).Out, text);
  // A text form is refused, and the output file is not touched.
  const TRun refused = Run({"dfm2txt", Dir / "out.txt", Dir / "out2.txt"});
  EXPECT_EQ(refused.Exit, 1);
  EXPECT_NE(refused.Err.find("not a binary form file"), std::string::npos);
  EXPECT_FALSE(Dir.Exists("out2.txt"));
  // The output may not be the input, under any name.
  Dir.Write("in.dfm", Dir.Read(form));
  for (const std::string& out : {Dir / "in.dfm", Dir.Path() + "/./in.dfm"}) {
    const TRun same = Run({"dfm2txt", Dir / "in.dfm", out});
    EXPECT_EQ(same.Exit, 2);
    EXPECT_NE(same.Err.find("the output file is the input file"), std::string::npos) << same.Err;
    EXPECT_EQ(Dir.Read("in.dfm"), Dir.Read(form));
  }
}

// Forms named and the *.dfm files of folders (to every level) become <name>.txt beside them, or
// below --out with the subfolders they have in the folder named; a form that fails is reported
// by name and the others are converted; a text form found in a folder is left alone, one named
// is refused as in a run of one form.
TEST_F(CliTest, Dfm2TxtConvertsManyFormsAndFolders) {
  const std::string form = Dir.Read(std::string(KV_EXAMPLES_DIR) + "/project/Unit2.dfm");
  const std::string text =
      Run({"dfm2txt", std::string(KV_EXAMPLES_DIR) + "/project/Unit2.dfm"}).Out;
  ASSERT_FALSE(text.empty());
  const std::string textForm = "object F: TForm\r\nend\r\n";
  for (const bool out : {false, true}) {
    SCOPED_TRACE(out ? "into --out" : "beside the forms");
    TTempDir dir;
    dir.Write("proj/A.dfm", form);
    dir.Write("proj/sub/B.DFM", form);
    dir.Write("proj/sub/deeper/C.dfm", form.substr(0, 4));  // the stream is cut short
    dir.Write("proj/Text.dfm", textForm);
    dir.Write("proj/notes.txt", "notes");
    dir.Write("single/D.dfm", form);
    std::vector<std::string> args = {"dfm2txt", dir / "proj", dir / "single/D.dfm",
                                     dir / "missing.dfm"};
    if (out) args.insert(args.end(), {"--out", dir / "texts/new"});
    const TRun run = Run(args);
    EXPECT_EQ(run.Exit, 1);
    EXPECT_NE(run.Err.find("kv3conv: " + Found(dir / "proj", "sub/deeper/C.dfm") + ": "),
              std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("kv3conv: " + (dir / "missing.dfm") + ": Cannot open file"),
              std::string::npos);
    EXPECT_EQ(run.Err.find("Text.dfm"), std::string::npos) << run.Err;
    const std::string base = out ? "texts/new/" : "proj/";
    EXPECT_EQ(dir.Read(base + "A.txt"), text);
    EXPECT_EQ(dir.Read(base + "sub/B.txt"), text);
    EXPECT_EQ(dir.Read(out ? "texts/new/D.txt" : "single/D.txt"), text);
    EXPECT_FALSE(dir.Exists(base + "sub/deeper/C.txt"));
    EXPECT_FALSE(dir.Exists(base + "Text.txt"));
    EXPECT_EQ(dir.Read("proj/Text.dfm"), textForm);
    EXPECT_EQ(dir.Read("proj/A.dfm"), form);
  }
  // All well: exit code 0, nothing printed; a text form named is refused as before.
  Dir.Write("ok/A.dfm", form);
  const TRun ok = Run({"dfm2txt", Dir / "ok", "--codepage", "65001"});
  EXPECT_EQ(ok.Exit, 0) << ok.Err;
  EXPECT_EQ(ok.Out + ok.Err, "");
  EXPECT_EQ(Dir.Read("ok/A.txt"), text);
  Dir.Write("t/Text.dfm", textForm);
  const TRun named = Run({"dfm2txt", Dir / "t/Text.dfm", Dir / "ok/A.dfm"});
  EXPECT_EQ(named.Exit, 1);
  EXPECT_NE(named.Err.find(Dir / "t/Text.dfm" + ": not a binary form file"), std::string::npos);
}

// Old calls keep their meaning: "IN OUT" writes the text of IN to OUT unless OUT is a folder or
// ends in .dfm; then every argument is an input. A run whose outputs would collide with each
// other or with an input is refused before anything is written.
TEST_F(CliTest, Dfm2TxtArgumentsAndRefusedRuns) {
  const std::string form = Dir.Read(std::string(KV_EXAMPLES_DIR) + "/project/Unit2.dfm");
  const struct {
    const char* Name;
    std::vector<std::string> Inputs;  // forms written first, relative to the test folder
    std::vector<std::string> Args;    // relative to the test folder, but options
    int Exit;
    std::vector<std::string> Written;
    const char* Error;
  } cases[] = {
      {"in out", {"a.dfm"}, {"a.dfm", "a.text"}, 0, {"a.text"}, ""},
      {"in out.dfm", {"a.dfm", "b.dfm"}, {"a.dfm", "b.dfm"}, 0, {"a.txt", "b.txt"}, ""},
      {"in folder", {"a.dfm", "f/b.dfm"}, {"a.dfm", "f"}, 0, {"a.txt", "f/b.txt"}, ""},
      {"same name into --out",
       {"x/a.dfm", "y/a.dfm"},
       {"x/a.dfm", "y/a.dfm", "--out", "o"},
       2,
       {},
       "would both be written to"},
      {"output is an input",
       {"a.dfm", "b.dfm", "a.txt"},
       {"a.dfm", "b.dfm", "a.txt"},
       2,
       {},
       "a file this run reads; nothing was written"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir;
    for (const auto& input : c.Inputs) dir.Write(input, form);
    std::vector<std::string> args = {"dfm2txt"};
    for (const auto& a : c.Args) args.push_back(a.starts_with("-") ? a : dir / a);
    const TRun run = Run(args);
    EXPECT_EQ(run.Exit, c.Exit) << run.Err;
    EXPECT_NE(run.Err.find(c.Error), std::string::npos) << run.Err;
    for (const auto& written : c.Written) EXPECT_TRUE(dir.Exists(written)) << written;
    for (const auto& input : c.Inputs) EXPECT_EQ(dir.Read(input), form) << input;
    if (c.Exit == 2) {
      EXPECT_FALSE(dir.Exists("o") || dir.Exists("a.text")) << "written";
    }
  }
  // What the short reading of a call does not take goes to the whole command line: its help and
  // usage errors are those of the other commands.
  const TRun help = Run({"dfm2txt", "--help"});
  EXPECT_EQ(help.Exit, 0);
  EXPECT_NE(help.Out.find("--out"), std::string::npos);
  EXPECT_EQ(Run({"dfm2txt"}).Exit, 2);
  EXPECT_EQ(Run({"dfm2txt", "--frobnicate", Dir / "a.dfm"}).Exit, 2);
  Dir.Write("a.dfm", form);
  const TRun badCodePage = Run({"dfm2txt", Dir / "a.dfm", "--codepage", "77"});
  EXPECT_EQ(badCodePage.Exit, 2);
  EXPECT_NE(badCodePage.Err.find("77"), std::string::npos) << badCodePage.Err;
}

TEST_F(CliTest, InspectShowsTheLoadedReport) {
  const std::string path = std::string(KV_EXAMPLES_DIR) + "/reports/Sales.kvf";
  const TRun run = Run({"inspect", path});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_TRUE(run.Err.empty()) << run.Err;
  const auto model = nlohmann::json::parse(run.Out);
  EXPECT_EQ(model["file"], path);
  EXPECT_EQ(model["version"], 25);
  EXPECT_EQ(model["reportOptions"]["name"], "Sales by region");
  EXPECT_EQ(model["reportOptions"]["passwordProtected"], false);
  const auto& pages = model["pages"];
  ASSERT_EQ(pages.size(), 2u) << run.Out;
  EXPECT_EQ(pages[0]["name"], "Page1");
  EXPECT_EQ(pages[0]["type"], 0);
  EXPECT_EQ(pages[0]["edges"], nlohmann::json::array({38, 18, 740, 1053}));
  EXPECT_EQ(pages[1]["name"], "Dialog1");
  EXPECT_EQ(pages[1]["type"], 1);
  const auto& variables = model["dictionary"]["variables"];
  ASSERT_TRUE(variables.is_array());
  EXPECT_EQ(variables.at(1), nlohmann::json::array({"Total", "SUM([Orders.\"Amount\"])"}));
  EXPECT_EQ(model["dictionary"]["datasetAliases"],
            nlohmann::json::array({nlohmann::json::array({"frmMain.kvDBDataSet1", "Orders"})}));
  EXPECT_EQ(Run({"inspect", Dir / "none.kvf"}).Exit, 1);
}

TEST_F(CliTest, InspectTakesThePasswordOfAProtectedReport) {
  {
    kv::TConversionContext reportContext;
    kv::TkvReport report{reportContext};
    report.Pages.AddPage();
    report.Pages.AddPage();
    report.ReportOptions.Password = "s3cret";
    report.PasswordProtected = true;
    report.SaveReportFile(Dir / "p.kvf");
  }
  // Without the password, or with a wrong one, there is no model to show.
  const TRun without = Run({"inspect", Dir / "p.kvf"});
  EXPECT_EQ(without.Exit, 1);
  EXPECT_NE(without.Err.find("--password"), std::string::npos);
  EXPECT_NE(without.Err.find("no password was given"), std::string::npos) << without.Err;
  EXPECT_TRUE(without.Out.empty()) << without.Out;
  const TRun wrong = Run({"inspect", "--password", "wrong", Dir / "p.kvf"});
  EXPECT_EQ(wrong.Exit, 1);
  EXPECT_NE(wrong.Err.find("the password given is not the report's password"), std::string::npos)
      << wrong.Err;
  EXPECT_TRUE(wrong.Out.empty()) << wrong.Out;

  Dir.Write("pw.txt", "s3cret\n");
  const TRun with = Run({"inspect", "--password-file", Dir / "pw.txt", Dir / "p.kvf"});
  EXPECT_EQ(with.Exit, 0) << with.Err;
  const auto model = nlohmann::json::parse(with.Out);
  EXPECT_EQ(model["reportOptions"]["passwordProtected"], true);
  EXPECT_EQ(model["pages"].size(), 2u);

  Dir.Write("empty.kvf", "");
  const TRun empty = Run({"inspect", Dir / "empty.kvf"});
  EXPECT_EQ(empty.Exit, 1);
  EXPECT_NE(empty.Err.find("the file is empty"), std::string::npos) << empty.Err;
}

// ---- kv3conv report ---------------------------------------------------------------------------

std::string ExampleReport() {
  return std::string(KV_EXAMPLES_DIR) + "/reports/Sales.kvf";
}

TEST_F(CliTest, ReportConvertsFoldersToTheirDirectSubfoldersOrEveryLevel) {
  const std::string example = Dir.Read(ExampleReport());
  Dir.Write("r/Sales.kvf", example);
  Dir.Write("r/sub/Two.kvf", example);
  Dir.Write("r/sub/deep/Three.kvf", example);
  Dir.Write("r/notes.txt", "not a report");
  const TRun run = Run({"report", Dir / "r"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_TRUE(run.Err.empty()) << run.Err;
  EXPECT_TRUE(run.Out.starts_with("Done ")) << run.Out;
  EXPECT_NE(run.Out.find("    0  " + Found(Dir / "r", "Sales.kv3") + "\n"), std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find("    0  " + Found(Dir / "r", "sub/Two.kv3") + "\n"), std::string::npos);
  EXPECT_NE(run.Out.find("Total: 2 reports, 2 written, 0 with warnings, 0 failed, "),
            std::string::npos)
      << run.Out;
  EXPECT_TRUE(Dir.Read("r/Sales.kv3").starts_with("<?xml"));
  EXPECT_TRUE(Dir.Exists("r/sub/Two.kv3"));
  EXPECT_FALSE(Dir.Exists("r/sub/deep/Three.kv3"));
  EXPECT_FALSE(Dir.Exists("r/notes.kv3"));

  const TRun recursive = Run({"report", "--recursive", Dir / "r"});
  EXPECT_EQ(recursive.Exit, 0) << recursive.Err;
  EXPECT_NE(recursive.Out.find("Total: 3 reports, 3 written"), std::string::npos);
  EXPECT_TRUE(Dir.Exists("r/sub/deep/Three.kv3"));
  // The same report converts to the same document wherever it lies.
  EXPECT_EQ(Dir.Read("r/sub/deep/Three.kv3"), Dir.Read("r/Sales.kv3"));
}

// Files from which no report can be read: a "Failed" line each with the reason on standard error,
// the others still converted, exit 1, and an earlier document of the same name left as it was.
// A run over many reports on several threads, its output and messages going to separate files,
// prints, writes and exits as a run on one thread with both streams in one file does: messages
// and lines in the order of the list, and the same documents.
TEST_F(CliTest, ReportOnManyThreadsMatchesARunOnOne) {
  std::vector<std::string> samples;
  for (const char* name : {"Sales.kvf", "Dialogs.kvf", "Inventory.kvf", "Protected.kvf",
                           "objects/Version23.kvf", "objects/Version25.kvf"}) {
    samples.push_back(Dir.Read(std::string(KV_EXAMPLES_DIR) + "/reports/" + name));
  }
  samples.push_back(samples[0].substr(0, samples[0].size() / 3));  // cannot be read
  for (const char* run : {"split", "joined"}) {
    for (int i = 0; i < 500; ++i) {
      Dir.Write(std::string(run) + "/f" + std::to_string(i % 7) + "/r" + std::to_string(i) + ".kvf",
                samples[static_cast<std::size_t>(i) % samples.size()]);
    }
  }
  const TRun split = Run({"report", "--recursive", "--jobs", "4", Dir / "split"});
  const int joinedExit =
      kv::test::RunProgram(KV3CONV_PATH, {"report", "--jobs", "1", "--recursive", Dir / "joined"},
                           Dir / "joined.txt", Dir / "joined.txt");
  EXPECT_EQ(split.Exit, joinedExit);
  EXPECT_EQ(split.Exit, 1);
  // The joined output holds both streams, each file's messages before its line.
  std::string joinedOut, joinedErr, splitOut;
  auto withoutTime = [](const std::string& line) {
    // "<status> <microseconds> <count>  <path>": the time differs from run to run.
    const std::size_t status = line.find(' ');
    const std::size_t time = line.find_first_not_of(' ', status);
    const std::size_t after = line.find(' ', time);
    if (line.starts_with("Total:") || status == std::string::npos || after == std::string::npos)
      return std::string();
    return line.substr(0, status) + line.substr(after) + "\n";
  };
  std::size_t start = 0;
  const std::string joined = Dir.Read("joined.txt");
  while (start < joined.size()) {
    const std::size_t end = joined.find('\n', start);
    const std::string line = joined.substr(start, end - start);
    if (line.starts_with("kv3conv: ")) {
      joinedErr += line + "\n";
    } else {
      joinedOut += withoutTime(line);
    }
    start = end == std::string::npos ? joined.size() : end + 1;
  }
  for (start = 0; start < split.Out.size();) {
    const std::size_t end = split.Out.find('\n', start);
    splitOut += withoutTime(split.Out.substr(start, end - start));
    start = end == std::string::npos ? split.Out.size() : end + 1;
  }
  auto named = [&](std::string text, const char* run) {
    for (std::size_t at; (at = text.find(Dir / run)) != std::string::npos;)
      text.replace(at, (Dir / run).size(), "RUN");
    return text;
  };
  EXPECT_EQ(named(splitOut, "split"), named(joinedOut, "joined"));
  EXPECT_EQ(named(split.Err, "split"), named(joinedErr, "joined"));
  EXPECT_NE(split.Err.find("password-protected"), std::string::npos);
  // The same documents, but for the time of their making.
  auto undated = [](std::string text) {
    for (const char* attribute : {"CreateDate=\"", "LastChange=\""}) {
      for (std::size_t at = text.find(attribute); at != std::string::npos;
           at = text.find(attribute, at + 1)) {
        const std::size_t from = at + std::strlen(attribute);
        text.erase(from, text.find('"', from) - from);
      }
    }
    return text;
  };
  int documents = 0;
  for (int i = 0; i < 500; ++i) {
    const std::string name = "/f" + std::to_string(i % 7) + "/r" + std::to_string(i) + ".kv3";
    ASSERT_EQ(Dir.Exists("split" + name), Dir.Exists("joined" + name)) << name;
    if (!Dir.Exists("split" + name)) continue;
    ++documents;
    EXPECT_EQ(undated(Dir.Read("split" + name)), undated(Dir.Read("joined" + name))) << name;
  }
  EXPECT_GT(documents, 0);
}

TEST_F(CliTest, ReportGoesOnAfterFailedFilesAndKeepsEarlierDocuments) {
  {
    kv::TConversionContext reportContext;
    kv::TkvReport report{reportContext};
    report.Pages.AddPage();
    report.ReportOptions.Password = "s3cret";
    report.PasswordProtected = true;
    report.SaveReportFile(Dir / "protected.kvf");
  }
  const std::string example = Dir.Read(ExampleReport());
  const struct {
    const char* Name;
    std::string Bytes;  // "-": no file
    const char* Error;  // on standard error, after "kv3conv: <path>: "
  } cases[] = {
      {"missing.kvf", "-", "no such file; no document was written"},
      {"empty.kvf", "", "the file is empty; no document was written"},
      {"newer.kvf", std::string("\x1A\0\0", 3), "Unsupported KVF format: file version 26"},
      {"truncated.kvf", example.substr(0, example.size() / 3),
       "Unsupported KVF format: the file cannot be read as a report"},
      {"protected.kvf", "", "the password given is not the report's password"},
  };
  std::vector<std::string> args = {"report", "--password", "wrong"};
  for (const auto& c : cases) {
    if (c.Bytes != "-" && std::string(c.Name) != "protected.kvf") Dir.Write(c.Name, c.Bytes);
    Dir.Write(std::string(c.Name).replace(std::string(c.Name).size() - 3, 3, "kv3"), "earlier");
    args.push_back(Dir / c.Name);
  }
  Dir.Write("good.kvf", example);
  args.push_back(Dir / "good.kvf");
  const TRun run = Run(args);
  EXPECT_EQ(run.Exit, 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Dir / c.Name;
    EXPECT_NE(run.Out.find("Failed "), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("  " + path + "\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Err.find("kv3conv: " + path + ": " + c.Error), std::string::npos) << run.Err;
    EXPECT_EQ(Dir.Read(std::string(c.Name).replace(std::string(c.Name).size() - 3, 3, "kv3")),
              "earlier");
  }
  EXPECT_NE(run.Out.find("Done     "), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("  " + (Dir / "good.kv3") + "\n"), std::string::npos);
  EXPECT_TRUE(Dir.Exists("good.kv3"));
  EXPECT_NE(run.Out.find("Total: 6 reports, 1 written, 0 with warnings, 5 failed, "),
            std::string::npos)
      << run.Out;
}

// Between them, the sample reports of every object family and of the dialog page hold an object
// of every class the library converts: the five built-in classes and every registered add-in.
TEST_F(CliTest, InspectListsAnObjectOfEveryClassInTheSampleReports) {
  std::set<std::string> expected = {"TkvMemoView", "TkvPictureView", "TkvBandView",
                                    "TkvSubReportView", "TkvLineView"};
  for (const auto& info : kv::AddIns()) expected.insert(info.Class->Name);
  std::set<std::string> found;
  for (const char* sample : {"/reports/objects/Version25.kvf", "/reports/Dialogs.kvf"}) {
    const TRun run = Run({"inspect", std::string(KV_EXAMPLES_DIR) + sample});
    // Notes on what the new document drops make the exit code 1; the model is printed.
    ASSERT_LE(run.Exit, 1) << sample << ": " << run.Err;
    const auto model = nlohmann::json::parse(run.Out);
    for (const auto& page : model["pages"]) {
      for (const auto& object : page["objects"]) {
        found.insert(object["class"].get<std::string>());
        EXPECT_TRUE(object["element"].is_string()) << object["name"];
      }
    }
  }
  EXPECT_EQ(found, expected);
}

// The sample reports holding the built-in object families convert with no message from the
// library and with their notes, each naming the page and the object.
TEST_F(CliTest, ReportOnTheFamilySamplesPrintsNotesAndNoMessage) {
  for (int version = 21; version <= 25; ++version) {
    const std::string name = "Version" + std::to_string(version) + ".kvf";
    Dir.Write("objects/" + name,
              Dir.Read(std::string(KV_EXAMPLES_DIR) + "/reports/objects/" + name));
  }
  const TRun run = Run({"report", "--json", Dir / "objects"});
  EXPECT_EQ(run.Exit, 1);  // every file has notes
  const auto result = nlohmann::json::parse(run.Out);
  ASSERT_EQ(result["reports"].size(), 5u);
  for (const auto& report : result["reports"]) {
    EXPECT_EQ(report["status"], "Warnings") << report["path"];
    EXPECT_EQ(report["messageCount"], 0) << report["path"];
    EXPECT_GE(report["notes"].size(), 9u) << report["path"];
  }
  EXPECT_EQ(run.Err.find(": Error: "), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find(Found(Dir / "objects", "Version25.kvf") +
                         ": Page 1, Memo4: word break is not carried into the document"),
            std::string::npos)
      << run.Err;
}

TEST_F(CliTest, ReportWhoseDocumentCannotBeWrittenLeavesNoPartialFile) {
  Dir.Write("r/Sales.kvf", Dir.Read(ExampleReport()));
  // A folder holds the document's name, so the finished document cannot be moved into place.
  Dir.Write("r/Sales.kv3/keep", "kept");
  const TRun run = Run({"report", Dir / "r/Sales.kvf"});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_TRUE(run.Out.starts_with("Failed ")) << run.Out;
  EXPECT_NE(run.Err.find("kv3conv: " + (Dir / "r/Sales.kvf") + ": "), std::string::npos);
  EXPECT_EQ(Dir.Read("r/Sales.kv3/keep"), "kept");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Dir / "r")) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Sales.kv3", "Sales.kvf"}));
}

TEST_F(CliTest, ReportTakesThePasswordAndPrintsJson) {
  {
    kv::TConversionContext reportContext;
    kv::TkvReport report{reportContext};
    report.Pages.AddPage();
    report.ReportOptions.Password = "s3cret";
    report.PasswordProtected = true;
    report.SaveReportFile(Dir / "p.kvf");
  }
  Dir.Write("p.kv3", "earlier");
  Dir.Write("newer.kvf", std::string("\x1A\0\0", 3));
  const TRun without = Run({"report", "--json", Dir / "p.kvf", Dir / "newer.kvf"});
  EXPECT_EQ(without.Exit, 1);
  EXPECT_NE(without.Err.find("--password"), std::string::npos) << without.Err;
  const auto failed = nlohmann::json::parse(without.Out);
  ASSERT_EQ(failed["reports"].size(), 2u);
  const auto& p = failed["reports"][0];
  EXPECT_EQ(p["status"], "Failed");
  EXPECT_EQ(p["written"], false);
  EXPECT_EQ(p["problem"], "the report is password-protected and no password was given");
  EXPECT_EQ(p["messageCount"], 0);
  EXPECT_EQ(p["messages"].size(), 0u);
  EXPECT_EQ(Dir.Read("p.kv3"), "earlier");
  // The message count is the number of messages listed.
  const auto& newer = failed["reports"][1];
  EXPECT_EQ(newer["status"], "Failed");
  EXPECT_EQ(newer["messageCount"], 1);
  EXPECT_EQ(newer["messages"], nlohmann::json::array({"Unsupported KVF format"}));
  EXPECT_EQ(failed["total"]["failed"], 2);
  EXPECT_EQ(failed["total"]["written"], 0);

  const TRun with = Run({"report", "--json", "--password", "s3cret", Dir / "p.kvf"});
  EXPECT_EQ(with.Exit, 0) << with.Err;
  const auto done = nlohmann::json::parse(with.Out);
  ASSERT_EQ(done["reports"].size(), 1u);
  const auto& r = done["reports"][0];
  EXPECT_EQ(r["path"], Dir / "p.kvf");
  EXPECT_EQ(r["output"], Dir / "p.kv3");
  EXPECT_EQ(r["status"], "Done");
  EXPECT_EQ(r["written"], true);
  EXPECT_TRUE(r["microseconds"].is_number_integer());
  EXPECT_EQ(r["messageCount"], 0);
  EXPECT_EQ(r["notes"].size(), 0u);
  EXPECT_TRUE(r["problem"].is_null());
  EXPECT_EQ(done["total"]["reports"], 1);
  EXPECT_EQ(done["total"]["done"], 1);
  EXPECT_TRUE(Dir.Read("p.kv3").starts_with("<?xml"));

  EXPECT_EQ(Run({"report"}).Exit, 2);
  EXPECT_EQ(Run({"report", "--password", "a", "--password-file", Dir / "pw", Dir / "p.kvf"}).Exit,
            2);
  EXPECT_EQ(Run({"report", "--password-file", Dir / "none", Dir / "p.kvf"}).Exit, 2);
  // A folder named as the password file is refused, not read as an empty password.
  const TRun folder = Run({"report", "--password-file", Dir.Path(), Dir / "p.kvf"});
  EXPECT_EQ(folder.Exit, 2);
  EXPECT_NE(folder.Err.find("cannot read the password file"), std::string::npos) << folder.Err;
}

// --summary writes one HTML page for the run: every report with its status, failed ones first,
// and a picture of each page of the reports that were read. A summary that cannot be written
// makes the exit code 1.
TEST_F(CliTest, ReportWritesTheRunsSummary) {
  for (const char* name : {"Dialogs.kvf", "Protected.kvf"}) {
    std::filesystem::copy_file(std::string(KV_EXAMPLES_DIR) + "/reports/" + name,
                               std::filesystem::path(Dir / name));
  }
  const TRun run = Run({"report", "--summary", Dir / "summary.html", Dir / "Dialogs.kvf",
                        Dir / "Protected.kvf"});
  EXPECT_EQ(run.Exit, 1) << run.Err;  // the protected report fails without its password
  const std::string html = Dir.Read("summary.html");
  const std::size_t failed = html.find("<tr class=\"Failed\">");
  const std::size_t warned = html.find("<tr class=\"Warnings\">");
  ASSERT_NE(failed, std::string::npos);
  ASSERT_NE(warned, std::string::npos);
  EXPECT_LT(failed, warned);
  EXPECT_NE(html.find("Protected.kvf"), std::string::npos);
  EXPECT_NE(html.find("DBXQuery1: its SQL text"), std::string::npos);
  std::size_t pictures = 0;
  for (std::size_t at = html.find("data:image/svg+xml;"); at != std::string::npos;
       at = html.find("data:image/svg+xml;", at + 1)) {
    ++pictures;
  }
  EXPECT_EQ(pictures, 2u);  // the two pages of Dialogs.kvf, also in a build without Qt
  EXPECT_EQ(html.find("id=\"nopictures\""), std::string::npos);

  const TRun unwritable = Run({"report", "--summary", Dir / "missing/folder/summary.html",
                               "--password", "kolvex", Dir / "Protected.kvf"});
  EXPECT_EQ(unwritable.Exit, 1);
  EXPECT_NE(unwritable.Err.find("the summary could not be written"), std::string::npos)
      << unwritable.Err;
}

}  // namespace
