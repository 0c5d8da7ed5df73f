// The report conversion driver and the report's SaveAsDocument: output naming, the document
// replacing an earlier one only when complete, DocumentMode around the save, and no document
// when nothing could be read from a file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <limits>
#include <new>
#include <optional>
#include <pugixml.hpp>
#include <random>
#include <set>
#include <thread>

#include "base/Errors.h"
#include "base/Stream.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Report.h"
#include "legacy/View.h"
#include "objects/Memo.h"
#include "support/RecordingReportPrompter.h"
#include "support/TempDir.h"
#include "writer/Conversion.h"
#include "writer/DocumentWriter.h"
#include "writer/ReportHost.h"

namespace kv {
namespace {

using test::TTempDir;

using test::TRecordingPrompter;

// A view whose document element cannot be written.
class TFailingView : public TkvView {
 public:
  using TkvView::TkvView;
  std::string ClassName() const override { return "TkvFailingView"; }
  void SaveToDocument(TDocumentStream&) override { throw EKvError("element writer failed"); }
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
  TConversionContext reportContext;
  TkvReport report{reportContext};
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
  TConversionContext reportContext;
  TkvReport report{reportContext};
  ASSERT_TRUE(report.LoadReportFile(path));
  EXPECT_EQ(report.SaveAsDocument(path), dir / "Sales.kv3");
  EXPECT_FALSE(report.DocumentMode);
  const std::string document = dir.Read("Sales.kv3");
  EXPECT_TRUE(document.starts_with("<?xml")) << document.substr(0, 80);
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"Sales.kvf", "Sales.kv3"}));
  // The legacy file is only read.
  TConversionContext againContext;
  TkvReport again{againContext};
  ASSERT_TRUE(again.LoadReportFile(path));
  EXPECT_EQ(again.ReportOptions.Name, "Sales");
}

TEST(SaveAsDocumentTest, AFailedWriteLeavesTheEarlierDocumentAndResetsDocumentMode) {
  TTempDir dir;
  dir.Write("Sales.kv3", "earlier document");
  TConversionContext reportContext;
  TkvReport report{reportContext};
  TkvPage& page = report.Pages.AddPage();
  page.ObjectList.push_back(std::make_unique<TFailingView>(reportContext));
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
  TConversionContext HostContext;
  TReportHost Host{HostContext};
  TRecordingPrompter Prompter;
};

