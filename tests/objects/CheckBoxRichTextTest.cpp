// Tests of the check box and rich text views: defaults, registration and published names; the
// check box's style and colour after the common record (absent up to version 23); the rich
// text's flag, end position and RTF kept byte for byte, with hostile end positions refused; both
// elements against text written by hand, with and without a resolvable data field; and both
// through a saved and reloaded report into the document.
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
#include "legacy/Primitives.h"
#include "legacy/Report.h"
#include "objects/CheckBox.h"
#include "objects/RichText.h"
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

// The common record of an object named name at (1, 2) sized 30 x 40 with flags 0x0001 and an
// empty memo, in the layout of a file of version 23, 24 (record 1.0) or 25 (record 2.0, the
// layout the views save).
TBytes CommonRecord(int version, const std::string& name) {
  TBytes b;
  b.Str(name);
  if (version == 24) b.Byte(1).Byte(0);
  if (version >= 25) b.Byte(2).Byte(0);
  b.Int(1).Int(2).Int(30).Int(40).Word(flStretched).Word(0xF).Int(2).Int(0).Word(0);
  b.Int(clTransparent).Int(0x22E).Str("");
  b.Word(0).Byte(0);  // memo
  b.Word(0).Byte(0);  // script
  b.Word(0xFFFF);     // Visible
  if (version >= 24) b.Word(0).Str("").Int(2).Int(1);
  if (version >= 25) b.Byte(baNone);
  return b;
}

// ---- Defaults, registration and names -----------------------------------------------------------

TEST(CheckBoxRichTextTest, DefaultsAndRegistration) {
  TConversionContext context;
  TkvCheckBoxView check(context);
  EXPECT_EQ(check.TypeCode, TypeAddIn);
  EXPECT_EQ(check.NamePrefix, "Check");
  EXPECT_EQ(check.FrameWidth, 2.0f);
  EXPECT_EQ(check.FrameTyp, 15);
  EXPECT_EQ(check.Flags, flStretched);
  EXPECT_EQ(check.CheckStyle, csCross);
  EXPECT_EQ(check.CheckColor, 0);
  EXPECT_EQ(check.ElementName(), "TkvxCheckBoxView");

  TkvRichView rich(context);
  EXPECT_EQ(rich.TypeCode, TypeAddIn);
  EXPECT_EQ(rich.NamePrefix, "Rich");
  EXPECT_EQ(rich.Flags, flStretched);
  EXPECT_EQ(rich.FrameTyp, 0);
  EXPECT_EQ(rich.FrameWidth, 1.0f);
  EXPECT_TRUE(rich.RichText.empty());
  EXPECT_EQ(rich.ElementName(), "TkvxRichView");

  // Both are objects, not controls, the check box right before the rich text, with their hints.
  std::vector<std::string> registered;
  const auto addIns = AddIns();
  for (std::size_t i = 0; i < addIns.size(); ++i) {
    if (addIns[i].Class == &TkvCheckBoxView::Class()) {
      EXPECT_FALSE(addIns[i].IsControl);
      EXPECT_EQ(addIns[i].Hint, "55224");
      ASSERT_LT(i + 1, addIns.size());
      EXPECT_EQ(addIns[i + 1].Class, &TkvRichView::Class());
      EXPECT_FALSE(addIns[i + 1].IsControl);
      EXPECT_EQ(addIns[i + 1].Hint, "55223");
      registered.push_back(addIns[i].Class->Name);
    }
  }
  EXPECT_EQ(registered, TLines{"TkvCheckBoxView"});
  const auto created = CreateReportObject(context, TypeAddIn, "TkvCheckBoxView");
  ASSERT_NE(dynamic_cast<TkvCheckBoxView*>(created.get()), nullptr);
  EXPECT_EQ(created->TypeCode, TypeAddIn);
  EXPECT_NE(dynamic_cast<TkvRichView*>(CreateReportObject(context, TypeAddIn, "TkvRichView").get()),
            nullptr);
}

