// Label text measured in the window's own Qt application.
#include "app/gui/QtTextMeasurer.h"

#include <QString>
#include <string>

#include "app/gui/QtTextMetrics.h"
#include "base/CodePage.h"

namespace kv::gui {

namespace {

QString FromCodePage(std::string_view text) {
  return QString::fromStdString(CodePageToUtf8(std::string(text)));
}

}  // namespace

TTextSize TQtTextMeasurer::MeasureText(std::string_view text, const TkvFont& font,
                                       std::int64_t wrapWidth) const {
  const TScreenFont screen = ScreenFontOf(font);
  const QSize size = MeasureScreenText(
      FromCodePage(text), QString::fromStdString(screen.FamilyUtf8), screen.PixelSize,
      TScreenStyle{screen.Bold, screen.Italic, screen.Underline, screen.StrikeOut}, wrapWidth);
  return TTextSize{size.width(), size.height()};
}

}  // namespace kv::gui
