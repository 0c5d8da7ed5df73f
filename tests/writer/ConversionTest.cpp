// The report conversion driver and the report's SaveAsDocument: output naming, the document
// replacing an earlier one only when complete, DocumentMode around the save, and no document
// when nothing could be read from a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/ReportHost.h"
#include "legacy/Errors.h"
#include "legacy/Report.h"
#include "legacy/Stream.h"
#include "objects/View.h"
#include "support/RecordingReportPrompter.h"
#include "support/TempDir.h"
#include "writer/Conversion.h"

namespace kv {
namespace {

using test::TTempDir;

using test::TRecordingPrompter;

// A view whose document element cannot be written.
class TFailingView : public TkvView {
 public:
  std::string ClassName() const override { return "TkvFailingView"; }
  void SaveToDocument(TStream&) override { throw EKvError("element writer failed"); }
};

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

// A legacy report file with one page and the given title in its options.
std::string WriteReport(const TTempDir& dir, const std::string& name, const std::string& title,
                        int pages = 1) {
  TkvReport report;
  for (int i = 0; i < pages; ++i) report.Pages.AddPage();
  report.ReportOptions.Name = title;
  report.SaveReportFile(dir / name);
  return dir / name;
}

TEST(DocumentPathTest, ReplacesTheExtensionOfTheFileName) {
  const struct {
    const char* In;
    const char* Out;
  } cases[] = {
      {"/r/Sales.kvf", "/r/Sales.kv3"}, {"Sales", "Sales.kv3"},
      {"a.b.kvf", "a.b.kv3"},           {"/r.d/Sales", "/r.d/Sales.kv3"},
      {"/r/Sales.KVF", "/r/Sales.kv3"}, {"/r/Sales.", "/r/Sales.kv3"},
      {"/r/Sales.kv3", "/r/Sales.kv3"}, {"rel/dir.x/a.kvf", "rel/dir.x/a.kv3"},
  };
  for (const auto& c : cases) EXPECT_EQ(DocumentPath(c.In), c.Out) << c.In;
}

TEST(SaveAsDocumentTest, WritesBesideTheFileAndReplacesAnEarlierDocument) {
  TTempDir dir;
  const std::string path = WriteReport(dir, "Sales.kvf", "Sales");
  dir.Write("Sales.kv3", "earlier document");
  TkvReport report;
  ASSERT_TRUE(report.LoadReportFile(path));
  EXPECT_EQ(report.SaveAsDocument(path), dir / "Sales.kv3");
  EXPECT_FALSE(report.DocumentMode);
  const std::string document = dir.Read("Sales.kv3");
  EXPECT_TRUE(document.starts_with("<?xml")) << document.substr(0, 80);
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"Sales.kvf", "Sales.kv3"}));
  // The legacy file is only read.
  TkvReport again;
  ASSERT_TRUE(again.LoadReportFile(path));
  EXPECT_EQ(again.ReportOptions.Name, "Sales");
}

TEST(SaveAsDocumentTest, AFailedWriteLeavesTheEarlierDocumentAndResetsDocumentMode) {
  TTempDir dir;
  dir.Write("Sales.kv3", "earlier document");
  TkvReport report;
  TkvPage& page = report.Pages.AddPage();
  page.ObjectList.push_back(std::make_unique<TFailingView>());
  EXPECT_THROW(report.SaveAsDocument(dir / "Sales.kvf"), EKvError);
  EXPECT_FALSE(report.DocumentMode);
  EXPECT_EQ(dir.Read("Sales.kv3"), "earlier document");
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"Sales.kv3"}));

  // An output that cannot be created fails as well, and a legacy save still writes the legacy
  // layout afterwards.
  page.ObjectList.clear();
  EXPECT_THROW(report.SaveAsDocument(dir / "no/such/folder/Sales.kvf"), EFileError);
  EXPECT_FALSE(report.DocumentMode);
  TMemoryStream legacy;
  report.SaveReportStream(legacy);
  EXPECT_EQ(static_cast<unsigned char>(legacy.Bytes().at(0)), 25u);
}

class ConversionTest : public ::testing::Test {
 protected:
  TTempDir Dir;
  TReportHost Host;
  TRecordingPrompter Prompter;
};

