// Tests of the shape and rounded-rectangle views: defaults and registration, the shape's one-byte
// record and the rounded rectangle's 14 bytes after the memo payload (read in every version and
// written back byte for byte), the gradient mode through the named properties, both elements
// against text written by hand, and what the rounded rectangle's element drops.
#include <gtest/gtest.h>

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
#include "objects/Shape.h"
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
using test::PropertyNames;
using test::Saved;
using test::TBytes;
using test::TTestContext;

using TLines = std::vector<std::string>;

// The common record of a version-25 file with the given name and frame lines, an empty memo.
TBytes CommonRecord(const std::string& name, int frameTyp, int flags = 0x0003) {
  TBytes b;
  b.Str(name).Byte(2).Byte(0);
  b.Int(8).Int(16).Int(100).Int(40).Word(flags).Word(frameTyp).Int(1).Int(0).Word(0);
  b.Int(0xFFFFFF).Int(0x22E).Str("").Word(0).Byte(0).Word(0).Byte(0).Word(0xFFFF);
  b.Word(0).Str("").Int(2).Int(1).Byte(baNone);
  return b;
}

// The memo payload of a version-25 record: font, alignment, set, highlight and spacings.
TBytes& MemoPayload(TBytes& b) {
  b.Str("Arial").Int(10).Word(0).Int(0).Int(0).Word(1);
  b.Word(0x2).Int(0).Int(0xFFFFFF).Str("");
  return b.Int(2).Int(0);
}

// The 14 bytes of a rounded rectangle.
TBytes& BoxPayload(TBytes& b, std::int32_t shadowColor, std::int32_t shadowWidth, int allSides,
                   int roundCorners, std::int32_t roundSize) {
  return b.Int(shadowColor).Int(shadowWidth).Byte(allSides).Byte(roundCorners).Int(roundSize);
}

// ---- Defaults and registration ------------------------------------------------------------------

TEST(ShapeTest, DefaultsAndRegistration) {
  TConversionContext context;
  TkvShapeView shape(context);
  EXPECT_EQ(shape.TypeCode, TypeAddIn);
  EXPECT_EQ(shape.NamePrefix, "Shape");
  EXPECT_EQ(shape.Flags, flStretched);
  EXPECT_EQ(shape.FrameWidth, 1.0f);
  EXPECT_EQ(shape.FillColor, clTransparent);
  EXPECT_EQ(shape.ShapeKind, skRectangle);
  EXPECT_EQ(shape.ElementName(), "TkvxShapeView");

  TkvRoundRectView box(context);
  EXPECT_EQ(box.TypeCode, TypeAddIn);
  EXPECT_EQ(box.NamePrefix, "RoundRect");
  EXPECT_EQ(box.FrameTyp, 0xFF);
  EXPECT_EQ(box.Flags, 0x0003);  // the memo's
  EXPECT_EQ(box.Font.Name, "Arial");
  EXPECT_EQ(box.ShadowColor, 0x808080);
  EXPECT_EQ(box.ShadowWidth, 6);
  EXPECT_EQ(box.AllSides, 1);
  EXPECT_EQ(box.RoundCorners, 1);
  EXPECT_EQ(box.RoundSize, 10);
  EXPECT_FALSE(box.Gradient());
  EXPECT_EQ(box.ElementName(), "TkvxRoundRectView");

  // Both are objects, not controls, the rounded rectangle before the shape, with their hints.
  std::vector<std::string> registered;
  for (const auto& info : AddIns()) {
    if (info.Class == &TkvRoundRectView::Class() || info.Class == &TkvShapeView::Class()) {
      EXPECT_FALSE(info.IsControl);
      registered.push_back(info.Class->Name + " " + info.Hint);
    }
  }
  EXPECT_EQ(registered, (TLines{"TkvRoundRectView 55344", "TkvShapeView 55226"}));
  const auto created = CreateReportObject(context, TypeAddIn, "TkvRoundRectView");
  ASSERT_NE(dynamic_cast<TkvRoundRectView*>(created.get()), nullptr);
  EXPECT_EQ(created->TypeCode, TypeAddIn);
  EXPECT_NE(
      dynamic_cast<TkvShapeView*>(CreateReportObject(context, TypeAddIn, "TkvShapeView").get()),
      nullptr);
}

// ---- Records ------------------------------------------------------------------------------------

