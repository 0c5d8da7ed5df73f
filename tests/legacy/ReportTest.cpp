// Legacy report files: the factory and registry, page records of every version, the dictionary
// block, and loading and saving whole reports, including damaged and hostile files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

#include "LegacyBytes.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"
#include "support/RecordingReportPrompter.h"
#include "support/TempDir.h"

namespace kv {
namespace {

// An add-in of the tests: its record payload is one integer, its Left. It notes the page that
// was current while it read, and some values make its reader fail: 666 as a damaged payload,
// 777 and 778 as errors that are no fault of the file.
class TTestView : public TkvView {
 public:
  using TkvView::TkvView;
  std::string ClassName() const override { return "TkvTestView"; }
  void LoadLegacy(TStream& stream) override {
    PageAtLoad = Context().Load.CurrentPage;
    Left = ReadInt(stream);
    if (Left == 666) throw EStreamError("damaged payload");
    if (Left == 777) throw std::bad_alloc();
    if (Left == 778) throw std::logic_error("a fault of the program");
  }
  void SaveLegacy(TStream& stream) override { WriteInt(stream, Left); }
  void AfterLoad() override { ++AfterLoads; }
  static inline int AfterLoads = 0;
  static inline const TkvPage* PageAtLoad = nullptr;
};

const TViewClass& TestViewClass() {
  static const TViewClass c{"TkvTestView", [](TConversionContext& context) {
                              return std::make_unique<TTestView>(context);
                            }};
  RegisterAddIn(c, 55338, false);
  return c;
}

using test::TRecordingPrompter;

using test::TBytes;

// A page record without the layout mark, with the fields present in every version.
TBytes& PageRecord(TBytes& b, int version, int size = 9) {
  b.Byte(255).Int(size).Int(2100).Int(2970).Int(10).Int(20).Int(30).Int(40).Byte(0);
  if (version < 23) b.Raw(std::string(6, '\x7F'));
  if (version >= 24) b.Int(-1);
  b.Word(0).Word(0xFFFF).Int(2).Int(5);
  if (version >= 24) {
    b.Byte(0).Str("").Byte(3).Str("Form").Int(0).Int(0).Int(0).Int(0).Int(0).Byte(0);
  }
  return b;
}

// An object record with its end offset (versions 24 and 25); cls is written for an add-in (10).
TBytes& ObjectRecord(TBytes& b, int type, const std::string& cls, int page,
                     const std::string& payload) {
  const std::size_t start = b.Data.size();
  b.Byte(type);
  if (type == 10) b.Str(cls);
  b.Byte(page);
  const std::size_t end = start + 1 + (type == 10 ? cls.size() + 3 : 0) + 1 + 4 + payload.size();
  return b.Int(static_cast<std::int32_t>(end)).Raw(payload);
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestViewClass();
    Report.Prompter = &Prompter;
  }
  void Load(const std::string& bytes) {
    TMemoryStream stream(bytes);
    Report.LoadReportStream(stream);
  }
  std::string Save() {
    TMemoryStream stream;
    Report.SaveReportStream(stream);
    return stream.Bytes();
  }
  // How the last load ended, in short: its status, the objects on each page, for a report read
  // the number of skipped records, and the messages shown.
  std::string Outcome() const {
    static const char* const statuses[] = {
        "Read", "Empty", "VersionRefused", "Unreadable", "PasswordNotGiven", "PasswordWrong"};
    std::string out = statuses[static_cast<int>(Report.LastLoad.Status)];
    out += " pages [";
    for (int p = 0; p < Report.Pages.Count(); ++p) {
      out += (p ? " " : "") + std::to_string(Report.Pages.Item(p).ObjectList.size());
    }
    out += "]";
    if (Report.LastLoad.Read()) out += " skipped " + std::to_string(Report.LastLoad.Skipped.size());
    for (const auto& message : Prompter.Messages) out += " | " + message;
    return out;
  }
  // Each test has its own context, so it starts from a fresh printer model: a page takes its
  // size from what was asked of the model before.
  TConversionContext Context;
  TRecordingPrompter Prompter;
  TkvReport Report{Context};
};

TEST(Factory, CreatesBuiltInsAndRegisteredAddIns) {
  TestViewClass();
  TConversionContext context;
  auto first = CreateReportObject(context, TypeAddIn, "TkvTestView");
  auto second = CreateReportObject(context, TypeAddIn, "TkvTestView");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->TypeCode, TypeAddIn);
  EXPECT_EQ(&first->Context(), &context);
  EXPECT_EQ(first->ObjectId, 0);  // a new context counts from 0
  EXPECT_EQ(second->ObjectId, first->ObjectId + 1);
  EXPECT_EQ(CreateReportObject(context, 7, ""), nullptr);
  // Names are compared exactly; every miss is collected.
  try {
    CreateReportObject(context, TypeAddIn, "tkvtestview");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "tkvtestview\r");
  }
  try {
    CreateReportObject(context, TypeAddIn, "TkvOther");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "tkvtestview\rTkvOther\r");
  }
  EXPECT_TRUE(context.Load.MissingClassFlag);
  // Another context has its own count and its own misses.
  TConversionContext other;
  EXPECT_EQ(CreateReportObject(other, TypeAddIn, "TkvTestView")->ObjectId, 0);
  try {
    CreateReportObject(other, TypeAddIn, "TkvThird");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "TkvThird\r");
  }
  // Registering again adds nothing; unregistering removes the entry.
  const std::size_t before = AddIns().size();
  RegisterAddIn(TestViewClass(), 55338, false);
  EXPECT_EQ(AddIns().size(), before);
  UnregisterAddIn(TestViewClass());
  EXPECT_EQ(AddIns().size(), before - 1);
  TestViewClass();
}

