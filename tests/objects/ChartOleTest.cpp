// Tests of the chart and OLE views: defaults and registration, the chart's two record modes (the
// options block with its reserved bytes written back byte for byte, the stored picture) and the
// choice between them when saving, the OLE container stream kept as read, refused signatures
// and hostile sizes, elements of the common attributes only, and the notes on what the document
// drops.
#include <gtest/gtest.h>

#include <algorithm>
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
#include "objects/Ole.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"

namespace kv {
namespace {

using test::AfterCommonPart;
using test::Document;
using test::LoadInto;
using test::Losses;
using test::PropertyNames;
using test::Saved;
using test::TBytes;
using test::TTestContext;

using TLines = std::vector<std::string>;

// The common record of a version-25 file with the given name and flags, an empty memo.
TBytes CommonRecord(const std::string& name, int flags) {
  TBytes b;
  b.Str(name).Byte(2).Byte(0);
  b.Int(8).Int(16).Int(100).Int(40).Word(flags).Word(0).Int(1).Int(0).Word(0);
  b.Int(0x1FFFFFFF).Int(0x22E).Str("").Word(0).Byte(0).Word(0).Byte(0).Word(0xFFFF);
  b.Word(0).Str("").Int(2).Int(1).Byte(baNone);
  return b;
}

// 48 option bytes: bar chart, no 3D, single series, legend, axes, no marks, one colour, marks
// style smsLabelValue, top 5, and reserved bytes that are not zero.
std::string OptionBytes() {
  TBytes b;
  b.Byte(ckBar).Byte(0).Byte(1).Byte(1).Byte(1).Byte(0).Byte(0).Byte(smsLabelValue).Int(5);
  for (int i = 0; i < 36; ++i) b.Byte(0xA0 + i);
  return b.Data;
}

// A container stream with the given signature, draw aspect and data.
std::string ContainerStream(std::uint32_t signature, std::int32_t aspect, const std::string& data,
                            std::int32_t size) {
  TBytes b;
  return b.Int(static_cast<std::int32_t>(signature)).Int(aspect).Int(size).Raw(data).Data;
}

// ---- Defaults and registration ------------------------------------------------------------------

TEST(ChartOleTest, DefaultsAndRegistration) {
  TConversionContext context;
  TkvChartView chart(context);
  EXPECT_EQ(chart.TypeCode, TypeAddIn);
  EXPECT_EQ(chart.NamePrefix, "Chart");
  EXPECT_EQ(chart.Flags, 0x8001);
  EXPECT_EQ(chart.ElementName(), "TkvxChartView");
  TBytes options;
  options.Byte(ckLine).Byte(1).Byte(1).Byte(1).Byte(0).Byte(1).Byte(1).Byte(smsValue).Int(0);
  options.Raw(std::string(36, '\0'));
  EXPECT_EQ(std::string(chart.ChartOptions.Bytes.begin(), chart.ChartOptions.Bytes.end()),
            options.Data);
  EXPECT_TRUE(chart.ChartPicture.empty());
  EXPECT_EQ(PropertyNames(chart).back(), "Chart");

  TkvOLEView ole(context);
  EXPECT_EQ(ole.TypeCode, TypeAddIn);
  EXPECT_EQ(ole.NamePrefix, "Ole");
  EXPECT_EQ(ole.Flags, flStretched);
  EXPECT_TRUE(ole.Container.Empty());
  EXPECT_EQ(ole.ElementName(), "TkvxOLEView");
  TLines names = PropertyNames(ole);
  EXPECT_EQ(TLines(names.end() - 3, names.end()), (TLines{"OLE", "Stretched", "DataField"}));
  // Each name once: TkvView handles both but lists neither.
  EXPECT_EQ(std::count(names.begin(), names.end(), "Stretched"), 1);
  ole.AssignProperty("Stretched", false);
  EXPECT_EQ(ole.Flags, 0);
  ole.AssignProperty("DataField", std::string("Orders.Photo"));
  EXPECT_EQ(ole.QueryProperty("datafield"), TVariant(std::string("Orders.Photo")));

  std::vector<std::string> registered;
  for (const auto& info : AddIns()) {
    if (info.Class == &TkvChartView::Class() || info.Class == &TkvOLEView::Class()) {
      EXPECT_FALSE(info.IsControl);
      registered.push_back(info.Class->Name + " " + info.Hint);
    }
  }
  EXPECT_EQ(registered, (TLines{"TkvChartView 55225", "TkvOLEView 55222"}));
  EXPECT_NE(
      dynamic_cast<TkvChartView*>(CreateReportObject(context, TypeAddIn, "TkvChartView").get()),
      nullptr);
  EXPECT_NE(dynamic_cast<TkvOLEView*>(CreateReportObject(context, TypeAddIn, "TkvOLEView").get()),
            nullptr);
}

// ---- Chart records ------------------------------------------------------------------------------

TEST(ChartOleTest, ChartOptionsRecordIsModeOptionsAndThreeStrings) {
  TTestContext context(25);
  const TBytes common = CommonRecord("Chart1", 0x8001);
  TBytes b = common;
  b.Byte(cmOptions).Raw(OptionBytes()).Str("Names").Str("Sums").Str("Others");
  EXPECT_EQ(b.Data.size() - common.Data.size(), 1 + 48 + (2 + 5 + 1) + (2 + 4 + 1) + (2 + 6 + 1));
  TkvChartView chart(context);
  chart.ChartPicture = "left over";
  EXPECT_EQ(LoadInto(chart, b.Data), 1);  // the next record follows directly
  EXPECT_TRUE(chart.ChartPicture.empty());
  const TkvChartOptions& o = chart.ChartOptions;
  EXPECT_EQ(o.Kind(), ckBar);
  EXPECT_FALSE(o.ThreeD());
  EXPECT_TRUE(o.SingleSeries());
  EXPECT_TRUE(o.ShowLegend());
  EXPECT_TRUE(o.ShowAxes());
  EXPECT_FALSE(o.ShowMarks());
  EXPECT_FALSE(o.ColorPerPoint());
  EXPECT_EQ(o.MarksStyle(), smsLabelValue);
  EXPECT_EQ(o.TopN(), 5);
  EXPECT_EQ(o.Reserved(), OptionBytes().substr(12));
  EXPECT_EQ(chart.LegendObject, "Names");
  EXPECT_EQ(chart.ValueObject, "Sums");
  EXPECT_EQ(chart.OtherLabel, "Others");
  // Every byte goes back as read, the reserved ones included.
  EXPECT_EQ(Saved(chart), b.Data);

  // A mode other than 0 and 1 also holds options; they are saved as mode 0.
  TBytes other = common;
  other.Byte(7).Raw(OptionBytes()).Str("").Str("Sums").Str("");
  TkvChartView seven(context);
  EXPECT_EQ(LoadInto(seven, other.Data), 1);
  EXPECT_EQ(seven.ValueObject, "Sums");
  other.Data[common.Data.size()] = cmOptions;
  EXPECT_EQ(Saved(seven), other.Data);
}

TEST(ChartOleTest, ChartPictureRecordIsKeptAsRead) {
  TTestContext context(25);
  const TBytes common = CommonRecord("Chart2", 0x8001);
  for (const std::string& picture : {std::string(), std::string("\xD7\xCD\xC6\x9A\0\1wmf", 9)}) {
    SCOPED_TRACE(picture.size());
    TBytes b = common;
    b.Byte(cmPicture).Int(static_cast<std::int32_t>(picture.size())).Raw(picture);
    EXPECT_EQ(b.Data.size() - common.Data.size(), 5 + picture.size());
    TkvChartView chart(context);
    EXPECT_EQ(LoadInto(chart, b.Data), 1);
    EXPECT_EQ(chart.ChartPicture, picture);
    EXPECT_EQ(Saved(chart), b.Data);
  }
}

// Options are saved when there is something to build the chart from: a memo line, a legend
// object or a value object; otherwise the picture held.
TEST(ChartOleTest, SavingChoosesTheMode) {
  TTestContext context(25);
  struct TCase {
    const char* Label;
    TLines Memo;
    const char* Legend;
    const char* Value;
    bool Options;
  };
  const TCase cases[] = {
      {"nothing", {}, "", "", false},
      {"memo line", {"a;b"}, "", "", true},
      {"legend object", {}, "Names", "", true},
      {"value object", {}, "", "Sums", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Label);
    TkvChartView chart(context);
    chart.Memo = c.Memo;
    chart.LegendObject = c.Legend;
    chart.ValueObject = c.Value;
    chart.OtherLabel = "Rest";
    chart.ChartPicture = "PIC";
    const std::string saved = Saved(chart);
    TMemoryStream commonPart;
    chart.TkvView::SaveLegacy(commonPart);
    const std::size_t common = commonPart.Bytes().size();
    TBytes tail;
    if (c.Options) {
      tail.Byte(cmOptions)
          .Raw(std::string(chart.ChartOptions.Bytes.begin(), chart.ChartOptions.Bytes.end()))
          .Str(c.Legend)
          .Str(c.Value)
          .Str("Rest");
    } else {
      tail.Byte(cmPicture).Int(3).Raw("PIC");
    }
    EXPECT_EQ(saved.substr(common), tail.Data);
  }
}

TEST(ChartOleTest, HostileChartPictureSizesAreRefused) {
  TTestContext context(25);
  const TBytes common = CommonRecord("Chart3", 0x8001);
  const std::string picture = "0123456789";
  for (const std::int32_t size : {-1, std::int32_t{-0x7FFFFFFF}, 11, std::int32_t{0x7FFFFFFF}}) {
    SCOPED_TRACE(size);
    TBytes b = common;
    b.Byte(cmPicture).Int(size).Raw(picture);
    TMemoryStream stream(b.Data);
    TkvChartView chart(context);
    EXPECT_THROW(chart.LoadLegacy(stream), EStreamError);
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(common.Data.size() + 5));
    EXPECT_TRUE(chart.ChartPicture.empty());
  }
  // Options cut short raise as well.
  TBytes cut = common;
  cut.Byte(cmOptions).Raw(OptionBytes().substr(0, 30));
  TMemoryStream stream(cut.Data);
  TkvChartView chart(context);
  EXPECT_THROW(chart.LoadLegacy(stream), EReadError);
}

// ---- OLE records --------------------------------------------------------------------------------

TEST(ChartOleTest, OleRecordWithoutObjectIsOneByte) {
  TTestContext context(25);
  TBytes b = CommonRecord("Ole1", 0x0001);
  b.Byte(0);
  TkvOLEView ole(context);
  EXPECT_EQ(LoadInto(ole, b.Data), 1);
  EXPECT_TRUE(ole.Container.Empty());
  EXPECT_EQ(Saved(ole), b.Data);
}

TEST(ChartOleTest, OleContainerStreamRoundTripsByteForByte) {
  TTestContext context(25);
  const std::string storage("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0storage", 18);
  for (const std::string& data : {storage, std::string()}) {
    SCOPED_TRACE(data.size());
    TBytes b = CommonRecord("Ole2", 0x0001);
    // Any non-zero flag announces an object; it is saved as 1.
    b.Byte(5).Raw(
        ContainerStream(OleStreamSignature, 1, data, static_cast<std::int32_t>(data.size())));
    TkvOLEView ole(context);
    EXPECT_EQ(LoadInto(ole, b.Data), 1);
    ASSERT_FALSE(ole.Container.Empty());
    EXPECT_EQ(ole.Container.DrawAspect(), 1u);
    EXPECT_EQ(ole.Container.Data(), data);
    std::string expected = b.Data;
    expected[CommonRecord("Ole2", 0x0001).Data.size()] = 1;
    EXPECT_EQ(Saved(ole), expected);
  }
}

TEST(ChartOleTest, BadContainerStreamsAreRefused) {
  TTestContext context(25);
  const TBytes common = CommonRecord("Ole3", 0x0001);
  struct TCase {
    const char* Label;
    std::uint32_t Signature;
    std::int32_t Size;
  };
  const TCase cases[] = {
      {"wrong signature", 0x42444F43, 4},
      {"negative size", OleStreamSignature, -4},
      {"size past the end", OleStreamSignature, 5},
      {"huge size", OleStreamSignature, 0x7FFFFFFF},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Label);
    TBytes b = common;
    b.Byte(1).Raw(ContainerStream(c.Signature, 1, "data", c.Size));
    TMemoryStream stream(b.Data);
    TkvOLEView ole(context);
    ole.Container.Assign(1, "earlier");
    try {
      ole.LoadLegacy(stream);
      ADD_FAILURE() << "no error";
    } catch (const EStreamError& e) {
      EXPECT_STREQ(e.what(), "Invalid stream format");
    }
    EXPECT_TRUE(ole.Container.Empty());  // the view stays without an object
    EXPECT_LE(stream.Position(), static_cast<std::int64_t>(common.Data.size() + 1 + 12));
  }
  // A header cut short is a short read.
  TBytes cut = common;
  cut.Byte(1).Int(static_cast<std::int32_t>(OleStreamSignature)).Int(1);
  TMemoryStream stream(cut.Data);
  TkvOLEView ole(context);
  EXPECT_THROW(ole.LoadLegacy(stream), EReadError);
  EXPECT_TRUE(ole.Container.Empty());
}

