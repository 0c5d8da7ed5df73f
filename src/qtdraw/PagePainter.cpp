// Drawing page pictures with a QPainter and writing them as files.
#include "qtdraw/PagePainter.h"

#include <QBrush>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPen>
#include <QPolygonF>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

namespace kv::draw {

namespace {

// The height of a dialog page's title bar above its client area.
constexpr double TitleHeight = 24;
// The legend under the page: its distance from the page, line height and font.
constexpr double LegendGap = 12;
constexpr int LegendFontPixels = 11;
// The marked corner of an item with notes.
constexpr double NoteCorner = 9;
const QColor NoteColor(0xE0, 0x30, 0x30);

QColor Rgb(std::uint32_t rgb) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QRectF RectF(const TPictureRect& r) {
  return QRectF(static_cast<double>(r.Left), static_cast<double>(r.Top),
                static_cast<double>(r.Width), static_cast<double>(r.Height));
}

QString Text(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QFont FontOf(const TPictureFont& f) {
  QFont font(Text(f.Name));
  font.setPixelSize(std::clamp(f.PixelSize, 1, 2000));
  font.setBold(f.Bold);
  font.setItalic(f.Italic);
  font.setUnderline(f.Underline);
  font.setStrikeOut(f.StrikeOut);
  return font;
}

QFont PlainFont(int pixels, bool bold = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

Qt::PenStyle PenStyleOf(int frameStyle) {
  switch (frameStyle) {
    case 1:
      return Qt::DashLine;
    case 2:
      return Qt::DotLine;
    case 3:
      return Qt::DashDotLine;
    case 4:
      return Qt::DashDotDotLine;
    default:
      return Qt::SolidLine;
  }
}

QPen FramePen(const TPictureItem& item) {
  QPen pen(Rgb(item.FrameColor));
  pen.setWidthF(std::max(item.FrameWidth, 0.5));
  pen.setStyle(PenStyleOf(item.FrameStyle));
  pen.setCapStyle(Qt::SquareCap);
  return pen;
}

int AlignmentFlags(const TPictureItem& item) {
  int flags = item.HorizontalAlign == 1   ? Qt::AlignRight
              : item.HorizontalAlign == 2 ? Qt::AlignHCenter
              : item.HorizontalAlign == 3 ? Qt::AlignJustify
                                          : Qt::AlignLeft;
  flags |= item.VerticalAlign == 1   ? Qt::AlignVCenter
           : item.VerticalAlign == 2 ? Qt::AlignBottom
                                     : Qt::AlignTop;
  if (item.WordWrap) flags |= Qt::TextWordWrap;
  return flags;
}

void FillItem(QPainter& painter, const TPictureItem& item, const QRectF& rect) {
  if (item.Filled) painter.fillRect(rect, Rgb(item.FillColor));
}

// The frame lines of the item's sides; a double frame is two thin lines.
void DrawFrame(QPainter& painter, const TPictureItem& item, const QRectF& r) {
  if (item.FrameSides == 0) return;
  painter.save();
  QPen pen = FramePen(item);
  const bool twice = item.FrameStyle == 5;
  if (twice) pen.setWidthF(std::max(item.FrameWidth / 3, 0.5));
  painter.setPen(pen);
  const double d = twice ? std::max(item.FrameWidth / 1.5, 1.0) : 0;
  for (int pass = 0; pass < (twice ? 2 : 1); ++pass) {
    const QRectF f = pass == 0 ? r : r.adjusted(d, d, -d, -d);
    if (item.FrameSides & PictureFrameTop) painter.drawLine(f.topLeft(), f.topRight());
    if (item.FrameSides & PictureFrameBottom) painter.drawLine(f.bottomLeft(), f.bottomRight());
    if (item.FrameSides & PictureFrameLeft) painter.drawLine(f.topLeft(), f.bottomLeft());
    if (item.FrameSides & PictureFrameRight) painter.drawLine(f.topRight(), f.bottomRight());
  }
  painter.restore();
}

// Text in a box, clipped to it, turned by rotation degrees counter-clockwise about the box.
void DrawBoxText(QPainter& painter, const QRectF& box, const QString& text, const QFont& font,
                 const QColor& color, int flags, int rotation) {
  painter.save();
  painter.setClipRect(box, Qt::IntersectClip);
  painter.setFont(font);
  painter.setPen(color);
  QRectF target = box;
  if (rotation % 360 != 0) {
    painter.translate(box.center());
    painter.rotate(-rotation);
    const bool across = rotation % 180 != 0;
    const double w = across ? box.height() : box.width();
    const double h = across ? box.width() : box.height();
    target = QRectF(-w / 2, -h / 2, w, h);
  }
  painter.drawText(target, flags, text);
  painter.restore();
}

// A framed box naming what it stands for, for what is not drawn itself.
void DrawNamedBox(QPainter& painter, const QRectF& r, const QStringList& lines) {
  painter.save();
  painter.fillRect(r, QColor(0xF2, 0xF2, 0xF2));
  painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DashLine));
  painter.drawRect(r);
  painter.drawLine(r.topLeft(), r.bottomRight());
  painter.drawLine(r.bottomLeft(), r.topRight());
  DrawBoxText(painter, r.adjusted(2, 2, -2, -2), lines.join('\n'), PlainFont(10),
              QColor(0x30, 0x30, 0x30), Qt::AlignCenter | Qt::TextWordWrap, 0);
  painter.restore();
}

QString ItemTitle(const TPictureItem& item) {
  return Text(item.ClassName) + QStringLiteral(" ") + Text(item.Name);
}

void DrawMemo(QPainter& painter, const TPictureItem& item, const QRectF& r) {
  FillItem(painter, item, r);
  if (item.ShapeKind == 1 && item.RoundSize > 0 && item.FrameSides == 0xF) {
    // A rounded box: the frame follows the corners.
    painter.save();
    painter.setPen(FramePen(item));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(r, static_cast<double>(item.RoundSize) / 2,
                            static_cast<double>(item.RoundSize) / 2);
    painter.restore();
  } else {
    DrawFrame(painter, item, r);
  }
  const QRectF inner = r.adjusted(static_cast<double>(item.GapX), static_cast<double>(item.GapY),
                                  -static_cast<double>(item.GapX), -static_cast<double>(item.GapY));
  DrawBoxText(painter, inner, Text(item.Text), FontOf(item.Font), Rgb(item.Font.Color),
              AlignmentFlags(item), item.Rotation);
}

void DrawLine(QPainter& painter, const TPictureItem& item, const QRectF& r) {
  painter.save();
  QPen pen = FramePen(item);
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  if (r.width() <= 0 || (r.height() > 0 && r.height() >= r.width() && r.width() < 2)) {
    painter.drawLine(QPointF(r.left(), r.top()), QPointF(r.left(), r.bottom()));
  } else if (r.height() <= 0 || r.height() < 2) {
    painter.drawLine(QPointF(r.left(), r.top()), QPointF(r.right(), r.top()));
  } else {
    painter.drawLine(r.topLeft(), r.bottomRight());
  }
  painter.restore();
}

void DrawShape(QPainter& painter, const TPictureItem& item, const QRectF& r) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  QPen pen = FramePen(item);
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  painter.setBrush(item.Filled ? QBrush(Rgb(item.FillColor)) : QBrush(Qt::NoBrush));
  const double inset = pen.widthF() / 2;
  const QRectF f = r.adjusted(inset, inset, -inset, -inset);
  switch (item.ShapeKind) {
    case 1: {
      const double corner = std::min(f.width(), f.height()) / 4;
      painter.drawRoundedRect(f, corner, corner);
      break;
    }
    case 2:
      painter.drawEllipse(f);
      break;
    case 3: {
      QPolygonF triangle;
      triangle << QPointF(f.center().x(), f.top()) << f.bottomRight() << f.bottomLeft();
      painter.drawPolygon(triangle);
      break;
    }
    case 4:
      painter.drawLine(f.bottomLeft(), f.topRight());
      break;
    case 5:
      painter.drawLine(f.topLeft(), f.bottomRight());
      break;
    default:
      painter.drawRect(f);
  }
  painter.restore();
}

void DrawMark(QPainter& painter, const QRectF& box, int style, const QColor& color) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  QPen pen(color);
  pen.setWidthF(std::max(1.0, std::min(box.width(), box.height()) / 7));
  pen.setCapStyle(Qt::RoundCap);
  painter.setPen(pen);
  const QRectF m =
      box.adjusted(box.width() / 5, box.height() / 5, -box.width() / 5, -box.height() / 5);
  if (style == 1) {
    QPolygonF check;
    check << QPointF(m.left(), m.center().y()) << QPointF(m.left() + m.width() / 3, m.bottom())
          << m.topRight();
    painter.drawPolyline(check);
  } else {
    painter.drawLine(m.topLeft(), m.bottomRight());
    painter.drawLine(m.bottomLeft(), m.topRight());
  }
  painter.restore();
}