TEST_F(ReportTest, PageRecordsOfOlderVersionsLoadWithTheirDefaults) {
  for (const int version : {21, 22, 23}) {
    TBytes b;
    b.Byte(version).Word(0).Word(0);
    if (version < 23)
      b.Zero("\x01");
    else
      b.Str("\x01");
    PageRecord(b, version);
    PageRecord(b, version, 256);
    b.Byte(252);
    Load(b.Data);
    ASSERT_EQ(Report.Pages.Count(), 2) << version;
    const TkvPage& page = Report.Pages.Item(0);
    EXPECT_EQ(page.Name, "Page1");
    EXPECT_EQ(Report.Pages.Item(1).Name, "Page2");
    EXPECT_EQ(page.Bin, 0xFFFF) << version;
    EXPECT_EQ(page.LeftMargin, 10);
    EXPECT_EQ(page.BottomMargin, 40);
    EXPECT_FALSE(page.PrintToPrevPage);
    EXPECT_TRUE(page.MarginsOn);
    EXPECT_EQ(page.Columns, 2);
    EXPECT_EQ(page.ColumnGap, 5);
    EXPECT_EQ(page.Metrics.PaperWidthPx, 758);
    EXPECT_EQ(Report.Pages.Item(1).Size, 256);
    EXPECT_EQ(Report.PrinterName, "Virtual printer");
    EXPECT_TRUE(Prompter.Messages.empty()) << Prompter.Messages[0];
  }
}

TEST_F(ReportTest, DefaultNameTakesTheFirstFreeNumber) {
  Report.Pages.AddPage().Name = "Page1";
  Report.Pages.AddPage().Name = "Page3";
  Context.Load.CurrentReport = &Report;
  TkvPage& page = Report.Pages.AddPage();
  page.DefaultPageName();
  EXPECT_EQ(page.Name, "Page2");
}

TEST_F(ReportTest, DialogPageFieldsAreMappedOnLoading) {
  TBytes b;
  b.Byte(25).Word(0).Word(0).Str("\x01");
  b.Byte(255).Int(-1).Int(9).Int(0).Int(0).Int(0).Int(0).Int(0).Int(0).Byte(1).Int(-1);
  b.Word(0).Word(0).Int(0).Int(0);
  b.Byte(1).Str("Dialog1").Byte(0).Str("Ask").Int(0xFF00000F).Int(1).Int(2).Int(3).Int(4).Byte(1);
  b.Word(2).Word(1).Raw("A").Byte(13).Word(0).Byte(0);
  b.Byte(252);
  Load(b.Data);
  ASSERT_EQ(Report.Pages.Count(), 1);
  const TkvPage& page = Report.Pages.Item(0);
  EXPECT_EQ(page.PageType, ptDialog);
  EXPECT_EQ(page.Name, "Dialog1");
  EXPECT_EQ(page.BorderStyle, 3);
  EXPECT_EQ(page.Position, 4);
  EXPECT_EQ(page.Orientation, 1);
  EXPECT_EQ(page.Metrics.PaperWidthPx, 1071);  // A4 landscape
  EXPECT_EQ(page.ScriptLines, (std::vector<std::string>{"A", ""}));
  EXPECT_EQ(page.Caption, "Ask");
  EXPECT_EQ(page.Height, 4);
}

