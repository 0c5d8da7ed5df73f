// The process-wide text measurer.
#include "dialogs/TextMeasurer.h"

#include <algorithm>
#include <atomic>

#include "base/CodePage.h"

namespace kv {

namespace {
std::atomic<const TTextMeasurer*> Installed{nullptr};
}  // namespace

void InstallTextMeasurer(const TTextMeasurer* measurer) {
  Installed.store(measurer, std::memory_order_release);
}

TScreenFont ScreenFontOf(const TkvFont& font, int codePage) {
  TScreenFont screen;
  screen.FamilyUtf8 = CodePageToUtf8(font.Name, codePage);
  const std::int64_t height = FontHeightPixels(font.Size);
  screen.PixelSize =
      static_cast<int>(std::clamp<std::int64_t>(height < 0 ? -height : height, 1, 4096));
  screen.Bold = font.Style.Contains(TFontStyle::fsBold);
  screen.Italic = font.Style.Contains(TFontStyle::fsItalic);
  screen.Underline = font.Style.Contains(TFontStyle::fsUnderline);
  screen.StrikeOut = font.Style.Contains(TFontStyle::fsStrikeOut);
  return screen;
}

const TTextMeasurer* TextMeasurer() {
  return Installed.load(std::memory_order_acquire);
}

}  // namespace kv
