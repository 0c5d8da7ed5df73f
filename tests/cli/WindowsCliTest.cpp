// kv3conv.exe as a whole process where Windows differs from Linux: arguments and output with
// names outside the ANSI code page, paths with a drive letter and backslashes, a file another
// program holds open without sharing, journals in %LOCALAPPDATA% and undo from there.
#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/Environment.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using kv::test::TTempDir;

// A path from UTF-8 text (a narrow std::filesystem::path is read in the ANSI code page here).
fs::path U8(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The system's own form of a path: backslashes, and a drive letter (the scratch folder is under
// %TEMP%, which has one).
std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

void WriteUtf8Named(const std::string& path, const std::string& bytes) {
  fs::create_directories(U8(path).parent_path());
  std::ofstream out(U8(path), std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadUtf8Named(const std::string& path) {
  std::ifstream in(U8(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const char* const Unit = "uses TkvReport;\r\n";
const char* const Migrated = "uses TkvxReport;\r\n";

class WindowsCliTest : public ::testing::Test {
 protected:
  WindowsCliTest() {
    kv::test::SetEnvironment(kv::test::StateHomeVariable, Dir / "state");
    Dir.Write("kv25x.dat", "TkvReport=TkvxReport\r\n");
  }
  int Run(const std::vector<std::string>& args) {
    const int exit = kv::test::RunProgram(KV3CONV_PATH, args, Dir / "stdout", Dir / "stderr");
    Out = Dir.Read("stdout");
    Err = Dir.Read("stderr");
    return exit;
  }
  TTempDir Dir;
  std::string Out, Err;
};

// Greek and Japanese names reach the program whole (as arguments and from a folder listing),
// are converted with their backups, and are printed in UTF-8 as they are.
TEST_F(WindowsCliTest, NamesOutsideTheCodePageAsArgumentsInListingsAndInOutput) {
  const std::string greek = Dir / "\xCE\x9C\xCE\xBF\xCE\xBD\xCE\xAC\xCE\xB4\xCE\xB1/"
                                  "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.pas";
  const std::string japanese = Dir / "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.pas";
  WriteUtf8Named(greek, Unit);
  WriteUtf8Named(japanese, Unit);

  ASSERT_EQ(Run({"source", "--table", Dir / "kv25x.dat", japanese,
                 Utf8(U8(greek).parent_path())}),
            0)
      << Err;
  for (const std::string& file : {greek, japanese}) {
    EXPECT_EQ(ReadUtf8Named(file), Migrated) << file;
    EXPECT_EQ(ReadUtf8Named(Utf8(U8(file).replace_extension(".BAK"))), Unit) << file;
    EXPECT_NE(Out.find(Utf8(U8(file).filename())), std::string::npos) << Out;
  }
}

// A path with a drive letter and backslashes names the same files; the run's journal is kept in
// %LOCALAPPDATA%\kv3conv\journals, and undo puts the files back from it.
TEST_F(WindowsCliTest, DriveLetterPathsJournalInLocalAppDataAndUndo) {
  Dir.Write("project/Unit1.pas", Unit);
  const std::string folder = Backslashed(Dir / "project");
  ASSERT_GE(folder.size(), 3u);
  ASSERT_EQ(folder.substr(1, 2), ":\\") << folder;

  ASSERT_EQ(Run({"source", "--table", Backslashed(Dir / "kv25x.dat"), folder}), 0) << Err;
  EXPECT_EQ(Dir.Read("project/Unit1.pas"), Migrated);
  EXPECT_NE(Out.find(folder + "\\Unit1.pas"), std::string::npos) << Out;
  const fs::path journals = U8(Dir / "state/kv3conv/journals");
  ASSERT_TRUE(fs::is_directory(journals));
  EXPECT_EQ(std::distance(fs::directory_iterator(journals), fs::directory_iterator()), 1);

  ASSERT_EQ(Run({"undo"}), 0) << Out << Err;
  EXPECT_EQ(Dir.Read("project/Unit1.pas"), Unit);
  EXPECT_FALSE(Dir.Exists("project/Unit1.BAK"));

  ASSERT_EQ(Run({"undo", "--help"}), 0);
  EXPECT_NE(Out.find("%LOCALAPPDATA%\\kv3conv\\journals"), std::string::npos) << Out;
}

// The IDE holds a unit open without sharing: that file fails alone, with an error naming it and
// saying why, and keeps its text; the run converts the others and exits with 1.
TEST_F(WindowsCliTest, FileHeldOpenWithoutSharingFailsAloneAndTheRunGoesOn) {
  const std::string held = Dir.Write("project/Held.pas", Unit);
  Dir.Write("project/Unit1.pas", Unit);
  HANDLE handle = CreateFileW(U8(held).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  const int exit = Run({"source", "--table", Dir / "kv25x.dat", Dir / "project"});
  CloseHandle(handle);

  EXPECT_EQ(exit, 1) << Out << Err;
  EXPECT_EQ(Dir.Read("project/Unit1.pas"), Migrated);
  EXPECT_EQ(Dir.Read("project/Held.pas"), Unit);
  EXPECT_FALSE(Dir.Exists("project/Held.BAK"));
  const std::string shown = Dir / "project" + "\\Held.pas";
  EXPECT_NE(Out.find("Failed  " + shown), std::string::npos) << Out;
  EXPECT_NE(Err.find("Cannot open file \"" + shown + "\""), std::string::npos) << Err;
  EXPECT_NE(Err.find("another program holds the file open; close it there, then run again"),
            std::string::npos)
      << Err;
}

// Labels of dialog pages are measured through a text module beside the program when there is
// one, and keep their stored size with a note when there is none.
TEST_F(WindowsCliTest, DialogLabelsAreMeasuredOnlyWithATextModuleBesideTheProgram) {
  for (const bool withModule : {false, true}) {
    SCOPED_TRACE(withModule ? "with the module" : "without it");
    TTempDir program;
    fs::copy_file(KV3CONV_PATH, U8(program / "kv3conv.exe"));
    if (withModule) fs::copy_file(KV_TEST_TEXT_MODULE, U8(program / "kv3conv-qttext.dll"));
    fs::copy_file(std::string(KV_EXAMPLES_DIR) + "/reports/Dialogs.kvf", U8(Dir / "Dialogs.kvf"),
                  fs::copy_options::overwrite_existing);
    const int exit = kv::test::RunProgram(program / "kv3conv.exe", {"report", Dir / "Dialogs.kvf"},
                                          Dir / "stdout", Dir / "stderr");
    const std::string err = Dir.Read("stderr");
    // Written with warnings: the report's query keeps a note either way.
    ASSERT_EQ(exit, 1) << err;
    const std::string document = Dir.Read("Dialogs.kv3");
    EXPECT_EQ(err.find("LabelControl1: the automatic size could not be measured") ==
                  std::string::npos,
              withModule)
        << err;
    // The module measures 7 pixels per byte; without it the stored 5 by 5 stays.
    EXPECT_EQ(document.find("Width=\"5\" Height=\"5\"") == std::string::npos, withModule);
    EXPECT_EQ(err.find("warning"), std::string::npos) << err;
  }
}

}  // namespace

#endif  // _WIN32