TEST_F(ReportTest, PageEdges) {
  TkvPage& page = Report.Pages.AddPage();  // A4 on the virtual printer: 758 x 1071, offsets 18
  page.MarginsOn = false;
  EXPECT_EQ(page.LeftEdge(), 0);
  EXPECT_EQ(page.RightEdge(), 758);
  page.MarginsOn = true;
  EXPECT_EQ(page.LeftEdge(), 18);
  EXPECT_EQ(page.RightEdge(), 18 + 722);
  EXPECT_EQ(page.BottomEdge(), 18 + 1035);
  page.RightMargin = 50;
  page.TopMargin = 30;
  EXPECT_EQ(page.RightEdge(), 758 - 50);
  EXPECT_EQ(page.TopEdge(), 30);
}

TEST(Dictionary, BlockLayouts) {
  TConversionContext context;
  TkvDataDictionary d(context);
  {  // Current layout, a repeated name keeps its first place and takes the last value.
    TBytes b;
    b.Word(-2).Int(3).Str("A").Str("1").Str("a").Str("2").Str("B").Str("3").Int(0).Int(0);
    TMemoryStream s(b.Data);
    d.LoadDictionary(s);
    ASSERT_EQ(d.VariableList.Count(), 2);
    EXPECT_EQ(d.VariableList.Name(0), " A");  // switched: the first name was not a category
    EXPECT_EQ(VarToStr(d.VariableList.Value(0)), "2");
    EXPECT_EQ(d.VariableList.Name(1), " B");
  }
  {  // A list that starts with a category stays as it is.
    TBytes b;
    b.Word(-2).Int(2).Str(" Main").Str("").Str("Total").Str("x").Int(0).Int(0);
    TMemoryStream s(b.Data);
    d.LoadDictionary(s);
    EXPECT_EQ(d.VariableList.Name(0), " Main");
    EXPECT_EQ(d.VariableList.Name(1), "Total");
  }
  {  // Oldest layout.
    TBytes b;
    b.Int(2);
    b.Byte(1).Int(0).Byte(6).Raw("Table1").Byte(6).Raw("Amount").Byte(3).Raw("Sum");
    b.Byte(2).Int(8).Byte(0).Byte(0).Byte(5).Raw("Pages");
    b.Word(3)
        .Word(6)
        .Raw("Totals")
        .Byte(13)
        .Word(4)
        .Raw(" Sum")
        .Byte(13)
        .Word(6)
        .Raw(" Pages")
        .Byte(0);
    context.Load.LegacyVersion = 25;
    TMemoryStream s(b.Data);
    d.LoadDictionary(s);
    ASSERT_EQ(d.VariableList.Count(), 3);
    EXPECT_EQ(d.VariableList.Name(0), " Totals");
    EXPECT_EQ(d.VariableList.Name(1), "Sum");
    EXPECT_EQ(VarToStr(d.VariableList.Value(1)), "Table1.\"Amount\"");
    EXPECT_EQ(VarToStr(d.VariableList.Value(2)), "TOTALPAGES");
    EXPECT_EQ(d.AliasList.Count(), 0);
  }
  {  // The previous layout drops report-dataset entries without alias; the current keeps them.
    TBytes b;
    b.Word(-1).Int(0).Int(0).Int(2).Str("frmMain.Data1").Str("").Str("frmMain.Data2").Str("D2");
    TMemoryStream s(b.Data);
    d.LoadDictionary(s);
    ASSERT_EQ(d.DatasetAliasList.Count(), 1);
    EXPECT_EQ(d.DatasetAliasList.Name(0), "frmMain.Data2");
  }
  {  // Saving writes the current layout.
    TMemoryStream s;
    TkvDataDictionary empty(context);
    empty.SaveDictionary(s);
    EXPECT_EQ(s.Bytes(), TBytes().Word(-2).Int(0).Int(0).Int(0).Data);
  }
}

