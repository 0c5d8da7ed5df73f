// Tests of the band view: its defaults, its record for the file and record versions that change
// it (read byte by byte and written back), the element of every band type with its flag
// attributes, the report dataset of data bands, the group condition, the named properties by
// band type, and what its element does not carry.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "base/Ascii.h"
#include "base/CodePage.h"
#include "base/DocumentText.h"
#include "base/Errors.h"
#include "data/Datasets.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Page.h"
#include "legacy/Report.h"
#include "objects/Band.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"
#include "writer/DocumentWriter.h"
#include "writer/ReportHost.h"

namespace kv {
namespace {

using test::AttributeValue;
using test::Document;

using test::TBytes;
using TNames = std::vector<std::string>;

using test::TTestContext;

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TNames PropertyNames(TkvObject& object) {
  object.PropList.clear();
  object.DeclareProperties();
  TNames names;
  for (const auto& rec : object.PropList) names.push_back(rec->Name);
  return names;
}

std::unique_ptr<TkvBandView> Band(TConversionContext& context, int type,
                                  const std::string& name = "Band1") {
  auto band = std::make_unique<TkvBandView>(context);
  band->SetBandType(type);
  band->Name = name;
  return band;
}

// The common record of file version 24 and up with record version major.minor: a master data
// band named "MasterData1" at (10, 40), 700 x 24, flags 0x0031, named data source "_Orders".
TBytes CommonRecord(int major, int minor) {
  TBytes b;
  b.Str("MasterData1").Byte(major).Byte(minor);
  b.Int(10).Int(40).Int(700).Int(24);       // Left, Top, Width, Height
  b.Word(0x0031).Word(btMasterData);        // Flags, FrameTyp: the band type
  b.Int(1).Int(0).Word(0).Int(0x1FFFFFFF);  // frame width, colour and style, FillColor
  b.Int(0).Str("_Orders");                  // FormatCode, FormatText
  b.Word(0).Byte(0);                        // empty memo
  b.Word(1).Word(5).Raw("begin").Byte(0);   // script
  b.Word(0xFFFF);                           // Visible
  b.Word(0).Str("").Int(2).Int(1);          // Restrictions, Tag, GapX, GapY
  if (major > 1) b.Byte(0);                 // BandAlign
  return b;
}

// ---- Defaults and registration ------------------------------------------------------------------

TEST(BandTest, NewBandAndTheFactory) {
  TConversionContext context;
  TkvBandView band(context);
  EXPECT_EQ(band.ClassName(), "TkvBandView");
  EXPECT_EQ(band.TypeCode, TypeBand);
  EXPECT_EQ(band.FormatCode, 0);
  EXPECT_EQ(band.NamePrefix, "Band");
  EXPECT_EQ(band.Flags, 0x0030);
  EXPECT_EQ(band.BandType(), btReportTitle);
  EXPECT_TRUE(band.ChildBand.empty());
  EXPECT_TRUE(band.Master.empty());
  EXPECT_EQ(band.Columns, 1);
  EXPECT_EQ(band.ColumnWidth, 200);
  EXPECT_EQ(band.ColumnGap, 20);
  EXPECT_EQ(band.NewColumnAfter, 1);

  // The band type lives in the low seven bits of FrameTyp only.
  band.FrameTyp = 0xFF80;
  band.SetBandType(btGroupHeader);
  EXPECT_EQ(band.FrameTyp, 0xFF90);
  EXPECT_EQ(band.BandType(), btGroupHeader);

  const std::unique_ptr<TkvView> created = CreateReportObject(context, TypeBand, "");
  ASSERT_NE(dynamic_cast<TkvBandView*>(created.get()), nullptr);
  EXPECT_EQ(BuiltInClass(TypeBand), &TkvBandView::Class());
}

// ---- Legacy record ------------------------------------------------------------------------------

TEST(BandTest, Version23RecordHasNoBandPayload) {
  TTestContext context(23);
  TBytes b;
  b.Str("Header");
  b.Int(0).Int(8).Int(700).Int(30).Word(0x0008).Word(btPageHeader);
  b.Int(1).Int(0).Word(0).Int(0x1FFFFFFF);
  b.Int(0).Str("");
  b.Word(0).Byte(0).Word(0).Byte(0).Word(0xFFFF);  // memo, script, Visible
  TkvBandView band(context);
  TMemoryStream stream(b.Data + "\x5A");
  band.LoadLegacy(stream);
  EXPECT_EQ(stream.Remaining(), 1);
  EXPECT_EQ(band.Name, "Header");
  EXPECT_EQ(band.BandType(), btPageHeader);
  EXPECT_EQ(band.Flags, 0x0008);
  EXPECT_TRUE(band.ChildBand.empty());
  EXPECT_TRUE(band.Master.empty());
  EXPECT_EQ(band.Columns, 1);
  EXPECT_EQ(band.ColumnWidth, 200);
  EXPECT_EQ(band.ColumnGap, 20);
  EXPECT_EQ(band.NewColumnAfter, 1);
}

TEST(BandTest, Version24RecordHoldsMasterFromRecordVersion21) {
  for (const int minor : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "record version 2" << minor);
    TTestContext context(24);
    TBytes b = CommonRecord(2, minor);
    b.Str("Child1").Int(3).Int(180).Int(12).Int(5);  // ChildBand, the four integers
    if (minor == 1) b.Str("DetailData2");            // Master
    TkvBandView band(context);
    TMemoryStream stream(b.Data + "\x5A");
    band.LoadLegacy(stream);
    EXPECT_EQ(stream.Remaining(), 1);
    EXPECT_EQ(band.Name, "MasterData1");
    EXPECT_EQ(band.BandType(), btMasterData);
    EXPECT_EQ(band.FormatText, "_Orders");
    EXPECT_EQ(band.ChildBand, "Child1");
    EXPECT_EQ(band.Columns, 3);
    EXPECT_EQ(band.ColumnWidth, 180);
    EXPECT_EQ(band.ColumnGap, 12);
    EXPECT_EQ(band.NewColumnAfter, 5);
    EXPECT_EQ(band.Master, minor == 1 ? "DetailData2" : "");

    // Written back: the layout of record version 21, so a version-21 record comes back byte for
    // byte and a version-20 one gains its minor version and an empty Master.
    TMemoryStream saved;
    band.SaveLegacy(saved);
    std::string expected = b.Data;
    if (minor == 0) {
      expected[2 + 11 + 1 + 1] = 1;  // after the name's word length, bytes and 0: major, minor
      expected += TBytes().Str("").Data;
    }
    EXPECT_EQ(saved.Bytes(), expected);
    TkvBandView again(context);
    TMemoryStream reread(saved.Bytes());
    again.LoadLegacy(reread);
    EXPECT_EQ(reread.Remaining(), 0);
    EXPECT_EQ(again.RecordVersion(), 21);
    EXPECT_EQ(again.ChildBand, band.ChildBand);
    EXPECT_EQ(again.Master, band.Master);
    EXPECT_EQ(again.NewColumnAfter, 5);
  }
}

TEST(BandTest, PayloadEndingEarlyRaises) {
  TTestContext context(25);
  TBytes b = CommonRecord(2, 1);
  b.Str("Child1").Int(3).Int(180);  // the gap and the records per column are missing
  TkvBandView band(context);
  TMemoryStream stream(b.Data);
  EXPECT_THROW(band.LoadLegacy(stream), EReadError);
  EXPECT_EQ(band.ChildBand, "Child1");
}

// ---- Document element ---------------------------------------------------------------------------

TEST(BandTest, EveryBandTypeWritesItsElementClassOrNothing) {
  const char* const classes[] = {
      "TkvxReportTitle",
      "TkvxReportSummary",
      "TkvxPageHeader",
      "TkvxPageFooter",
      "TkvxHeader",
      "TkvxMasterData",
      "TkvxFooter",
      "TkvxHeader",
      "TkvxDetailData",
      "TkvxFooter",
      "TkvxHeader",
      "TkvxSubDetailData",
      "TkvxFooter",
      "TkvxOverlay",
      "TkvxColumnHeader",
      "TkvxColumnFooter",
      "TkvxGroupHeader",
      "TkvxGroupFooter",
      nullptr,
      nullptr,
      nullptr,
      "TkvxChild",
      nullptr,
  };
  TTestContext context(25);
  for (int type = 0; type < 128; ++type) {
    SCOPED_TRACE(testing::Message() << "band type " << type);
    auto band = Band(context, type);
    const std::string element = Document(*band);
    const char* expected = type < 23 ? classes[type] : nullptr;
    if (!expected) {
      EXPECT_EQ(element, "");
      EXPECT_EQ(BandElementClass(type), "");
    } else {
      EXPECT_EQ(element.substr(0, element.find(' ')), std::string("<") + expected);
      EXPECT_EQ(BandElementClass(type), expected);
    }
  }
}

TEST(BandTest, ElementHasTheBandsOwnAttributesInOrder) {
  TTestContext context(25);
  auto plain = Band(context, btPageHeader, "PageHeader1");
  plain->Left = 38;
  plain->Top = 16;
  plain->Width = 680;
  plain->Height = 40;
  EXPECT_EQ(Document(*plain),
            "<TkvxPageHeader Name=\"PageHeader1\" Top=\"16\" Height=\"40\" Columns=\"1\""
            " ColumnWidth=\"200\" ColumnGap=\"20\"");

  // Everything a group header can write; Left, Width and the view's common attributes never.
  auto full = Band(context, btGroupHeader, "Group&1");
  full->Left = 17;
  full->Width = 555;
  full->Top = -4;
  full->Height = 30;
  full->Columns = 2;
  full->ColumnWidth = 300;
  full->ColumnGap = 0;
  full->Visible = false;
  full->ChildBand = "Child\"1";
  full->Flags = 0x00CF;  // every flag but the two page flags
  full->ScriptLines = {"begin", "end"};
  full->FormatText = "[Orders.\"Region\"] <> ''";
  full->Memo = {"memo"};
  full->Tag = "tag";
  full->Restrictions = rsDontMove;
  EXPECT_EQ(Document(*full),
            "<TkvxGroupHeader Name=\"Group&#38;1\" Top=\"-4\" Height=\"30\" Columns=\"2\""
            " ColumnWidth=\"300\" ColumnGap=\"0\" Visible=\"False\" Child=\"Child&#34;1\""
            " Stretched=\"True\" StartNewPage=\"True\" PrintIfDetailEmpty=\"True\""
            " AllowSplit=\"True\" PrintOnFirstPage=\"False\" PrintOnLastPage=\"False\""
            " ReprintOnNewPage=\"True\" PrintChildIfInvisible=\"True\""
            " OnBeforePrint=\"Group&#38;1OnBeforePrint\""
            " Condition=\"[Orders.&#34;Region&#34;] &#60;&#62; ''\"");
}

TEST(BandTest, FlagAttributes) {
  const struct {
    std::uint16_t Flags;
    const char* Attribute;  // the one flag attribute written, or none
    const char* Value;
  } cases[] = {
      {0x0030, nullptr, nullptr},
      {0x0031, "Stretched", "True"},
      {0x0032, "StartNewPage", "True"},
      {0x0034, "PrintIfDetailEmpty", "True"},
      {0x0038, "AllowSplit", "True"},
      {0x0020, "PrintOnFirstPage", "False"},
      {0x0010, "PrintOnLastPage", "False"},
      {0x0070, "ReprintOnNewPage", "True"},
      {0x00B0, "PrintChildIfInvisible", "True"},
  };
  const char* const all[] = {"Stretched",        "StartNewPage",         "PrintIfDetailEmpty",
                             "AllowSplit",       "PrintOnFirstPage",     "PrintOnLastPage",
                             "ReprintOnNewPage", "PrintChildIfInvisible"};
  TTestContext context(25);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags " << c.Flags);
    auto band = Band(context, btMasterHeader);
    band->Flags = c.Flags;
    const std::string element = Document(*band);
    for (const char* attribute : all) {
      const bool written = c.Attribute && std::string(attribute) == c.Attribute;
      EXPECT_EQ(Occurrences(element, std::string(" ") + attribute + "="), written ? 1u : 0u)
          << attribute;
      if (written) {
        EXPECT_EQ(AttributeValue(element, attribute), c.Value);
      }
    }
  }

