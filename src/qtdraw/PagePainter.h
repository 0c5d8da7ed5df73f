// Page pictures drawn with Qt: the paper with its margins, the band strips, every item of the
// display list, a coloured corner on each item that has conversion notes and the numbered legend
// of the notes under the page; written as PNG, SVG or PDF. Knows the display list only, not the
// report library, so that the command line's module can hold it.
#pragma once

#include <QSizeF>
#include <QString>

#include "writer/PagePicture.h"

class QPainter;

namespace kv::draw {

// The size of the drawing at scale (device pixels per pixel of the model): the page and the
// legend under it.
QSizeF PageExtent(const TPagePicture& picture, double scale);

// Draws the picture with its top-left corner at the painter's origin.
void PaintPage(const TPagePicture& picture, QPainter& painter, double scale);

// The scale of a drawing at dpi dots per inch.
double ScaleForDpi(const TPagePicture& picture, int dpi);

// Writes the picture to path as "png", "svg" or "pdf" at dpi dots per inch. False with the reason
// in error when the format is unknown or the file cannot be written.
bool WritePagePicture(const TPagePicture& picture, const QString& format, int dpi,
                      const QString& path, QString& error);

// The picture of its JSON form (PagePictureJson). False with the reason in error for a text that
// is not such a form.
bool ReadPagePictureJson(const QByteArray& json, TPagePicture& picture, QString& error);

}  // namespace kv::draw
