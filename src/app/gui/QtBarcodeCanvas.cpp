// The barcode encoder's canvas on a QPainter.
#include "app/gui/QtBarcodeCanvas.h"

#include <QBrush>
#include <QColor>
#include <QPainter>
#include <QPointF>
#include <QPolygonF>

namespace kv::gui {

unsigned QtRgb(TColor color) {
  const auto value = static_cast<std::uint32_t>(color);
  return qRgb(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void TQtBarcodeCanvas::Save() {
  Painter.save();
}

void TQtBarcodeCanvas::Restore() {
  Painter.restore();
}

void TQtBarcodeCanvas::FillPolygon(const std::array<TPointF, 4>& corners, TColor color) {
  QPolygonF polygon;
  for (const TPointF& corner : corners) polygon << QPointF(corner.X, corner.Y);
  Painter.setPen(Qt::NoPen);
  Painter.setBrush(QBrush(QColor::fromRgb(QtRgb(color))));
  Painter.drawPolygon(polygon);
}

}  // namespace kv::gui