  // A band with no flags at all writes both page flags as "False".
  auto bare = Band(context, btPageFooter);
  bare->Flags = 0;
  const std::string element = Document(*bare);
  EXPECT_EQ(AttributeValue(element, "PrintOnFirstPage"), "False");
  EXPECT_EQ(AttributeValue(element, "PrintOnLastPage"), "False");
}

// The form that owns the report, with a report dataset "_Orders" beside the window's own
// components, and the report as the current one.
class BandDatasetTest : public ::testing::Test {
 protected:
  BandDatasetTest() : Host(Context), Orders(CreateOwned<TkvUserDataset>(Host, "_Orders")) {
    Context.Load.CurrentReport = &Host.Report();
  }

  TTestContext Context{25};
  TReportHost Host;
  TkvUserDataset& Orders;
};

TEST_F(BandDatasetTest, DataBandsNameTheirReportDatasetAndNothingElse) {
  const struct {
    int Type;
    const char* Reference;
    const char* DataSetName;  // none: no attribute
  } cases[] = {
      {btMasterData, "_Orders", "_Orders"},
      {btDetailData, "_ORDERS", "_Orders"},  // the component's own name
      {btSubDetailData, "frmMain._Orders", "_Orders"},
      {btMasterData, "kvUserDataset2", "kvUserDataset2"},
      {btMasterData, "5", nullptr},              // a record count
      {btMasterData, "", nullptr},               // no data source
      {btMasterData, "Missing", nullptr},        // no such component
      {btMasterData, "NoForm.Table1", nullptr},  // no such form
      {btMasterData, "kvOLEObject1", nullptr},   // a component that is no report dataset
      {btDetailData, "kvReport1", nullptr},
      {btMasterHeader, "_Orders", nullptr},  // only data bands run on a dataset
      {btCrossData, "_Orders", nullptr},     // no element at all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Type << " " << c.Reference);
    auto band = Band(Context, c.Type);
    band->FormatText = c.Reference;
    const std::string element = Document(*band);
    EXPECT_EQ(AttributeValue(element, "DataSetName"), c.DataSetName ? c.DataSetName : "<absent>");
    EXPECT_EQ(AttributeValue(element, "Condition"), "<absent>");
  }
}

