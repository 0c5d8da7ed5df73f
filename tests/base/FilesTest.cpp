// Replacing a user's file: only while it is still the file that was read, and JSON texts of file
// names whose bytes are no UTF-8.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "base/Errors.h"
#include "base/Files.h"
#include "base/JsonText.h"
#include "support/TempDir.h"

namespace kv {
namespace {

using test::TTempDir;
namespace fs = std::filesystem;

// Whatever happens to a file between the moment it was read and the moment its new content would
// take its place (an editor's save in place or by rename, a removal, a link put there), the
// replacement is refused with "changed during the run; left as it is": the file keeps what it has
// now, and neither a backup nor a temporary file is left.
TEST(FileReplacement, FileChangedSinceItWasReadIsLeftAsItIs) {
  const struct {
    const char* Name;
    std::function<void(const std::string& path)> Change;
    const char* After;  // the file's content afterwards; nullptr: it is gone
  } changes[] = {
      {"appended in place",
       [](const std::string& p) { std::ofstream(p, std::ios::app) << " more"; }, "old more"},
      {"rewritten in place, same size",
       [](const std::string& p) {
         std::ofstream(p, std::ios::in | std::ios::out) << "new";
         // A later modification time, as a save a moment later has.
         const auto later = fs::last_write_time(p) + std::chrono::seconds(2);
         fs::last_write_time(p, later);
       },
       "new"},
      {"saved by rename",
       [](const std::string& p) {
         std::ofstream(p + ".swp") << "saved";
         fs::rename(p + ".swp", p);
       },
       "saved"},
      {"removed", [](const std::string& p) { fs::remove(p); }, nullptr},
#ifndef _WIN32  // symbolic links need a privilege on Windows
      {"replaced by a link",
       [](const std::string& p) {
         std::ofstream(p + ".real") << "old";
         fs::remove(p);
         fs::create_symlink(p + ".real", p);
       },
       "old"},
#endif
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.Name);
    TTempDir dir;
    const std::string path = dir.Write("Unit1.pas", "old");
    std::string bytes;
    TFileStatus status;
    ReadFileInto(path, bytes, &status, TFileKinds::RegularOnly);
    {
      TFileReplacement replacement(path, "converted", false, &status);
      c.Change(path);
      try {
        replacement.CommitWithFreshBackup(
            [&](unsigned n) { return path + std::to_string(n) + ".BAK"; });
        ADD_FAILURE() << "replaced";
      } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(), "changed during the run; left as it is");
      }
    }
    if (c.After) {
      EXPECT_EQ(dir.Read("Unit1.pas"), c.After);
    } else {
      EXPECT_FALSE(dir.Exists("Unit1.pas"));
    }
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "Unit1.pas" || name == "Unit1.pas.real") << name;
    }
  }
}

// A file written "when replacing" (a document beside its report) takes a free name directly and
// replaces only through the full replacement: whatever was at the name, the file ends up holding
// the new content, a replaced file keeps its permissions, a link to a file elsewhere is replaced
// itself (the file it pointed to keeps its content), and no temporary file stays behind.
// POSIX only: symbolic links, permission bits and the creation mask.
#ifndef _WIN32
TEST(FileReplacement, WritingWhenReplacingTakesFreeNamesAndReplacesTheRest) {
  const struct {
    const char* Name;
    std::function<void(const std::string& path)> Before;
    unsigned Permissions;  // the new file's; 0: the creation mask's default
  } cases[] = {
      {"a free name", [](const std::string&) {}, 0},
      {"an earlier file",
       [](const std::string& p) {
         std::ofstream(p) << "earlier";
         ::chmod(p.c_str(), 0640);
       },
       0640},
      {"a link to nothing", [](const std::string& p) { fs::create_symlink(p + ".gone", p); }, 0},
      {"a link to a file",
       [](const std::string& p) {
         std::ofstream(p + ".real") << "real";
         fs::create_symlink(p + ".real", p);
       },
       0},
  };
  const mode_t mask = ::umask(0);
  ::umask(mask);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir;
    const std::string path = dir / "Report.kv3";
    c.Before(path);
    WriteFileSafely(path, "<document/>", TDiskSync::WhenReplacing);
    EXPECT_EQ(dir.Read("Report.kv3"), "<document/>");
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    const unsigned expected = c.Permissions ? c.Permissions : 0666 & ~mask;
    EXPECT_EQ(st.st_mode & 07777, expected);
    if (dir.Exists("Report.kv3.real")) {
      EXPECT_EQ(dir.Read("Report.kv3.real"), "real");
    }
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
      const std::string name = entry.path().filename().string();
      EXPECT_TRUE(name == "Report.kv3" || name == "Report.kv3.real") << name;
    }
  }
}
#endif

// The lone surrogate \uDCXX names a byte that is no part of a UTF-8 character; nothing else is
// written that way, so every byte can be read back.
TEST(JsonString, BytesThatAreNoUtf8AreWrittenSoThatTheyCanBeRecovered) {
  const struct {
    std::string Text;
    const char* Json;
  } cases[] = {
      {"caf\xC3\xA9", "\"caf\xC3\xA9\""},             // a real é stays as it is
      {"caf\xE9", "\"caf\\uDCE9\""},                  // a Latin-1 é is a raw byte
      {"\xC3", "\"\\uDCC3\""},                        // a character cut short
      {"\xC3\xA9\xA9", "\"\xC3\xA9\\uDCA9\""},        // a stray continuation byte
      {"\xED\xA0\x80", "\"\\uDCED\\uDCA0\\uDC80\""},  // an encoded surrogate is no character
      {std::string("a\0b\x1F\x7F", 5), "\"a\\u0000b\\u001F\\u007F\""},  // controls are characters
      {"q\"\\\t\r\n", "\"q\\\"\\\\\\t\\r\\n\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.Text), c.Json);
}

}  // namespace
}  // namespace kv