TEST(ShapeTest, ShapeRecordIsOneByteAfterTheCommonRecord) {
  TTestContext context(25);
  TBytes b = CommonRecord("Shape3", frLeft | frTop, flStretched);
  b.Byte(skDiagonal1);
  TkvShapeView shape(context);
  EXPECT_EQ(LoadInto(shape, b.Data), 1);
  EXPECT_EQ(shape.Name, "Shape3");
  EXPECT_EQ(shape.ShapeKind, skDiagonal1);
  EXPECT_EQ(Saved(shape), b.Data);

  // A record that ends before the kind raises, with nothing read past it.
  TkvShapeView cut(context);
  TMemoryStream stream(CommonRecord("Shape4", 0).Data);
  EXPECT_THROW(cut.LoadLegacy(stream), EReadError);
}

TEST(ShapeTest, RoundRectRecordIs14BytesAfterTheMemoPayload) {
  TTestContext context(25);
  TBytes b = CommonRecord("RoundRect2", 0xF);
  MemoPayload(b);
  BoxPayload(b, 0x00C0C0C0, GradientShadowWidth, 0, 1, gsElliptic);
  TkvRoundRectView box(context);
  EXPECT_EQ(LoadInto(box, b.Data), 1);
  EXPECT_EQ(box.Name, "RoundRect2");
  EXPECT_EQ(box.ShadowColor, 0xC0C0C0);
  EXPECT_EQ(box.ShadowWidth, -99);
  EXPECT_TRUE(box.Gradient());
  EXPECT_EQ(box.AllSides, 0);
  EXPECT_EQ(box.RoundCorners, 1);
  EXPECT_EQ(box.RoundSize, gsElliptic);
  EXPECT_EQ(Saved(box), b.Data);

  // A record that ends inside the 14 bytes raises.
  TBytes cut = CommonRecord("RoundRect3", 0xF);
  MemoPayload(cut).Int(0x808080).Int(6).Byte(1);
  TkvRoundRectView partial(context);
  TMemoryStream stream(cut.Data);
  EXPECT_THROW(partial.LoadLegacy(stream), EReadError);
}

// The 14 bytes do not depend on the file's version: an old file has them after its memo payload.
TEST(ShapeTest, RoundRectRecordOfAnOldFileCarriesThe14Bytes) {
  TTestContext context(22);
  TBytes b;
  b.Int(8).Int(16).Int(100).Int(40).Word(3).Word(0xF).Int(1).Int(0).Word(0);
  b.Int(0xFFFFFF).Int(0x22E).Zero("").Zero("");
  b.Zero("Arial").Int(10).Word(0).Int(0).Int(0).Word(1);
  b.Word(0x2).Int(0).Int(0xFFFFFF).Zero("");
  BoxPayload(b, 0x0000FF, 4, 1, 0, 12);
  TkvRoundRectView box(context);
  EXPECT_EQ(LoadInto(box, b.Data), 1);
  EXPECT_EQ(box.ShadowColor, 0x0000FF);
  EXPECT_EQ(box.ShadowWidth, 4);
  EXPECT_EQ(box.AllSides, 1);
  EXPECT_EQ(box.RoundCorners, 0);
  EXPECT_EQ(box.RoundSize, 12);
  const std::string saved = Saved(box);
  TBytes box14;
  BoxPayload(box14, 0x0000FF, 4, 1, 0, 12);
  EXPECT_EQ(saved.substr(saved.size() - 14), box14.Data);
}

// ---- Named properties ---------------------------------------------------------------------------

TEST(ShapeTest, ShapeNames) {
  TConversionContext context;
  TkvShapeView shape(context);
  const TLines names = PropertyNames(shape);
  EXPECT_EQ(names.back(), "Shape");
  EXPECT_EQ(names.front(), "Name");
  const TkvPropRec* kind = shape.FindProperty("Shape");
  ASSERT_NE(kind, nullptr);
  EXPECT_EQ(kind->EnumNames.size(), 6u);
  shape.AssignProperty("Shape", std::int64_t{skTriangle});
  EXPECT_EQ(shape.ShapeKind, skTriangle);
  EXPECT_EQ(shape.QueryProperty("shape"), TVariant(std::int64_t{3}));
}

