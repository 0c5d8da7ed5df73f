// Tests of the line view: its defaults and heights, its record (the common record alone, with the
// stored width and height kept), its published names and its element with the stretch flag.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LegacyBytes.h"
#include "base/DocumentText.h"
#include "legacy/Context.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"
#include "objects/Line.h"
#include "support/StateScopes.h"
#include "support/ViewProbes.h"

namespace kv {
namespace {

using test::Document;

using test::TBytes;
using TLines = std::vector<std::string>;

TEST(LineTest, DefaultsHeightsAndRegistration) {
  TConversionContext context;
  TkvLineView line(context);
  EXPECT_EQ(line.TypeCode, TypeLine);
  EXPECT_EQ(line.NamePrefix, "Line");
  EXPECT_EQ(line.FrameTyp, frLeft);
  EXPECT_EQ(line.FillColor, 0xFFFFFF);
  EXPECT_EQ(line.Flags, flStretched);
  EXPECT_EQ(line.ClassName(), "TkvLineView");
  line.Height = 75;
  EXPECT_EQ(line.CalcHeight(), 75);
  EXPECT_EQ(line.MinHeight(), 1);
  EXPECT_EQ(line.RemainHeight(), 0);
  EXPECT_EQ(line.RunMethod("CalcHeight", {}, {}, {}), TVariant(std::int64_t{75}));
  EXPECT_EQ(BuiltInClass(TypeLine), &TkvLineView::Class());
  EXPECT_NE(dynamic_cast<TkvLineView*>(CreateReportObject(context, TypeLine, "").get()), nullptr);
}

// A horizontal line stored with a height and a vertical frame keeps both: only drawing
// straightens a line.
TEST(LineTest, RecordIsTheCommonRecordAndKeepsTheStoredSize) {
  test::TTestContext context(25);
  TBytes b;
  b.Str("Line7").Byte(2).Byte(0);
  b.Int(10).Int(20).Int(200).Int(3).Word(0x0000).Word(frLeft).Int(2).Int(0).Word(0);
  b.Int(0xFFFFFF).Int(0x22E).Str("").Word(0).Byte(0).Word(0).Byte(0).Word(0xFFFF);
  b.Word(0).Str("").Int(2).Int(1).Byte(baNone);
  TMemoryStream stream(b.Data + "NEXT");
  TkvLineView line(context);
  line.LoadLegacy(stream);
  EXPECT_EQ(stream.Remaining(), 4);
  EXPECT_EQ(line.Name, "Line7");
  EXPECT_EQ(line.Width, 200);
  EXPECT_EQ(line.Height, 3);
  EXPECT_EQ(line.FrameTyp, frLeft);
  EXPECT_EQ(line.Flags, 0);

  TMemoryStream written;
  line.SaveLegacy(written);
  EXPECT_EQ(written.Bytes(), b.Data);
}

TEST(LineTest, PublishedNames) {
  TConversionContext context;
  TkvLineView line(context);
  line.DeclareProperties();
  std::vector<std::string> names;
  for (const auto& rec : line.PropList) names.push_back(rec->Name);
  EXPECT_EQ(names,
            (TLines{"Name", "Left", "Top", "Width", "Height", "Flags", "FrameTyp", "FrameWidth",
                    "FrameColor", "FrameStyle", "FillColor", "Tag", "BandAlign", "Visible", "Memo",
                    "Memo.Count", "Restrictions", "Stretched"}));
  line.AssignProperty("Stretched", false);
  EXPECT_EQ(line.Flags, 0);
  EXPECT_EQ(line.QueryProperty("Width"), TVariant(std::int64_t{0}));
}

TEST(LineTest, ElementWritesStretchedOnlyWhenClear) {
  TConversionContext context;
  TkvLineView line(context);
  line.Name = "Line1";
  line.Width = 100;
  const std::string common =
      "<TkvxLineView Name=\"Line1\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"0\""
      " Color=\"16777215\" Frame.Typ=\"1\" Frame.Width=\"1\" Frame.Color=\"0\""
      " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
      " Restrictions=\"0\"";
  EXPECT_EQ(Document(line), common);
  line.Flags = 0x0002;  // other bits are no business of the line's
  EXPECT_EQ(Document(line), common + " Stretched=\"False\"");
}

}  // namespace
}  // namespace kv