TEST_F(BandDatasetTest, DocumentGoesOnPastBandsWithoutElementOrDataset) {
  TkvReport& report = Host.Report();
  TkvPage& page = report.Pages.AddPage();
  page.Metrics.PaperWidthPx = 794;
  page.Metrics.PaperHeightPx = 1123;
  page.MarginsOn = false;
  auto header = Band(Context, btPageHeader, "PageHeader1");
  auto cross = Band(Context, btCrossData, "CrossData1");
  cross->FormatText = "_Orders";
  auto data = Band(Context, btMasterData, "MasterData1");
  data->FormatText = "kvOLEObject1";
  auto orders = Band(Context, btDetailData, "DetailData1");
  orders->FormatText = "_Orders";
  for (auto* band : {&header, &cross, &data, &orders}) page.ObjectList.push_back(std::move(*band));

  TMemoryStream stream;
  WriteDocument(report, stream);
  pugi::xml_document xml;
  ASSERT_TRUE(xml.load_buffer(stream.Bytes().data(), stream.Bytes().size()));
  TNames children;
  for (const pugi::xml_node child : xml.document_element().child("TkvxReportPage").children()) {
    children.push_back(std::string(child.name()) + ":" + child.attribute("Name").value() + ":" +
                       child.attribute("DataSetName").value());
  }
  EXPECT_EQ(children, (TNames{"TkvxPageHeader:PageHeader1:", "TkvxMasterData:MasterData1:",
                              "TkvxDetailData:DetailData1:_Orders"}));
}