void DrawCheckBox(QPainter& painter, const TPictureItem& item, const QRectF& r) {
  FillItem(painter, item, r);
  if (item.Checked) DrawMark(painter, r, item.CheckStyle, Rgb(item.CheckColor));
  DrawFrame(painter, item, r);
}

void DrawPicture(QPainter& painter, const TPictureItem& item, const QRectF& r) {
  FillItem(painter, item, r);
  const QByteArray bytes(item.ImageBytes.data(), static_cast<qsizetype>(item.ImageBytes.size()));
  const char* format = item.ImageKind == TPictureImageKind::Bitmap ? "BMP"
                       : item.ImageKind == TPictureImageKind::Jpeg ? "JPG"
                       : item.ImageKind == TPictureImageKind::Icon ? "ICO"
                                                                   : nullptr;
  QImage image;
  if (format != nullptr && !bytes.isEmpty()) image = QImage::fromData(bytes, format);
  if (!image.isNull()) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(r, image);
    painter.restore();
  } else {
    QStringList lines{ItemTitle(item), QString::fromLatin1(ImageKindName(item.ImageKind))};
    if (!bytes.isEmpty()) lines << QStringLiteral("%1 bytes").arg(bytes.size());
    DrawNamedBox(painter, r, lines);
  }
  DrawFrame(painter, item, r);
}