// In a whole report, a refused container stream or chart picture skips only its own record: the
// view stays without an object and the records after it are read from the record's end offset.
TEST(ChartOleTest, RefusedRecordsAreSkippedInAReport) {
  TConversionContext context;
  TkvReport report(context);
  report.Pages.AddPage();
  auto ole = std::make_unique<TkvOLEView>(context);
  ole->Name = "Ole1";
  ole->Container.Assign(1, "storage");
  auto chart = std::make_unique<TkvChartView>(context);
  chart->Name = "Chart1";
  chart->ChartPicture = "PICTURE!";
  auto after = std::make_unique<TkvOLEView>(context);
  after->Name = "Ole2";
  after->Container.Assign(5, "second");
  auto& objects = report.Pages.Item(0).ObjectList;
  objects.push_back(std::move(ole));
  objects.push_back(std::move(chart));
  objects.push_back(std::move(after));
  TMemoryStream file;
  report.SaveReportStream(file);
  std::string bytes = file.Bytes();
  // The first container's signature becomes another; the chart's picture size runs past the end.
  const std::size_t signature = bytes.find("BDOC");
  ASSERT_NE(signature, std::string::npos);
  bytes[signature] = 'X';
  const std::size_t picture = bytes.find("PICTURE!");
  ASSERT_NE(picture, std::string::npos);
  bytes.replace(picture - 4, 4, "\xF0\xFF\xFF\x7F", 4);

  TkvReport loaded(context);
  TMemoryStream in(bytes);
  loaded.LoadReportStream(in);
  ASSERT_TRUE(loaded.LastLoad.Read());
  ASSERT_EQ(loaded.LastLoad.Skipped.size(), 2u);
  EXPECT_EQ(loaded.LastLoad.Skipped[0].Reason, TSkippedRecord::Damaged);
  EXPECT_EQ(loaded.LastLoad.Skipped[0].ClassName, "TkvOLEView");
  EXPECT_EQ(loaded.LastLoad.Skipped[1].Reason, TSkippedRecord::Damaged);
  EXPECT_EQ(loaded.LastLoad.Skipped[1].ClassName, "TkvChartView");
  const auto& read = loaded.Pages.Item(0).ObjectList;
  ASSERT_EQ(read.size(), 3u);
  EXPECT_TRUE(dynamic_cast<const TkvOLEView&>(*read[0]).Container.Empty());
  EXPECT_TRUE(dynamic_cast<const TkvChartView&>(*read[1]).ChartPicture.empty());
  const auto& sound = dynamic_cast<const TkvOLEView&>(*read[2]);
  EXPECT_EQ(sound.Name, "Ole2");
  EXPECT_EQ(sound.Container.DrawAspect(), 5u);
  EXPECT_EQ(sound.Container.Data(), "second");
}

