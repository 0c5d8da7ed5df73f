// Text measuring with Qt's font metrics, for labels with automatic size, in the window. The
// command line measures with the same code through a module it loads only for the report
// commands, so that its other commands never load Qt.
#pragma once

#include "dialogs/TextMeasurer.h"

namespace kv::gui {

class TQtTextMeasurer : public TTextMeasurer {
 public:
  TTextSize MeasureText(std::string_view text, const TkvFont& font, std::int64_t wrapWidth,
                        int codePage) const override;
};

}  // namespace kv::gui