// The bars of the pattern stretched over the rectangle's length in the direction of the
// rotation, the text under them when shown.
void DrawBarcode(QPainter& painter, const TPictureItem& item, const QRectF& r) {
  painter.fillRect(r, item.Filled ? Rgb(item.FillColor) : QColor(Qt::white));
  if (!item.Problem.empty()) {
    DrawNamedBox(painter, r, {ItemTitle(item), Text(item.Problem)});
    return;
  }
  double modules = 0;
  for (char c : item.BarPattern) {
    const int index = c >= '0' && c <= '3'   ? c - '0'
                      : c >= '5' && c <= '8' ? c - '5'
                      : c >= 'A' && c <= 'D' ? c - 'A'
                                             : -1;
    if (index < 0) {
      DrawNamedBox(painter, r, {ItemTitle(item), QStringLiteral("damaged bar pattern")});
      return;
    }
    modules += std::max(item.BarWidths[static_cast<std::size_t>(index)], 0);
  }
  if (modules <= 0) {
    DrawFrame(painter, item, r);
    return;
  }
  painter.save();
  painter.setClipRect(r, Qt::IntersectClip);
  painter.translate(r.center());
  painter.rotate(-item.Rotation);
  const bool across = item.Rotation % 180 != 0;
  const double length = across ? r.height() : r.width();
  const double height = across ? r.width() : r.height();
  const double textHeight = item.ShowText ? std::min(14.0, height / 2) : 0;
  const double barHeight = height - textHeight;
  const double unit = length / modules;
  double x = -length / 2;
  const double top = -height / 2;
  for (char c : item.BarPattern) {
    const bool space = c >= '0' && c <= '3';
    const bool shortBar = c >= 'A' && c <= 'D';
    const int index = space ? c - '0' : shortBar ? c - 'A' : c - '5';
    const double w = std::max(item.BarWidths[static_cast<std::size_t>(index)], 0) * unit;
    if (!space) {
      const double h = shortBar ? barHeight * 2 / 5 : barHeight;
      painter.fillRect(QRectF(x, top + barHeight - h, w, h), Qt::black);
    }
    x += w;
  }
  if (item.ShowText) {
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(-length / 2, top + barHeight, length, textHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter, Text(item.BarText));
  }
  painter.restore();
  DrawFrame(painter, item, r);
}