TEST(ShapeTest, RoundRectNamesFollowTheMemos) {
  TConversionContext context;
  TkvRoundRectView box(context);
  TkvMemoView memo(context);
  TLines expected = PropertyNames(memo);
  for (const char* name : {"ShadowColor", "ShadowWidth", "RoundRect", "RoundSize", "Gradient",
                           "Style", "BeginColor", "EndColor"}) {
    expected.push_back(name);
  }
  EXPECT_EQ(PropertyNames(box), expected);
  const TkvPropRec* style = box.FindProperty("Style");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->EnumNames.size(), 6u);
}

TEST(ShapeTest, RoundRectPropertiesSetAndReadTheirFields) {
  struct TCase {
    const char* Name;
    std::int64_t Value;
    std::int32_t TkvRoundRectView::*Field;
  };
  const TCase cases[] = {
      {"ShadowColor", 0x123456, &TkvRoundRectView::ShadowColor},
      {"BeginColor", 0x654321, &TkvRoundRectView::ShadowColor},
      {"ShadowWidth", 3, &TkvRoundRectView::ShadowWidth},
      {"RoundSize", 20, &TkvRoundRectView::RoundSize},
      {"Style", gsHorizCenter, &TkvRoundRectView::RoundSize},
      {"EndColor", 0x00FF00, &TkvRoundRectView::FillColor},
  };
  TConversionContext context;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TkvRoundRectView box(context);
    box.AssignProperty(c.Name, c.Value);
    EXPECT_EQ(box.*c.Field, c.Value);
    // "Style" reads 0 outside gradient mode; the gradient test reads it.
    if (std::string(c.Name) != "Style") {
      EXPECT_EQ(box.QueryProperty(c.Name), TVariant(c.Value));
    }
  }
  TkvRoundRectView box(context);
  box.AssignProperty("RoundRect", false);
  EXPECT_EQ(box.RoundCorners, 0);
  EXPECT_EQ(box.QueryProperty("RoundRect"), TVariant(false));
  box.AssignProperty("RoundRect", true);
  EXPECT_EQ(box.RoundCorners, 1);
}

TEST(ShapeTest, GradientModeThroughTheNamedProperties) {
  TConversionContext context;
  TkvRoundRectView box(context);
  EXPECT_EQ(box.QueryProperty("Gradient"), TVariant(false));
  EXPECT_EQ(box.QueryProperty("Style"), TVariant(std::int64_t{0}));  // not in gradient mode

  box.AssignProperty("Gradient", true);
  EXPECT_EQ(box.ShadowWidth, -99);
  EXPECT_EQ(box.RoundSize, 0);
  EXPECT_EQ(box.QueryProperty("Gradient"), TVariant(true));
  box.AssignProperty("Style", std::int64_t{gsRectangle});
  EXPECT_EQ(box.QueryProperty("Style"), TVariant(std::int64_t{gsRectangle}));
  EXPECT_EQ(box.QueryProperty("RoundSize"), TVariant(std::int64_t{gsRectangle}));

  // Off again: the shadow comes back at 10 pixels, RoundSize keeps the style it held.
  box.AssignProperty("Gradient", false);
  EXPECT_EQ(box.ShadowWidth, 10);
  EXPECT_EQ(box.RoundSize, gsRectangle);
  EXPECT_EQ(box.QueryProperty("Gradient"), TVariant(false));
  EXPECT_EQ(box.QueryProperty("Style"), TVariant(std::int64_t{0}));
}

// ---- Elements -----------------------------------------------------------------------------------

TEST(ShapeTest, ShapeElement) {
  TConversionContext context;
  TkvShapeView shape(context);
  shape.Name = "Shape1";
  shape.Width = 50;
  shape.Height = 30;
  shape.ShapeKind = skDiagonal1;
  EXPECT_EQ(Document(shape),
            "<TkvxShapeView Name=\"Shape1\" Left=\"0\" Top=\"0\" Width=\"50\" Height=\"30\""
            " Color=\"536870911\" Frame.Typ=\"0\" Frame.Width=\"1\" Frame.Color=\"0\""
            " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
            " Restrictions=\"0\" Shape=\"4\"");
  EXPECT_TRUE(Losses(shape).empty());
}

