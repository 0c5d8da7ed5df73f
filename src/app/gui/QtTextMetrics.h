// The size of a label's text in Qt's font metrics, from plain values only, so that the window and
// the command line's text-measuring module (which holds Qt and nothing of the report library)
// measure with the very same code.
#pragma once

#include <QSize>
#include <QString>
#include <cstdint>

namespace kv::gui {

struct TScreenStyle {
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
};

// The size text takes in the font family at pixelSize pixels (held between 1 and 4096) in the
// style, on one line per line break when wrapWidth is 0 or less, otherwise broken at word
// boundaries to fit wrapWidth.
QSize MeasureScreenText(const QString& text, const QString& family, int pixelSize,
                        TScreenStyle style, std::int64_t wrapWidth);

}  // namespace kv::gui
