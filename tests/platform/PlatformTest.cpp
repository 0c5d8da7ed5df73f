// Tests of the platform layer through its interface alone, so that they hold for every system
// (nothing here calls the system itself): files that are never replaced by accident, file
// identity through links, folder listings of names outside ASCII, the parts of paths, code pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "base/Files.h"
#include "platform/CodePages.h"
#include "platform/File.h"
#include "platform/Folder.h"
#include "platform/Path.h"
#include "platform/Process.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using os::TErrorKind;
using os::TFile;

// A scratch folder of the test's own, removed with what is in it.
class PlatformTest : public ::testing::Test {
 protected:
  PlatformTest() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    Root = fs::temp_directory_path() /
           ("kvplatform-" + std::to_string(os::CurrentProcessId()) + "-" + test->name());
    fs::remove_all(Root);
    fs::create_directories(Root);
  }
  ~PlatformTest() override {
    std::error_code ignored;
    fs::remove_all(Root, ignored);
  }

  std::string At(const std::string& name) const { return os::Join(os::ToUtf8(Root), name); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(os::ToPath(At(name)), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(os::ToPath(At(name)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path Root;
};

TEST_F(PlatformTest, NewNamesNeverReplaceATakenOne) {
  Write("taken", "old");
  Write("other", "other");
  TFile file;
  os::TError error;
  EXPECT_FALSE(file.Open(At("taken"), TFile::TOpen::CreateNew, error));
  EXPECT_TRUE(error.Is(TErrorKind::Exists)) << error.Text;
  EXPECT_FALSE(file.Open(At("taken"), TFile::TOpen::CreateNewAppend, error));
  EXPECT_TRUE(error.Is(TErrorKind::Exists)) << error.Text;

  EXPECT_FALSE(os::RenameWithoutReplacing(At("other"), At("taken"), error));
  EXPECT_TRUE(error.Is(TErrorKind::Exists)) << error.Text;
  EXPECT_FALSE(os::Link(At("other"), At("taken"), error));
  EXPECT_TRUE(error.Is(TErrorKind::Exists) || error.Is(TErrorKind::LinksUnsupported)) << error.Text;
  EXPECT_FALSE(os::MakeFolder(At("taken"), error));
  EXPECT_TRUE(error.Is(TErrorKind::Exists)) << error.Text;
  EXPECT_EQ(Read("taken"), "old");
  EXPECT_EQ(Read("other"), "other");

  // A free name is taken; a plain rename replaces.
  ASSERT_TRUE(os::RenameWithoutReplacing(At("other"), At("free"), error)) << error.Text;
  EXPECT_FALSE(os::StatusOf(At("other")));
  EXPECT_EQ(Read("free"), "other");
  ASSERT_TRUE(os::Rename(At("free"), At("taken"), error)) << error.Text;
  EXPECT_EQ(Read("taken"), "other");
  EXPECT_FALSE(os::StatusOf(At("free")));
}

TEST_F(PlatformTest, FilesAreWrittenAppendedReadAndLookedAt) {
  TFile file;
  os::TError error;
  ASSERT_TRUE(file.Open(At("log"), TFile::TOpen::CreateNewAppend, error)) << error.Text;
  ASSERT_TRUE(file.WriteAll("one\n", 4, error)) << error.Text;
  ASSERT_TRUE(file.Sync(error, false)) << error.Text;
  ASSERT_TRUE(file.Close(error)) << error.Text;
  EXPECT_FALSE(file.IsOpen());
  ASSERT_TRUE(file.Open(At("log"), TFile::TOpen::Append, error)) << error.Text;
  ASSERT_TRUE(file.WriteAll("two\n", 4, error)) << error.Text;
  os::TEntry entry;
  ASSERT_TRUE(file.Status(entry, error)) << error.Text;
  EXPECT_EQ(entry.Kind, os::TEntryKind::Regular);
  EXPECT_EQ(entry.Status.Size, 8);
  ASSERT_TRUE(file.Close(error)) << error.Text;

  ASSERT_TRUE(file.Open(At("log"), TFile::TOpen::ReadRegular, error)) << error.Text;
  char buffer[16];
  EXPECT_EQ(file.Read(buffer, sizeof buffer, error), 8);
  EXPECT_EQ(std::string(buffer, 8), "one\ntwo\n");
  EXPECT_EQ(file.Read(buffer, sizeof buffer, error), 0);

  // A file without write permission is read-only; it can still be read.
  TFile locked;
  ASSERT_TRUE(locked.Open(At("locked"), TFile::TOpen::CreateNew, error, 0444)) << error.Text;
  ASSERT_TRUE(locked.Close(error));
  const auto status = os::StatusOf(At("locked"));
  ASSERT_TRUE(status);
  EXPECT_TRUE(IsReadOnlyMode(status->Status.Permissions));
  EXPECT_TRUE(locked.Open(At("locked"), TFile::TOpen::Read, error)) << error.Text;
  fs::permissions(os::ToPath(At("locked")), fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(PlatformTest, LinksShareTheIdentityOfTheirFileAndNoOtherFileDoes) {
  Write("file", "text");
  Write("twin", "text");
  os::TError error;
  if (!os::Link(At("file"), At("link"), error)) {
    ASSERT_TRUE(error.Is(TErrorKind::LinksUnsupported)) << error.Text;
    GTEST_SKIP() << "the scratch folder's file system has no hard links";
  }
  const auto file = os::StatusOf(At("file"));
  const auto link = os::StatusOf(At("link"));
  const auto twin = os::StatusOf(At("twin"));
  ASSERT_TRUE(file && link && twin);
  EXPECT_EQ(link->Status.Device, file->Status.Device);
  EXPECT_EQ(link->Status.Inode, file->Status.Inode);
  EXPECT_TRUE(SameFileVersion(link->Status, file->Status));
  EXPECT_FALSE(twin->Status.Device == file->Status.Device &&
               twin->Status.Inode == file->Status.Inode);
  // An open file tells the same identity as its name.
  TFile open;
  ASSERT_TRUE(open.Open(At("link"), TFile::TOpen::Read, error)) << error.Text;
  os::TEntry entry;
  ASSERT_TRUE(open.Status(entry, error)) << error.Text;
  EXPECT_EQ(entry.Status.Inode, file->Status.Inode);
}

TEST_F(PlatformTest, WhatIsMissingIsNotFound) {
  os::TError error;
  EXPECT_FALSE(os::StatusOf(At("missing"), os::TFollow::No, &error));
  EXPECT_TRUE(error.Is(TErrorKind::NotFound)) << error.Text;
  EXPECT_FALSE(error.Text.empty());
  EXPECT_FALSE(os::StatusOf(At("missing"), os::TFollow::Yes, &error));
  EXPECT_TRUE(error.Is(TErrorKind::NotFound)) << error.Text;
  TFile file;
  EXPECT_FALSE(file.Open(At("missing"), TFile::TOpen::Read, error));
  EXPECT_TRUE(error.Is(TErrorKind::NotFound)) << error.Text;
  EXPECT_FALSE(os::Remove(At("missing"), error));
  EXPECT_TRUE(error.Is(TErrorKind::NotFound)) << error.Text;
  os::TFolderListing listing;
  EXPECT_FALSE(listing.Open(At("missing"), error));
  EXPECT_TRUE(error.Is(TErrorKind::NotFound)) << error.Text;
}

TEST_F(PlatformTest, ALinkIsNeverReadAsARegularFile) {
  Write("file", "text");
  std::error_code ec;
  fs::create_symlink(os::ToPath(At("file")), os::ToPath(At("symlink")), ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
  const auto link = os::StatusOf(At("symlink"));
  const auto followed = os::StatusOf(At("symlink"), os::TFollow::Yes);
  ASSERT_TRUE(link && followed);
  EXPECT_EQ(link->Kind, os::TEntryKind::Link);
  EXPECT_EQ(followed->Kind, os::TEntryKind::Regular);
  EXPECT_EQ(followed->Status.Inode, os::StatusOf(At("file"))->Status.Inode);
  TFile file;
  os::TError error;
  EXPECT_FALSE(file.Open(At("symlink"), TFile::TOpen::ReadRegular, error));
  EXPECT_TRUE(error.Is(TErrorKind::IsLink)) << error.Text;
  EXPECT_TRUE(file.Open(At("symlink"), TFile::TOpen::Read, error)) << error.Text;
}

TEST_F(PlatformTest, FolderListingsFindNamesOutsideAscii) {
  const std::set<std::string> names = {"Ελληνικά.pas", "日本語のフォーム.dfm", "plain.pas"};
  for (const std::string& name : names) {
    TFile file;
    os::TError error;
    ASSERT_TRUE(file.Open(At(name), TFile::TOpen::CreateNew, error)) << name << ": " << error.Text;
  }
  os::TError error;
  ASSERT_TRUE(os::MakeFolder(At("Папка"), error)) << error.Text;

  os::TFolderListing listing;
  ASSERT_TRUE(listing.Open(os::ToUtf8(Root), error)) << error.Text;
  std::set<std::string> files;
  std::set<std::string> folders;
  std::string name;
  std::optional<os::TEntryKind> kind;
  while (listing.Next(name, kind, error)) {
    if (!kind) kind = os::StatusOf(At(name))->Kind;
    (*kind == os::TEntryKind::Folder ? folders : files).insert(name);
  }
  EXPECT_FALSE(error) << error.Text;
  EXPECT_EQ(files, names);
  EXPECT_EQ(folders, std::set<std::string>{"Папка"});

  // The system's own listing names the same files, and the names go back and forth unchanged.
  std::set<std::string> seen;
  for (const auto& entry : fs::directory_iterator(Root)) {
    const std::string utf8 = os::ToUtf8(entry.path().filename());
    EXPECT_EQ(os::ToPath(utf8), entry.path().filename());
    seen.insert(utf8);
  }
  files.insert("Папка");
  EXPECT_EQ(seen, files);
}

TEST(PlatformPath, PartsOfPathsAreFoundWithTheSystemsSeparators) {
  const struct {
    const char* Path;
    bool Absolute;
    std::size_t NameStart;
    const char* Folder;  // FolderOf
  } cases[] = {
      {"/a/b.pas", true, 3, "/a"},
      {"a/b.pas", false, 2, "a"},
      {"b.pas", false, 0, ""},
      {"/b.pas", true, 1, "/"},
      {"a/", false, 2, "a"},
      {"", false, 0, ""},
#ifdef _WIN32
      {"C:\\a\\b.pas", true, 5, "C:\\a"},
      {"C:/a/b", true, 5, "C:/a"},
      {"C:\\b.pas", true, 3, "C:\\"},
      {"\\\\server\\share\\x", true, 15, "\\\\server\\share"},
      {"C:x", false, 2, "C:"},
      {"a\\b/c", false, 4, "a\\b"},
#else
      // A backslash is part of a name here.
      {"a\\b.pas", false, 0, ""},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    EXPECT_EQ(os::IsAbsolute(c.Path), c.Absolute);
    EXPECT_EQ(os::FileNameStart(c.Path), c.NameStart);
    EXPECT_EQ(FolderOf(c.Path), c.Folder);
  }

  const struct {
    const char* Folder;
    const char* Name;
    std::string Joined;
  } joins[] = {
      {"a", "b", std::string("a") + os::Separator() + "b"},
      {"a/", "b", "a/b"},
      {"", "b", "b"},
      {"/", "b", "/b"},
#ifdef _WIN32
      {"C:\\", "b", "C:\\b"},
      {"\\\\server\\share", "x", "\\\\server\\share\\x"},
#endif
  };
  for (const auto& j : joins) {
    EXPECT_EQ(os::Join(j.Folder, j.Name), j.Joined) << j.Folder << " + " << j.Name;
  }
}

// Each case converts both ways; then the conversions that stop: at a byte the code page does not
// define, a sequence cut short, a character the code page lacks, malformed UTF-8.
TEST(PlatformCodePages, ConvertBothWaysAndStopWhereTheOtherSideHasNoCharacter) {
  const struct {
    int CodePage;
    std::string Bytes;
    std::string Utf8;
  } cases[] = {
      {1252, "caf\xE9 \x80 \x9F", "caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8"},
      {1251, "\xC6\xE8\xE2 \x88", "\xD0\x96\xD0\xB8\xD0\xB2 \xE2\x82\xAC"},
      {932, "a\x93\xFA\x96\x7B\x83\xB6z", "a\xE6\x97\xA5\xE6\x9C\xAC\xCE\xA9z"},
      {65001, "\xCE\xA9\xF0\x9F\x98\x80", "\xCE\xA9\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.CodePage);
    os::TCodePageConverter toUtf8(c.CodePage, false);
    os::TCodePageConverter fromUtf8(c.CodePage, true);
    ASSERT_TRUE(toUtf8.Valid() && fromUtf8.Valid());
    std::string out = "kept:";
    EXPECT_EQ(toUtf8.Convert(c.Bytes, out), c.Bytes.size());
    EXPECT_EQ(out, "kept:" + c.Utf8);
    out.clear();
    EXPECT_EQ(fromUtf8.Convert(c.Utf8, out), c.Utf8.size());
    EXPECT_EQ(out, c.Bytes);
  }

  const struct {
    int CodePage;
    bool ToCodePage;
    std::string In;
    std::size_t Taken;
    std::string Out;
  } stops[] = {
      {1252, false, "ab\x81z", 2, "ab"},     // undefined in 1252
      {1251, false, "a\x98z", 1, "a"},       // undefined in 1251
      {932, false, "a\xA0z", 1, "a"},        // undefined in 932
      {932, false, "ab\x93", 2, "ab"},       // a lead byte without its trail byte
      {1252, true, "a\xD0\x96z", 1, "a"},    // no Cyrillic in 1252
      {932, true, "x\xE2\x82\xAC", 1, "x"},  // no euro sign in 932
      {1251, true, "ab\xC3", 2, "ab"},       // UTF-8 cut short
      {65001, false, "a\xFF", 1, "a"},       // no UTF-8
      {65001, true, "a\xC0\xAF", 1, "a"},    // an overlong form
  };
  for (const auto& s : stops) {
    SCOPED_TRACE(std::to_string(s.CodePage) + (s.ToCodePage ? " from UTF-8: " : ": ") + s.In);
    os::TCodePageConverter converter(s.CodePage, s.ToCodePage);
    std::string out;
    EXPECT_EQ(converter.Convert(s.In, out), s.Taken);
    EXPECT_EQ(out, s.Out);
    // The converter is back in its initial state: the next text converts whole.
    out.clear();
    EXPECT_EQ(converter.Convert("ok", out), 2u);
    EXPECT_EQ(out, "ok");
  }
  EXPECT_FALSE(os::TCodePageConverter(4242, false).Valid());
}

TEST(PlatformProcess, ThisProcessRunsFromItsProgramFile) {
  EXPECT_TRUE(os::ProcessRuns(os::CurrentProcessId()));
  const std::string program = os::ExecutablePath();
  EXPECT_TRUE(os::IsAbsolute(program)) << program;
  const auto entry = os::StatusOf(program, os::TFollow::Yes);
  ASSERT_TRUE(entry) << program;
  EXPECT_EQ(entry->Kind, os::TEntryKind::Regular);
  EXPECT_FALSE(os::Environment("KV_PLATFORM_TEST_UNSET_VARIABLE"));
}

}  // namespace
}  // namespace kv
