// Tests of the shared named-property routines: font sub-properties, line-list script methods and
// the argument evaluator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "legacy/PropertyRoutines.h"

namespace kv {
namespace {

using TLines = std::vector<std::string>;

TVariant Int(std::int64_t value) {
  return value;
}
TVariant Text(const char* value) {
  return std::string(value);
}

TEST(PropertyRoutinesTest, FontSubProperties) {
  TkvFont font;
  EXPECT_TRUE(SetFontProperty(font, "FONT.NAME", Text("Courier New")));
  EXPECT_TRUE(SetFontProperty(font, "FONT.SIZE", Text("12")));
  EXPECT_TRUE(SetFontProperty(font, "FONT.STYLE", Int(3)));  // stored convention: bold, italic
  EXPECT_TRUE(SetFontProperty(font, "FONT.COLOR", Int(0xFF00000F)));
  EXPECT_EQ(font.Name, "Courier New");
  EXPECT_EQ(font.Size, 12);
  EXPECT_EQ(font.Style, (TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic}));
  EXPECT_EQ(font.Color, clBtnFace);

  EXPECT_EQ(GetFontProperty(font, "FONT.NAME"), Text("Courier New"));
  EXPECT_EQ(GetFontProperty(font, "FONT.SIZE"), Int(12));
  EXPECT_EQ(GetFontProperty(font, "FONT.STYLE"), Int(3));
  EXPECT_EQ(GetFontProperty(font, "FONT.COLOR"), Int(clBtnFace));

  const TkvFont before = font;
  for (const char* other : {"FONT", "FONT.CHARSET", "font.name", "COLOR"}) {
    EXPECT_FALSE(SetFontProperty(font, other, Text("x"))) << other;
    EXPECT_TRUE(VarIsEmpty(GetFontProperty(font, other))) << other;
  }
  EXPECT_EQ(font, before);
}

TEST(PropertyRoutinesTest, ListMethods) {
  struct TCase {
    const char* Method;
    TVariant Argument1, Argument2, Argument3;
    TLines Expected;
    TVariant Result;
  };
  const TLines start = {"a", "b", "c"};
  const TCase cases[] = {
      {"SETINDEXPROPERTY", Text("Lines"), Int(1), Text("x"), {"a", "x", "c"}, {}},
      {"SetIndexProperty", Text("LINES"), Text("2"), Int(5), {"a", "b", "5"}, {}},
      {"SETINDEXPROPERTY", Text("MEMO"), Int(1), Text("x"), start, {}},
      {"SETINDEXPROPERTY", Text("LINES"), Int(3), Text("x"), start, {}},
      {"SETINDEXPROPERTY", Text("LINES"), Int(-1), Text("x"), start, {}},
      {"GETINDEXPROPERTY", Text("LINES"), Int(2), {}, start, Text("c")},
      {"GETINDEXPROPERTY", Text("LINES"), Int(3), {}, start, {}},
      {"GETINDEXPROPERTY", Text("MEMO"), Int(0), {}, start, {}},
      {"LINES.ADD", Text("'it''s'"), {}, {}, {"a", "b", "c", "it's"}, {}},
      {"lines.add", Text("42"), {}, {}, {"a", "b", "c", "42"}, {}},
      {"LINES.ADD", Text("\"q\""), {}, {}, {"a", "b", "c", "q"}, {}},
      {"LINES.ADD", Text("[Date]"), {}, {}, {"a", "b", "c", "[Date]"}, {}},
      {"LINES.CLEAR", {}, {}, {}, {}, {}},
      {"LINES.DELETE", Text("1"), {}, {}, {"a", "c"}, {}},
      {"LINES.DELETE", Int(0), {}, {}, {"b", "c"}, {}},
      {"LINES.DELETE", Text("3"), {}, {}, start, {}},
      {"LINES.DELETE", Text("-1"), {}, {}, start, {}},
      {"LINES.DELETE", Text("'b'"), {}, {}, start, {}},  // a text is no index
      {"LINES.INDEXOF", Text("'b'"), {}, {}, start, Int(1)},
      {"LINES.INDEXOF", Text("c"), {}, {}, start, Int(2)},
      {"LINES.INDEXOF", Text("'B'"), {}, {}, start, Int(-1)},
      {"LINES.SORT", {}, {}, {}, start, {}},
      {"LINESX.ADD", Text("'z'"), {}, {}, start, {}},
      {"MEMO.CLEAR", {}, {}, {}, start, {}},
  };
  for (const auto& c : cases) {
    TLines lines = start;
    const TVariant result =
        RunListMethod(lines, c.Method, c.Argument1, c.Argument2, c.Argument3, "LINES");
    EXPECT_EQ(lines, c.Expected) << c.Method << " " << VarToStr(c.Argument1);
    EXPECT_EQ(result, c.Result) << c.Method << " " << VarToStr(c.Argument1);
  }

  TLines empty;
  EXPECT_TRUE(
      VarIsEmpty(RunListMethod(empty, "GETINDEXPROPERTY", Text("LINES"), Int(0), {}, "LINES")));
  EXPECT_EQ(RunListMethod(empty, "LINES.INDEXOF", Text("''"), {}, {}, "LINES"), Int(-1));
}

TEST(PropertyRoutinesTest, EvaluateExpression) {
  const struct {
    const char* Text;
    TVariant Expected;
  } cases[] = {
      {"'abc'", Text("abc")},
      {"'it''s'", Text("it's")},
      {"''", Text("")},
      {"\"say \"\"hi\"\"\"", Text("say \"hi\"")},
      {"  'padded'  ", Text("padded")},
      {"12", Int(12)},
      {"-3", Int(-3)},
      {"+4", Int(4)},
      {" 7 ", Int(7)},
      {"2.5", TVariant(2.5)},
      {".5", TVariant(0.5)},
      {"1e3", TVariant(1000.0)},
      {"99999999999999999999", TVariant(1e20)},
      {"abc", Text("abc")},
      {"'unterminated", Text("'unterminated")},
      {"'a'b'", Text("'a'b'")},
      {"'a' + 'b'", Text("'a' + 'b'")},
      {"'", Text("'")},
      {"inf", Text("inf")},
      {"0x10", Text("0x10")},
      {"1e", Text("1e")},
      {".", Text(".")},
      {"-", Text("-")},
      {"", Text("")},
  };
  for (const auto& c : cases) EXPECT_EQ(EvaluateExpression(c.Text), c.Expected) << c.Text;
}

}  // namespace
}  // namespace kv
