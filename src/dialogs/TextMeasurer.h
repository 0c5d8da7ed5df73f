// How big a text is in a font on the screen. A label with automatic size takes its size from its
// caption; the model holds no window toolkit, so the programs install a measurer that asks theirs
// (both measure with the same font metrics, at 96 pixels per inch). Without one installed, labels
// keep the size their record stored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "legacy/Primitives.h"

namespace kv {

struct TTextSize {
  std::int64_t Width = 0;
  std::int64_t Height = 0;
  friend bool operator==(const TTextSize&, const TTextSize&) = default;
};

class TTextMeasurer {
 public:
  virtual ~TTextMeasurer() = default;
  // The size in pixels that text takes in font, as a label shows it: on one line per line break
  // when wrapWidth is 0, otherwise broken into lines at word boundaries to fit wrapWidth pixels.
  // text and the font's name are in codePage. Called from any thread that converts a report, so
  // an implementation must be safe to call from several threads at once.
  virtual TTextSize MeasureText(std::string_view text, const TkvFont& font, std::int64_t wrapWidth,
                                int codePage) const = 0;
};

// A font as the screen shows it at 96 pixels per inch, so that a measured size does not depend on
// the resolution of the machine the conversion runs on: the family's name in UTF-8, the height in
// pixels (between 1 and 4096) and the style.
struct TScreenFont {
  std::string FamilyUtf8;
  int PixelSize = 1;
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
};
TScreenFont ScreenFontOf(const TkvFont& font, int codePage);

// Installs the process-wide measurer, or none. The caller keeps it alive while it is installed.
// Installed once at start, before any report is loaded, and fixed from then on.
void InstallTextMeasurer(const TTextMeasurer* measurer);
// The installed measurer, or none.
const TTextMeasurer* TextMeasurer();

}  // namespace kv
