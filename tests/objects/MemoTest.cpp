// Tests of the memo view: its payload in records of every file version built byte by byte, a
// record written back byte for byte, the element against text written by hand, the mappings of
// flags, alignment, display formats and highlight style, font heights, named properties and
// script methods, and what the element does not carry.
#include <gtest/gtest.h>

#include <array>
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
#include "objects/Memo.h"
#include "support/RecordingReportPrompter.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"
#include "writer/Conversion.h"

namespace kv {
namespace {

using test::DocumentOf;
using test::Reload;

using test::AfterCommonPart;
using test::Document;
using test::LoadInto;
using test::Losses;

using TLines = std::vector<std::string>;

using test::TBytes;

using test::TTestContext;

// The common record of the given version (versions 21 and 22 with zero-terminated texts), with
// the flags given and an empty memo.
TBytes CommonRecord(int version, int flags) {
  TBytes b;
  if (version >= 23) b.Str("Memo9");
  if (version >= 24) b.Byte(2).Byte(0);
  b.Int(8).Int(16).Int(100).Int(20).Word(flags).Word(0).Int(1).Int(0).Word(0).Int(clTransparent);
  b.Int(0x0102022C);  // FormatCode
  if (version >= 23) {
    b.Str("").Word(0).Byte(0);  // FormatText, Memo
    b.Word(0).Byte(0);          // ScriptLines
    b.Word(0xFFFF);             // Visible
  } else {
    b.Zero("").Zero("");
  }
  if (version >= 24) b.Word(0).Str("").Int(2).Int(1).Byte(0);  // Restrictions ... BandAlign
  return b;
}

// The memo payload as a file of the given version holds it.
TBytes& MemoPayload(TBytes& b, int version, bool prepared = false) {
  const auto text = [&](const std::string& s) -> TBytes& {
    return version >= 23 ? b.Str(s) : b.Zero(s);
  };
  text("Courier New");
  b.Int(12).Word(0x5).Int(0x0000FF).Int(0x12).Word(238);  // size, style, colour, Alignment, set
  if (!prepared) {
    b.Word(0x3).Int(0x00FFFF).Int(clTransparent);
    text("[Total] > 100");
  }
  if (version >= 24) b.Int(5).Int(-1);
  return b;
}

// ---- Defaults and class -------------------------------------------------------------------------

TEST(MemoTest, DefaultsAndRegistration) {
  TConversionContext context;
  TkvMemoView memo(context);
  EXPECT_EQ(memo.TypeCode, TypeMemo);
  EXPECT_EQ(memo.NamePrefix, "Memo");
  EXPECT_EQ(memo.Flags, 0x0003);
  EXPECT_EQ(memo.Font.Name, "Arial");
  EXPECT_EQ(memo.Font.Size, 10);
  EXPECT_TRUE(memo.Font.Style.Empty());
  EXPECT_EQ(memo.Font.Color, clBlack);
  EXPECT_EQ(memo.Font.Charset, 1);  // message 55337
  EXPECT_EQ(DefaultFontCharset(), 1);
  EXPECT_EQ(memo.Alignment, 0);
  EXPECT_EQ(memo.HighlightStyle, 2);
  EXPECT_EQ(memo.HighlightFontColor, 0);
  EXPECT_EQ(memo.HighlightColor, 0xFFFFFF);
  EXPECT_EQ(memo.HighlightCondition, "");
  EXPECT_EQ(memo.LineSpacing, 2);
  EXPECT_EQ(memo.CharSpacing, 0);
  EXPECT_EQ(memo.ClassName(), "TkvMemoView");
  EXPECT_EQ(memo.ElementName(), "TkvxMemoView");
  // The test program starts the library as the programs do: type code 0 makes memo views.
  ASSERT_EQ(BuiltInClass(TypeMemo), &TkvMemoView::Class());
  EXPECT_EQ(BuiltInClass(TypeMemo)->Create(context)->ClassName(), "TkvMemoView");
}

TEST(MemoTest, FormatTablesComeFromTheMessages) {
  EXPECT_EQ(DateFormats(),
            (std::array<std::string, 4>{"mm.dd.yy", "mm.dd.yyyy", "d mmm yyyy", "d mmmm yyyy"}));
  EXPECT_EQ(TimeFormats(), (std::array<std::string, 4>{"hh:nn:ss", "h:nn:ss", "hh:nn", "h:nn"}));
  EXPECT_EQ(BooleanFormats(), (std::array<std::string, 4>{"0;1", "No;Yes", "_;x", "False;True"}));
}

// ---- The record ---------------------------------------------------------------------------------

TEST(MemoTest, PayloadOfEveryVersion) {
  const struct {
    int Version;
    int StoredFlags;
    std::uint16_t Flags;  // after loading
    std::uint8_t Charset;
    std::int32_t LineSpacing, CharSpacing;
  } cases[] = {
      {21, 0x0000, 0x0002, 1, 2, 0},  // word wrap forced; set ignored; no spacings
      {21, 0x0011, 0x0013, 1, 2, 0},
      {22, 0x0000, 0x0000, 1, 2, 0},  // flags as stored; set ignored
      {23, 0x0001, 0x0001, 238, 2, 0},
      {24, 0x0105, 0x0105, 238, 5, -1},
      {25, 0x0003, 0x0003, 238, 5, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Version << " flags " << c.StoredFlags);
    TTestContext context(c.Version);
    TBytes b = CommonRecord(c.Version, c.StoredFlags);
    MemoPayload(b, c.Version);
    TkvMemoView memo(context);
    EXPECT_EQ(LoadInto(memo, b.Data), 1);
    EXPECT_EQ(memo.Width, 100);
    EXPECT_EQ(memo.FormatCode, 0x0102022C);
    EXPECT_EQ(memo.Flags, c.Flags);
    EXPECT_EQ(memo.Font.Name, "Courier New");
    EXPECT_EQ(memo.Font.Size, 12);
    EXPECT_EQ(memo.Font.Style, (TFontStyles{TFontStyle::fsItalic, TFontStyle::fsUnderline}));
    EXPECT_EQ(memo.Font.Color, 0x0000FF);
    EXPECT_EQ(memo.Font.Charset, c.Charset);
    EXPECT_EQ(memo.Alignment, 0x12);
    EXPECT_EQ(memo.HighlightStyle, 0x3);
    EXPECT_EQ(memo.HighlightFontColor, 0x00FFFF);
    EXPECT_EQ(memo.HighlightColor, clTransparent);
    EXPECT_EQ(memo.HighlightCondition, "[Total] > 100");
    EXPECT_EQ(memo.LineSpacing, c.LineSpacing);
    EXPECT_EQ(memo.CharSpacing, c.CharSpacing);
  }
}

TEST(MemoTest, PreparedRecordHasNoHighlight) {
  TTestContext context(25);
  TBytes b;
  b.Str("P").Byte(2).Byte(0);
  b.Int(0).Int(0).Int(0).Int(0).Word(3).Word(0).Int(1).Int(0).Word(0).Int(0);
  b.Word(1).Word(2).Raw("42").Byte(0);      // the evaluated memo
  b.Word(0).Str("").Int(2).Int(1).Byte(0);  // Restrictions ... BandAlign
  MemoPayload(b, 25, /*prepared=*/true);
  TkvMemoView memo(context);
  memo.PreparedRecord = true;
  EXPECT_EQ(LoadInto(memo, b.Data), 1);
  EXPECT_EQ(memo.Memo, TLines{"42"});
  EXPECT_EQ(memo.Font.Name, "Courier New");
  EXPECT_EQ(memo.HighlightStyle, 2);
  EXPECT_EQ(memo.HighlightCondition, "");
  EXPECT_EQ(memo.LineSpacing, 5);

  // Written back the same way, without the highlight block.
  memo.EvaluatedMemo = {"42"};
  TMemoryStream saved;
  memo.SaveLegacy(saved);
  EXPECT_EQ(saved.Bytes(), b.Data);
}

TEST(MemoTest, Version25RecordIsWrittenBackByteForByte) {
  TTestContext context(25);
  TBytes b;
  b.Str("Amount").Byte(2).Byte(3);
  b.Int(-4).Int(30).Int(120).Int(18).Word(0x01FF).Word(0xF).Int(1500).Int(0x808080).Word(1);
  b.Int(0xFFFFFF).Int(0x0103052E).Str("#,##0.000");
  b.Word(2).Word(7).Raw("[Price]").Byte(13).Word(0).Byte(0);  // memo "[Price]", ""
  b.Word(1).Word(3).Raw("end").Byte(0);                       // script
  b.Word(0).Word(0x11).Str("t").Int(3).Int(4).Byte(baRest);
  b.Str("Tahoma").Int(9).Word(0xF).Int(-16777208).Int(0x1D).Word(204);
  b.Word(0x8).Int(0x0000FF).Int(0xC0C0C0).Str("Value < 0");
  b.Int(0).Int(3);
  TkvMemoView memo(context);
  EXPECT_EQ(LoadInto(memo, b.Data), 1);
  TMemoryStream saved;
  memo.SaveLegacy(saved);
  EXPECT_EQ(saved.Bytes(), b.Data);
}

TEST(MemoTest, OlderRecordIsSavedInTheVersion25Layout) {
  TTestContext context(22);
  TBytes b = CommonRecord(22, 0x0003);
  MemoPayload(b, 22);
  TkvMemoView memo(context);
  ASSERT_EQ(LoadInto(memo, b.Data), 1);
  TMemoryStream saved;
  memo.SaveLegacy(saved);

  TBytes expected;
  expected.Str("Memo1").Byte(2).Byte(0);
  expected.Int(8).Int(16).Int(100).Int(20).Word(3).Word(0).Int(1).Int(0).Word(0);
  expected.Int(clTransparent).Int(0x0102022C).Str("").Word(0).Byte(0).Word(0).Byte(0).Word(0xFFFF);
  expected.Word(0).Str("").Int(2).Int(1).Byte(0);
  expected.Str("Courier New").Int(12).Word(0x5).Int(0x0000FF).Int(0x12).Word(1);
  expected.Word(0x3).Int(0x00FFFF).Int(clTransparent).Str("[Total] > 100");
  expected.Int(2).Int(0);  // the defaults of the spacings
  EXPECT_EQ(saved.Bytes(), expected.Data);
}

TEST(MemoTest, RecordEndingInsideThePayloadRaises) {
  TTestContext context(25);
  TBytes b = CommonRecord(25, 3);
  b.Str("Arial").Int(10).Word(0);  // ends before the colour
  TkvMemoView memo(context);
  TMemoryStream stream(b.Data);
  EXPECT_THROW(memo.LoadLegacy(stream), EReadError);
  EXPECT_EQ(memo.Font.Name, "Arial");
}

// ---- The element --------------------------------------------------------------------------------

TEST(MemoTest, ElementOfADefaultMemo) {
  TConversionContext context;
  context.DecimalSeparator = '.';
  TkvMemoView memo(context);
  memo.Name = "Memo1";
  EXPECT_EQ(Document(memo),
            "<TkvxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\""
            " Color=\"536870911\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\" StretchMode=\"smMaxHeight\" Font.Name=\"Arial\""
            " Font.Height=\"-13\" Font.Color=\"0\" Font.Style=\"0\" LineSpacing=\"2\""
            " CharSpacing=\"0\" HAlign=\"0\" VAlign=\"0\"");
}

TEST(MemoTest, ElementOfAMemoWithEverything) {
  TConversionContext context;
  TkvMemoView memo(context);
  memo.Name = "Total";
  memo.Memo = {"[Sum]"};
  memo.Flags = flAutoWidth | flSuppressRepeated | flUnderlines;
  memo.Font.Name = "Times \"New\" & <Roman>";
  memo.Font.Size = 12;
  memo.Font.Style = {TFontStyle::fsBold, TFontStyle::fsUnderline};
  memo.Font.Color = 255;
  memo.HighlightCondition = "[Sum] > 100 & \"x\"";
  memo.HighlightStyle = 0x3;
  memo.HighlightFontColor = clWhite;
  memo.HighlightColor = clWindowText;
  memo.LineSpacing = 0;
  memo.CharSpacing = -2;
  memo.Alignment = 0x0E;
  memo.FormatCode = 0x0102022C;
  EXPECT_EQ(AfterCommonPart(memo),
            " WordWrap=\"False\" AutoWidth=\"True\" SuppressRepeated=\"True\""
            " Underlines=\"True\" Font.Name=\"Times &#34;New&#34; &#38; &#60;Roman>\""
            " Font.Height=\"-16\" Font.Color=\"255\" Font.Style=\"5\" LineSpacing=\"0\""
            " CharSpacing=\"-2\" Highlight.Condition=\"[Sum] &#62; 100 &#38; &#34;x&#34;\""
            " Highlight.Font.Style=\"3\" Highlight.Font.Color=\"16777215\""
            " Highlight.Color=\"-16777208\" HAlign=\"2\" VAlign=\"2\" Rotation=\"90\""
            " DisplayFormat.Kind=\"fkNumeric\" DisplayFormat.DecimalSeparator=\",\""
            " DisplayFormat.FormatStr=\"%2.2n\"");
}

TEST(MemoTest, FlagAttributes) {
  TConversionContext context;
  const struct {
    std::uint16_t Flags;
    const char* Expected;  // the attributes before Font.Name
  } cases[] = {
      {0x0003, " StretchMode=\"smMaxHeight\""},
      {0x0000, " WordWrap=\"False\""},
      {0x0002, ""},
      {0x0004 | 0x0002, ""},  // word break is not carried
      {0x000A, " AutoWidth=\"True\""},
      {0x0012, " AllowExpressions=\"False\""},
      {0x0022, " SuppressRepeated=\"True\""},
      {0x0042, " HideZeros=\"True\""},
      {0x0082, " Underlines=\"True\""},
      {0x0102, " RTLReading=\"True\""},
      {0x01FF,
       " StretchMode=\"smMaxHeight\" AutoWidth=\"True\" AllowExpressions=\"False\""
       " SuppressRepeated=\"True\" HideZeros=\"True\" Underlines=\"True\" RTLReading=\"True\""},
  };
  for (const auto& c : cases) {
    TkvMemoView memo(context);
    memo.Flags = c.Flags;
    const std::string attributes = AfterCommonPart(memo);
    EXPECT_EQ(attributes.substr(0, attributes.find(" Font.Name=")), c.Expected) << c.Flags;
  }
}

TEST(MemoTest, AlignmentAttributes) {
  TConversionContext context;
  const struct {
    std::int32_t Alignment;
    const char* Expected;  // the attributes from HAlign on
  } cases[] = {
      {0x00, " HAlign=\"0\" VAlign=\"0\""},
      {0x1D, " HAlign=\"1\" VAlign=\"2\" Rotation=\"90\""},
      {0x03, " HAlign=\"3\" VAlign=\"0\""},
      {0x02, " HAlign=\"2\" VAlign=\"0\""},
      {0x08, " HAlign=\"0\" VAlign=\"2\""},
      {0x10, " HAlign=\"0\" VAlign=\"1\""},
      {0x04, " HAlign=\"0\" VAlign=\"0\" Rotation=\"90\""},
      {0x11, " HAlign=\"1\" VAlign=\"1\""},
  };
  for (const auto& c : cases) {
    TkvMemoView memo(context);
    memo.Alignment = c.Alignment;
    const std::string attributes = AfterCommonPart(memo);
    EXPECT_EQ(attributes.substr(attributes.find(" HAlign=")), c.Expected) << c.Alignment;
  }
}

TEST(MemoTest, DisplayFormatAttributes) {
  TConversionContext context;
  const struct {
    std::int32_t FormatCode;
    const char* Expected;  // the attributes after VAlign
  } cases[] = {
      {0x0000022E, ""},  // text
      {0x0100022E,
       " DisplayFormat.Kind=\"fkNumeric\" DisplayFormat.DecimalSeparator=\".\""
       " DisplayFormat.FormatStr=\"%g\""},
      {0x0101022C,
       " DisplayFormat.Kind=\"fkNumeric\" DisplayFormat.DecimalSeparator=\",\""
       " DisplayFormat.FormatStr=\"%2.2f\""},
      {0x0102022C,
       " DisplayFormat.Kind=\"fkNumeric\" DisplayFormat.DecimalSeparator=\",\""
       " DisplayFormat.FormatStr=\"%2.2n\""},
      {0x0103002E,
       " DisplayFormat.Kind=\"fkNumeric\" DisplayFormat.DecimalSeparator=\".\""
       " DisplayFormat.FormatStr=\"%2.2m\""},
      {0x01040026,
       " DisplayFormat.Kind=\"fkNumeric\" DisplayFormat.DecimalSeparator=\"&#38;\""
       " DisplayFormat.FormatStr=\"#&#60;0.0&#34;\""},
      {0x0105002E, " DisplayFormat.Kind=\"fkNumeric\" DisplayFormat.DecimalSeparator=\".\""},
      {0x0200022E, " DisplayFormat.Kind=\"fkDateTime\" DisplayFormat.FormatStr=\"mm.dd.yy\""},
      {0x0201022E, " DisplayFormat.Kind=\"fkDateTime\" DisplayFormat.FormatStr=\"mm.dd.yyyy\""},
      {0x0202022E, " DisplayFormat.Kind=\"fkDateTime\" DisplayFormat.FormatStr=\"d mmm yyyy\""},
      {0x0203022E, " DisplayFormat.Kind=\"fkDateTime\" DisplayFormat.FormatStr=\"dd mmmm yyyy\""},
      {0x0204022E, " DisplayFormat.Kind=\"fkDateTime\" DisplayFormat.FormatStr=\"#&#60;0.0&#34;\""},
      {0x0205022E, " DisplayFormat.Kind=\"fkDateTime\""},  // no format text above custom
      {0x0300022E, " DisplayFormat.Kind=\"fkDateTime\" DisplayFormat.FormatStr=\"hh:nn:ss\""},
      {0x0301022E, " DisplayFormat.Kind=\"fkDateTime\" DisplayFormat.FormatStr=\"h:nn:ss\""},
      {0x0302022E, " DisplayFormat.Kind=\"fkDateTime\" DisplayFormat.FormatStr=\"hh:nn\""},
      {0x0303022E, " DisplayFormat.Kind=\"fkDateTime\" DisplayFormat.FormatStr=\"h:nn\""},
      {0x03FF022E, " DisplayFormat.Kind=\"fkDateTime\""},
      {0x0400022E, " DisplayFormat.Kind=\"fkBoolean\" DisplayFormat.FormatStr=\"0;1\""},
      {0x0401022E, " DisplayFormat.Kind=\"fkBoolean\" DisplayFormat.FormatStr=\"No;Yes\""},
      {0x0402022E, " DisplayFormat.Kind=\"fkBoolean\" DisplayFormat.FormatStr=\"_;x\""},
      {0x0403022E, " DisplayFormat.Kind=\"fkBoolean\" DisplayFormat.FormatStr=\"False;True\""},
      {0x0406022E, " DisplayFormat.Kind=\"fkBoolean\""},
      {0x0500022E, ""},  // kinds above boolean write nothing
      {0x0F04022E, ""},
      {static_cast<std::int32_t>(0xF101022Eu),  // only the low four bits of the top byte count
       " DisplayFormat.Kind=\"fkNumeric\" DisplayFormat.DecimalSeparator=\".\""
       " DisplayFormat.FormatStr=\"%2.2f\""},
  };
  for (const auto& c : cases) {
    TkvMemoView memo(context);
    memo.FormatCode = c.FormatCode;
    memo.FormatText = "#<0.0\"";
    const std::string attributes = AfterCommonPart(memo);
    const std::size_t valign = attributes.find(" VAlign=\"0\"");
    EXPECT_EQ(attributes.substr(valign + 11), c.Expected) << std::hex << c.FormatCode;
  }
}

TEST(MemoTest, HighlightIsWrittenOnlyWithAConditionAndItsStyleInTheDocumentsBits) {
  TConversionContext context;
  const struct {
    std::uint16_t Stored;
    const char* Style;
  } cases[] = {{0x2, "1"}, {0x1, "2"}, {0x4, "4"}, {0x8, "8"}, {0xF, "15"}, {0xFFF0, "0"}};
  for (const auto& c : cases) {
    TkvMemoView memo(context);
    memo.HighlightCondition = "x";
    memo.HighlightStyle = c.Stored;
    const std::string attributes = AfterCommonPart(memo);
    EXPECT_NE(attributes.find(" Highlight.Condition=\"x\" Highlight.Font.Style=\"" +
                              std::string(c.Style) +
                              "\" Highlight.Font.Color=\"0\" Highlight.Color=\"16777215\""),
              std::string::npos)
        << c.Stored;
  }
  TkvMemoView memo(context);
  memo.HighlightStyle = 0xF;
  memo.HighlightFontColor = 255;
  memo.HighlightColor = clTransparent;
  EXPECT_EQ(AfterCommonPart(memo).find("Highlight"), std::string::npos);
}

TEST(MemoTest, FontHeightInPixels) {
  TConversionContext context;
  const struct {
    std::int32_t Points;
    int PixelsPerInch;
    std::int64_t Height;
  } cases[] = {
      {10, 96, -13},
      {8, 96, -11},
      {10, 120, -17},
      {12, 96, -16},
      {9, 96, -12},
      // Exact halves (3 x 12 / 72 = 0.5) go away from zero.
      {3, 12, -1},
      {-3, 12, 1},
      {0, 96, 0},
      {-10, 96, 13},
      {INT32_MAX, 96, -2863311529LL},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FontHeightPixels(c.Points, c.PixelsPerInch), c.Height)
        << c.Points << " at " << c.PixelsPerInch;
  }
  TkvMemoView memo(context);
  memo.Font.Size = 8;
  EXPECT_NE(AfterCommonPart(memo).find(" Font.Height=\"-11\""), std::string::npos);
}

// ---- Named properties and methods ---------------------------------------------------------------

TEST(MemoTest, DeclaredPropertiesFollowTheViewsThenTheMemos) {
  TConversionContext context;
  TkvMemoView memo(context);
  memo.DeclareProperties();
  std::vector<std::string> names;
  for (const auto& rec : memo.PropList) names.push_back(rec->Name);
  EXPECT_EQ(names, (std::vector<std::string>{
                       "Name",        "Left",         "Top",        "Width",         "Height",
                       "Flags",       "FrameTyp",     "FrameWidth", "FrameColor",    "FrameStyle",
                       "FillColor",   "Tag",          "BandAlign",  "Visible",       "Memo",
                       "Memo.Count",  "Restrictions", "Font.Name",  "Font.Size",     "Font.Style",
                       "Font.Color",  "Font",         "Alignment",  "DisplayFormat", "Highlight",
                       "LineSpacing", "CharSpacing",  "GapX",       "GapY",          "Stretched",
                       "WordWrap",    "WordBreak",    "AutoWidth",  "TextOnly",      "Suppress",
                       "HideZeros",   "Lines.Count",  "Underlines", "RTLReading"}));
  const TkvPropRec* frameStyle = memo.FindProperty("FrameStyle");
  ASSERT_NE(frameStyle, nullptr);
  EXPECT_EQ(frameStyle->EnumNames.size(), 6u);
  const TkvPropRec* bandAlign = memo.FindProperty("BandAlign");
  ASSERT_NE(bandAlign, nullptr);
  EXPECT_EQ(bandAlign->EnumNames.size(), 8u);
}

TEST(MemoTest, PropertiesSetAndReadTheirFields) {
  TConversionContext context;
  TkvMemoView memo(context);
  memo.AssignProperty("font.name", std::string("Verdana"));
  memo.AssignProperty("FONT.SIZE", std::int64_t{14});
  memo.AssignProperty("Font.Style", std::int64_t{0x3});  // stored convention: bold and italic
  memo.AssignProperty("Font.Color", std::int64_t{0xFF00000F});
  memo.AssignProperty("Alignment", std::int64_t{0x1D});
  memo.AssignProperty("LineSpacing", std::int64_t{-1});
  memo.AssignProperty("CharSpacing", std::int64_t{4});
  memo.AssignProperty("Left", std::int64_t{40});  // handed on to the view
  EXPECT_EQ(memo.Font.Name, "Verdana");
  EXPECT_EQ(memo.Font.Size, 14);
  EXPECT_EQ(memo.Font.Style, (TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic}));
  EXPECT_EQ(memo.Font.Color, clBtnFace);
  EXPECT_EQ(memo.Alignment, 0x1D);
  EXPECT_EQ(memo.LineSpacing, -1);
  EXPECT_EQ(memo.CharSpacing, 4);
  EXPECT_EQ(memo.Left, 40);
  EXPECT_EQ(memo.QueryProperty("Font.Name"), TVariant(std::string("Verdana")));
  EXPECT_EQ(memo.QueryProperty("Font.Style"), TVariant(std::int64_t{3}));
  EXPECT_EQ(memo.QueryProperty("alignment"), TVariant(std::int64_t{0x1D}));
  EXPECT_EQ(memo.QueryProperty("CharSpacing"), TVariant(std::int64_t{4}));

