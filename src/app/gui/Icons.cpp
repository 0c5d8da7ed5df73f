// Icons: the program's icon from its SVG (or painted from the same shapes) and the action icons
// from the style's standard pictures.
#include "app/gui/Icons.h"

#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace kv::gui {

namespace {

// The shapes of kv3converter.svg on its 64 x 64 view box.
void PaintAppIcon(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x2b5b84));
  painter.drawRoundedRect(QRectF(4, 4, 56, 56), 10, 10);

  painter.setBrush(Qt::white);
  painter.drawPolygon(QPolygonF({{14, 12}, {34, 12}, {42, 20}, {42, 52}, {14, 52}}));
  painter.setBrush(QColor(0xc9d6e3));
  painter.drawPolygon(QPolygonF({{34, 12}, {34, 20}, {42, 20}}));

  painter.setPen(QPen(QColor(0x7a8ea3), 3, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QLineF(19, 26, 37, 26));
  painter.drawLine(QLineF(19, 33, 37, 33));
  painter.drawLine(QLineF(19, 40, 30, 40));

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xf29f05));
  painter.drawEllipse(QPointF(44, 44), 13, 13);
  painter.setBrush(Qt::white);
  painter.drawPolygon(
      QPolygonF({{36, 41}, {43, 41}, {43, 36}, {52, 44}, {43, 52}, {43, 47}, {36, 47}}));
}

QIcon PaintedAppIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.scale(size / 64.0, size / 64.0);
    PaintAppIcon(painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

QIcon AppIcon() {
  static const QIcon icon = [] {
    if (QImageReader::supportedImageFormats().contains("svg")) {
      QIcon fromSvg(QStringLiteral(":/kv3converter/kv3converter.svg"));
      if (!fromSvg.pixmap(64, 64).isNull()) return fromSvg;
    }
    return PaintedAppIcon();
  }();
  return icon;
}

QIcon ActionIcon(const QStyle& style, TActionIcon which) {
  switch (which) {
    case TActionIcon::Scan:
      return style.standardIcon(QStyle::SP_DirOpenIcon);
    case TActionIcon::AddFiles:
      return style.standardIcon(QStyle::SP_FileIcon);
    case TActionIcon::Remove:
      return style.standardIcon(QStyle::SP_TrashIcon);
    case TActionIcon::Open:
      return style.standardIcon(QStyle::SP_DialogOpenButton);
    case TActionIcon::Save:
      return style.standardIcon(QStyle::SP_DialogSaveButton);
    case TActionIcon::SaveResults:
      return style.standardIcon(QStyle::SP_FileDialogDetailedView);
    case TActionIcon::SaveSummary:
      return style.standardIcon(QStyle::SP_FileDialogInfoView);
    case TActionIcon::SelectAll:
      return style.standardIcon(QStyle::SP_DialogApplyButton);
    case TActionIcon::Convert:
      return style.standardIcon(QStyle::SP_MediaPlay);
    case TActionIcon::Stop:
      return style.standardIcon(QStyle::SP_MediaStop);
    case TActionIcon::Undo:
      return style.standardIcon(QStyle::SP_ArrowBack);
    case TActionIcon::About:
      return style.standardIcon(QStyle::SP_MessageBoxInformation);
    case TActionIcon::Exit:
      return style.standardIcon(QStyle::SP_DialogCloseButton);
  }
  return {};
}

}  // namespace kv::gui
