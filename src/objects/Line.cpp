// The line view: defaults, published names and the document element.
#include "objects/Line.h"

#include "base/DocumentText.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"

namespace kv {

TkvLineView::TkvLineView() {
  TypeCode = TypeLine;
  NamePrefix = "Line";
  FrameTyp = frLeft;
  FillColor = clWhite;
}

const TPropertyTable<TkvLineView>& TkvLineView::Properties() {
  // Listed here for the designer; TkvView reads and sets them.
  static const TPropertyTable<TkvLineView> table{
      {"Name"},
      {"Left"},
      {"Top"},
      {"Width"},
      {"Height"},
      {"Flags"},
      {"FrameTyp"},
      {"FrameWidth"},
      {"FrameColor"},
      {.Name = "FrameStyle",
       .EnumNames = "psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble",
       .EnumValues = {0, 1, 2, 3, 4, 5}},
      {"FillColor"},
      {"Tag"},
      {.Name = "BandAlign",
       .EnumNames = "baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest",
       .EnumValues = {0, 1, 2, 3, 4, 5, 6, 7}},
      {"Visible"},
      {"Memo"},
      {"Memo.Count"},
      {"Restrictions"},
      {"Stretched"},
  };
  return table;
}

void TkvLineView::SaveToDocument(TStream& stream) {
  TkvStretcheable::SaveToDocument(stream);
  if (!(Flags & flStretched)) WriteAttribute(stream, "Stretched", "False");
}

void RegisterLineFamily() {
  RegisterBuiltInClass(TypeLine, TkvLineView::Class());
}

}  // namespace kv