TEST_F(ReportTest, SavedReportLoadsBackTheSame) {
  TkvPage& page = Report.Pages.AddPage();
  page.Name = "Main";
  page.ChangePaper(256, 1000, 1500, -1, 1);
  page.LeftMargin = 12;
  page.Columns = 3;
  page.ScriptLines = {"begin", "end"};
  TkvPage& dialog = Report.Pages.AddPage();
  dialog.PageType = ptDialog;
  dialog.Name = "Ask";
  dialog.Caption = "Parameters";
  auto object = CreateReportObject(Context, TypeAddIn, "TkvTestView");
  object->Left = 42;
  dialog.ObjectList.push_back(std::move(object));
  Report.Dictionary.VariableList.SetVariable(" Cat", std::string());
  Report.Dictionary.VariableList.SetVariable("Var", std::string("1+2"));
  Report.Dictionary.DatasetAliasList.SetVariable("frmMain.kvDBDataSet1", std::string("Orders"));
  Report.ReportOptions.Name = "Sales";
  Report.ReportOptions.Author = "Team";
  Report.ReportOptions.VersionBuild = "7";
  Report.ReportOptions.Password = "abc";
  Report.ReportOptions.CreateDate = 45000.25;
  Report.TwoPass = true;

  const std::string bytes = Save();
  // The password of three characters is stored as the word 6 and six hexadecimal digits.
  EXPECT_NE(bytes.find(std::string("\x06\x00"
                                   "616263",
                                   8)),
            std::string::npos);

  TkvReport loaded(Context);
  TMemoryStream stream(bytes);
  TTestView::AfterLoads = 0;
  loaded.LoadReportStream(stream);
  ASSERT_EQ(loaded.Pages.Count(), 2);
  const TkvPage& p0 = loaded.Pages.Item(0);
  EXPECT_EQ(p0.Name, "Main");
  EXPECT_EQ(p0.Size, 256);
  EXPECT_EQ(p0.PaperWidth, 1000);  // a custom size keeps what was asked
  EXPECT_EQ(p0.Orientation, 1);
  EXPECT_EQ(p0.LeftMargin, 12);
  EXPECT_EQ(p0.Columns, 3);
  EXPECT_EQ(p0.ScriptLines, page.ScriptLines);
  EXPECT_EQ(p0.Metrics, page.Metrics);
  const TkvPage& p1 = loaded.Pages.Item(1);
  EXPECT_EQ(p1.PageType, ptDialog);
  EXPECT_EQ(p1.Caption, "Parameters");
  ASSERT_EQ(p1.ObjectList.size(), 1u);
  EXPECT_EQ(p1.ObjectList[0]->Left, 42);
  EXPECT_EQ(TTestView::AfterLoads, 1);
  EXPECT_EQ(loaded.Dictionary.VariableList.Count(), 2);
  EXPECT_EQ(VarToStr(loaded.Dictionary.VariableList.GetVariable("var")), "1+2");
  EXPECT_EQ(VarToStr(loaded.Dictionary.DatasetAliasList.Value(0)), "Orders");
  EXPECT_EQ(loaded.ReportOptions.Name, "Sales");
  EXPECT_EQ(loaded.ReportOptions.Author, "Team");
  EXPECT_EQ(loaded.ReportOptions.VersionBuild, "7");
  EXPECT_EQ(loaded.ReportOptions.Password, "abc");
  EXPECT_EQ(loaded.ReportOptions.CreateDate, 45000.25);
  EXPECT_TRUE(loaded.TwoPass);
  EXPECT_EQ(loaded.GeneratorVersion, 88);
}

TEST_F(ReportTest, VersionRules) {
  // First byte 20: no version byte; it is the low byte of IgnoreStoredPrinter.
  TBytes old;
  old.Byte(20).Byte(0).Word(0).Zero("\x01");
  PageRecord(old, 21).Byte(252);
  Load(old.Data);
  EXPECT_EQ(Context.Load.LegacyVersion, 21);
  EXPECT_TRUE(Report.IgnoreStoredPrinter);
  ASSERT_EQ(Report.Pages.Count(), 1);

  // Version 26 is refused and the report keeps its pages (the dictionary is emptied).
  Report.Dictionary.VariableList.SetVariable("x", std::string("1"));
  Load(TBytes().Byte(26).Word(0).Data);
  EXPECT_EQ(Prompter.Messages, std::vector<std::string>{"Error: Unsupported KVF format"});
  EXPECT_EQ(Report.Pages.Count(), 1);
  EXPECT_EQ(Report.Dictionary.VariableList.Count(), 0);

  // An empty stream changes nothing else.
  Load("");
  EXPECT_EQ(Report.Pages.Count(), 1);
}

