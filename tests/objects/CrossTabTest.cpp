// Tests of the cross-tab view: defaults, the captions of its context and registration, the named
// properties, the record in each of its minor versions (and always saved as 2.3), the element of
// common attributes only with the definition in Memo.text, the note on its options; and a report
// holding a chart, an OLE object and a cross table saved and read back.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "base/Errors.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "legacy/Report.h"
#include "objects/Chart.h"
#include "objects/CrossTab.h"
#include "objects/Ole.h"
#include "support/RecordingReportPrompter.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"
#include "writer/Conversion.h"

namespace kv {
namespace {

using test::AttributeValue;
using test::Document;
using test::DocumentOf;
using test::LoadInto;
using test::Losses;
using test::PropertyNames;
using test::Reload;
using test::Saved;
using test::TBytes;
using test::TTestContext;

using TLines = std::vector<std::string>;

const TLines Definition = {"Orders", "Region;Country+;", "Year;", "Amount+;Amount+avg;"};

// A memo as a version-23-and-later record stores it.
TBytes& MemoBytes(TBytes& b, const TLines& lines) {
  b.Word(static_cast<int>(lines.size()));
  if (lines.empty()) return b.Byte(0);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    b.Word(static_cast<int>(lines[i].size())).Raw(lines[i]).Byte(i + 1 < lines.size() ? 13 : 0);
  }
  return b;
}

// The common record of a cross-tab view with its defaults and the definition lines: version 25
// with the given minor version, or version 23 (no version bytes, restrictions, tag, gaps).
TBytes CommonRecord(int version, int minor) {
  TBytes b;
  b.Str("Cross1");
  if (version > 23) b.Byte(2).Byte(minor);
  b.Int(20).Int(30).Int(348).Int(94).Word(0x6001).Word(0xF).Int(1).Int(0).Word(0);
  b.Int(0x1FFFFFFF).Int(0x22E).Str("");
  MemoBytes(b, Definition);
  b.Word(0).Byte(0).Word(0);  // no script, not visible
  if (version > 23) b.Word(0x11).Str("").Int(2).Int(1).Byte(baNone);
  return b;
}

// ---- Defaults, captions and registration --------------------------------------------------------

TEST(CrossTabTest, Defaults) {
  TConversionContext context;
  TkvCrossView cross(context);
  EXPECT_EQ(cross.TypeCode, TypeAddIn);
  EXPECT_EQ(cross.NamePrefix, "Cross");
  EXPECT_EQ(cross.Flags, 0x6001);
  EXPECT_EQ(cross.FrameTyp, 15);
  EXPECT_EQ(cross.Restrictions, 0x11);
  EXPECT_EQ(cross.Width, 348);
  EXPECT_EQ(cross.Height, 94);
  EXPECT_FALSE(cross.Visible);
  EXPECT_TRUE(cross.Memo.empty());
  EXPECT_FALSE(cross.InternalFrame);
  EXPECT_FALSE(cross.RepeatCaptions);
  EXPECT_TRUE(cross.ShowHeader);
  EXPECT_TRUE(cross.ShowGrandTotal);
  EXPECT_EQ(cross.DataWidth, -1);
  EXPECT_EQ(cross.HeaderWidth, -1);
  EXPECT_TRUE(cross.Dictionary.empty());
  EXPECT_EQ(cross.MaxNameLen, 100);
  EXPECT_EQ(cross.DataCaption, "Data");
  EXPECT_EQ(cross.ElementName(), "TkvxCrossView");

  // Registered as an object with the id of its toolbar text as the hint.
  int found = 0;
  for (const auto& info : AddIns()) {
    if (info.Class != &TkvCrossView::Class()) continue;
    ++found;
    EXPECT_FALSE(info.IsControl);
    EXPECT_EQ(info.Hint, "Insert Cross-tab object");
  }
  EXPECT_EQ(found, 1);
  EXPECT_NE(
      dynamic_cast<TkvCrossView*>(CreateReportObject(context, TypeAddIn, "TkvCrossView").get()),
      nullptr);
}

// The captions are the context's: grand total, total, total of, cell, header.
TEST(CrossTabTest, EachNewViewRefreshesTheCaptionsOfItsContext) {
  TConversionContext context;
  TkvCrossView first(context);
  EXPECT_EQ(context.CrossTabCaptions,
            (std::array<std::string, 5>{"Grand total", "Total", "Total of ", "Cell", "Header"}));

  context.MessageLocalizer = [](int id) {
    return id == 55603 ? std::string("Zelle") : std::string();
  };
  TkvCrossView second(context);
  context.MessageLocalizer = {};
  EXPECT_EQ(context.CrossTabCaptions[3], "Zelle");
  EXPECT_EQ(context.CrossTabCaptions[4], "Header");
  // A view of another context refreshes that context's captions only.
  TConversionContext other;
  TkvCrossView elsewhere(other);
  EXPECT_EQ(other.CrossTabCaptions[3], "Cell");
  EXPECT_EQ(context.CrossTabCaptions[3], "Zelle");
  TkvCrossView third(context);
  EXPECT_EQ(context.CrossTabCaptions[3], "Cell");
}

// ---- Named properties ---------------------------------------------------------------------------

TEST(CrossTabTest, NamedProperties) {
  TConversionContext context;
  TkvCrossView cross(context);
  TkvView view(context);
  TLines expected = PropertyNames(view);
  expected.erase(expected.begin());  // "Name" is not listed
  for (const char* name : {"InternalFrame", "RepeatCaptions", "ShowHeader", "ShowGrandTotal",
                           "DataWidth", "HeaderWidth", "Dictionary", "MaxNameLen", "DataCaption"}) {
    expected.push_back(name);
  }
  EXPECT_EQ(PropertyNames(cross), expected);

  struct TCase {
    const char* Name;
    TVariant Value;
  };
  const TCase cases[] = {
      {"INTERNALFRAME", true},
      {"RepeatCaptions", true},
      {"showheader", false},
      {"ShowGrandTotal", false},
      {"DataWidth", std::int64_t{60}},
      {"HeaderWidth", std::int64_t{80}},
      {"MaxNameLen", std::int64_t{20}},
      {"DataCaption", std::string("Sum")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    cross.AssignProperty(c.Name, c.Value);
    EXPECT_EQ(cross.QueryProperty(c.Name), c.Value);
  }
  EXPECT_TRUE(cross.InternalFrame);
  EXPECT_TRUE(cross.RepeatCaptions);
  EXPECT_FALSE(cross.ShowHeader);
  EXPECT_FALSE(cross.ShowGrandTotal);
  EXPECT_EQ(cross.DataWidth, 60);
  EXPECT_EQ(cross.HeaderWidth, 80);
  EXPECT_EQ(cross.MaxNameLen, 20);
  EXPECT_EQ(cross.DataCaption, "Sum");
  // The name is still set and read by name.
  cross.AssignProperty("Name", std::string("Cross7"));
  EXPECT_EQ(cross.QueryProperty("Name"), TVariant(std::string("Cross7")));
}

// ---- Records ------------------------------------------------------------------------------------

// Each minor version adds fields; the ones a record lacks keep their defaults. Every record is
// saved as version 2.3 with all fields.
TEST(CrossTabTest, RecordFieldsFollowTheMinorVersion) {
  struct TCase {
    int Version;
    int Minor;
    bool GrandTotal;
    std::int32_t DataWidth, HeaderWidth;
    TLines Dictionary;
    std::int32_t MaxNameLen;
    const char* DataCaption;
  };
  const TLines dictionary = {"Region=Area", "Amount=Sum of orders"};
  const TCase cases[] = {
      {23, 0, true, -1, -1, {}, 100, "Data"},
      {25, 0, true, -1, -1, {}, 100, "Data"},
      {25, 1, false, 60, 80, {}, 100, "Data"},
      {25, 2, false, 60, 80, dictionary, 20, "Data"},
      {25, 3, false, 60, 80, dictionary, 20, "Figures"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "version " << c.Version << " minor " << c.Minor);
    TTestContext context(c.Version);
    TBytes b = CommonRecord(c.Version, c.Minor);
    b.Byte(1).Byte(0).Byte(1);
    if (c.Minor >= 1) b.Byte(0).Int(60).Int(80);
    if (c.Minor >= 2) b.Str("Region=Area\r\nAmount=Sum of orders\r\n").Int(20);
    if (c.Minor >= 3) b.Str("Figures");
    TkvCrossView cross(context);
    EXPECT_EQ(LoadInto(cross, b.Data), 1);
    EXPECT_EQ(cross.Name, "Cross1");
    EXPECT_EQ(cross.RecordMinor, c.Minor);
    EXPECT_EQ(cross.Memo, Definition);
    EXPECT_FALSE(cross.Visible);
    EXPECT_TRUE(cross.InternalFrame);
    EXPECT_FALSE(cross.RepeatCaptions);
    EXPECT_TRUE(cross.ShowHeader);
    EXPECT_EQ(cross.ShowGrandTotal, c.GrandTotal);
    EXPECT_EQ(cross.DataWidth, c.DataWidth);
    EXPECT_EQ(cross.HeaderWidth, c.HeaderWidth);
    EXPECT_EQ(cross.Dictionary, c.Dictionary);
    EXPECT_EQ(cross.MaxNameLen, c.MaxNameLen);
    EXPECT_EQ(cross.DataCaption, c.DataCaption);

    TBytes expected = CommonRecord(25, 3);
    expected.Byte(1).Byte(0).Byte(1).Byte(c.GrandTotal ? 1 : 0).Int(c.DataWidth);
    expected.Int(c.HeaderWidth);
    expected.Str(c.Dictionary.empty() ? "" : "Region=Area\r\nAmount=Sum of orders\r\n");
    expected.Int(c.MaxNameLen).Str(c.DataCaption);
    EXPECT_EQ(Saved(cross), expected.Data);
    EXPECT_EQ(cross.RecordVersion(), 23);
  }
}

TEST(CrossTabTest, RecordCutShortRaises) {
  TTestContext context(25);
  TBytes b = CommonRecord(25, 2);
  b.Byte(0).Byte(0).Byte(1).Byte(1).Int(-1).Int(-1).Word(40).Raw("short");
  TMemoryStream stream(b.Data);
  TkvCrossView cross(context);
  EXPECT_THROW(cross.LoadLegacy(stream), EReadError);
}

// ---- Element and notes --------------------------------------------------------------------------

TEST(CrossTabTest, ElementHoldsTheCommonAttributesWithTheDefinition) {
  TConversionContext context;
  TkvCrossView cross(context);
  cross.Name = "Cross1";
  cross.Left = 20;
  cross.Top = 30;
  cross.Memo = {"Orders", "Region;", "Year;", "Amount+;"};
  cross.InternalFrame = true;
  cross.DataCaption = "Figures & more";
  EXPECT_EQ(Document(cross),
            "<TkvxCrossView Name=\"Cross1\" Left=\"20\" Top=\"30\" Width=\"348\" Height=\"94\""
            " Color=\"536870911\" Visible=\"False\" Frame.Typ=\"15\" Frame.Width=\"1\""
            " Frame.Color=\"0\" Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\""
            " Memo.text=\"Orders&#13;&#10;Region;&#13;&#10;Year;&#13;&#10;Amount+;&#13;&#10;\""
            " Align=\"0\" Restrictions=\"3\"");
}

TEST(CrossTabTest, LossesListTheOptionsThatDifferFromTheirDefaults) {
  TConversionContext context;
  TkvCrossView cross(context);
  EXPECT_TRUE(Losses(cross).empty());
  cross.RepeatCaptions = true;
  EXPECT_EQ(Losses(cross), TLines{"its cross-tab options (captions repeated on each page) are "
                                  "not carried into the document"});
  cross.InternalFrame = true;
  cross.ShowHeader = false;
  cross.ShowGrandTotal = false;
  cross.DataWidth = 60;
  cross.HeaderWidth = 80;
  cross.Dictionary = {"Region=Area", "Amount=Sum"};
  cross.MaxNameLen = 20;
  cross.DataCaption = "Figures";
  EXPECT_EQ(Losses(cross),
            TLines{"its cross-tab options (frame lines inside the table, captions repeated on "
                   "each page, no header row, no grand total, data columns 60 pixels wide, "
                   "header column 80 pixels wide, 2 field captions, captions cut at 20 "
                   "characters, data caption \"Figures\") are not carried into the document"});
}

// ---- Through a report file ----------------------------------------------------------------------

TEST(CrossTabTest, ChartOleAndCrossTabGoThroughAReportFile) {
  test::TRecordingPrompter prompter;
  TConversionContext context;
  TkvReport report(context);
  report.Prompter = &prompter;
  report.Pages.AddPage();
  auto chart = std::make_unique<TkvChartView>(context);
  chart->Name = "Chart1";
  chart->ChartOptions.SetKind(ckPie);
  chart->ChartOptions.Bytes[47] = 0x5A;
  chart->LegendObject = "Names";
  chart->ValueObject = "Sums";
  chart->OtherLabel = "Others";
  auto ole = std::make_unique<TkvOLEView>(context);
  ole->Name = "Ole1";
  ole->Container.Assign(1, std::string("\xD0\xCF\x11\xE0\0storage", 12));
  auto cross = std::make_unique<TkvCrossView>(context);
  cross->Name = "Cross1";
  cross->Memo = Definition;
  cross->Dictionary = {"Region=Area"};
  cross->DataCaption = "Figures";
  auto& objects = report.Pages.Item(0).ObjectList;
  objects.push_back(std::move(chart));
  objects.push_back(std::move(ole));
  objects.push_back(std::move(cross));

  TkvReport loaded(context);
  loaded.Prompter = &prompter;
  Reload(report, loaded);
  ASSERT_TRUE(loaded.LastLoad.Read());
  EXPECT_TRUE(loaded.LastLoad.Skipped.empty());
  const auto& read = loaded.Pages.Item(0).ObjectList;
  ASSERT_EQ(read.size(), 3u);
  const auto* loadedChart = dynamic_cast<const TkvChartView*>(read[0].get());
  const auto* loadedOle = dynamic_cast<const TkvOLEView*>(read[1].get());
  const auto* loadedCross = dynamic_cast<const TkvCrossView*>(read[2].get());
  ASSERT_NE(loadedChart, nullptr);
  ASSERT_NE(loadedOle, nullptr);
  ASSERT_NE(loadedCross, nullptr);
  EXPECT_EQ(loadedChart->ChartOptions.Kind(), ckPie);
  EXPECT_EQ(loadedChart->ChartOptions.Bytes[47], 0x5A);
  EXPECT_EQ(loadedChart->OtherLabel, "Others");
  EXPECT_EQ(loadedOle->Container.Data(), std::string("\xD0\xCF\x11\xE0\0storage", 12));
  EXPECT_EQ(loadedCross->RecordMinor, 3);
  EXPECT_EQ(loadedCross->Memo, Definition);
  EXPECT_EQ(loadedCross->Dictionary, TLines{"Region=Area"});
  EXPECT_EQ(loadedCross->DataCaption, "Figures");
  EXPECT_FALSE(loadedCross->Visible);
  EXPECT_EQ(LoadNotes(loaded),
            (TLines{"Page 1, Chart1: its chart (pie chart, captions from Names, values from "
                    "Sums) is not carried into the document",
                    "Page 1, Ole1: its embedded OLE object (12 bytes) is not carried into the "
                    "document",
                    "Page 1, Cross1: its cross-tab options (1 field caption, data caption "
                    "\"Figures\") are not carried into the document"}));

  const std::string document = DocumentOf(loaded);
  for (const char* start : {"<TkvxChartView Name=\"Chart1\"", "<TkvxOLEView Name=\"Ole1\"",
                            "<TkvxCrossView Name=\"Cross1\""}) {
    const std::size_t at = document.find(start);
    ASSERT_NE(at, std::string::npos) << start;
    const std::string element = document.substr(at, document.find("/>", at) - at);
    // Nothing follows the common part's last attribute.
    const std::size_t restrictions = element.rfind(" Restrictions=\"");
    ASSERT_NE(restrictions, std::string::npos) << start;
    EXPECT_EQ(element.find(' ', restrictions + 1), std::string::npos) << element;
  }
  const std::size_t crossAt = document.find("<TkvxCrossView");
  EXPECT_EQ(AttributeValue(document.substr(crossAt), "Visible"), "False");
  EXPECT_EQ(AttributeValue(document.substr(crossAt), "Memo.text"),
            "Orders&#13;&#10;Region;Country+;&#13;&#10;Year;&#13;&#10;Amount+;Amount+avg;"
            "&#13;&#10;");
  EXPECT_TRUE(prompter.Messages.empty());
}

}  // namespace
}  // namespace kv