TEST(CheckBoxRichTextTest, PublishedNamesAndTheirValues) {
  TConversionContext context;
  TkvView plain(context);
  const TLines common = PropertyNames(plain);

  TkvCheckBoxView check(context);
  TLines expected = common;
  for (const char* name : {"CheckStyle", "CheckColor", "DataField"}) expected.push_back(name);
  EXPECT_EQ(PropertyNames(check), expected);
  const TkvPropRec* style = check.FindProperty("CheckStyle");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->EnumNames, (TLines{"csCross", "csCheck"}));
  check.AssignProperty("checkstyle", std::int64_t{csCheck});
  check.AssignProperty("CheckColor", std::int64_t{0x0000FF});
  check.AssignProperty("DataField", std::string("Table1.\"Done\""));
  EXPECT_EQ(check.CheckStyle, csCheck);
  EXPECT_EQ(check.CheckColor, 0x0000FF);
  EXPECT_EQ(check.Memo, TLines{"Table1.\"Done\""});
  EXPECT_EQ(check.QueryProperty("CHECKSTYLE"), TVariant(std::int64_t{1}));
  EXPECT_EQ(check.QueryProperty("CheckColor"), TVariant(std::int64_t{0x0000FF}));

  TkvRichView rich(context);
  expected = common;
  for (const char* name : {"GapX", "GapY", "Lines", "Stretched", "TextOnly", "DataField"}) {
    expected.push_back(name);
  }
  EXPECT_EQ(PropertyNames(rich), expected);
  rich.AssignProperty("TextOnly", true);
  EXPECT_EQ(rich.Flags, flStretched | flRichTextOnly);
  EXPECT_EQ(rich.QueryProperty("textonly"), TVariant(true));
  rich.AssignProperty("Stretched", false);
  rich.AssignProperty("GapX", std::int64_t{7});
  EXPECT_EQ(rich.Flags, flRichTextOnly);
  EXPECT_EQ(rich.GapX, 7);
  rich.AssignProperty("TextOnly", false);
  EXPECT_EQ(rich.Flags, 0);
  EXPECT_EQ(rich.QueryProperty("TextOnly"), TVariant(false));
}

// ---- Check box record ---------------------------------------------------------------------------

// Up to version 23 the record ends with the common part; from 24 on style and colour follow it.
// Saving always writes both.
TEST(CheckBoxRichTextTest, CheckBoxRecordByVersion) {
  for (const int version : {23, 24, 25}) {
    SCOPED_TRACE(version);
    TTestContext context(version);
    TBytes b = CommonRecord(version, "Check7");
    if (version > 23) b.Byte(csCheck).Int(-16777201);
    TkvCheckBoxView check(context);
    EXPECT_EQ(LoadInto(check, b.Data + "NEXT"), 5);  // the next record follows untouched
    EXPECT_EQ(check.Name, "Check7");
    EXPECT_EQ(check.Width, 30);
    EXPECT_EQ(check.CheckStyle, version > 23 ? csCheck : csCross);
    EXPECT_EQ(check.CheckColor, version > 23 ? -16777201 : 0);

    const std::string saved = Saved(check);
    TBytes tail;
    tail.Byte(check.CheckStyle).Int(check.CheckColor);
    EXPECT_EQ(saved.substr(saved.size() - 5), tail.Data);
    if (version == 25) {
      EXPECT_EQ(saved, b.Data);
    }
  }

  // A version-25 record that ends inside the colour raises, with nothing read past it.
  TTestContext context(25);
  TBytes cut = CommonRecord(25, "Check8");
  cut.Byte(csCheck).Word(0);
  TMemoryStream stream(cut.Data);
  TkvCheckBoxView check(context);
  EXPECT_THROW(check.LoadLegacy(stream), EReadError);
}

// ---- Rich text record ---------------------------------------------------------------------------

// Bytes ahead of the record, so that end positions are seen to count from the stream's start.
const std::string Lead = "LEAD";

// The RTF of the tests, with bytes that are no text: they are kept as they are.
constexpr char RtfBytes[] = "{\\rtf1\\ansi \x00\xFF\r\n\\par}";
const std::string Rtf(RtfBytes, sizeof RtfBytes - 1);

// The text flag and the end position tell what is text; reading goes on at the end position.
TEST(CheckBoxRichTextTest, RichTextRecordKeepsTheBytesUpToTheEndPosition) {
  struct TCase {
    int Flag;
    std::string Data;  // bytes between the end position field and the end position
    std::string Expected;
  };
  const TCase cases[] = {
      {0, "", ""},   {0, "left over", ""},  // no text, but bytes to skip
      {1, Rtf, Rtf}, {7, "x", "x"},         // any flag but 0 says text follows
      {1, "", ""},                          // a flag without bytes is no text
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "flag " << c.Flag << " " << c.Data.size() << " bytes");
    TTestContext context(25);
    TBytes b = CommonRecord(25, "Rich3");
    b.Byte(c.Flag);
    const auto end = static_cast<std::int32_t>(Lead.size() + b.Data.size() + 4 + c.Data.size());
    b.Int(end).Raw(c.Data).Raw("NEXT");
    TMemoryStream stream(Lead + b.Data);
    stream.SetPosition(static_cast<std::int64_t>(Lead.size()));
    TkvRichView rich(context);
    rich.RichText = "stale";
    rich.LoadLegacy(stream);
    EXPECT_EQ(stream.Position(), end);
    EXPECT_EQ(rich.Name, "Rich3");
    EXPECT_EQ(rich.RichText, c.Expected);
  }
}