// Dialog controls, drawn plainly.
void Bevel(QPainter& painter, const QRectF& r, bool raised) {
  painter.save();
  const QColor light(0xFF, 0xFF, 0xFF), dark(0x80, 0x80, 0x80);
  painter.setPen(raised ? light : dark);
  painter.drawLine(r.topLeft(), r.topRight());
  painter.drawLine(r.topLeft(), r.bottomLeft());
  painter.setPen(raised ? dark : light);
  painter.drawLine(r.bottomLeft(), r.bottomRight());
  painter.drawLine(r.topRight(), r.bottomRight());
  painter.restore();
}

void DrawControl(QPainter& painter, const TPictureItem& item, const QRectF& r) {
  const QFont font = FontOf(item.Font);
  const QColor text = Rgb(item.Font.Color);
  const QString caption = Text(item.Text);
  switch (item.ControlKind) {
    case TPictureControlKind::Label:
      FillItem(painter, item, r);
      DrawBoxText(painter, r, caption, font, text, AlignmentFlags(item), 0);
      break;
    case TPictureControlKind::Button:
      painter.fillRect(r, item.Filled ? Rgb(item.FillColor) : QColor(0xF0, 0xF0, 0xF0));
      Bevel(painter, r, true);
      DrawBoxText(painter, r, caption, font, text, Qt::AlignCenter, 0);
      break;
    case TPictureControlKind::Edit:
    case TPictureControlKind::ComboBox:
    case TPictureControlKind::DateEdit: {
      painter.fillRect(r, Qt::white);
      Bevel(painter, r, false);
      QRectF field = r.adjusted(3, 1, -3, -1);
      if (item.ControlKind != TPictureControlKind::Edit) {
        const double button = std::min(r.height(), 17.0);
        const QRectF drop(r.right() - button, r.top() + 1, button - 1, r.height() - 2);
        painter.fillRect(drop, QColor(0xF0, 0xF0, 0xF0));
        Bevel(painter, drop, true);
        QPolygonF arrow;
        arrow << QPointF(drop.center().x() - 3, drop.center().y() - 1)
              << QPointF(drop.center().x() + 3, drop.center().y() - 1)
              << QPointF(drop.center().x(), drop.center().y() + 2);
        painter.save();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawPolygon(arrow);
        painter.restore();
        field.setRight(drop.left() - 2);
      }
      DrawBoxText(painter, field, caption, font, text, Qt::AlignLeft | Qt::AlignVCenter, 0);
      break;
    }
    case TPictureControlKind::Memo:
    case TPictureControlKind::ListBox:
      painter.fillRect(r, Qt::white);
      Bevel(painter, r, false);
      DrawBoxText(painter, r.adjusted(3, 2, -3, -2), caption, font, text,
                  Qt::AlignLeft | Qt::AlignTop |
                      (item.ControlKind == TPictureControlKind::Memo ? Qt::TextWordWrap : 0),
                  0);
      break;
    case TPictureControlKind::CheckBox:
    case TPictureControlKind::RadioButton: {
      FillItem(painter, item, r);
      const double side = std::min(13.0, std::max(r.height() - 2, 4.0));
      const bool markRight = item.HorizontalAlign == 1;
      const double markLeft = markRight ? r.right() - side - 1 : r.left() + 1;
      const QRectF mark(markLeft, r.center().y() - side / 2, side, side);
      painter.save();
      painter.setRenderHint(QPainter::Antialiasing, true);
      painter.setPen(QColor(0x40, 0x40, 0x40));
      painter.setBrush(Qt::white);
      if (item.ControlKind == TPictureControlKind::RadioButton) {
        painter.drawEllipse(mark);
        if (item.Checked) {
          painter.setBrush(Qt::black);
          painter.drawEllipse(mark.adjusted(side / 3.5, side / 3.5, -side / 3.5, -side / 3.5));
        }
      } else {
        painter.drawRect(mark);
        if (item.Checked) DrawMark(painter, mark, 1, Qt::black);
      }
      painter.restore();
      const QRectF label =
          markRight ? QRectF(r.left(), r.top(), mark.left() - r.left() - 4, r.height())
                    : QRectF(mark.right() + 4, r.top(), r.right() - mark.right() - 4, r.height());
      DrawBoxText(painter, label, caption, font, text, Qt::AlignLeft | Qt::AlignVCenter, 0);
      break;
    }
    default:
      DrawNamedBox(painter, r, {Text(item.ClassName), Text(item.Name)});
  }
}

