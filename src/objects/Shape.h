// The shape and rounded-rectangle views, two add-in objects that decorate a page. The shape view
// draws a figure (rectangle, rounded rectangle, ellipse, triangle or a diagonal) in the frame and
// fill colours; its record adds the figure's kind as one byte and its TkvxShapeView element the
// attribute Shape. The rounded-rectangle view is a memo view inside a box with a drop shadow, or
// on a colour gradient; its record adds 14 bytes after the memo payload and its element is the
// memo's, which carries none of the box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "legacy/Primitives.h"
#include "legacy/View.h"
#include "objects/Memo.h"

namespace kv {

// TkvShapeView::ShapeKind values: the figure within the object's rectangle.
enum TShapeKind : std::uint8_t {
  skRectangle = 0,
  skRoundRectangle = 1,
  skEllipse = 2,
  skTriangle = 3,
  skDiagonal1 = 4,  // bottom-left to top-right
  skDiagonal2 = 5,  // top-left to bottom-right
};

// The gradient styles of a rounded rectangle in gradient mode, kept in RoundSize.
enum TGradientStyle : std::int32_t {
  gsHorizontal = 0,
  gsVertical = 1,
  gsElliptic = 2,
  gsRectangle = 3,
  gsVertCenter = 4,
  gsHorizCenter = 5,
};

// The shadow width that switches a rounded rectangle to gradient mode.
inline constexpr std::int32_t GradientShadowWidth = -99;

class TkvShapeView : public TViewClassOf<TkvShapeView, TkvView, "TkvShapeView"> {
 public:
  // TypeCode 10 (add-in), NamePrefix "Shape", ShapeKind skRectangle.
  explicit TkvShapeView(TConversionContext& context);

  // The names of TkvView, then "Shape" (skRectangle to skDiagonal2).
  static const TPropertyTable<TkvShapeView>& Properties();

  // The common record, then ShapeKind as one byte, in every version.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // The common attributes, then Shape with the kind in decimal.
  void SaveToDocument(TDocumentStream& stream) override;

  std::uint8_t ShapeKind = skRectangle;
};

class TkvRoundRectView : public TViewClassOf<TkvRoundRectView, TkvMemoView, "TkvRoundRectView"> {
 public:
  // The memo defaults, then all four frame lines on, NamePrefix "RoundRect", a grey shadow six
  // pixels wide and rounded corners of 10 pixels; TypeCode 10 (add-in), as the factory sets it.
  explicit TkvRoundRectView(TConversionContext& context);

  // The names of TkvMemoView, then "ShadowColor", "ShadowWidth", "RoundRect", "RoundSize",
  // "Gradient", "Style", "BeginColor" and "EndColor". In gradient mode "BeginColor" is
  // ShadowColor, "EndColor" FillColor and "Style" RoundSize.
  static const TPropertyTable<TkvRoundRectView>& Properties();

  // True when ShadowWidth switches the view to gradient mode.
  bool Gradient() const { return ShadowWidth == GradientShadowWidth; }

  // The memo record, then ShadowColor, ShadowWidth, AllSides, RoundCorners and RoundSize
  // (14 bytes), in every version.
  void LoadLegacy(TStream& stream) override;
  void SaveLegacy(TStream& stream) override;
  // The memo's losses, then the shadow box or the gradient, which the memo element does not
  // carry.
  void DocumentLosses(std::vector<std::string>& losses) const override;

  // The gaps kept while the object is drawn; never stored.
  std::int32_t SavedGapX = 0, SavedGapY = 0;
  // The shadow colour; in gradient mode the gradient's start colour.
  TColor ShadowColor = 0x808080;
  // Offset of the shadow in pixels; GradientShadowWidth for gradient mode.
  std::int32_t ShadowWidth = 6;
  // 1 when all four frame lines are on; recomputed from FrameTyp when the view is drawn.
  std::uint8_t AllSides = 1;
  // 1 when the box has rounded corners.
  std::uint8_t RoundCorners = 1;
  // Corner ellipse size in pixels; in gradient mode the gradient style.
  std::int32_t RoundSize = 10;
};

// Register the add-ins TkvRoundRectView and TkvShapeView as objects: two families, each
// registered at its own place in the registry.
void RegisterRoundRectFamily();
void RegisterShapeFamily();

}  // namespace kv