// ---- Named properties ---------------------------------------------------------------------------

TEST(BandTest, PublishedNamesFollowTheBandType) {
  const TNames common{"Name",  "Left",    "Top",           "Width",      "Height",
                      "Flags", "Visible", "OnBeforePrint", "Memo.Count", "Restrictions"};
  const struct {
    int Type;
    TNames Own;
  } cases[] = {
      {btReportTitle,
       {"ChildBand", "PrintChildIfInvisible", "Stretched", "FormNewPage", "Breaked", "EOF"}},
      {btPageHeader, {"ChildBand", "PrintChildIfInvisible", "Stretched", "OnFirstPage", "EOF"}},
      {btPageFooter, {"OnFirstPage", "OnLastPage", "EOF"}},
      {btMasterData,
       {"ChildBand", "PrintChildIfInvisible", "Stretched", "FormNewPage", "PrintIfSubsetEmpty",
        "Breaked", "Columns", "ColumnWidth", "ColumnGap", "DataSource", "EOF"}},
      {btDetailHeader,
       {"ChildBand", "PrintChildIfInvisible", "Stretched", "Breaked", "RepeatHeader", "EOF"}},
      {btOverlay, {"ChildBand", "PrintChildIfInvisible", "EOF"}},
      {btGroupHeader,
       {"ChildBand", "PrintChildIfInvisible", "Stretched", "FormNewPage", "Breaked", "RepeatHeader",
        "Condition", "Master", "EOF"}},
      {btCrossHeader, {"ChildBand", "PrintChildIfInvisible", "Stretched", "RepeatHeader", "EOF"}},
      {btCrossData, {"ChildBand", "PrintChildIfInvisible", "DataSource", "EOF"}},
      {btChild, {"ChildBand", "PrintChildIfInvisible", "Stretched", "Breaked", "EOF"}},
      {60, {"ChildBand", "PrintChildIfInvisible", "EOF"}},
  };
  TConversionContext context;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "band type " << c.Type);
    auto band = Band(context, c.Type);
    TNames expected = common;
    expected.insert(expected.end(), c.Own.begin(), c.Own.end());
    EXPECT_EQ(PropertyNames(*band), expected);
  }
}

