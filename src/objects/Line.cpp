// The line view: defaults, published names and the document element.
#include "objects/Line.h"

#include "base/DocumentText.h"
#include "legacy/Factory.h"
#include "legacy/Primitives.h"

namespace kv {

TkvLineView::TkvLineView(TConversionContext& context) : TViewClassOf(context) {
  TypeCode = TypeLine;
  NamePrefix = "Line";
  FrameTyp = frLeft;
  FillColor = clWhite;
}

const TPropertyTable<TkvLineView>& TkvLineView::Properties() {
  // After the names of every view, "Stretched", which TkvView reads and sets.
  using T = TPropertyTable<TkvLineView>;
  static const T table{T::TAfterParent{}, {{"Stretched"}}};
  return table;
}

void TkvLineView::SaveToDocument(TDocumentStream& stream) {
  TkvStretcheable::SaveToDocument(stream);
  if (!(Flags & flStretched)) WriteAttribute(stream, "Stretched", "False");
}

void RegisterLineFamily() {
  RegisterBuiltInClass(TypeLine, TkvLineView::Class());
}

}  // namespace kv