TEST_F(ReportTest, DamagedFilesEndWithOneEmptyPage) {
  TBytes b;
  b.Byte(25).Word(0).Word(0).Str("\x01");
  PageRecord(b, 25);
  PageRecord(b, 25);
  b.Byte(17);
  Load(b.Data);
  EXPECT_EQ(Prompter.Messages, std::vector<std::string>{"Error: Unsupported KVF format"});
  EXPECT_EQ(Report.Pages.Count(), 1);
  EXPECT_TRUE(Report.Pages.Item(0).ObjectList.empty());
}

TEST_F(ReportTest, ObjectRecordsAreSkippedByTheirEndOffsets) {
  TBytes b;
  b.Byte(25).Word(0).Word(0).Str("\x01");
  PageRecord(b, 25);
  auto record = [&](int type, const std::string& cls, int page, const std::string& payload) {
    ObjectRecord(b, type, cls, page, payload);
  };
  record(10, "TkvTestView", 0, TBytes().Int(1).Raw("extra bytes the class does not read").Data);
  record(7, "", 0, "whatever");                                    // creates nothing
  record(10, "TkvTestView", 3, TBytes().Int(2).Data);              // a page not read: skipped
  record(10, "TkvTestView", 0, TBytes().Int(666).Raw("xx").Data);  // damaged payload
  record(10, "TkvTestView", 0, TBytes().Int(3).Data);
  b.Byte(254).Word(-2).Int(0).Int(0).Int(0).Byte(252);
  Load(b.Data);
  EXPECT_TRUE(Prompter.Messages.empty());
  ASSERT_EQ(Report.Pages.Count(), 1);
  const auto& objects = Report.Pages.Item(0).ObjectList;
  ASSERT_EQ(objects.size(), 3u);  // the damaged one stays with what it read
  EXPECT_EQ(objects[0]->Left, 1);
  EXPECT_EQ(objects[1]->Left, 666);
  EXPECT_EQ(objects[2]->Left, 3);
  // No trailer: the options are reset.
  EXPECT_EQ(Report.GeneratorVersion, 88);
  EXPECT_LT(std::fabs(Report.ReportOptions.CreateDate - CurrentDateTime()), 0.01);
}

TEST_F(ReportTest, MissingClassesAreNamedOncePerObject) {
  TBytes b;
  b.Byte(25).Word(0).Word(0).Str("\x01");
  PageRecord(b, 25);
  for (const std::string cls : {"TkvGone", "TkvNope", "TkvTestView", "TkvNope"}) {
    const std::size_t start = b.Data.size();
    b.Byte(10)
        .Str(cls)
        .Byte(0)
        .Int(static_cast<std::int32_t>(start + 1 + cls.size() + 3 + 1 + 4 + 4))
        .Int(5);
  }
  b.Byte(252);
  TTestView::AfterLoads = 0;
  Load(b.Data);
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0],
            "Error: Report contains the following non-plugged components:\r"
            "TkvGone\rTkvNope\rTkvNope\rYou must include these components into your "
            "project.");
  EXPECT_EQ(Report.Pages.Item(0).ObjectList.size(), 1u);
  EXPECT_EQ(TTestView::AfterLoads, 0);
}

