// Folder scans: mask lists, mask matching, order, depth limit and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/FolderScan.h"
#include "support/TempDir.h"

namespace kv {
namespace {

TEST(FolderScan, SplitsMaskLists) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitMaskList("*.pas;*.dfm"), (V{"*.pas", "*.dfm"}));
  EXPECT_EQ(SplitMaskList("a;;b;"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitMaskList(";a"), (V{"", "a"}));
  EXPECT_EQ(SplitMaskList(""), V{});
  EXPECT_EQ(JoinMaskList(SplitMaskList("*.pas;*.dfm;*.dpr;*.dpk")), "*.pas;*.dfm;*.dpr;*.dpk");
}

TEST(FolderScan, MatchesMasks) {
  const struct {
    const char* Name;
    const char* Mask;
    bool Match;
  } cases[] = {
      {"Unit1.pas", "*.pas", true},
      {"UNIT1.PAS", "*.pas", true},
      {"Unit1.pas", "*.PAS", true},
      {"Unit1.pass", "*.pas", false},
      {"a.pas.bak", "*.pas", false},
      {"Unit1.pas", "Unit?.pas", true},
      {"Unit10.pas", "Unit?.pas", false},
      {"x", "*", true},
      {"", "", true},
      {"x", "", false},
      {"abcabd", "*ab?", true},
      {"ab", "a*b*", true},
      {"\xE9.pas", "\xC9.pas", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesMask(c.Name, c.Mask), c.Match) << c.Name << " " << c.Mask;
}

class FolderScanTree : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir.Write("root/a.pas", "");
    Dir.Write("root/b.txt", "");
    Dir.Write("root/B.DFM", "");
    Dir.Write("root/sub/c.pas", "");
    Dir.Write("root/sub/deeper/d.pas", "");
    Dir.Write("root/.git/e.pas", "");
    Dir.Write("root/.hidden.pas", "");
    // A link back to the root, which a scan never enters (where links can be made at all).
    std::error_code noLinks;
    std::filesystem::create_directory_symlink(Dir / "root", Dir / "root/sub/loop", noLinks);
  }
  std::vector<std::string> Scan(const std::string& masks, int depth) {
    TSearchFiles scan;
    scan.RootDirectory = Dir / "root/";
    scan.FileMasks = SplitMaskList(masks);
    scan.DepthLimit = depth;
    std::vector<std::string> found;
    const TScanResult result = scan.Search([&](const std::string& p) {
      // The scan joins names with the system's separator; compared in the generic form.
      found.push_back(std::filesystem::path(p.substr(Dir.Path().size() + 1)).generic_string());
    });
    EXPECT_TRUE(result.Complete) << result.Error;
    return found;
  }
  test::TTempDir Dir;
};

TEST_F(FolderScanTree, ReportsFilesOfAFolderInByteOrderBeforeItsSubfolders) {
  EXPECT_EQ(Scan("*.pas;*.dfm", 0),
            (std::vector<std::string>{"root/.hidden.pas", "root/B.DFM", "root/a.pas",
                                      "root/sub/c.pas", "root/sub/deeper/d.pas"}));
  // Enough names that the system's own listing order (hashed on many file systems) is not
  // byte order by chance.
  std::vector<std::string> expected;
  for (int n = 40; n-- > 10;) Dir.Write("root/sub/deeper/u" + std::to_string(n) + ".pas", "");
  for (int n = 10; n < 40; ++n) expected.push_back("root/sub/deeper/u" + std::to_string(n) + ".pas");
  std::vector<std::string> deeper = Scan("u*.pas", 0);
  EXPECT_EQ(deeper, expected);
}

TEST_F(FolderScanTree, DepthLimitOneStopsBelowTheDirectSubfolders) {
  const auto found = Scan("*.pas", 1);
  EXPECT_EQ(std::count(found.begin(), found.end(), "root/sub/c.pas"), 1);
  EXPECT_EQ(std::count(found.begin(), found.end(), "root/sub/deeper/d.pas"), 0);
}

TEST(FolderScan, FolderThatCannotBeListedEndsTheScan) {
  test::TTempDir dir;
  dir.Write("file.pas", "");
  TSearchFiles scan;
  scan.RootDirectory = dir / "file.pas";
  scan.FileMasks = {"*"};
  const TScanResult result = scan.Search([](const std::string&) {});
  EXPECT_FALSE(result.Complete);
  EXPECT_NE(result.Error.find("file.pas"), std::string::npos);
  // A folder that does not exist holds no entries: nothing found, and no failure.
  scan.RootDirectory = dir / "missing";
  EXPECT_TRUE(scan.Search([](const std::string&) {}).Complete);
}

}  // namespace
}  // namespace kv
