// Tests of the base view and the two control bases: the common object record of every legacy
// version read byte by byte, a saved record read back, the frame-width conversions, the common
// element part of the document with its mappings and escaping, element names, generated names,
// named properties, and the non-visual control's component and position block.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "base/DocumentText.h"
#include "base/Errors.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"
#include "legacy/View.h"
#include "objects/Control.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"

namespace kv {
namespace {

using test::AttributeValue;
using test::Document;
using test::LoadInto;
using test::PropertyNames;

using TLines = std::vector<std::string>;

using test::TBytes;

using test::TTestContext;

// A memo-like class: its own prefix and class name, nothing else.
class TTestMemo : public TkvView {
 public:
  explicit TTestMemo(TConversionContext& context) : TkvView(context) {
    NamePrefix = "Memo";
    TypeCode = TypeMemo;
  }
  std::string ClassName() const override { return "TkvMemoView"; }
};

// A band-like class, which publishes no frame names.
class TTestBand : public TkvView {
 public:
  using TkvView::TkvView;
  std::string ClassName() const override { return "TkvBandView"; }

 protected:
  bool PublishesFrameProperties() const override { return false; }
};

// A control whose widget visibility is recorded.
class TTestControl : public TkvControl {
 public:
  explicit TTestControl(TConversionContext& context) : TkvControl(context) { NamePrefix = "Memo"; }
  std::string ClassName() const override { return "TkvEditControl"; }
  std::vector<bool> WidgetShown;

