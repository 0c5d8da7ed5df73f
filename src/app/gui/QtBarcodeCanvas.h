// The barcode encoder's canvas on a QPainter: each element a filled polygon without outline, in
// the painter's current transformation; the painter's state is saved and restored around a
// drawing.
#pragma once

#include "objects/BarcodeEncoder.h"

class QPainter;

namespace kv::gui {

class TQtBarcodeCanvas : public TBarcodeCanvas {
 public:
  explicit TQtBarcodeCanvas(QPainter& painter) : Painter(painter) {}

  void Save() override;
  void Restore() override;
  void FillPolygon(const std::array<TPointF, 4>& corners, TColor color) override;

 private:
  QPainter& Painter;
};

// The Qt RGB value of a colour value 0x00BBGGRR. System colours and clTransparent are not
// resolved here: they give the colour of their low three bytes.
unsigned QtRgb(TColor color);

}  // namespace kv::gui