TEST(BandTest, PropertiesAreAssignedAndRead) {
  TConversionContext context;
  TkvBandView band(context);
  band.Flags = 0;
  const struct {
    const char* Name;
    std::uint16_t Bit;
  } flags[] = {{"Stretched", 0x01},    {"FormNewPage", 0x02},          {"PrintIfSubsetEmpty", 0x04},
               {"Breaked", 0x08},      {"OnFirstPage", 0x10},          {"OnLastPage", 0x20},
               {"RepeatHeader", 0x40}, {"PrintChildIfInvisible", 0x80}};
  for (const auto& f : flags) {
    SCOPED_TRACE(f.Name);
    band.AssignProperty(f.Name, true);
    EXPECT_EQ(band.Flags, f.Bit);
    EXPECT_EQ(band.QueryProperty(AsciiUpper(f.Name)), TVariant{true});
    band.AssignProperty(f.Name, false);
    EXPECT_EQ(band.Flags, 0);
    EXPECT_EQ(band.QueryProperty(f.Name), TVariant{false});
  }

  band.AssignProperty("condition", std::string("[Total] > 0"));
  EXPECT_EQ(band.FormatText, "[Total] > 0");
  band.AssignProperty("ChildBand", std::string("Child1"));
  band.AssignProperty("MASTER", std::string("MasterData1"));
  band.AssignProperty("Columns", std::int64_t{3});
  band.AssignProperty("ColumnWidth", std::int64_t{150});
  band.AssignProperty("ColumnGap", std::int64_t{8});
  band.AssignProperty("NewColumnAfter", std::int64_t{4});
  EXPECT_EQ(band.QueryProperty("Condition"), TVariant{std::string("[Total] > 0")});
  EXPECT_EQ(band.QueryProperty("childband"), TVariant{std::string("Child1")});
  EXPECT_EQ(band.QueryProperty("Master"), TVariant{std::string("MasterData1")});
  EXPECT_EQ(band.QueryProperty("Columns"), TVariant{std::int64_t{3}});
  EXPECT_EQ(band.QueryProperty("ColumnWidth"), TVariant{std::int64_t{150}});
  EXPECT_EQ(band.QueryProperty("ColumnGap"), TVariant{std::int64_t{8}});
  EXPECT_EQ(band.QueryProperty("NewColumnAfter"), TVariant{std::int64_t{4}});

  // No dataset runs during conversion: the data source is ignored and the end is never reached.
  band.FormatText = "_Orders";
  band.AssignProperty("DataSource", std::string("kvUserDataset1"));
  EXPECT_EQ(band.FormatText, "_Orders");
  EXPECT_EQ(band.QueryProperty("EOF"), TVariant{false});

  // The view's names still reach the view.
  band.AssignProperty("Top", std::int64_t{12});
  band.AssignProperty("Memo", std::string("a\r\nb"));
  EXPECT_EQ(band.Top, 12);
  EXPECT_EQ(band.QueryProperty("Memo.Count"), TVariant{std::int64_t{2}});
}