TEST_F(ConversionTest, ConvertsAReportAndRestoresTheReportsPrompter) {
  const std::string path = WriteReport(Dir, "a.kvf", "First");
  TRecordingPrompter earlier;
  Host.Report().Prompter = &earlier;
  const TConversionOutcome o = ConvertReportFile(Host, path, Prompter);
  EXPECT_TRUE(o.Written);
  EXPECT_EQ(o.OutputPath, Dir / "a.kv3");
  EXPECT_TRUE(o.Problem.empty());
  EXPECT_TRUE(o.Messages.empty());
  EXPECT_TRUE(o.Notes.empty());
  EXPECT_GE(o.Microseconds, 0);
  EXPECT_TRUE(Dir.Exists("a.kv3"));
  EXPECT_EQ(Host.Report().Prompter, &earlier);
  EXPECT_EQ(Host.Report().ReportFileName, path);
}

// Files from which no report can be read get no document, and an earlier document stays, even
// though the report still holds the previous file's contents.
TEST_F(ConversionTest, NoDocumentWhenNothingCouldBeRead) {
  const struct {
    const char* Name;
    const char* Bytes;  // nullptr: no file
    std::size_t Size;
    const char* Problem;
    std::size_t Messages;
  } cases[] = {
      {"missing.kvf", nullptr, 0, "no such file", 0},
      {"empty.kvf", "", 0, "no report could be read from the file", 0},
      {"newer.kvf", "\x1A\x00\x00", 3, "no report could be read from the file", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string good = WriteReport(Dir, "good.kvf", "Previous", 3);
    ASSERT_TRUE(ConvertReportFile(Host, good, Prompter).Written);
    Prompter.Messages.clear();
    if (c.Bytes) Dir.Write(c.Name, std::string(c.Bytes, c.Size));
    const std::string output = DocumentPath(Dir / c.Name);
    Dir.Write(std::filesystem::path(output).filename().string(), "earlier");
    const TConversionOutcome o = ConvertReportFile(Host, Dir / c.Name, Prompter);
    EXPECT_FALSE(o.Written);
    EXPECT_EQ(o.Problem, c.Problem);
    EXPECT_EQ(o.Messages.size(), c.Messages);
    EXPECT_EQ(Prompter.Messages.size(), c.Messages);  // forwarded as well as collected
    EXPECT_EQ(Dir.Read(output), "earlier");
  }
}

TEST_F(ConversionTest, ErrorsAreRaisedOrRecordedAsTheCallerAsks) {
  // A folder in place of the report file cannot be read.
  std::filesystem::create_directory(Dir / "folder.kvf");
  EXPECT_THROW(ConvertReportFile(Host, Dir / "folder.kvf", Prompter), EFileError);
  const TConversionOutcome o =
      ConvertReportFile(Host, Dir / "folder.kvf", Prompter, TConversionErrors::Record);
  EXPECT_FALSE(o.Written);
  EXPECT_NE(o.Problem.find("folder.kvf"), std::string::npos) << o.Problem;
  EXPECT_FALSE(Dir.Exists("folder.kv3"));
  EXPECT_FALSE(Host.Report().DocumentMode);
}

TEST_F(ConversionTest, AProtectedReportAsksForItsPassword) {
  {
    TkvReport report;
    report.Pages.AddPage();
    report.Pages.AddPage();
    report.ReportOptions.Password = "s3cret";
    report.PasswordProtected = true;
    report.SaveReportFile(Dir / "p.kvf");
  }
  Prompter.Password = "s3cret";
  EXPECT_TRUE(ConvertReportFile(Host, Dir / "p.kvf", Prompter).Written);
  EXPECT_EQ(Prompter.PasswordAsked, 1);
  EXPECT_EQ(Host.Report().Pages.Count(), 2);
  // A cancelled password still gives a document: one empty page, options reset.
  Prompter.Password.reset();
  EXPECT_TRUE(ConvertReportFile(Host, Dir / "p.kvf", Prompter).Written);
  EXPECT_EQ(Prompter.PasswordAsked, 2);
  EXPECT_EQ(Host.Report().Pages.Count(), 1);
  EXPECT_FALSE(Host.Report().PasswordProtected);
}

}  // namespace
}  // namespace kv
