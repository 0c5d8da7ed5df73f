// The line view: a view of zero width or zero height whose frame draws a vertical or horizontal
// line. It has no fields and no record payload of its own; its element adds only the stretch
// flag. Loading and conversion keep the stored width and height; only drawing straightens them.
#pragma once

#include <cstdint>

#include "objects/Stretcheable.h"

namespace kv {

class TkvLineView : public TViewClassOf<TkvLineView, TkvStretcheable, "TkvLineView"> {
 public:
  // TypeCode 4, NamePrefix "Line", FrameTyp left (a vertical line), FillColor white.
  explicit TkvLineView(TConversionContext& context);

  // The names of TkvView and "Stretched", all handled by TkvView.
  static const TPropertyTable<TkvLineView>& Properties();

  // A line needs its height, one pixel for one line, and loses nothing at a page end.
  std::int64_t CalcHeight() const override { return Height; }
  std::int64_t MinHeight() const override { return 1; }
  std::int64_t RemainHeight() const override { return 0; }

  // The common attributes, then Stretched="False" when the stretch flag is clear.
  void SaveToDocument(TDocumentStream& stream) override;
};

// Registers TkvLineView as the class of type code 4.
void RegisterLineFamily();

}  // namespace kv