TEST(ShapeTest, RoundRectElementIsTheMemosWithAllFourLines) {
  TConversionContext context;
  context.DecimalSeparator = '.';
  TkvRoundRectView box(context);
  box.Name = "RoundRect1";
  const std::string element =
      "<TkvxRoundRectView Name=\"RoundRect1\" Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\""
      " Color=\"536870911\" Frame.Typ=\"15\" Frame.Width=\"1\" Frame.Color=\"0\""
      " Frame.Style=\"0\" GapX=\"2\" GapY=\"1\" TagStr=\"\" Memo.text=\"\" Align=\"0\""
      " Restrictions=\"0\" StretchMode=\"smMaxHeight\" Font.Name=\"Arial\""
      " Font.Height=\"-13\" Font.Color=\"0\" Font.Style=\"0\" LineSpacing=\"2\""
      " CharSpacing=\"0\" HAlign=\"0\" VAlign=\"0\"";
  EXPECT_EQ(Document(box), element);

  // Gradient mode writes the same attributes; only Color follows the fill (end) colour.
  TkvMemoView memo(context);
  memo.FrameTyp = 0xFF;
  const std::string memoTail = AfterCommonPart(memo);
  box.AssignProperty("Gradient", true);
  box.AssignProperty("Style", std::int64_t{gsVertical});
  box.AssignProperty("EndColor", std::int64_t{0x00FFFF});
  std::string gradient = element;
  gradient.replace(gradient.find("536870911"), 9, "65535");
  EXPECT_EQ(Document(box), gradient);
  EXPECT_EQ(AfterCommonPart(box), memoTail);
}

TEST(ShapeTest, RoundRectLossesNameTheShadowOrTheGradient) {
  TConversionContext context;
  TkvRoundRectView box(context);
  EXPECT_EQ(Losses(box),
            (TLines{"its shadow (colour 8421504, 6 pixels wide) is not carried into the document",
                    "its rounded corners (10 pixels) are not carried into the document"}));
  box.ShadowWidth = 0;
  box.RoundCorners = 0;
  EXPECT_TRUE(Losses(box).empty());
  box.AssignProperty("Gradient", true);
  box.AssignProperty("Style", std::int64_t{gsElliptic});
  EXPECT_EQ(Losses(box),
            (TLines{"its colour gradient (start colour 8421504, style 2) is not carried "
                    "into the document, which fills it with the end colour alone"}));
  // The memo's own losses come first.
  box.Flags |= flWordBreak;
  EXPECT_EQ(Losses(box).front(), "word break is not carried into the document");
}

// ---- Through a report file ----------------------------------------------------------------------

TEST(ShapeTest, BothGoThroughAReportFileIntoTheDocumentWithTheirNotes) {
  test::TRecordingPrompter prompter;
  TConversionContext context;
  TkvReport report(context);
  report.Prompter = &prompter;
  report.Pages.AddPage();
  auto shape = std::make_unique<TkvShapeView>(context);
  shape->Name = "Circle";
  shape->ShapeKind = skEllipse;
  auto box = std::make_unique<TkvRoundRectView>(context);
  box->Name = "Box";
  box->Memo = {"Total"};
  box->ShadowWidth = 3;
  box->RoundCorners = 0;
  report.Pages.Item(0).ObjectList.push_back(std::move(shape));
  report.Pages.Item(0).ObjectList.push_back(std::move(box));
  TkvReport loaded(context);
  loaded.Prompter = &prompter;
  Reload(report, loaded);
  ASSERT_TRUE(loaded.LastLoad.Read());
  const auto& objects = loaded.Pages.Item(0).ObjectList;
  ASSERT_EQ(objects.size(), 2u);
  const auto* circle = dynamic_cast<const TkvShapeView*>(objects[0].get());
  const auto* loadedBox = dynamic_cast<const TkvRoundRectView*>(objects[1].get());
  ASSERT_NE(circle, nullptr);
  ASSERT_NE(loadedBox, nullptr);
  EXPECT_EQ(circle->ShapeKind, skEllipse);
  EXPECT_EQ(loadedBox->Memo, TLines{"Total"});
  EXPECT_EQ(loadedBox->ShadowWidth, 3);
  EXPECT_EQ(loadedBox->RoundCorners, 0);
  EXPECT_EQ(LoadNotes(loaded),
            TLines{"Page 1, Box: its shadow (colour 8421504, 3 pixels wide) is not carried into "
                   "the document"});

  const std::string document = DocumentOf(loaded);
  EXPECT_NE(document.find("<TkvxShapeView Name=\"Circle\""), std::string::npos);
  EXPECT_NE(document.find(" Shape=\"2\""), std::string::npos);
  EXPECT_NE(document.find("<TkvxRoundRectView Name=\"Box\""), std::string::npos);
  EXPECT_TRUE(prompter.Messages.empty());
}

}  // namespace
}  // namespace kv