// Saving writes the flag, the end position this stream reaches and the RTF, and leaves the
// stream at its end; reading the saved record gives the same bytes back.
TEST(CheckBoxRichTextTest, RichTextIsWrittenBackByteForByte) {
  for (const std::string& text : {std::string(), Rtf}) {
    SCOPED_TRACE(text.size());
    TTestContext context(25);
    TkvRichView rich(context);
    rich.Name = "Rich3";
    rich.Left = 1;
    rich.Top = 2;
    rich.Width = 30;
    rich.Height = 40;
    rich.FrameTyp = 0xF;
    rich.FrameWidth = 2.0f;
    rich.RichText = text;

    TMemoryStream saved;
    saved.WriteText(Lead);
    rich.SaveLegacy(saved);
    EXPECT_EQ(saved.Position(), saved.Size());
    TBytes expected = CommonRecord(25, "Rich3");
    expected.Byte(text.empty() ? 0 : 1);
    expected.Int(static_cast<std::int32_t>(Lead.size() + expected.Data.size() + 4 + text.size()));
    expected.Raw(text);
    EXPECT_EQ(saved.Bytes(), Lead + expected.Data);

    saved.WriteText("NEXT");
    saved.SetPosition(static_cast<std::int64_t>(Lead.size()));
    TkvRichView loaded(context);
    loaded.LoadLegacy(saved);
    EXPECT_EQ(loaded.RichText, text);
    EXPECT_EQ(saved.Remaining(), 4);
  }
}

// An end position before the text or past the end of the stream marks the record damaged: the
// load raises before anything beyond the end position field is read, with or without text.
TEST(CheckBoxRichTextTest, HostileEndPositionIsRefused) {
  TTestContext context(25);
  const TBytes common = CommonRecord(25, "Rich4");
  const auto p = static_cast<std::int32_t>(common.Data.size() + 1 + 4);  // after the field
  const auto size = static_cast<std::int32_t>(p + Rtf.size());
  for (const int flag : {0, 1}) {
    for (const std::int32_t end : {p - 1, 0, -5, size + 1, std::int32_t{0x7FFFFFFF}}) {
      SCOPED_TRACE(testing::Message() << "flag " << flag << " end " << end);
      TBytes b = common;
      b.Byte(flag).Int(end).Raw(Rtf);
      TMemoryStream stream(b.Data);
      TkvRichView rich(context);
      EXPECT_THROW(rich.LoadLegacy(stream), EStreamError);
      EXPECT_EQ(stream.Position(), p);
      EXPECT_TRUE(rich.RichText.empty());
    }
  }
  // The end of the stream is a sound end.
  TBytes b = common;
  b.Byte(1).Int(size).Raw(Rtf);
  TMemoryStream stream(b.Data);
  TkvRichView rich(context);
  rich.LoadLegacy(stream);
  EXPECT_EQ(rich.RichText, Rtf);
  EXPECT_EQ(stream.Position(), size);
}

// In a whole report, a rich text record with a hostile end position is skipped as damaged and the
// next record is read from the record's own end offset.
TEST(CheckBoxRichTextTest, HostileEndPositionSkipsOnlyItsRecordInAReport) {
  TBytes b;
  b.Byte(25).Word(0).Word(0).Str("\x01");
  b.Byte(255).Int(9).Int(2100).Int(2970).Int(10).Int(20).Int(30).Int(40).Byte(0).Int(-1);
  b.Word(0).Word(0xFFFF).Int(1).Int(0);
  b.Byte(0).Str("").Byte(3).Str("Form").Int(0).Int(0).Int(0).Int(0).Int(0).Byte(0);
  const auto object = [&](const std::string& name, std::int32_t textEnd, bool pastEnd) {
    const std::size_t start = b.Data.size();
    TBytes header;
    header.Byte(TypeAddIn).Str("TkvRichView").Byte(0);
    TBytes payload = CommonRecord(25, name);
    payload.Byte(1);
    const auto p =
        static_cast<std::int32_t>(start + header.Data.size() + 4 + payload.Data.size() + 4);
    payload.Int(pastEnd ? 0x7FFFFF00 : p + textEnd);
    payload.Raw("{\\rtf1}");
    b.Raw(header.Data);
    b.Int(static_cast<std::int32_t>(start + header.Data.size() + 4 + payload.Data.size()));
    b.Raw(payload.Data);
  };
  object("Before", -3, false);
  object("Past", 0, true);
  object("Sound", 7, false);
  b.Byte(252);

  TConversionContext context;
  TkvReport report(context);
  TMemoryStream stream(b.Data);
  report.LoadReportStream(stream);
  ASSERT_TRUE(report.LastLoad.Read());
  ASSERT_EQ(report.LastLoad.Skipped.size(), 2u);
  for (const TSkippedRecord& skipped : report.LastLoad.Skipped) {
    EXPECT_EQ(skipped.Reason, TSkippedRecord::Damaged);
    EXPECT_EQ(skipped.ClassName, "TkvRichView");
  }
  ASSERT_EQ(report.Pages.Count(), 1);
  const auto& objects = report.Pages.Item(0).ObjectList;
  ASSERT_EQ(objects.size(), 3u);
  const auto& sound = dynamic_cast<const TkvRichView&>(*objects[2]);
  EXPECT_EQ(sound.Name, "Sound");
  EXPECT_EQ(sound.RichText, "{\\rtf1}");
}