void DrawItem(QPainter& painter, const TPictureItem& item) {
  const QRectF r = RectF(item.Rect);
  switch (item.Kind) {
    case TPictureItemKind::Memo:
      DrawMemo(painter, item, r);
      break;
    case TPictureItemKind::Line:
      DrawLine(painter, item, r);
      break;
    case TPictureItemKind::Shape:
      DrawShape(painter, item, r);
      break;
    case TPictureItemKind::CheckBox:
      DrawCheckBox(painter, item, r);
      break;
    case TPictureItemKind::Picture:
      DrawPicture(painter, item, r);
      break;
    case TPictureItemKind::Barcode:
      DrawBarcode(painter, item, r);
      break;
    case TPictureItemKind::RichText: {
      FillItem(painter, item, r);
      DrawFrame(painter, item, r);
      DrawBoxText(painter, r.adjusted(2, 1, -2, -1), Text(item.Text), PlainFont(13), Qt::black,
                  Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, 0);
      break;
    }
    case TPictureItemKind::Control:
      DrawControl(painter, item, r);
      break;
    default:
      DrawNamedBox(painter, r, {Text(item.ClassName), Text(item.Name)});
      DrawFrame(painter, item, r);
  }
}

// The coloured corner of an item or band with notes, with the numbers of its notes beside it.
void MarkNotes(QPainter& painter, const QRectF& r, const std::vector<int>& notes) {
  if (notes.empty()) return;
  painter.save();
  QPolygonF corner;
  corner << r.topRight() << QPointF(r.right() - NoteCorner, r.top())
         << QPointF(r.right(), r.top() + NoteCorner);
  painter.setPen(Qt::NoPen);
  painter.setBrush(NoteColor);
  painter.drawPolygon(corner);
  QStringList numbers;
  for (int n : notes) numbers << QString::number(n);
  painter.setFont(PlainFont(9, true));
  painter.setPen(NoteColor);
  painter.drawText(QRectF(r.right() + 1, r.top() - 2, 60, 12), Qt::AlignLeft | Qt::AlignTop,
                   numbers.join(','));
  painter.restore();
}

QString LegendLine(const TPagePicture& picture, std::size_t i) {
  return QStringLiteral("%1. ").arg(i + 1) + Text(picture.Notes[i]);
}

double LegendHeight(const TPagePicture& picture) {
  if (picture.Notes.empty()) return 0;
  const QFontMetricsF metrics(PlainFont(LegendFontPixels));
  const double width = static_cast<double>(picture.PaperWidth);
  double height = LegendGap;
  for (std::size_t i = 0; i < picture.Notes.size(); ++i) {
    height +=
        metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, LegendLine(picture, i))
            .height() +
        2;
  }
  return height + LegendGap;
}

double TopOffset(const TPagePicture& picture) {
  return picture.Dialog ? TitleHeight : 0;
}

}  // namespace

QSizeF PageExtent(const TPagePicture& picture, double scale) {
  const double width = static_cast<double>(std::max<std::int64_t>(picture.PaperWidth, 1));
  const double height = static_cast<double>(std::max<std::int64_t>(picture.PaperHeight, 1)) +
                        TopOffset(picture) + LegendHeight(picture);
  return QSizeF(width * scale, height * scale);
}

double ScaleForDpi(const TPagePicture& picture, int dpi) {
  const double ppi = picture.PixelsPerInch > 0 ? picture.PixelsPerInch : 96;
  return dpi / ppi;
}