 protected:
  void ShowWidget(bool visible) override { WidgetShown.push_back(visible); }
};

// The 30-byte block and the fill colour, with values that every version holds.
TBytes& CommonBlock(TBytes& b) {
  b.Int(11).Int(12).Int(13).Int(14);  // Left, Top, Width, Height
  return b
      .Word(0x0205)    // Flags
      .Word(0x000F)    // FrameTyp
      .Int(500)        // frame width: 0.5 pixel
      .Int(0x00FF00)   // FrameColor
      .Word(2)         // FrameStyle
      .Int(0xFFFFFF);  // FillColor
}

void ExpectCommonBlock(const TkvView& view) {
  EXPECT_EQ(view.Left, 11);
  EXPECT_EQ(view.Top, 12);
  EXPECT_EQ(view.Width, 13);
  EXPECT_EQ(view.Height, 14);
  EXPECT_EQ(view.Flags, 0x0205);
  EXPECT_EQ(view.FrameTyp, 0x000F);
  EXPECT_EQ(view.FrameWidth, 0.5f);
  EXPECT_EQ(view.FrameColor, 0x00FF00);
  EXPECT_EQ(view.FrameStyle, 2);
  EXPECT_EQ(view.FillColor, 0xFFFFFF);
}

// ---- Defaults -----------------------------------------------------------------------------------

TEST(ViewTest, DefaultsOfEveryBase) {
  TConversionContext context;
  context.DecimalSeparator = ',';
  TkvView view(context);
  EXPECT_EQ(view.NamePrefix, "View");
  EXPECT_EQ(view.TypeCode, TypeAddIn);
  EXPECT_EQ(view.Flags, flStretched);
  EXPECT_EQ(view.FrameWidth, 1.0f);
  EXPECT_EQ(view.FillColor, clTransparent);
  EXPECT_EQ(view.FormatCode, 0x200 + ',');
  EXPECT_TRUE(view.Visible);
  EXPECT_EQ(view.GapX, 2);
  EXPECT_EQ(view.GapY, 1);
  EXPECT_FALSE(view.PreparedRecord);
  EXPECT_EQ(view.ClassName(), "TkvView");

  TkvControl control(context);
  EXPECT_EQ(control.TypeCode, TypeAddIn);
  EXPECT_EQ(control.FillColor, clBtnFace);
  EXPECT_EQ(control.FrameTyp, 0);

  TkvNonVisualControl nonVisual(context);
  EXPECT_EQ(nonVisual.FillColor, clBtnFace);
  EXPECT_EQ(nonVisual.Width, 28);
  EXPECT_EQ(nonVisual.Height, 28);
  EXPECT_FALSE(nonVisual.Component);
}

TEST(ViewTest, ClassesCreateTheirOwnKind) {
  EXPECT_EQ(TkvView::Class().Name, "TkvView");
  TConversionContext context;
  EXPECT_EQ(TkvControl::Class().Create(context)->ClassName(), "TkvControl");
  const auto created = TkvNonVisualControl::Class().Create(context);
  EXPECT_EQ(created->ClassName(), "TkvNonVisualControl");
  EXPECT_EQ(created->Width, 28);
}

// ---- The common record --------------------------------------------------------------------------

TEST(ViewTest, Version21And22RecordsHoldTheBlockFormatAndMemoOnly) {
  for (const int version : {21, 22}) {
    SCOPED_TRACE(version);
    TTestContext context(version);
    TBytes b;
    CommonBlock(b).Int(0x0102022C).Zero("#,##0.00").Zero("A\rB");
    TTestMemo view(context);
    EXPECT_EQ(LoadInto(view, b.Data), 1);
    ExpectCommonBlock(view);
    EXPECT_EQ(view.FormatCode, 0x0102022C);
    EXPECT_EQ(view.FormatText, "#,##0.00");
    EXPECT_EQ(view.Memo, (TLines{"A", "B"}));
    // No name in the record: a generated one.
    EXPECT_EQ(view.Name, "Memo1");
    // Fields the version does not hold keep their defaults.
    EXPECT_EQ(view.RecordMajor, 0);
    EXPECT_EQ(view.RecordMinor, 0);
    EXPECT_TRUE(view.ScriptLines.empty());
    EXPECT_TRUE(view.Visible);
    EXPECT_EQ(view.Restrictions, 0);
    EXPECT_EQ(view.Tag, "");
    EXPECT_EQ(view.GapX, 2);
    EXPECT_EQ(view.GapY, 1);
    EXPECT_EQ(view.BandAlign, 0);
  }
}

TEST(ViewTest, Version23RecordAddsNameScriptAndVisible) {
  TTestContext context(23);
  TBytes b;
  b.Str("Text7");
  CommonBlock(b).Int(0x22E).Str("dd.mm.yy");
  b.Word(1).Word(3).Raw("abc").Byte(0);                          // memo: one line
  b.Word(2).Word(1).Raw("x").Byte(13).Word(1).Raw("y").Byte(0);  // script: two lines
  b.Word(0);                                                     // Visible false
  TkvView view(context);
  EXPECT_EQ(LoadInto(view, b.Data), 1);
  EXPECT_EQ(view.Name, "Text7");
  ExpectCommonBlock(view);
  EXPECT_EQ(view.FormatCode, 0x22E);
  EXPECT_EQ(view.FormatText, "dd.mm.yy");
  EXPECT_EQ(view.Memo, TLines{"abc"});
  EXPECT_EQ(view.ScriptLines, (TLines{"x", "y"}));
  EXPECT_FALSE(view.Visible);
  EXPECT_EQ(view.RecordVersion(), 0);
  EXPECT_EQ(view.Restrictions, 0);
  EXPECT_EQ(view.GapX, 2);
  EXPECT_EQ(view.GapY, 1);
  EXPECT_EQ(view.BandAlign, 0);
}

TEST(ViewTest, PreparedVersion23RecordHasNoNameFormatOrScript) {
  TTestContext context(23);
  TBytes b;
  CommonBlock(b);
  b.Word(1).Word(2).Raw("42").Byte(0);  // the evaluated memo
  TTestMemo view(context);
  view.PreparedRecord = true;
  view.FormatText = "kept";
  EXPECT_EQ(LoadInto(view, b.Data), 1);
  EXPECT_EQ(view.Name, "Memo1");
  ExpectCommonBlock(view);
  EXPECT_EQ(view.FormatText, "kept");
  EXPECT_EQ(view.Memo, TLines{"42"});
  EXPECT_TRUE(view.Visible);
}

TEST(ViewTest, Version24And25RecordsHoldRecordVersionRestrictionsTagGapsAndBandAlign) {
  struct TCase {
    int Version;
    int Major, Minor;
    bool HasBandAlign;
  };
  for (const TCase c : {TCase{24, 1, 5, false}, TCase{25, 1, 0, false}, TCase{25, 2, 1, true},
                        TCase{24, 3, 0, true}}) {
    SCOPED_TRACE(testing::Message() << c.Version << " " << c.Major << "." << c.Minor);
    TTestContext context(c.Version);
    TBytes b;
    b.Str("Shape2").Byte(c.Major).Byte(c.Minor);
    CommonBlock(b).Int(0x22C).Str("");
    b.Word(0).Byte(0);                            // empty memo
    b.Word(1).Word(5).Raw("begin").Byte(0);       // script
    b.Word(0xFFFF);                               // Visible
    b.Word(0x48).Str("tag text").Int(-3).Int(7);  // Restrictions, Tag, GapX, GapY
    if (c.HasBandAlign) b.Byte(baRest);
    TkvView view(context);
    EXPECT_EQ(LoadInto(view, b.Data), 1);
    EXPECT_EQ(view.Name, "Shape2");
    EXPECT_EQ(view.RecordMajor, c.Major);
    EXPECT_EQ(view.RecordMinor, c.Minor);
    EXPECT_EQ(view.RecordVersion(), c.Major * 10 + c.Minor);
    ExpectCommonBlock(view);
    EXPECT_TRUE(view.Memo.empty());
    EXPECT_EQ(view.ScriptLines, TLines{"begin"});
    EXPECT_TRUE(view.Visible);
    EXPECT_EQ(view.Restrictions, 0x48);
    EXPECT_EQ(view.Tag, "tag text");
    EXPECT_EQ(view.GapX, -3);
    EXPECT_EQ(view.GapY, 7);
    EXPECT_EQ(view.BandAlign, c.HasBandAlign ? baRest : baNone);
  }
}

TEST(ViewTest, RecordEndingEarlyRaisesAndKeepsWhatWasRead) {
  TTestContext context(25);
  TBytes b;
  b.Str("Cut").Byte(2).Byte(0);
  CommonBlock(b).Int(0x22C).Str("");
  b.Word(1).Word(40).Raw("short");  // a line that claims more bytes than there are
  TkvView view(context);
  TMemoryStream stream(b.Data);
  EXPECT_THROW(view.LoadLegacy(stream), EReadError);
  EXPECT_EQ(view.Name, "Cut");
  ExpectCommonBlock(view);
  EXPECT_TRUE(view.Tag.empty());
}

TEST(ViewTest, SavedRecordHasTheVersion25LayoutAndReadsBack) {
  TTestContext context(25);
  TkvView view(context);
  view.Name = "Memo3";
  view.RecordMinor = 4;
  view.Left = -5;
  view.Top = 6;
  view.Width = 70;
  view.Height = 80;
  view.Flags = 0x8001;
  view.FrameTyp = 0xA;
  view.FrameWidth = 0.1f;
  view.FrameColor = clGray;
  view.FrameStyle = psDouble;
  view.FillColor = clBtnFace;
  view.FormatCode = 0x0103022E;
  view.FormatText = "0.000";
  view.Memo = {"A", ""};
  view.ScriptLines = {"s"};
  view.Visible = false;
  view.Restrictions = 0x7F;
  view.Tag = "T";
  view.GapX = 4;
  view.GapY = 0;
  view.BandAlign = baBottom;

  TMemoryStream saved;
  view.SaveLegacy(saved);
  TBytes expected;
  expected.Str("Memo3").Byte(2).Byte(4);
  expected.Int(-5).Int(6).Int(70).Int(80).Word(0x8001).Word(0xA).Int(100).Int(clGray).Word(5);
  expected.Int(clBtnFace).Int(0x0103022E).Str("0.000");
  expected.Word(2).Word(1).Raw("A").Byte(13).Word(0).Byte(0);  // memo
  expected.Word(1).Word(1).Raw("s").Byte(0);                   // script
  expected.Word(0).Word(0x7F).Str("T").Int(4).Int(0).Byte(baBottom);
  EXPECT_EQ(saved.Bytes(), expected.Data);
  EXPECT_EQ(view.RecordMajor, 2);
  EXPECT_EQ(view.FrameWidth, 0.1f);  // saving leaves the width as it is

  TkvView loaded(context);
  EXPECT_EQ(LoadInto(loaded, saved.Bytes()), 1);
  EXPECT_EQ(loaded.Name, view.Name);
  EXPECT_EQ(loaded.RecordVersion(), 24);
  EXPECT_EQ(loaded.Left, view.Left);
  EXPECT_EQ(loaded.Flags, view.Flags);
  EXPECT_EQ(loaded.FrameTyp, view.FrameTyp);
  EXPECT_EQ(loaded.FrameWidth, view.FrameWidth);
  EXPECT_EQ(loaded.FrameStyle, view.FrameStyle);
  EXPECT_EQ(loaded.FillColor, view.FillColor);
  EXPECT_EQ(loaded.FormatCode, view.FormatCode);
  EXPECT_EQ(loaded.FormatText, view.FormatText);
  EXPECT_EQ(loaded.Memo, view.Memo);
  EXPECT_EQ(loaded.ScriptLines, view.ScriptLines);
  EXPECT_FALSE(loaded.Visible);
  EXPECT_EQ(loaded.Restrictions, view.Restrictions);
  EXPECT_EQ(loaded.Tag, view.Tag);
  EXPECT_EQ(loaded.GapX, view.GapX);
  EXPECT_EQ(loaded.GapY, view.GapY);
  EXPECT_EQ(loaded.BandAlign, view.BandAlign);
}

TEST(ViewTest, PreparedRecordCarriesTheEvaluatedMemoInsteadOfFormatMemoAndScript) {
  TTestContext context(25);
  TkvView view(context);
  view.PreparedRecord = true;
  view.Name = "P";
  view.Memo = {"[expr]"};
  view.EvaluatedMemo = {"42"};
  view.ScriptLines = {"never stored"};
  TMemoryStream saved;
  view.SaveLegacy(saved);

  TkvView loaded(context);
  loaded.PreparedRecord = true;
  EXPECT_EQ(LoadInto(loaded, saved.Bytes()), 1);
  EXPECT_EQ(loaded.Name, "P");
  EXPECT_EQ(loaded.Memo, TLines{"42"});
  EXPECT_TRUE(loaded.ScriptLines.empty());
  EXPECT_EQ(loaded.BandAlign, baNone);
}

// ---- Frame width --------------------------------------------------------------------------------

TEST(ViewTest, StoredFrameWidthCountsWholePixelsUpToTenAndThousandthsAbove) {
  const struct {
    std::int32_t Stored;
    float Width;
  } cases[] = {{2, 2.0f}, {500, 0.5f},  {10, 10.0f}, {11, 0.011f},
               {0, 0.0f}, {1500, 1.5f}, {-2, -2.0f}, {100, 0.1f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Stored);
    EXPECT_EQ(FrameWidthFromStored(c.Stored), c.Width);
  }
  // Through a whole record as well.
  TTestContext context(25);
  TBytes b;
  b.Str("").Byte(0).Byte(0).Int(0).Int(0).Int(0).Int(0).Word(0).Word(0).Int(11);
  b.Int(0).Word(0).Int(0).Int(0).Str("").Word(0).Byte(0).Word(0).Byte(0).Word(0);
  b.Word(0).Str("").Int(0).Int(0);
  TkvView view(context);
  EXPECT_EQ(LoadInto(view, b.Data), 1);
  EXPECT_EQ(view.FrameWidth, 0.011f);
}

TEST(ViewTest, FrameWidthIsSavedWholeUpToTenElseInRoundedThousandths) {
  const struct {
    float Width;
    std::int32_t Stored;
  } cases[] = {{0.1f, 100},    {1.0f, 1},      {10.0f, 10},   {0.0f, 0},
               {11.0f, 11000}, {1.5f, 1500},   {0.0625f, 62}, {0.1875f, 188},
               {-3.0f, -3},    {10.5f, 10500}, {0.011f, 11},  {1e12f, INT32_MAX}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Width);
    EXPECT_EQ(StoredFrameWidth(c.Width), c.Stored);
  }
}

// ---- The document element -----------------------------------------------------------------------

TEST(ViewTest, ElementPartOfASmallView) {
  TConversionContext context;
  context.DecimalSeparator = '.';
  TTestMemo view(context);
  view.Name = "Memo1";
  view.Left = 10;
  view.Top = -20;
  view.Width = 30;
  view.Height = 40;
  view.FrameTyp = frRight | frLeft;
  view.FrameWidth = 1.5f;
  view.FrameColor = 255;
  view.FrameStyle = psDot;
  view.Tag = "a<b>'c'";
  view.Memo = {"abc", "x & \"y\""};
  view.BandAlign = baTop;
  view.Restrictions = rsDontModify | rsDontMove;
  view.Visible = false;
  view.ScriptLines = {"begin end"};
  EXPECT_EQ(Document(view),
            "<TkvxMemoView Name=\"Memo1\" Left=\"10\" Top=\"-20\" Width=\"30\" Height=\"40\""
            " Color=\"536870911\" Visible=\"False\" Frame.Typ=\"3\" Frame.Width=\"1.5\""
            " Frame.Color=\"255\" Frame.Style=\"2\" GapX=\"2\" GapY=\"1\""
            " TagStr=\"a&#60;b&#62;'c'\""
            " Memo.text=\"abc&#13;&#10;x &#38; &#34;y&#34;&#13;&#10;\" Align=\"0\""
            " OnBeforePrint=\"Memo1OnBeforePrint\" OnClick=\"Memo1OnBeforePrint\""
            " OnActivate=\"Memo1OnBeforePrint\" Restrictions=\"5\"");
}

TEST(ViewTest, DefaultViewWritesNoVisibleNoEventsAndAnEmptyMemoText) {
  TConversionContext context;
  context.DecimalSeparator = '.';
  TkvControl control(context);
  EXPECT_EQ(Document(control),
            "<TkvxControl Name=\"\" Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\""
            " Color=\"-16777201\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\"");
}

TEST(ViewTest, FrameLinesRestrictionsAndAlignmentAreMapped) {
  TConversionContext context;
  TkvView view(context);
  const struct {
    std::uint16_t FrameTyp;
    const char* Expected;
  } frames[] = {{0x5, "3"}, {0xF, "15"}, {0x8, "4"},  {0x4, "1"},
                {0x1, "2"}, {0x2, "8"},  {0x30, "0"}, {0xFFFF, "15"}};
  for (const auto& c : frames) {
    view.FrameTyp = c.FrameTyp;
    EXPECT_EQ(AttributeValue(Document(view), "Frame.Typ"), c.Expected) << c.FrameTyp;
  }
  const struct {
    std::uint16_t Restrictions;
    const char* Expected;
  } restrictions[] = {{0x08, "1"}, {0x70, "14"}, {0x7F, "15"}, {0x01, "1"}, {0x02, "1"},
                      {0x04, "1"}, {0x10, "2"},  {0x20, "4"},  {0x40, "8"}, {0x80, "0"}};
  for (const auto& c : restrictions) {
    view.Restrictions = c.Restrictions;
    EXPECT_EQ(AttributeValue(Document(view), "Restrictions"), c.Expected) << c.Restrictions;
  }
  const struct {
    std::uint8_t BandAlign;
    const char* Expected;
  } aligns[] = {{baNone, "0"},  {baLeft, "1"},   {baRight, "2"}, {baCenter, "3"},
                {baWidth, "4"}, {baBottom, "5"}, {baTop, "0"},   {baRest, "4"}};
  for (const auto& c : aligns) {
    view.BandAlign = c.BandAlign;
    EXPECT_EQ(AttributeValue(Document(view), "Align"), c.Expected) << int{c.BandAlign};
  }
}

TEST(ViewTest, FrameWidthIsWrittenInGeneralFormWithTheDocumentSeparator) {
  const struct {
    float Width;
    char Separator;
    const char* Expected;
  } cases[] = {
      {0.1f, '.', "0.100000001490116"},    {1.5f, '.', "1.5"}, {1.5f, ',', "1,5"}, {1.0f, ',', "1"},
      {0.011f, '.', "0.0109999999403954"}, {10.0f, '.', "10"}};
  TConversionContext context;
  for (const auto& c : cases) {
    context.DecimalSeparator = c.Separator;
    TkvView view(context);
    view.FrameWidth = c.Width;
    EXPECT_EQ(AttributeValue(Document(view), "Frame.Width"), c.Expected) << c.Width;
  }
}

TEST(ViewTest, NamesAreWrittenUnescapedButTheDocumentStaysWellFormed) {
  TConversionContext context;
  TkvView view(context);
  view.Name = "a\"b&c<d>e'\xE9";
  view.ScriptLines = {"x"};
  const std::string element = Document(view);
  const std::string name = "a&#34;b&#38;c&#60;d>e'\xC3\xA9";
  EXPECT_EQ(element.substr(0, 17 + name.size()), "<TkvxView Name=\"" + name + "\"");
  EXPECT_NE(element.find(" OnBeforePrint=\"" + name + "OnBeforePrint\""), std::string::npos);
  EXPECT_NE(element.find(" OnClick=\"" + name + "OnBeforePrint\""), std::string::npos);
  EXPECT_NE(element.find(" OnActivate=\"" + name + "OnBeforePrint\""), std::string::npos);
}

TEST(ViewTest, ElementNames) {
  const struct {
    const char* ClassName;
    const char* Element;
  } cases[] = {{"TkvMemoView", "TkvxMemoView"},
               {"TkvSubReportView", "TkvxSubreport"},
               {"TkvSUBREPORTVIEW", "TkvxSubreport"},
               {"TKVSubReportView", "TKVSubReportView"},
               {"tkvMemoView", "tkvMemoView"},
               {"MyView", "MyView"},
               {"TkvSubReportView2", "TkvxSubReportView2"},
               {"Tkv", "Tkvx"},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(ElementNameOf(c.ClassName), c.Element) << c.ClassName;
  TConversionContext context;
  EXPECT_EQ(TTestMemo(context).ElementName(), "TkvxMemoView");
}

// ---- Default names ------------------------------------------------------------------------------

// A report with one page whose objects carry the given names.
class ViewNamesTest : public ::testing::Test {
 protected:
  void SetUp() override { Report.Pages.AddPage(); }
  TkvView& Place(std::unique_ptr<TkvView> view, const std::string& name) {
    view->Name = name;
    auto& list = Report.Pages.Item(0).ObjectList;
    list.push_back(std::move(view));
    return *list.back();
  }
  TConversionContext Context;
  TkvReport Report{Context};
};

TEST_F(ViewNamesTest, Version22RecordGetsThePrefixAndTheFirstFreeNumber) {
  Context.Load.LegacyVersion = 22;
  Context.Load.CurrentReport = &Report;
  Place(std::make_unique<TkvView>(Context), "memo1");  // names compare ignoring case
  Place(std::make_unique<TkvView>(Context), "Memo3");
  Place(std::make_unique<TkvView>(Context), "Memo02");  // not the name Memo2
  TBytes b;
  CommonBlock(b).Int(0x22C).Zero("").Zero("");
  // The loader adds the object to its page before reading its record.
  TkvView& view = Place(std::make_unique<TTestMemo>(Context), "");
  EXPECT_EQ(LoadInto(view, b.Data), 1);
  EXPECT_EQ(view.Name, "Memo2");
  EXPECT_EQ(Report.FindObject("Memo2"), &view);
}

TEST_F(ViewNamesTest, FirstMemoOfAnOldFileIsMemo1AndTheNextMemo2) {
  Context.Load.LegacyVersion = 21;
  Context.Load.CurrentReport = &Report;
  TBytes b;
  CommonBlock(b).Int(0x22C).Zero("").Zero("");
  TkvView& first = Place(std::make_unique<TTestMemo>(Context), "");
  LoadInto(first, b.Data);
  TkvView& second = Place(std::make_unique<TTestMemo>(Context), "");
  LoadInto(second, b.Data);
  EXPECT_EQ(first.Name, "Memo1");
  EXPECT_EQ(second.Name, "Memo2");
}

TEST_F(ViewNamesTest, ControlsAlsoAvoidTheComponentsOfTheHostForm) {
  Context.Load.CurrentReport = &Report;
  TComponent& taken = Context.HostForm().Add(std::make_unique<TComponent>("MEMO1"));
  TTestMemo view(Context);
  view.AssignDefaultName();
  EXPECT_EQ(view.Name, "Memo1");
  TTestControl control(Context);
  control.AssignDefaultName();
  EXPECT_EQ(control.Name, "Memo2");
  Context.HostForm().Remove(&taken);
}

TEST_F(ViewNamesTest, NameStaysEmptyWhenAllNumbersAreTaken) {
  Context.Load.CurrentReport = &Report;
  for (int n = 1; n <= 10000; ++n) {
    Place(std::make_unique<TkvView>(Context), "View" + std::to_string(n));
  }
  TkvView view(Context);
  view.Name = "old";
  view.AssignDefaultName();
  EXPECT_EQ(view.Name, "");
  Report.Pages.Item(0).ObjectList.pop_back();  // View10000 is free again
  view.AssignDefaultName();
  EXPECT_EQ(view.Name, "View10000");
}

TEST(ViewTest, DefaultNameWithoutAReportIsNumberOne) {
  TTestContext context(25, nullptr);
  TkvView view(context);
  view.AssignDefaultName();
  EXPECT_EQ(view.Name, "View1");
}

// ---- Named properties ---------------------------------------------------------------------------

TEST(ViewTest, PublishedNamesOfEachBase) {
  TConversionContext context;
  TkvView view(context);
  EXPECT_EQ(
      PropertyNames(view),
      (std::vector<std::string>{"Name", "Left", "Top", "Width", "Height", "Flags", "FrameTyp",
                                "FrameWidth", "FrameColor", "FrameStyle", "FillColor", "Tag",
                                "BandAlign", "Visible", "Memo", "Memo.Count", "Restrictions"}));
  const TkvPropRec* style = view.FindProperty("FrameStyle");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->Type, PropEnumType);
  EXPECT_EQ(style->EnumNames.back(), "psDouble");
  EXPECT_EQ(style->EnumValues.back(), TVariant{std::int64_t{5}});
  const TkvPropRec* align = view.FindProperty("BandAlign");
  ASSERT_NE(align, nullptr);
  EXPECT_EQ(align->EnumNames.size(), 8u);
  EXPECT_EQ(align->EnumNames[7], "baRest");

  TTestBand band(context);
  EXPECT_EQ(PropertyNames(band),
            (std::vector<std::string>{"Name", "Left", "Top", "Width", "Height", "Flags", "Visible",
                                      "Memo", "Memo.Count", "Restrictions"}));
  TkvControl control(context);
  EXPECT_EQ(PropertyNames(control),
            (std::vector<std::string>{"Name", "Left", "Top", "Width", "Height", "Visible",
                                      "Restrictions"}));
  TkvNonVisualControl nonVisual(context);
  EXPECT_EQ(PropertyNames(nonVisual), (std::vector<std::string>{"Name", "Restrictions"}));
}

TEST(ViewTest, PropertiesAreAssignedAndReadIgnoringCase) {
  TConversionContext context;
  TkvView view(context);
  const struct {
    const char* Name;
    TVariant Value;
  } cases[] = {{"name", std::string("Box")},
               {"LEFT", std::int64_t{-7}},
               {"Top", std::int64_t{8}},
               {"width", std::int64_t{90}},
               {"Height", std::int64_t{100}},
               {"Flags", std::int64_t{0x4001}},
               {"FrameTyp", std::int64_t{0xC}},
               {"FrameWidth", 2.5},
               {"FrameColor", std::int64_t{255}},
               {"FrameStyle", std::int64_t{3}},
               {"FillColor", std::int64_t{clBtnFace}},
               {"Tag", std::string("t")},
               {"BandAlign", std::int64_t{7}},
               {"Visible", false},
               {"Restrictions", std::int64_t{0x21}},
               {"GapX", std::int64_t{5}},
               {"gapy", std::int64_t{6}}};
  for (const auto& c : cases) {
    view.AssignProperty(c.Name, c.Value);
    EXPECT_EQ(view.QueryProperty(c.Name), c.Value) << c.Name;
  }
  EXPECT_EQ(view.FrameWidth, 2.5f);
  EXPECT_EQ(view.FillColor, clBtnFace);
  EXPECT_TRUE(VarIsEmpty(view.QueryProperty("NoSuchName")));
}

TEST(ViewTest, MemoIsOneTextAndDataFieldItsFirstLine) {
  TConversionContext context;
  TkvView view(context);
  EXPECT_EQ(view.QueryProperty("DataField"), TVariant{std::string()});
  view.AssignProperty("Memo", std::string("one\r\ntwo\r\n\r\nfour"));
  EXPECT_EQ(view.Memo, (TLines{"one", "two", "", "four"}));
  EXPECT_EQ(view.QueryProperty("memo"), TVariant{std::string("one\r\ntwo\r\n\r\nfour")});
  EXPECT_EQ(view.QueryProperty("Memo.Count"), TVariant{std::int64_t{4}});
  EXPECT_EQ(view.QueryProperty("DataField"), TVariant{std::string("one")});
  view.AssignProperty("Memo.Count", std::int64_t{0});  // read-only
  EXPECT_EQ(view.Memo.size(), 4u);
  view.AssignProperty("DataField", std::string("Table1.\"Name\""));
  EXPECT_EQ(view.Memo, TLines{"Table1.\"Name\""});
}

TEST(ViewTest, StretchedIsBitOneOfFlags) {
  TConversionContext context;
  TkvView view(context);
  view.Flags = 0x0203;
  view.AssignProperty("Stretched", false);
  EXPECT_EQ(view.Flags, 0x0202);
  EXPECT_EQ(view.QueryProperty("STRETCHED"), TVariant{false});
  view.AssignProperty("Stretched", std::int64_t{-1});
  EXPECT_EQ(view.Flags, 0x0203);
  EXPECT_EQ(view.QueryProperty("Stretched"), TVariant{true});
}

TEST(ViewTest, MethodsHideShowAndMemoLines) {
  TConversionContext context;
  TTestControl control(context);
  control.RunMethod("hide", {}, {}, {});
  EXPECT_FALSE(control.Visible);
  control.RunMethod("SHOW", {}, {}, {});
  EXPECT_TRUE(control.Visible);
  control.AssignProperty("visible", false);
  control.AssignProperty("Left", std::int64_t{3});
  EXPECT_EQ(control.WidgetShown, (std::vector<bool>{false, true, false}));

  TkvView view(context);
  view.RunMethod("MEMO.ADD", std::string("'first'"), {}, {});
  view.RunMethod("memo.add", std::string("2"), {}, {});
  EXPECT_EQ(view.Memo, (TLines{"first", "2"}));
  EXPECT_EQ(view.RunMethod("GETINDEXPROPERTY", std::string("Memo"), std::int64_t{1}, {}),
            TVariant{std::string("2")});
  view.RunMethod("MEMO.CLEAR", {}, {}, {});
  EXPECT_TRUE(view.Memo.empty());
}

// ---- Non-visual controls ------------------------------------------------------------------------

TEST(ViewTest, NonVisualControlWritesItsPositionBlock) {
  TConversionContext context;
  const struct {
    std::int32_t Left, Top;
    const char* Hex;
  } cases[] = {{40, 24, "05704C65667402280470546F700218"},
               {-128, 127,
                "05704C656674028004"
                "70546F70027F"},
               {300, -70000,
                "05704C65667403"
                "2C01"
                "0470546F7004"
                "90EEFEFF"}};
  for (const auto& c : cases) {
    TkvNonVisualControl control(context);
    control.Left = c.Left;
    control.Top = c.Top;
    const std::string element = Document(control);
    EXPECT_EQ(AttributeValue(element, "Propdata"), c.Hex);
    // After the common attributes, at the end.
    EXPECT_EQ(element.rfind(" Restrictions=\"0\" Propdata=\""),
              element.size() - std::string(c.Hex).size() - 29);
  }
}

TEST(ViewTest, NonVisualControlNamesAndFreesItsComponent) {
  TConversionContext context;
  TComponent* component = nullptr;
  {
    TkvNonVisualControl control(context);
    component = &context.HostForm().Add(std::make_unique<TComponent>());
    control.Component = component;
    control.AssignProperty("NAME", std::string("Query1"));
    EXPECT_EQ(component->Name, "Query1");
    EXPECT_EQ(context.HostForm().FindComponent("query1"), component);
  }
  EXPECT_EQ(context.HostForm().FindComponent("Query1"), nullptr);

  // A component destroyed first leaves no dangling reference behind.
  TkvNonVisualControl control(context);
  control.Component = &context.HostForm().Add(std::make_unique<TComponent>("Table1"));
  context.HostForm().Remove(control.Component.Get());
  EXPECT_FALSE(control.Component);
  control.AssignProperty("Name", std::string("Table2"));
  EXPECT_EQ(control.Name, "Table2");
}

}  // namespace
}  // namespace kv