// ---- Elements -----------------------------------------------------------------------------------

TEST(CheckBoxRichTextTest, CheckBoxElement) {
  TConversionContext context;
  TkvCheckBoxView check(context);
  check.Name = "Check1";
  check.Width = 16;
  check.Height = 16;
  check.CheckStyle = csCheck;
  check.CheckColor = -16777201;
  EXPECT_EQ(Document(check),
            "<TkvxCheckBoxView Name=\"Check1\" Left=\"0\" Top=\"0\" Width=\"16\" Height=\"16\""
            " Color=\"536870911\" Frame.Typ=\"15\" Frame.Width=\"2\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\" CheckStyle=\"1\" CheckColor=\"-16777201\"");
  EXPECT_TRUE(Losses(check).empty());

  // A first line that names no dataset is written as Text alone, escaped.
  check.Memo = {"[Total] > 0 & <\"ok\">", "second"};
  EXPECT_EQ(AfterCommonPart(check),
            " CheckStyle=\"1\" CheckColor=\"-16777201\""
            " Text=\"[Total] &#62; 0 &#38; &#60;&#34;ok&#34;&#62;\"");
  check.Memo = {""};
  EXPECT_EQ(AfterCommonPart(check), " CheckStyle=\"1\" CheckColor=\"-16777201\" Text=\"\"");
  EXPECT_TRUE(Losses(check).empty());
}

TEST(CheckBoxRichTextTest, RichTextElement) {
  TConversionContext context;
  TkvRichView rich(context);
  rich.Name = "Rich1";
  rich.Width = 200;
  rich.Height = 60;
  // No text: the property name "RichEdit", the binary code 10 and the length 0.
  EXPECT_EQ(Document(rich),
            "<TkvxRichView Name=\"Rich1\" Left=\"0\" Top=\"0\" Width=\"200\" Height=\"60\""
            " Color=\"536870911\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\" Propdata=\"0852696368456469740A00000000\""
            " StretchMode=\"smMaxHeight\"");
  EXPECT_TRUE(Losses(rich).empty());

  // The RTF bytes follow their little-endian length, every byte as it is.
  rich.RichText = std::string("{\\rtf1\x00\xFF}", 9);
  const std::string propdata =
      " Propdata=\"0852696368456469740A090000007B5C72746631"
      "00FF7D\"";
  const struct {
    std::uint16_t Flags;
    std::string Expected;
  } cases[] = {
      {0x0000, propdata},
      {0x0001, propdata + " StretchMode=\"smMaxHeight\""},
      {0x0010, propdata + " AllowExpressions=\"False\""},
      {0x0011, propdata + " StretchMode=\"smMaxHeight\" AllowExpressions=\"False\""},
      {0xFFEE, propdata},  // other bits write nothing
  };
  for (const auto& c : cases) {
    rich.Flags = c.Flags;
    EXPECT_EQ(AfterCommonPart(rich), c.Expected) << c.Flags;
  }
  EXPECT_TRUE(Losses(rich).empty());
}

// A form "Form1" holding the report and a table Table1 with the field Done.
class CheckBoxRichTextFieldTest : public test::TFieldFormTest {
 protected:
  CheckBoxRichTextFieldTest() : TFieldFormTest("Done", TFieldType::ftBoolean) {}
};