// ---- Elements and notes -------------------------------------------------------------------------

TEST(ChartOleTest, ElementsHoldOnlyTheCommonAttributes) {
  TConversionContext context;
  TkvChartView chart(context);
  chart.Name = "Chart1";
  chart.Width = 200;
  chart.Height = 120;
  chart.ValueObject = "Sums";
  chart.ChartPicture = "PIC";
  EXPECT_EQ(Document(chart),
            "<TkvxChartView Name=\"Chart1\" Left=\"0\" Top=\"0\" Width=\"200\" Height=\"120\""
            " Color=\"536870911\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\"");

  TkvOLEView ole(context);
  ole.Name = "Ole1";
  ole.Memo = {"Orders.Photo"};
  ole.Container.Assign(1, "storage");
  EXPECT_EQ(Document(ole),
            "<TkvxOLEView Name=\"Ole1\" Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\""
            " Color=\"536870911\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\""
            " Memo.text=\"Orders.Photo&#13;&#10;\" Align=\"0\" Restrictions=\"0\"");
  EXPECT_EQ(AfterCommonPart(ole), "");
}

TEST(ChartOleTest, LossesNameTheChartOrTheObject) {
  TConversionContext context;
  TkvChartView chart(context);
  EXPECT_EQ(Losses(chart), TLines{"its chart (line chart) is not carried into the document"});
  chart.ChartPicture = std::string(1234, 'x');
  EXPECT_EQ(Losses(chart),
            TLines{"its chart (a stored picture of 1234 bytes) is not carried into the document"});
  chart.ChartOptions.SetKind(ckHorizBar);
  chart.LegendObject = "Names";
  chart.ValueObject = "Sums";
  EXPECT_EQ(Losses(chart), TLines{"its chart (horizontal bar chart, captions from Names, values "
                                  "from Sums) is not carried into the document"});

  TkvOLEView ole(context);
  EXPECT_TRUE(Losses(ole).empty());
  ole.Memo = {"Orders.Photo"};
  EXPECT_EQ(Losses(ole), TLines{"its OLE object from the data field Orders.Photo is not carried "
                                "into the document"});
  ole.Container.Assign(1, "storage");
  EXPECT_EQ(Losses(ole),
            TLines{"its embedded OLE object (7 bytes) is not carried into the document"});
}

}  // namespace
}  // namespace kv