TEST_F(ReportTest, ProtectedReportAsksForItsPasswordOnlyFromAFile) {
  Report.Pages.AddPage();
  Report.Pages.AddPage();
  Report.ReportOptions.Password = "secret";
  Report.ReportOptions.Name = "Kept";
  Report.PasswordProtected = true;
  test::TTempDir dir;
  Report.SaveReportFile(dir / "r.kvf");

  TkvReport fromMemory(Context);
  fromMemory.Prompter = &Prompter;
  TMemoryStream memory(dir.Read("r.kvf"));
  fromMemory.LoadReportStream(memory);
  EXPECT_EQ(Prompter.PasswordAsked, 0);
  EXPECT_EQ(fromMemory.Pages.Count(), 2);

  Prompter.Password = "secret";
  ASSERT_TRUE(Report.LoadReportFile(dir / "r.kvf"));
  EXPECT_EQ(Prompter.PasswordAsked, 1);
  EXPECT_EQ(Report.Pages.Count(), 2);
  EXPECT_EQ(Report.ReportOptions.Name, "Kept");

  Prompter.Password = "Secret";  // compared with case
  ASSERT_TRUE(Report.LoadReportFile(dir / "r.kvf"));
  EXPECT_EQ(Report.Pages.Count(), 1);
  EXPECT_EQ(Report.ReportOptions.Name, "");
  EXPECT_FALSE(Report.PasswordProtected);
  EXPECT_EQ(Report.ReportFileName, dir / "r.kvf");

  EXPECT_FALSE(Report.LoadReportFile(dir / "missing.kvf"));
}

TEST_F(ReportTest, ReportFormPropertyOfAFormFile) {
  // Not stored in the form: the property data is the integer 25 alone.
  TMemoryStream plain;
  Report.WriteReportForm(plain);
  EXPECT_EQ(plain.Bytes(), TBytes().Int(25).Data);
  // Stored in the form: the report follows, and loads once the form has been read.
  Report.StoreInDFM = true;
  Report.Pages.AddPage().Name = "Stored";
  TMemoryStream stored;
  Report.WriteReportForm(stored);
  TkvReport copy(Context);
  copy.StoreInDFM = true;
  stored.SetPosition(0);
  copy.ReadReportForm(stored);
  EXPECT_EQ(copy.Pages.Count(), 0);
  copy.LoadFromFormStream();
  ASSERT_EQ(copy.Pages.Count(), 1);
  EXPECT_EQ(copy.Pages.Item(0).Name, "Stored");
  EXPECT_EQ(copy.FormStream, nullptr);
}

TEST_F(ReportTest, MoreThan256PagesCannotBeSavedInTheLegacyLayout) {
  for (int i = 0; i < 257; ++i) Report.Pages.AddPage();
  try {
    Save();
    FAIL() << "saved";
  } catch (const EKvError& e) {
    EXPECT_NE(std::string(e.what()).find("257 pages"), std::string::npos);
  }
}