void PaintPage(const TPagePicture& picture, QPainter& painter, double scale) {
  painter.save();
  painter.scale(scale, scale);
  const double width = static_cast<double>(std::max<std::int64_t>(picture.PaperWidth, 1));
  const double height = static_cast<double>(std::max<std::int64_t>(picture.PaperHeight, 1));
  const QSizeF extent = PageExtent(picture, 1);
  painter.fillRect(QRectF(0, 0, extent.width(), extent.height()), Qt::white);
  if (picture.Dialog) {
    // The window: a title bar with the caption above the client area.
    painter.fillRect(QRectF(0, 0, width, TitleHeight), QColor(0x2B, 0x57, 0x9A));
    DrawBoxText(painter, QRectF(6, 0, width - 12, TitleHeight), Text(picture.Caption),
                PlainFont(12, true), Qt::white, Qt::AlignLeft | Qt::AlignVCenter, 0);
    painter.translate(0, TitleHeight);
  }
  const QRectF paper(0, 0, width, height);
  painter.fillRect(paper, Rgb(picture.Color));
  painter.save();
  painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 0));
  painter.drawRect(paper);
  if (!picture.Dialog) {
    // The margins: a dotted rectangle around the printable area.
    painter.setPen(QPen(QColor(0xA0, 0xA0, 0xC8), 0, Qt::DotLine));
    painter.drawRect(QRectF(static_cast<double>(picture.MarginLeft),
                            static_cast<double>(picture.MarginTop),
                            static_cast<double>(picture.MarginRight - picture.MarginLeft),
                            static_cast<double>(picture.MarginBottom - picture.MarginTop)));
  }
  painter.restore();
  // Bands as strips across the area inside the margins with their type and name at the left.
  for (const TPictureBand& band : picture.Bands) {
    const QRectF r = RectF(band.Rect);
    painter.save();
    painter.fillRect(r, QColor(0xF4, 0xF6, 0xFA));
    painter.setPen(QPen(QColor(0xB0, 0xB8, 0xC8), 0));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.setPen(QColor(0x70, 0x78, 0x90));
    painter.setFont(PlainFont(9));
    painter.setClipRect(r, Qt::IntersectClip);
    painter.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignTop,
                     Text(band.TypeName) + QStringLiteral(": ") + Text(band.Name));
    painter.restore();
  }
  for (const TPictureItem& item : picture.Items) {
    painter.save();
    DrawItem(painter, item);
    painter.restore();
  }
  for (const TPictureBand& band : picture.Bands) MarkNotes(painter, RectF(band.Rect), band.Notes);
  for (const TPictureItem& item : picture.Items) MarkNotes(painter, RectF(item.Rect), item.Notes);
  if (!picture.Notes.empty()) {
    painter.setFont(PlainFont(LegendFontPixels));
    painter.setPen(Qt::black);
    double y = height + LegendGap;
    const QFontMetricsF metrics(PlainFont(LegendFontPixels));
    for (std::size_t i = 0; i < picture.Notes.size(); ++i) {
      const QString line = LegendLine(picture, i);
      const QRectF box = metrics.boundingRect(QRectF(0, 0, width - 8, 1e6), Qt::TextWordWrap, line);
      painter.drawText(QRectF(4, y, width - 8, box.height() + 2), Qt::TextWordWrap, line);
      y += box.height() + 2;
    }
  }
  painter.restore();
}