TEST_F(CheckBoxRichTextFieldTest, DataSetAndDataFieldWhenTheFirstMemoLineResolves) {
  const struct {
    TLines Memo;
    const char* Field;  // DataSet and DataField, or nothing
  } cases[] = {
      {{"Table1.\"Done\"", "ignored"}, " DataSet=\"Form1.Table1\" DataField=\"Done\""},
      {{"table1.DONE"}, " DataSet=\"Form1.Table1\" DataField=\"DONE\""},
      {{"Table1.\"Missing\""}, ""},   // no such field
      {{"Nowhere.\"Done\""}, ""},     // no such dataset
      {{"", "Table1.\"Done\""}, ""},  // only the first line counts
      {{}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Memo.empty() ? "<no memo>" : c.Memo.front());
    TkvCheckBoxView check(Context);
    check.Memo = c.Memo;
    const std::string text = c.Memo.empty() ? "" : " Text=\"" + EscapeXml(c.Memo.front()) + "\"";
    EXPECT_EQ(AfterCommonPart(check),
              " CheckStyle=\"0\" CheckColor=\"0\"" + std::string(c.Field) + text);

    TkvRichView rich(Context);
    rich.Memo = c.Memo;
    rich.Flags = flStretched | flRichTextOnly;
    EXPECT_EQ(AfterCommonPart(rich),
              " Propdata=\"0852696368456469740A00000000\" StretchMode=\"smMaxHeight\""
              " AllowExpressions=\"False\"" +
                  std::string(c.Field));
  }
}

// ---- Through a report file ----------------------------------------------------------------------

TEST(CheckBoxRichTextTest, BothGoThroughAReportFileIntoTheDocument) {
  TConversionContext context;
  test::TRecordingPrompter prompter;
  TkvReport report(context);
  report.Prompter = &prompter;
  report.Pages.AddPage();
  auto check = std::make_unique<TkvCheckBoxView>(context);
  check->Name = "Done";
  check->Memo = {"[Paid]"};
  check->CheckStyle = csCheck;
  check->CheckColor = 0x0000FF;
  auto rich = std::make_unique<TkvRichView>(context);
  rich->Name = "Letter";
  rich->Flags = flStretched | flRichTextOnly;
  rich->RichText = Rtf;
  auto empty = std::make_unique<TkvRichView>(context);
  empty->Name = "Blank";
  report.Pages.Item(0).ObjectList.push_back(std::move(check));
  report.Pages.Item(0).ObjectList.push_back(std::move(rich));
  report.Pages.Item(0).ObjectList.push_back(std::move(empty));
  TkvReport loaded(context);
  loaded.Prompter = &prompter;
  Reload(report, loaded);
  ASSERT_TRUE(loaded.LastLoad.Read());
  EXPECT_TRUE(loaded.LastLoad.Skipped.empty());
  const auto& objects = loaded.Pages.Item(0).ObjectList;
  ASSERT_EQ(objects.size(), 3u);
  const auto* loadedCheck = dynamic_cast<const TkvCheckBoxView*>(objects[0].get());
  const auto* loadedRich = dynamic_cast<const TkvRichView*>(objects[1].get());
  const auto* loadedEmpty = dynamic_cast<const TkvRichView*>(objects[2].get());
  ASSERT_NE(loadedCheck, nullptr);
  ASSERT_NE(loadedRich, nullptr);
  ASSERT_NE(loadedEmpty, nullptr);
  EXPECT_EQ(loadedCheck->Memo, TLines{"[Paid]"});
  EXPECT_EQ(loadedCheck->CheckStyle, csCheck);
  EXPECT_EQ(loadedCheck->CheckColor, 0x0000FF);
  EXPECT_EQ(loadedRich->Flags, flStretched | flRichTextOnly);
  EXPECT_EQ(loadedRich->RichText, Rtf);
  EXPECT_EQ(loadedEmpty->Name, "Blank");
  EXPECT_TRUE(loadedEmpty->RichText.empty());
  EXPECT_TRUE(LoadNotes(loaded).empty());

  const std::string document = DocumentOf(loaded);
  EXPECT_NE(document.find("<TkvxCheckBoxView Name=\"Done\""), std::string::npos);
  EXPECT_NE(document.find(" CheckStyle=\"1\" CheckColor=\"255\" Text=\"[Paid]\""),
            std::string::npos);
  EXPECT_NE(document.find("<TkvxRichView Name=\"Letter\""), std::string::npos);
  EXPECT_NE(document.find(" Propdata=\"0852696368456469740A15000000"), std::string::npos);
  EXPECT_NE(document.find(" StretchMode=\"smMaxHeight\" AllowExpressions=\"False\""),
            std::string::npos);
  EXPECT_NE(document.find("<TkvxRichView Name=\"Blank\""), std::string::npos);
  EXPECT_TRUE(prompter.Messages.empty());
}

}  // namespace
}  // namespace kv