// ---- What the element drops ---------------------------------------------------------------------

TEST_F(BandDatasetTest, LossesAreNotedOnlyWhereTheBandHoldsInformation) {
  const struct {
    int Type;
    const char* Reference;
    const char* Master;
    std::int32_t NewColumnAfter;
    std::uint16_t Restrictions;
    TNames Losses;
  } cases[] = {
      {btMasterData, "_Orders", "", 1, 0, {}},
      {btMasterData, "", "", 1, 0, {}},
      {btPageHeader, "anything", "", 1, 0, {}},
      {btMasterData,
       "5",
       "",
       1,
       0,
       {"the record count 5 of the data band is not carried into the document"}},
      {btDetailData,
       "kvOLEObject1",
       "",
       1,
       0,
       {"the data source \"kvOLEObject1\" names no report dataset and is not carried into the "
        "document"}},
      {btSubDetailData,
       "Nowhere",
       "",
       1,
       0,
       {"the data source \"Nowhere\" names no report dataset and is not carried into the "
        "document"}},
      {btGroupHeader,
       "[Region]",
       "MasterData1",
       1,
       0,
       {"the master band \"MasterData1\" of the group header is not carried into the document"}},
      {btMasterFooter, "", "MasterData1", 1, 0, {}},  // only group headers have a master
      {btMasterData,
       "_Orders",
       "",
       3,
       0,
       {"records per column (3) are not carried into the document"}},
      {btReportTitle,
       "",
       "",
       1,
       rsDontDelete,
       {"designer restrictions are not carried into the document"}},
      {btCrossData,
       "_Orders",
       "",
       3,
       0,
       {"band type \"Cross data\" has no element class in the new format; the band is not "
        "carried into the document"}},
      {btNone,
       "",
       "",
       1,
       0,
       {"band type \"None\" has no element class in the new format; the band is not carried "
        "into the document"}},
      {99,
       "",
       "",
       1,
       0,
       {"band type 99 has no element class in the new format; the band is not carried into "
        "the document"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Type << " " << c.Reference);
    auto band = Band(Context, c.Type);
    band->FormatText = c.Reference;
    band->Master = c.Master;
    band->NewColumnAfter = c.NewColumnAfter;
    band->Restrictions = c.Restrictions;
    band->Left = 38;  // always dropped, never noted
    band->Width = 680;
    TNames losses;
    band->DocumentLosses(losses);
    EXPECT_EQ(losses, c.Losses);
  }
}

}  // namespace
}  // namespace kv
