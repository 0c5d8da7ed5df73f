// Tests of the barcode view: defaults, registration and names, the 24 bytes after the common
// record in every file version (the reserved byte and a zoom of the old format among them), the
// element against text written by hand, and the data field its code names.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "base/Errors.h"
#include "data/AccessLayer.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Report.h"
#include "objects/BarCode.h"
#include "support/FieldForm.h"
#include "support/RecordingReportPrompter.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"
#include "writer/Conversion.h"

namespace kv {
namespace {

using test::AfterCommonPart;
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

// The common record of a barcode "Bar7" with the memo "4006381333931" as a file of the given
// version holds it (versions 21 and 22 with zero-terminated texts and no name).
TBytes CommonRecord(int version) {
  TBytes b;
  if (version >= 23) b.Str("Bar7");
  if (version >= 24) b.Byte(2).Byte(0);
  b.Int(8).Int(16).Int(120).Int(60).Word(0x0001).Word(0).Int(1).Int(0).Word(0);
  b.Int(clWhite).Int(0x22E);
  if (version >= 23) {
    b.Str("");                                        // FormatText
    b.Word(1).Word(13).Raw("4006381333931").Byte(0);  // Memo
    b.Word(0).Byte(0).Word(0xFFFF);                   // ScriptLines, Visible
  } else {
    b.Zero("").Zero("4006381333931");
  }
  if (version >= 24) b.Word(0).Str("").Int(2).Int(1).Byte(baNone);
  return b;
}

// The 24 bytes of the barcode record.
TBytes Payload(int calcCheckSum, int showText, int reserved, int barType, std::int32_t zoomFormat,
               double zoom, double rotation) {
  TBytes b;
  b.Byte(calcCheckSum).Byte(showText).Byte(reserved).Byte(barType).Int(zoomFormat);
  b.Raw(std::string(reinterpret_cast<const char*>(&zoom), 8));
  b.Raw(std::string(reinterpret_cast<const char*>(&rotation), 8));
  return b;
}

TEST(BarCodeTest, DefaultsRegistrationAndTheElementOfANewView) {
  TConversionContext context;
  TkvBarCodeView view(context);
  EXPECT_EQ(view.TypeCode, TypeAddIn);
  EXPECT_EQ(view.Flags, flStretched);
  EXPECT_EQ(view.NamePrefix, "Bar");
  EXPECT_EQ(view.Memo, TLines{"12345678"});
  EXPECT_TRUE(view.CalcCheckSum);
  EXPECT_TRUE(view.ShowText);
  EXPECT_EQ(view.Reserved, 0);
  EXPECT_EQ(view.BarType, bcCode39);
  EXPECT_EQ(view.ZoomFormat, 2);
  EXPECT_EQ(view.Zoom, 1.0);
  EXPECT_EQ(view.Rotation, 0.0);
  EXPECT_EQ(view.Encoder().Typ(), bcCodeEAN13);  // the encoder's own default until drawn

  view.Name = "Bar1";
  EXPECT_EQ(Document(view),
            "<TkvxBarCodeView Name=\"Bar1\" Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\""
            " Color=\"536870911\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"12345678&#13;&#10;\""
            " Align=\"0\" Restrictions=\"0\" Text=\"12345678\" BarType=\"3\" CalcCheckSum=\"1\""
            " Rotation=\"0\" ShowText=\"1\" Zoom=\"1\"");
  // The element carries every field the conversion reads.
  EXPECT_TRUE(Losses(view).empty());

  std::vector<std::string> registered;
  for (const auto& info : AddIns()) {
    if (info.Class == &TkvBarCodeView::Class()) {
      EXPECT_FALSE(info.IsControl);
      registered.push_back(info.Hint);
    }
  }
  EXPECT_EQ(registered, TLines{"55338"});
  const auto created = CreateReportObject(context, TypeAddIn, "TkvBarCodeView");
  ASSERT_NE(dynamic_cast<TkvBarCodeView*>(created.get()), nullptr);
  EXPECT_EQ(created->TypeCode, TypeAddIn);
}

TEST(BarCodeTest, NamesAreTheViewsThenBarcodeAndDataField) {
  TConversionContext context;
  TkvBarCodeView view(context);
  TkvView plain(context);
  TLines expected = PropertyNames(plain);
  expected.push_back("Barcode");
  expected.push_back("DataField");
  EXPECT_EQ(PropertyNames(view), expected);
  // "DataField" is the view's: the whole memo; the barcode fields are not reachable by name.
  view.AssignProperty("DataField", std::string("Table1.\"Code\""));
  EXPECT_EQ(view.Memo, TLines{"Table1.\"Code\""});
  EXPECT_EQ(view.QueryProperty("DataField"), TVariant(std::string("Table1.\"Code\"")));
  view.AssignProperty("BarType", std::int64_t{7});
  EXPECT_EQ(view.BarType, bcCode39);
}

// ---- Records ------------------------------------------------------------------------------------

// The payload follows the common record whatever the version, and is written back byte for byte,
// the reserved byte as it was read.
TEST(BarCodeTest, RecordIs24BytesAfterTheCommonRecordInEveryVersion) {
  const TBytes payload = Payload(0, 1, 0x5A, bcCodeEAN13, 2, 2.5, 90.0);
  for (int version = 21; version <= 25; ++version) {
    SCOPED_TRACE(version);
    TTestContext context(version);
    TBytes b = CommonRecord(version);
    b.Raw(payload.Data);
    TkvBarCodeView view(context);
    EXPECT_EQ(LoadInto(view, b.Data), 1);
    EXPECT_EQ(view.Memo, TLines{"4006381333931"});
    EXPECT_FALSE(view.CalcCheckSum);
    EXPECT_TRUE(view.ShowText);
    EXPECT_EQ(view.Reserved, 0x5A);
    EXPECT_EQ(view.BarType, bcCodeEAN13);
    EXPECT_EQ(view.ZoomFormat, 2);
    EXPECT_EQ(view.Zoom, 2.5);
    EXPECT_EQ(view.Rotation, 90.0);
    const std::string saved = Saved(view);
    ASSERT_GE(saved.size(), 24u);
    EXPECT_EQ(saved.substr(saved.size() - 24), payload.Data);
    if (version == 25) {
      EXPECT_EQ(saved, b.Data);
    }
  }
}

TEST(BarCodeTest, ZoomOfTheOldFormatIsHalved) {
  TTestContext context(25);
  TBytes b = CommonRecord(25);
  b.Raw(Payload(1, 0, 0, bcCode128B, 1, 3.0, 270.0).Data);
  TkvBarCodeView view(context);
  EXPECT_EQ(LoadInto(view, b.Data), 1);
  EXPECT_EQ(view.Zoom, 1.5);
  EXPECT_EQ(view.ZoomFormat, 2);
  const std::string saved = Saved(view);
  EXPECT_EQ(saved.substr(saved.size() - 24), Payload(1, 0, 0, bcCode128B, 2, 1.5, 270.0).Data);

  context.DecimalSeparator = '.';
  EXPECT_EQ(AfterCommonPart(view),
            " Text=\"4006381333931\" BarType=\"6\" CalcCheckSum=\"1\" Rotation=\"270\""
            " ShowText=\"0\" Zoom=\"1.5\"");
  context.DecimalSeparator = ',';
  EXPECT_EQ(test::AttributeValue(Document(view), "Zoom"), "1,5");
}

TEST(BarCodeTest, RecordEndingInsideThePayloadRaises) {
  TTestContext context(25);
  TBytes b = CommonRecord(25);
  b.Raw(Payload(1, 1, 0, 3, 2, 1.0, 0.0).Data.substr(0, 20));
  TMemoryStream stream(b.Data);
  TkvBarCodeView view(context);
  EXPECT_THROW(view.LoadLegacy(stream), EReadError);
}

// ---- The element --------------------------------------------------------------------------------

TEST(BarCodeTest, EmptyMemoWritesNoTextAndNoDataField) {
  TConversionContext context;
  TkvBarCodeView view(context);
  view.Memo.clear();
  EXPECT_EQ(AfterCommonPart(view),
            " BarType=\"3\" CalcCheckSum=\"1\" Rotation=\"0\" ShowText=\"1\" Zoom=\"1\"");
}

// A form "Form1" holding the report and a table Table1 with the field Code.
class BarCodeFieldTest : public test::TFieldFormTest {
 protected:
  BarCodeFieldTest() : TFieldFormTest("Code", TFieldType::ftString, 13) {}
};

TEST_F(BarCodeFieldTest, DataSetAndDataFieldWhenTheFirstMemoLineNamesAField) {
  const std::string fixed =
      " BarType=\"3\" CalcCheckSum=\"1\" Rotation=\"0\" ShowText=\"1\" Zoom=\"1\"";
  const struct {
    TLines Memo;
    std::string Expected;
  } cases[] = {
      {{"Table1.\"Code\"", "ignored"},
       " Text=\"Table1.&#34;Code&#34;\"" + fixed + " DataSet=\"Form1.Table1\" DataField=\"Code\""},
      {{"table1.code"},
       " Text=\"table1.code\"" + fixed + " DataSet=\"Form1.Table1\" DataField=\"code\""},
      {{"Table1.\"Missing\""}, " Text=\"Table1.&#34;Missing&#34;\"" + fixed},
      {{"[Amount] <> 0"}, " Text=\"[Amount] &#60;&#62; 0\"" + fixed},
      {{"", "Table1.\"Code\""}, " Text=\"\"" + fixed},  // only the first line counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Memo.front());
    TkvBarCodeView view(Context);
    view.Memo = c.Memo;
    EXPECT_EQ(AfterCommonPart(view), c.Expected);
    EXPECT_TRUE(Losses(view).empty());
  }
}

// ---- Through a report file ----------------------------------------------------------------------

TEST(BarCodeTest, GoesThroughAReportFileIntoTheDocument) {
  test::TRecordingPrompter prompter;
  TConversionContext context;
  TkvReport report(context);
  report.Prompter = &prompter;
  report.Pages.AddPage();
  auto view = std::make_unique<TkvBarCodeView>(context);
  view->Name = "Ean";
  view->Memo = {"4006381333931"};
  view->BarType = bcCodeEAN13;
  view->Rotation = 180;
  view->Zoom = 2;
  view->Reserved = 3;
  report.Pages.Item(0).ObjectList.push_back(std::move(view));
  TkvReport loaded(context);
  loaded.Prompter = &prompter;
  Reload(report, loaded);
  ASSERT_TRUE(loaded.LastLoad.Read());
  const auto& objects = loaded.Pages.Item(0).ObjectList;
  ASSERT_EQ(objects.size(), 1u);
  const auto* barcode = dynamic_cast<const TkvBarCodeView*>(objects[0].get());
  ASSERT_NE(barcode, nullptr);
  EXPECT_EQ(barcode->BarType, bcCodeEAN13);
  EXPECT_EQ(barcode->Rotation, 180.0);
  EXPECT_EQ(barcode->Zoom, 2.0);
  EXPECT_EQ(barcode->Reserved, 3);
  EXPECT_TRUE(LoadNotes(loaded).empty());

  context.DecimalSeparator = '.';
  const std::string document = DocumentOf(loaded);
  EXPECT_NE(document.find("<TkvxBarCodeView Name=\"Ean\""), std::string::npos);
  EXPECT_NE(document.find(" Text=\"4006381333931\" BarType=\"14\" CalcCheckSum=\"1\""
                          " Rotation=\"180\" ShowText=\"1\" Zoom=\"2\""),
            std::string::npos);
  EXPECT_TRUE(prompter.Messages.empty());
}

}  // namespace
}  // namespace kv
