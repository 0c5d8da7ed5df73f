// Text measuring with Qt's font metrics, for labels with automatic size. Both programs install
// it, so that the window and the command line write the same label sizes: the window measures in
// its own application; the command line starts a Qt application on the offscreen platform the
// first time a label needs measuring, so runs without such labels never start Qt.
#pragma once

#include "dialogs/TextMeasurer.h"

namespace kv::gui {

class TQtTextMeasurer : public TTextMeasurer {
 public:
  TTextSize MeasureText(std::string_view text, const TkvFont& font,
                        std::int64_t wrapWidth) const override;
};

// The measurer of the command line: it makes sure a Qt application exists before it measures.
class TOffscreenTextMeasurer : public TQtTextMeasurer {
 public:
  TTextSize MeasureText(std::string_view text, const TkvFont& font,
                        std::int64_t wrapWidth) const override;
};

}  // namespace kv::gui