  memo.Memo = {"a", "b", "c"};
  EXPECT_EQ(memo.QueryProperty("Lines.Count"), TVariant(std::int64_t{3}));
  memo.AssignProperty("Lines.Count", std::int64_t{0});  // read-only
  EXPECT_EQ(memo.Memo.size(), 3u);
}

TEST(MemoTest, FlagPropertiesSetAndReadTheirBits) {
  TConversionContext context;
  const struct {
    const char* Name;
    std::uint16_t Bit;
  } cases[] = {{"Stretched", 0x0001}, {"WordWrap", 0x0002},   {"WordBreak", 0x0004},
               {"AutoWidth", 0x0008}, {"TextOnly", 0x0010},   {"Suppress", 0x0020},
               {"HideZeros", 0x0040}, {"Underlines", 0x0080}, {"RTLReading", 0x0100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TkvMemoView memo(context);
    memo.Flags = 0x8000;
    memo.AssignProperty(c.Name, true);
    EXPECT_EQ(memo.Flags, 0x8000 | c.Bit);
    EXPECT_EQ(memo.QueryProperty(c.Name), TVariant(true));
    memo.Flags = 0xFFFF;
    memo.AssignProperty(c.Name, std::int64_t{0});
    EXPECT_EQ(memo.Flags, 0xFFFF & ~c.Bit);
    EXPECT_EQ(memo.QueryProperty(c.Name), TVariant(false));
  }
}

TEST(MemoTest, ScriptMethodsOnLinesMemoAndHeight) {
  TConversionContext context;
  TkvMemoView memo(context);
  memo.Height = 33;
  memo.RunMethod("Lines.Add", std::string("'first'"), {}, {});
  memo.RunMethod("LINES.ADD", std::string("'second'"), {}, {});
  EXPECT_EQ(memo.Memo, (TLines{"first", "second"}));
  EXPECT_EQ(memo.RunMethod("GetIndexProperty", std::string("Lines"), std::int64_t{1}, {}),
            TVariant(std::string("second")));
  memo.RunMethod("SETINDEXPROPERTY", std::string("LINES"), std::int64_t{0}, std::string("one"));
  EXPECT_EQ(memo.Memo, (TLines{"one", "second"}));
  EXPECT_EQ(memo.RunMethod("Lines.IndexOf", std::string("'second'"), {}, {}),
            TVariant(std::int64_t{1}));
  memo.RunMethod("Lines.Delete", std::string("0"), {}, {});
  EXPECT_EQ(memo.Memo, TLines{"second"});
  // The view's methods still work on the same lines.
  EXPECT_EQ(memo.RunMethod("GETINDEXPROPERTY", std::string("MEMO"), std::int64_t{0}, {}),
            TVariant(std::string("second")));
  memo.RunMethod("Memo.Clear", {}, {}, {});
  EXPECT_TRUE(memo.Memo.empty());
  EXPECT_EQ(memo.RunMethod("CalcHeight", {}, {}, {}), TVariant(std::int64_t{33}));
  memo.RunMethod("HIDE", {}, {}, {});
  EXPECT_FALSE(memo.Visible);
}

// ---- What the document does not carry -----------------------------------------------------------

TEST(MemoTest, DocumentLosses) {
  TConversionContext context;
  const struct {
    std::uint16_t Flags;
    std::int32_t FormatCode;
    std::uint8_t Charset;
    std::vector<std::string> Expected;
  } cases[] = {
      {0x0003, 0x0000022E, 1, {}},  // defaults: nothing
      {0x0003, 0x0000002E, 0, {}},  // ANSI is the default set's equal
      {0x0007, 0x0000022E, 1, {"word break is not carried into the document"}},
      {0x0003,
       0x0102022C,
       1,
       {"the display format's 2 decimal digits are not carried into the document"}},
      {0x0003, 0x0102002C, 1, {}},
      {0x0003, 0x0000022E, 204, {"the font's character set 204 is not carried into the document"}},
      {0x0003,
       0x0205022E,
       1,
       {"the display format's sub-kind 5 has no format text, so the document carries only the "
        "kind"}},
      {0x0003,
       0x0700022E,
       1,
       {"the display format of unknown kind 7 is not carried into the document"}},
      {0x0005,
       0x0109032C,
       238,
       {"word break is not carried into the document",
        "the font's character set 238 is not carried into the document",
        "the display format's 3 decimal digits are not carried into the document",
        "the display format's sub-kind 9 has no format text, so the document carries only the "
        "kind"}},
  };
  for (const auto& c : cases) {
    TkvMemoView memo(context);
    memo.Flags = c.Flags;
    memo.FormatCode = c.FormatCode;
    memo.Font.Charset = c.Charset;
    EXPECT_EQ(Losses(memo), c.Expected) << c.Flags << " " << std::hex << c.FormatCode;
  }
}

// ---- Through a whole report ---------------------------------------------------------------------

TEST(MemoTest, MemoGoesThroughAReportFileIntoTheDocumentWithItsNotes) {
  TConversionContext context;
  test::TRecordingPrompter prompter;
  TkvReport report(context);
  report.Prompter = &prompter;
  report.Pages.AddPage();
  auto title = std::make_unique<TkvMemoView>(context);
  title->Name = "Title";
  title->Memo = {"Sales"};
  title->Font.Size = 14;
  title->Flags |= flWordBreak;
  title->HighlightCondition = "[Page] = 1";
  report.Pages.Item(0).ObjectList.push_back(std::move(title));
  TkvReport loaded(context);
  loaded.Prompter = &prompter;
  Reload(report, loaded);
  ASSERT_TRUE(loaded.LastLoad.Read());
  ASSERT_EQ(loaded.Pages.Item(0).ObjectList.size(), 1u);
  const auto* memo = dynamic_cast<const TkvMemoView*>(loaded.Pages.Item(0).ObjectList[0].get());
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Name, "Title");
  EXPECT_EQ(memo->Memo, TLines{"Sales"});
  EXPECT_EQ(memo->Font.Size, 14);
  EXPECT_EQ(memo->HighlightCondition, "[Page] = 1");
  EXPECT_EQ(LoadNotes(loaded),
            std::vector<std::string>{"Page 1, Title: word break is not carried into the document"});

  const std::string document = DocumentOf(loaded);
  EXPECT_NE(document.find("<TkvxMemoView Name=\"Title\""), std::string::npos);
  EXPECT_NE(document.find(" Font.Name=\"Arial\" Font.Height=\"-19\""), std::string::npos);
  EXPECT_NE(document.find(" Highlight.Condition=\"[Page] = 1\""), std::string::npos);
  EXPECT_TRUE(prompter.Messages.empty());
}

}  // namespace
}  // namespace kv