// The document written is the report's own, and the time taken counts the load and the write in
// microseconds: more than none, no more than the call took.
TEST_F(ConversionTest, ConvertsAReportAndRestoresTheReportsPrompter) {
  const std::string path = WriteReport(Dir, "a.kvf", "First", 2);
  TRecordingPrompter earlier;
  Host.Report().Prompter = &earlier;
  const auto start = std::chrono::steady_clock::now();
  const TConversionOutcome o = ConvertReportFile(Host, path, Prompter);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
  EXPECT_EQ(o.Status, TConversionStatus::Done);
  EXPECT_TRUE(o.Written());
  EXPECT_EQ(o.OutputPath, Dir / "a.kv3");
  EXPECT_TRUE(o.Problem.empty());
  EXPECT_TRUE(o.Messages.empty());
  EXPECT_TRUE(o.Notes.empty());
  EXPECT_GT(o.Microseconds, 0);
  EXPECT_LE(o.Microseconds, took);
  ASSERT_TRUE(Dir.Exists("a.kv3"));
  pugi::xml_document xml;
  ASSERT_TRUE(xml.load_string(Dir.Read("a.kv3").c_str()));
  const pugi::xml_node root = xml.child("TkvxReport");
  EXPECT_STREQ(root.attribute("ReportOptions.Name").value(), "First");
  std::size_t pages = 0;
  for ([[maybe_unused]] const pugi::xml_node page : root.children("TkvxReportPage")) ++pages;
  EXPECT_EQ(pages, 2u);
  EXPECT_EQ(Host.Report().Prompter, &earlier);
  EXPECT_EQ(Host.Report().ReportFileName, path);
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// A report of one empty page protected with the password "s3cret".
void WriteProtectedReport(const std::string& path) {
  TConversionContext reportContext;
  TkvReport report{reportContext};
  report.Pages.AddPage();
  report.ReportOptions.Password = "s3cret";
  report.PasswordProtected = true;
  report.SaveReportFile(path);
}

// Every way a load can fail to read the report: no document is written, an earlier document
// stays byte for byte, no temporary file is left, and the outcome says Failed with the reason.
// The report object still holds the previous file's pages while this runs.
TEST_F(ConversionTest, NoDocumentWhenTheReportWasNotRead) {
  WriteProtectedReport(Dir / "protected.kvf");
  const std::string good = Dir.Read(WriteReport(Dir, "good.kvf", "Previous", 3));
  const struct {
    const char* Name;
    std::optional<std::string> Bytes;     // none: no file; "protected": the protected report
    std::optional<std::string> Password;  // the prompter's answer
    const char* Problem;                  // the reason, or its start
    std::size_t Messages;
  } cases[] = {
      {"missing.kvf", std::nullopt, {}, "no such file", 0},
      {"empty.kvf", std::string(), {}, "the file is empty", 0},
      {"newer.kvf",
       std::string("\x1A\0\0", 3),
       {},
       "Unsupported KVF format: file version 26 is newer",
       1},
      {"truncated.kvf",
       good.substr(0, 12),
       {},
       "Unsupported KVF format: the file cannot be read as a report",
       1},
      {"random.kvf",
       "\x19" + RandomBytes(300, 7),
       {},
       "Unsupported KVF format: the file cannot be read as a report",
       1},
      {"wrong.kvf", "protected", std::string("S3CRET"),
       "the password given is not the report's password", 0},
      {"cancelled.kvf", "protected", std::nullopt,
       "the report is password-protected and no password was given", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_EQ(ConvertReportFile(Host, Dir / "good.kvf", Prompter).Status, TConversionStatus::Done);
    Prompter.Messages.clear();
    Prompter.Password = c.Password;
    if (c.Bytes) {
      Dir.Write(c.Name, *c.Bytes == "protected" ? Dir.Read("protected.kvf") : *c.Bytes);
    }
    const std::string output = DocumentPath(Dir / c.Name);
    const std::string earlier = "earlier document of " + std::string(c.Name);
    Dir.Write(std::filesystem::path(output).filename().string(), earlier);
    const auto before = Entries(Dir.Path());

    const TConversionOutcome o = ConvertReportFile(Host, Dir / c.Name, Prompter);
    EXPECT_EQ(o.Status, TConversionStatus::Failed);
    EXPECT_FALSE(o.Written());
    EXPECT_TRUE(o.Problem.starts_with(c.Problem)) << o.Problem;
    EXPECT_EQ(o.Messages.size(), c.Messages);
    EXPECT_EQ(Prompter.Messages.size(), c.Messages);  // forwarded as well as collected
    EXPECT_EQ(Dir.Read(output), earlier);
    EXPECT_EQ(Entries(Dir.Path()), before);
  }
}

// The time a report's password dialog waits for the user is no part of its conversion's time.
TEST_F(ConversionTest, TimeSpentInThePasswordDialogIsNotCounted) {
  WriteProtectedReport(Dir / "protected.kvf");
  struct TSlowUser : TRecordingPrompter {
    std::optional<std::string> AskReportPassword() override {
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
      return std::string("s3cret");
    }
  } slow;
  const TConversionOutcome o = ConvertReportFile(Host, Dir / "protected.kvf", slow);
  ASSERT_EQ(o.Status, TConversionStatus::Done) << o.Problem;
  EXPECT_LT(o.Microseconds, 600000);
}

// A view that any test can give a class name, so that records of unregistered classes are made
// by the legacy writer itself.
class TNamedView : public TkvView {
 public:
  TNamedView(TConversionContext& context, std::string name)
      : TkvView(context), Class(std::move(name)) {}
  std::string ClassName() const override { return Class; }

 private:
  std::string Class;
};

// A registered class whose record reader always fails after the common part.
class TBrokenView : public TkvView {
 public:
  using TkvView::TkvView;
  std::string ClassName() const override { return "TkvBrokenView"; }
  void LoadLegacy(TStream& stream) override {
    TkvView::LoadLegacy(stream);
    throw EStreamError("Stream read error");
  }
};

// A report read with skipped records is written, and the outcome lists every record it lost.
TEST_F(ConversionTest, SkippedRecordsAreWrittenWithANoteEach) {
  static const TViewClass broken{"TkvBrokenView", [](TConversionContext& context) { return std::make_unique<TBrokenView>(context); }};
  RegisterAddIn(broken, 55338, false);
  {
    TConversionContext reportContext;
    TkvReport report{reportContext};
    report.Pages.AddPage();
    report.Pages.AddPage();
    auto gauge = std::make_unique<TNamedView>(reportContext, "TkvGaugeView");
    gauge->Name = "Gauge1";
    report.Pages.Item(1).ObjectList.push_back(std::move(gauge));
    auto damaged = std::make_unique<TNamedView>(reportContext, "TkvBrokenView");
    damaged->Name = "Broken1";
    damaged->Left = 40;
    report.Pages.Item(0).ObjectList.push_back(std::move(damaged));
    report.ReportOptions.Name = "Kept";
    report.SaveReportFile(Dir / "s.kvf");
  }
  const TConversionOutcome o = ConvertReportFile(Host, Dir / "s.kvf", Prompter);
  UnregisterAddIn(broken);
  EXPECT_EQ(o.Status, TConversionStatus::Warnings);
  EXPECT_TRUE(o.Problem.empty());
  EXPECT_EQ(o.Notes, (std::vector<std::string>{
                         "Skipped on page 1: a damaged record of class TkvBrokenView",
                         "Skipped on page 2: an object of class TkvGaugeView, which this program "
                         "does not convert"}));
  ASSERT_EQ(o.Messages.size(), 1u);
  EXPECT_EQ(o.Messages[0],
            "Report contains the following non-plugged components:\rTkvGaugeView\rYou must "
            "include these components into your project.");
  ASSERT_TRUE(Dir.Exists("s.kv3"));
  // The damaged object keeps what it read; the report options after the page block are kept.
  ASSERT_EQ(Host.Report().Pages.Item(0).ObjectList.size(), 1u);
  EXPECT_EQ(Host.Report().Pages.Item(0).ObjectList[0]->Left, 40);
  EXPECT_EQ(Host.Report().ReportOptions.Name, "Kept");
}

// A registered class whose record reader runs out of memory after the common part.
class TStarvedView : public TkvView {
 public:
  using TkvView::TkvView;
  std::string ClassName() const override { return "TkvStarvedView"; }
  void LoadLegacy(TStream& stream) override {
    TkvView::LoadLegacy(stream);
    throw std::bad_alloc();
  }
};

// An error that is no fault of the file (no memory left) neither skips a record nor makes the
// file unreadable: the conversion fails with that error, raised or recorded as the caller asks,
// no document is written and no message is shown.
TEST_F(ConversionTest, AnErrorThatIsNoFaultOfTheFileFailsTheConversionWithIt) {
  static const TViewClass starved{"TkvStarvedView",
                                  [](TConversionContext& context) { return std::make_unique<TStarvedView>(context); }};
  RegisterAddIn(starved, 55338, false);
  {
    TConversionContext reportContext;
    TkvReport report{reportContext};
    report.Pages.AddPage().ObjectList.push_back(std::make_unique<TNamedView>(reportContext, "TkvStarvedView"));
    report.SaveReportFile(Dir / "m.kvf");
  }
  Dir.Write("m.kv3", "earlier document");
  EXPECT_THROW(ConvertReportFile(Host, Dir / "m.kvf", Prompter), std::bad_alloc);
  const TConversionOutcome o =
      ConvertReportFile(Host, Dir / "m.kvf", Prompter, TConversionErrors::Record);
  UnregisterAddIn(starved);
  EXPECT_EQ(o.Status, TConversionStatus::Failed);
  EXPECT_EQ(o.Problem, std::bad_alloc().what());
  EXPECT_TRUE(o.Messages.empty());
  EXPECT_TRUE(o.Notes.empty());
  EXPECT_TRUE(Prompter.Messages.empty());
  EXPECT_EQ(Dir.Read("m.kv3"), "earlier document");
  EXPECT_EQ(Entries(Dir.Path()), (std::set<std::string>{"m.kvf", "m.kv3"}));
  // The report holds one empty page, not a part of the file.
  ASSERT_EQ(Host.Report().Pages.Count(), 1);
  EXPECT_TRUE(Host.Report().Pages.Item(0).ObjectList.empty());
}

// Margins and positions are 32-bit values in the file; every computation on them (page edges,
// millimetres, the shift of objects to the left margin) must stay exact for the extreme values.
// Run under the sanitizers, an overflow anywhere fails this test.
TEST_F(ConversionTest, ExtremeMarginsAndPositionsConvertExactly) {
  static const TViewClass plain{"TkvPlainView",
                                [](TConversionContext& context) {
                                  return std::make_unique<TNamedView>(context, "TkvPlainView");
                                }};
  RegisterAddIn(plain, 55338, false);
  constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
  for (const std::int32_t margin : {Min, Max, -1}) {
    for (const std::int32_t left : {Min, Max}) {
      SCOPED_TRACE(std::to_string(margin) + " " + std::to_string(left));
      {
        TConversionContext reportContext;
        TkvReport report{reportContext};
        TkvPage& page = report.Pages.AddPage();
        page.LeftMargin = page.TopMargin = page.RightMargin = page.BottomMargin = margin;
        auto view = std::make_unique<TNamedView>(reportContext, "TkvPlainView");
        view->Name = "Plain1";
        view->Left = left;
        view->Top = view->Width = view->Height = left;
        page.ObjectList.push_back(std::move(view));
        report.SaveReportFile(Dir / "x.kvf");
      }
      const TConversionOutcome o = ConvertReportFile(Host, Dir / "x.kvf", Prompter);
      ASSERT_EQ(o.Status, TConversionStatus::Done) << o.Problem;
      const TkvPage& page = Host.Report().Pages.Item(0);
      const std::int64_t paperWidth = page.Metrics.PaperWidthPx;
      pugi::xml_document xml;
      ASSERT_TRUE(xml.load_string(Dir.Read("x.kv3").c_str()));
      const pugi::xml_node tag = xml.child("TkvxReport").child("TkvxReportPage");
      EXPECT_EQ(tag.attribute("LeftMargin").as_llong(), PixelsToMillimetres(margin));
      EXPECT_EQ(tag.attribute("RightMargin").as_llong(),
                PixelsToMillimetres(paperWidth - (paperWidth - std::int64_t{margin})));
      const pugi::xml_node object = tag.child("TkvxPlainView");
      EXPECT_EQ(object.attribute("Left").as_llong(), std::int64_t{left} - margin);
      EXPECT_EQ(object.attribute("Top").as_llong(), left);
      // The object's own coordinate is back as it was read.
      EXPECT_EQ(page.ObjectList.at(0)->Left, left);
    }
  }
  UnregisterAddIn(plain);
}

TEST_F(ConversionTest, ErrorsAreRaisedOrRecordedAsTheCallerAsks) {
  // A folder in place of the report file cannot be read.
  std::filesystem::create_directory(Dir / "folder.kvf");
  EXPECT_THROW(ConvertReportFile(Host, Dir / "folder.kvf", Prompter), EFileError);
  const TConversionOutcome o =
      ConvertReportFile(Host, Dir / "folder.kvf", Prompter, TConversionErrors::Record);
  EXPECT_FALSE(o.Written());
  EXPECT_NE(o.Problem.find("folder.kvf"), std::string::npos) << o.Problem;
  EXPECT_FALSE(Dir.Exists("folder.kv3"));
  EXPECT_FALSE(Host.Report().DocumentMode);
}

TEST_F(ConversionTest, AProtectedReportAsksForItsPassword) {
  {
    TConversionContext reportContext;
    TkvReport report{reportContext};
    report.Pages.AddPage();
    report.Pages.AddPage();
    report.ReportOptions.Password = "s3cret";
    report.PasswordProtected = true;
    report.SaveReportFile(Dir / "p.kvf");
  }
  Prompter.Password = "s3cret";
  EXPECT_EQ(ConvertReportFile(Host, Dir / "p.kvf", Prompter).Status, TConversionStatus::Done);
  EXPECT_EQ(Prompter.PasswordAsked, 1);
  EXPECT_EQ(Host.Report().Pages.Count(), 2);
}

// Passwords holding a blank or any of ! " # $ % & ' ( ) shift to control bytes 22 to 31. They are
// written as they are, so that the document's password still opens the report, and the outcome
// says that the document holds control characters.
TEST_F(ConversionTest, PasswordsThatShiftToControlBytesAreKeptAndNoted) {
  for (char c = ' '; c <= ')'; ++c) {
    const std::string password = std::string("a") + c + "b";
    SCOPED_TRACE(password);
    {
      TConversionContext reportContext;
      TkvReport report{reportContext};
      report.Pages.AddPage();
      report.ReportOptions.Password = password;
      report.PasswordProtected = true;
      report.SaveReportFile(Dir / "p.kvf");
    }
    Prompter.Password = password;
    const TConversionOutcome o = ConvertReportFile(Host, Dir / "p.kvf", Prompter);
    EXPECT_EQ(o.Status, TConversionStatus::Warnings);
    ASSERT_EQ(o.Notes.size(), 1u);
    EXPECT_NE(o.Notes[0].find("control characters"), std::string::npos);
    const std::string document = Dir.Read("p.kv3");
    const std::string attribute = " ReportOptions.Password=\"";
    const std::size_t at = document.find(attribute);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(document.substr(at + attribute.size(), 4), ShiftPassword(password) + "\"");
  }
  // A password that shifts to printable characters needs no note.
  {
    TConversionContext reportContext;
    TkvReport report{reportContext};
    report.Pages.AddPage();
    report.ReportOptions.Password = "s3cret";
    report.PasswordProtected = true;
    report.SaveReportFile(Dir / "p.kvf");
  }
  Prompter.Password = "s3cret";
  EXPECT_TRUE(ConvertReportFile(Host, Dir / "p.kvf", Prompter).Notes.empty());
}

// What an object loses in the new document becomes one note per loss, with its page and name.
class TLossyView : public TkvView {
 public:
  using TkvView::TkvView;
  std::string ClassName() const override { return "TkvLossyView"; }
  void DocumentLosses(std::vector<std::string>& losses) const override {
    losses.push_back("word break is not carried into the document");
    losses.push_back("its blob type is not carried into the document");
  }
};

TEST_F(ConversionTest, WhatObjectsLoseIsNotedWithPageAndName) {
  static const TViewClass lossy{"TkvLossyView", [](TConversionContext& context) { return std::make_unique<TLossyView>(context); }};
  RegisterAddIn(lossy, 55338, false);
  {
    TConversionContext reportContext;
    TkvReport report{reportContext};
    report.Pages.AddPage();
    report.Pages.AddPage();
    auto view = std::make_unique<TLossyView>(reportContext);
    view->Name = "Memo7";
    report.Pages.Item(1).ObjectList.push_back(std::move(view));
    report.SaveReportFile(Dir / "l.kvf");
  }
  const TConversionOutcome o = ConvertReportFile(Host, Dir / "l.kvf", Prompter);
  UnregisterAddIn(lossy);
  EXPECT_EQ(o.Status, TConversionStatus::Warnings);
  EXPECT_EQ(o.Notes, (std::vector<std::string>{
                         "Page 2, Memo7: word break is not carried into the document",
                         "Page 2, Memo7: its blob type is not carried into the document"}));
}

// Control bytes that XML cannot hold are left out of the document's texts, and each attribute
// that lost some gets a note naming its part (the report, or the object with its page), the
// count and the bytes. A tab, CR and LF are kept.
TEST_F(ConversionTest, ControlBytesLeftOutOfTextsAreNotedPerObjectAndAttribute) {
  {
    TConversionContext reportContext;
    TkvReport report{reportContext};
    report.Pages.AddPage();
    auto memo = std::make_unique<TkvMemoView>(reportContext);
    memo->Name = "Memo3";
    memo->Memo = {
        "a\x01"
        "b\tc",
        "\x1F\x01"
        "end"};
    report.Pages.Item(0).ObjectList.push_back(std::move(memo));
    report.ReportOptions.Name = "Sales\x07";
    report.SaveReportFile(Dir / "c.kvf");
  }
  const TConversionOutcome o = ConvertReportFile(Host, Dir / "c.kvf", Prompter);
  EXPECT_EQ(o.Status, TConversionStatus::Warnings);
  EXPECT_EQ(o.Notes, (std::vector<std::string>{
                         "Report: 1 control character (07) in ReportOptions.Name cannot be held "
                         "by the new document and was left out",
                         "Page 1, Memo3: 3 control characters (01, 1F) in Memo.text cannot be "
                         "held by the new document and were left out"}));
  pugi::xml_document xml;
  ASSERT_TRUE(xml.load_string(Dir.Read("c.kv3").c_str()));
  const pugi::xml_node root = xml.child("TkvxReport");
  EXPECT_STREQ(root.attribute("ReportOptions.Name").value(), "Sales");
  const pugi::xml_node memo = root.child("TkvxReportPage").child("TkvxMemoView");
  EXPECT_STREQ(memo.attribute("Name").value(), "Memo3");
  EXPECT_STREQ(memo.attribute("Memo.text").value(), "ab\tc\r\nend\r\n");

  // The next document of the same report object starts a record of its own.
  const std::string clean = WriteReport(Dir, "d.kvf", "Clean");
  const TConversionOutcome next = ConvertReportFile(Host, clean, Prompter);
  EXPECT_EQ(next.Status, TConversionStatus::Done);
  EXPECT_TRUE(next.Notes.empty());
}

}  // namespace
}  // namespace kv