// Whatever bytes a file holds, loading ends: no crash, no endless loop, no read past the data.
// It ends in a report read from the file or in none: an unreadable file shows the one message
// and leaves one empty page; a report read holds every object record of the file as an object
// or as a skipped record, and only a record of a class this program lacks shows a message.
TEST_F(ReportTest, HostileFilesLoadWithoutHarm) {
  Report.Pages.AddPage().ObjectList.push_back(
      CreateReportObject(Context, TypeAddIn, "TkvTestView"));
  Report.Dictionary.VariableList.SetVariable("V", std::string("x"));
  const std::string good = Save();
  const std::string unreadable = "Unreadable pages [0] | Error: Unsupported KVF format";
  // Where the parts of the file begin: the page record after the header, the object record
  // (marker, class name, page, end offset), its payload, the dictionary, the end marker; the
  // trailer follows.
  const std::size_t page = good.find('\xFF');
  const std::string recordHead = TBytes().Byte(10).Str("TkvTestView").Data;
  const std::size_t object = good.find(recordHead);
  const std::size_t payload = object + recordHead.size() + 1 + 4;
  const std::size_t dictionary = payload + 4;
  const std::size_t end =
      dictionary + TBytes().Byte(254).Word(-2).Int(1).Str("V").Str("x").Int(0).Int(0).Data.size();
  ASSERT_EQ(page, 9u);
  ASSERT_EQ(good[dictionary], '\xFE');
  ASSERT_EQ(good[end], '\xFC');
  ASSERT_LT(end + 1, good.size());
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    Prompter.Messages.clear();
    Load(good.substr(0, cut));
    if (cut == 0) {
      EXPECT_EQ(Outcome(), "Empty pages [1]");  // the report keeps what it held
    } else if (cut == page) {
      EXPECT_EQ(Outcome(), "Read pages [] skipped 0");
    } else if (cut == object) {
      EXPECT_EQ(Outcome(), "Read pages [0] skipped 0");
    } else if (cut > object && cut < payload) {
      // The record cut before its payload cannot become an object: it is skipped, or the file
      // is unreadable when not even its end offset could be read.
      if (Report.LastLoad.Read()) {
        EXPECT_EQ(Outcome(), "Read pages [0] skipped 1");
      } else {
        EXPECT_EQ(Outcome(), unreadable);
      }
    } else if (cut >= payload && cut < dictionary) {
      // The payload cut short: the object stays with what it read, noted as skipped.
      EXPECT_EQ(Outcome(), "Read pages [1] skipped 1");
      ASSERT_EQ(Report.LastLoad.Skipped.size(), 1u);
      EXPECT_EQ(Report.LastLoad.Skipped[0].Reason, TSkippedRecord::Damaged);
    } else if (cut == dictionary || cut == end || cut == end + 1) {
      EXPECT_EQ(Outcome(), "Read pages [1] skipped 0");
      EXPECT_EQ(Report.Dictionary.VariableList.Count(), cut == dictionary ? 0 : 1);
    } else {
      EXPECT_EQ(Outcome(), unreadable);
    }
  }
  // End offsets that point back into the record or before it.
  TBytes b;
  b.Byte(25).Word(0).Word(0).Str("\x01");
  PageRecord(b, 25);
  const auto start = static_cast<std::int32_t>(b.Data.size());
  b.Byte(10).Str("TkvNope").Byte(0).Int(start).Byte(252);
  Prompter.Messages.clear();
  Load(b.Data);
  EXPECT_EQ(Prompter.Messages, std::vector<std::string>{"Error: Unsupported KVF format"});
  // Flipping each byte of a good file in turn.
  for (std::size_t i = 0; i < good.size(); ++i) {
    SCOPED_TRACE("byte " + std::to_string(i) + " flipped");
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0xA5);
    Prompter.Messages.clear();
    const int pagesBefore = Report.Pages.Count();
    Load(bad);
    if (i == 0) {  // the version byte becomes 188
      EXPECT_EQ(Report.LastLoad.Status, TLoadStatus::VersionRefused);
      EXPECT_EQ(Prompter.Messages, std::vector<std::string>{"Error: Unsupported KVF format"});
      EXPECT_EQ(Report.Pages.Count(), pagesBefore);
      continue;
    }
    if (!Report.LastLoad.Read()) {
      EXPECT_EQ(Outcome(), unreadable);
      continue;
    }
    ASSERT_EQ(Report.Pages.Count(), 1) << Outcome();
    const auto& skipped = Report.LastLoad.Skipped;
    // The one record gives an object or a note; a damaged record of a class this program holds
    // gives both, its object keeping what was read.
    const auto& objects = Report.Pages.Item(0).ObjectList;
    const bool damagedButKept = skipped.size() == 1 && objects.size() == 1 &&
                                skipped[0].Reason == TSkippedRecord::Damaged &&
                                skipped[0].ClassName == objects[0]->ClassName();
    EXPECT_EQ(objects.size() + skipped.size(), damagedButKept ? 2u : 1u) << Outcome();
    // A message names a missing add-in class (a built-in type code without a class is only
    // noted).
    const bool classMissing =
        skipped.size() == 1 && skipped[0].Reason == TSkippedRecord::NotAvailable;
    EXPECT_LE(Prompter.Messages.size(), classMissing ? 1u : 0u) << Outcome();
    if (!Prompter.Messages.empty()) {
      EXPECT_TRUE(Prompter.Messages[0].starts_with(
          "Error: Report contains the following non-plugged components:\r" +
          skipped.at(0).ClassName + "\r"))
          << Outcome();
    }
  }
}