namespace {

// Draws the picture onto device in format at dpi. False with the reason in error; the device may
// then hold part of a picture.
bool RenderPagePicture(const TPagePicture& picture, const QString& format, int dpi,
                       QIODevice& device, QString& error) {
  if (dpi < 10 || dpi > 2400) {
    error = QStringLiteral("the resolution %1 dpi is outside 10 to 2400").arg(dpi);
    return false;
  }
  const double scale = ScaleForDpi(picture, dpi);
  const QSizeF extent = PageExtent(picture, scale);
  const QSize pixels(std::max(1, static_cast<int>(std::ceil(extent.width()))),
                     std::max(1, static_cast<int>(std::ceil(extent.height()))));
  if (static_cast<double>(pixels.width()) * pixels.height() > 400e6) {
    error = QStringLiteral("the picture of %1 x %2 pixels is too large; choose a lower --dpi")
                .arg(pixels.width())
                .arg(pixels.height());
    return false;
  }
  bool painted = false;
  if (format == QLatin1String("png")) {
    QImage image(pixels, QImage::Format_RGB32);
    if (image.isNull()) {
      error = QStringLiteral("not enough memory for a picture of %1 x %2 pixels")
                  .arg(pixels.width())
                  .arg(pixels.height());
      return false;
    }
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    PaintPage(picture, painter, scale);
    painter.end();
    painted = image.save(&device, "PNG");
  } else if (format == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setSize(pixels);
    svg.setViewBox(QRect(QPoint(0, 0), pixels));
    svg.setResolution(dpi);
    svg.setTitle(Text(picture.Name));
    QPainter painter;
    painted = painter.begin(&svg);
    if (painted) {
      PaintPage(picture, painter, scale);
      painted = painter.end();
    }
  } else if (format == QLatin1String("pdf")) {
    QPdfWriter pdf(&device);
    pdf.setResolution(dpi);
    pdf.setTitle(Text(picture.Name));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setPageSize(QPageSize(QSizeF(extent.width() / dpi * 72, extent.height() / dpi * 72),
                              QPageSize::Point, QString(), QPageSize::ExactMatch));
    QPainter painter;
    painted = painter.begin(&pdf);
    if (painted) {
      PaintPage(picture, painter, scale);
      painted = painter.end();
    }
  } else {
    error = QStringLiteral("unknown picture format \"%1\" (png, svg or pdf)").arg(format);
    return false;
  }
  if (!painted) error = device.errorString();
  return painted;
}

}  // namespace

bool WritePagePicture(const TPagePicture& picture, const QString& format, int dpi,
                      const QString& path, QString& error) {
  // The file is written under a temporary name and takes its place only when complete.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
  }
  QString problem;
  if (!RenderPagePicture(picture, format, dpi, file, problem)) {
    error = problem.isEmpty() || problem == file.errorString()
                ? QStringLiteral("cannot write %1: %2").arg(path, file.errorString())
                : problem;
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
  }
  return true;
}

