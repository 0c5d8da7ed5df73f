// The shape and rounded-rectangle views: defaults, named properties, the records and the elements.
#include "objects/Shape.h"

#include "base/DocumentText.h"
#include "legacy/Factory.h"

namespace kv {

namespace {

// The hints of the two add-ins: the message ids of their toolbar texts.
constexpr int InsertRoundRect = 55344;  // "Insert an RoundRect with shadow area"
constexpr int InsertShape = 55226;      // "Insert Shape object"

}  // namespace

// ---- TkvShapeView -------------------------------------------------------------------------------

TkvShapeView::TkvShapeView(TConversionContext& context) : TViewClassOf(context) {
  NamePrefix = "Shape";
}

const TPropertyTable<TkvShapeView>& TkvShapeView::Properties() {
  using P = TkvShapeView;
  static const TPropertyTable<P> table{
      TPropertyTable<P>::TAfterParent{},
      {
          {.Name = "Shape",
           .Get = [](const P& p) -> TVariant { return std::int64_t{p.ShapeKind}; },
           .Set =
               [](P& p, const TVariant& x) {
                 p.ShapeKind = static_cast<std::uint8_t>(VarToInt(x) & 0xFF);
               },
           .EnumNames = "skRectangle;skRoundRectangle;skEllipse;skTriangle;skDiagonal1;skDiagonal2",
           .EnumValues = {skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiagonal1,
                          skDiagonal2}},
      }};
  return table;
}

void TkvShapeView::LoadLegacy(TStream& stream) {
  TkvView::LoadLegacy(stream);
  ShapeKind = ReadByte(stream);
}

void TkvShapeView::SaveLegacy(TStream& stream) {
  TkvView::SaveLegacy(stream);
  WriteByte(stream, ShapeKind);
}

void TkvShapeView::SaveToDocument(TDocumentStream& stream) {
  TkvView::SaveToDocument(stream);
  WriteAttribute(stream, "Shape", std::to_string(ShapeKind));
}

// ---- TkvRoundRectView ---------------------------------------------------------------------------

TkvRoundRectView::TkvRoundRectView(TConversionContext& context) : TViewClassOf(context) {
  // An add-in, not a memo, even before the factory says so.
  TypeCode = TypeAddIn;
  FrameTyp = 0xFF;
  NamePrefix = "RoundRect";
}

const TPropertyTable<TkvRoundRectView>& TkvRoundRectView::Properties() {
  using P = TkvRoundRectView;
  const auto getShadowColor = [](const P& p) -> TVariant { return std::int64_t{p.ShadowColor}; };
  const auto setShadowColor = [](P& p, const TVariant& x) { p.ShadowColor = VarToInt32(x); };
  const auto setRoundSize = [](P& p, const TVariant& x) { p.RoundSize = VarToInt32(x); };
  static const TPropertyTable<P> table{
      TPropertyTable<P>::TAfterParent{},
      {
          {"ShadowColor", getShadowColor, setShadowColor},
          {"ShadowWidth", [](const P& p) -> TVariant { return std::int64_t{p.ShadowWidth}; },
           [](P& p, const TVariant& x) { p.ShadowWidth = VarToInt32(x); }},
          {"RoundRect", [](const P& p) -> TVariant { return p.RoundCorners != 0; },
           [](P& p, const TVariant& x) { p.RoundCorners = VarToInt(x) != 0 ? 1 : 0; }},
          {"RoundSize", [](const P& p) -> TVariant { return std::int64_t{p.RoundSize}; },
           setRoundSize},
          // Switching the gradient on clears the style; switching it off brings the shadow back
          // at 10 pixels and leaves RoundSize at the style it held.
          {"Gradient", [](const P& p) -> TVariant { return p.Gradient(); },
           [](P& p, const TVariant& x) {
             if (VarToInt(x) != 0) {
               p.ShadowWidth = GradientShadowWidth;
               p.RoundSize = 0;
             } else {
               p.ShadowWidth = 10;
             }
           }},
          {.Name = "Style",
           .Get = [](const P& p) -> TVariant {
             return std::int64_t{p.Gradient() ? p.RoundSize : 0};
           },
           .Set = setRoundSize,
           .EnumNames = "gsVertical;gsHorizontal;gsElliptic;gsRectangle;gsHorizCenter;gsVertCenter",
           .EnumValues = {gsVertical, gsHorizontal, gsElliptic, gsRectangle, gsHorizCenter,
                          gsVertCenter}},
          {"BeginColor", getShadowColor, setShadowColor},
          {"EndColor", [](const P& p) -> TVariant { return std::int64_t{p.FillColor}; },
           [](P& p, const TVariant& x) { p.FillColor = VarToInt32(x); }},
      }};
  return table;
}

void TkvRoundRectView::LoadLegacy(TStream& stream) {
  TkvMemoView::LoadLegacy(stream);
  ShadowColor = ReadInt(stream);
  ShadowWidth = ReadInt(stream);
  AllSides = ReadByte(stream);
  RoundCorners = ReadByte(stream);
  RoundSize = ReadInt(stream);
}

void TkvRoundRectView::SaveLegacy(TStream& stream) {
  TkvMemoView::SaveLegacy(stream);
  WriteInt(stream, ShadowColor);
  WriteInt(stream, ShadowWidth);
  WriteByte(stream, AllSides);
  WriteByte(stream, RoundCorners);
  WriteInt(stream, RoundSize);
}

void TkvRoundRectView::DocumentLosses(std::vector<std::string>& losses) const {
  TkvMemoView::DocumentLosses(losses);
  if (Gradient()) {
    losses.push_back(
        "its colour gradient (start colour " + std::to_string(ShadowColor) + ", style " +
        std::to_string(RoundSize) +
        ") is not carried into the document, which fills it with the end colour alone");
    return;
  }
  if (ShadowWidth != 0) {
    losses.push_back("its shadow (colour " + std::to_string(ShadowColor) + ", " +
                     std::to_string(ShadowWidth) +
                     " pixels wide) is not carried into the document");
  }
  if (RoundCorners != 0 && RoundSize != 0) {
    losses.push_back("its rounded corners (" + std::to_string(RoundSize) +
                     " pixels) are not carried into the document");
  }
}

void RegisterRoundRectFamily() { RegisterAddIn(TkvRoundRectView::Class(), InsertRoundRect, false); }

void RegisterShapeFamily() { RegisterAddIn(TkvShapeView::Class(), InsertShape, false); }

}  // namespace kv