// The page of the current object record never outlives the page: it is forgotten when its page
// goes, whichever way the page goes, and only then.
TEST_F(ReportTest, CurrentPageIsForgottenWhenItsPageGoes) {
  const struct {
    const char* What;
    void (*Free)(TkvReport&);
  } cases[] = {
      {"pages cleared", [](TkvReport& r) { r.Pages.Clear(); }},
      {"page deleted", [](TkvReport& r) { r.Pages.Delete(1); }},
      {"report cleared", [](TkvReport& r) { r.ClearReport(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TkvReport report(Context);
    report.Pages.AddPage();
    report.Pages.AddPage();
    Context.Load.CurrentPage = &report.Pages.Item(1);
    c.Free(report);
    EXPECT_EQ(Context.Load.CurrentPage, nullptr);
  }
  // Deleting another page, or destroying another report, leaves it current.
  Report.Pages.AddPage();
  Report.Pages.AddPage();
  TkvPage* const current = &Report.Pages.Item(1);
  Context.Load.CurrentPage = current;
  Report.Pages.Delete(0);
  EXPECT_EQ(Context.Load.CurrentPage, current);
  {
    TkvReport other(Context);
    other.Pages.AddPage();
  }
  EXPECT_EQ(Context.Load.CurrentPage, current);
  // A report destroyed while one of its pages is current forgets it.
  {
    TkvReport other(Context);
    Context.Load.CurrentPage = &other.Pages.AddPage();
  }
  EXPECT_EQ(Context.Load.CurrentPage, nullptr);
}

// Each object record is read with its own page current, and no page stays current after a load,
// whatever its end: a page of another report current before the load is not taken for one of
// this file, and no later reader finds a page of this load.
TEST_F(ReportTest, ALoadLeavesNoPageCurrent) {
  TkvReport other(Context);
  TkvPage& elsewhere = other.Pages.AddPage();
  auto file = [](std::int32_t left, bool complete) {
    TBytes b;
    b.Byte(25).Word(0).Word(0).Str("\x01");
    PageRecord(b, 25);
    PageRecord(b, 25);
    ObjectRecord(b, 10, "TkvTestView", 1, TBytes().Int(left).Data);
    if (complete) {
      b.Byte(252);
    } else {
      b.Byte(254).Word(-2);  // a dictionary cut short
    }
    return b.Data;
  };
  const struct {
    const char* What;
    std::string Bytes;
    TLoadStatus Status;
  } cases[] = {
      {"read", file(5, true), TLoadStatus::Read},
      {"unreadable", file(5, false), TLoadStatus::Unreadable},
      {"failed", file(777, true), TLoadStatus::Unreadable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    Context.Load.CurrentPage = &elsewhere;
    TTestView::PageAtLoad = nullptr;
    TMemoryStream stream(c.Bytes);
    try {
      Report.LoadReportStream(stream);
    } catch (const std::bad_alloc&) {
    }
    EXPECT_EQ(Report.LastLoad.Status, c.Status);
    EXPECT_EQ(Context.Load.CurrentPage, nullptr);
    if (c.Status == TLoadStatus::Read) {
      EXPECT_EQ(TTestView::PageAtLoad, &Report.Pages.Item(1));
    }
  }
}

// Only the library's errors mean a damaged file. Any other error of a record's reader (no memory
// left, a fault of the program) neither skips the record nor makes the file unreadable: it ends
// the load and reaches the caller, with the report left as one empty page and no message shown.
TEST_F(ReportTest, ErrorsThatAreNoFaultOfTheFileReachTheCaller) {
  auto file = [](std::int32_t left) {
    TBytes b;
    b.Byte(25).Word(0).Word(0).Str("\x01");
    PageRecord(b, 25);
    ObjectRecord(b, 10, "TkvTestView", 0, TBytes().Int(left).Data);
    ObjectRecord(b, 10, "TkvTestView", 0, TBytes().Int(3).Data);
    return b.Byte(252).Data;
  };
  // A damaged payload is skipped, and the load goes on.
  Load(file(666));
  EXPECT_EQ(Outcome(), "Read pages [2] skipped 1");

  auto raised = [&](std::int32_t left) -> std::string {
    TMemoryStream stream(file(left));
    try {
      Report.LoadReportStream(stream);
    } catch (const std::bad_alloc&) {
      return "bad_alloc";
    } catch (const std::logic_error& e) {
      return e.what();
    }
    return "nothing";
  };
  const struct {
    std::int32_t Left;
    const char* Raised;
  } cases[] = {{777, "bad_alloc"}, {778, "a fault of the program"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Left);
    Prompter.Messages.clear();
    Report.Pages.AddPage();
    EXPECT_EQ(raised(c.Left), c.Raised);
    EXPECT_EQ(Outcome(), "Unreadable pages [0]");
    EXPECT_TRUE(Report.LastLoad.Skipped.empty());
  }
}

}  // namespace
}  // namespace kv