namespace {

std::string Utf8(const QJsonValue& value) {
  const QByteArray bytes = value.toString().toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::int64_t Int(const QJsonValue& value) {
  const double d = value.toDouble();
  if (!std::isfinite(d)) return 0;
  return static_cast<std::int64_t>(std::clamp(d, -1e15, 1e15));
}

TPictureRect RectOf(const QJsonValue& value) {
  const QJsonArray a = value.toArray();
  return {Int(a.at(0)), Int(a.at(1)), Int(a.at(2)), Int(a.at(3))};
}

std::vector<int> NotesOf(const QJsonValue& value) {
  std::vector<int> notes;
  for (const QJsonValue& n : value.toArray()) notes.push_back(n.toInt());
  return notes;
}

template <class TEnum>
TEnum EnumOf(const QJsonValue& value, int last) {
  const int n = value.toInt();
  return static_cast<TEnum>(n >= 0 && n <= last ? n : last);
}

}  // namespace

bool ReadPagePictureJson(const QByteArray& json, TPagePicture& picture, QString& error) {
  QJsonParseError parse{};
  const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
  if (document.isNull() || !document.isObject()) {
    error = QStringLiteral("the page picture is not a JSON object: ") + parse.errorString();
    return false;
  }
  const QJsonObject o = document.object();
  if (!o.value("paper").isArray() || !o.value("items").isArray()) {
    error = QStringLiteral("the page picture has no paper or no items");
    return false;
  }
  picture = TPagePicture{};
  picture.Number = o.value("number").toInt(1);
  picture.Name = Utf8(o.value("name"));
  picture.Dialog = o.value("dialog").toBool();
  picture.Caption = Utf8(o.value("caption"));
  picture.PixelsPerInch = o.value("pixelsPerInch").toDouble(96);
  if (!(picture.PixelsPerInch > 1 && picture.PixelsPerInch < 10000)) picture.PixelsPerInch = 96;
  const QJsonArray paper = o.value("paper").toArray();
  picture.PaperWidth = std::clamp<std::int64_t>(Int(paper.at(0)), 1, 1000000);
  picture.PaperHeight = std::clamp<std::int64_t>(Int(paper.at(1)), 1, 1000000);
  picture.PaperSize = o.value("paperSize").toInt();
  picture.Landscape = o.value("landscape").toBool();
  const QJsonArray margins = o.value("margins").toArray();
  picture.MarginLeft = Int(margins.at(0));
  picture.MarginTop = Int(margins.at(1));
  picture.MarginRight = Int(margins.at(2));
  picture.MarginBottom = Int(margins.at(3));
  picture.Color = static_cast<std::uint32_t>(Int(o.value("color")));
  for (const QJsonValue& value : o.value("bands").toArray()) {
    const QJsonObject b = value.toObject();
    picture.Bands.push_back({Utf8(b.value("type")), Utf8(b.value("name")), RectOf(b.value("rect")),
                             NotesOf(b.value("notes"))});
  }
  for (const QJsonValue& value : o.value("items").toArray()) {
    const QJsonObject t = value.toObject();
    TPictureItem item;
    item.Kind =
        EnumOf<TPictureItemKind>(t.value("kind"), static_cast<int>(TPictureItemKind::Control));
    item.ClassName = Utf8(t.value("class"));
    item.Name = Utf8(t.value("name"));
    item.Rect = RectOf(t.value("rect"));
    item.Text = Utf8(t.value("text"));
    const QJsonObject f = t.value("font").toObject();
    item.Font.Name = Utf8(f.value("name"));
    item.Font.PixelSize = f.value("size").toInt(13);
    item.Font.Bold = f.value("bold").toBool();
    item.Font.Italic = f.value("italic").toBool();
    item.Font.Underline = f.value("underline").toBool();
    item.Font.StrikeOut = f.value("strikeOut").toBool();
    item.Font.Color = static_cast<std::uint32_t>(Int(f.value("color")));
    item.HorizontalAlign = t.value("hAlign").toInt();
    item.VerticalAlign = t.value("vAlign").toInt();
    item.Rotation = t.value("rotation").toInt();
    item.WordWrap = t.value("wordWrap").toBool();
    const QJsonArray gap = t.value("gap").toArray();
    item.GapX = Int(gap.at(0));
    item.GapY = Int(gap.at(1));
    item.FrameSides = static_cast<unsigned>(t.value("frameSides").toInt()) & 0xF;
    item.FrameWidth = t.value("frameWidth").toDouble(1);
    item.FrameColor = static_cast<std::uint32_t>(Int(t.value("frameColor")));
    item.FrameStyle = t.value("frameStyle").toInt();
    item.Filled = t.value("filled").toBool();
    item.FillColor = static_cast<std::uint32_t>(Int(t.value("fillColor")));
    item.ShapeKind = t.value("shape").toInt();
    item.RoundSize = Int(t.value("roundSize"));
    item.Checked = t.value("checked").toBool();
    item.CheckStyle = t.value("checkStyle").toInt();
    item.CheckColor = static_cast<std::uint32_t>(Int(t.value("checkColor")));
    item.ImageKind = EnumOf<TPictureImageKind>(t.value("imageKind"),
                                               static_cast<int>(TPictureImageKind::Unknown));
    const QByteArray image = QByteArray::fromBase64(t.value("image").toString().toLatin1());
    item.ImageBytes.assign(image.constData(), static_cast<std::size_t>(image.size()));
    item.BarPattern = Utf8(t.value("barPattern"));
    const QJsonArray widths = t.value("barWidths").toArray();
    for (int i = 0; i < 4; ++i)
      item.BarWidths[static_cast<std::size_t>(i)] = widths.at(i).toInt(i + 1);
    item.BarText = Utf8(t.value("barText"));
    item.ShowText = t.value("showText").toBool();
    item.Zoom = t.value("zoom").toDouble(1);
    item.ControlKind = EnumOf<TPictureControlKind>(t.value("control"),
                                                   static_cast<int>(TPictureControlKind::Other));
    item.Problem = Utf8(t.value("problem"));
    item.Notes = NotesOf(t.value("notes"));
    picture.Items.push_back(std::move(item));
  }
  for (const QJsonValue& note : o.value("notes").toArray()) picture.Notes.push_back(Utf8(note));
  return true;
}

}  // namespace kv::draw
