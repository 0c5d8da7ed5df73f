// Label text measured in the window's own Qt application.
#include "app/gui/QtTextMeasurer.h"

#include <QString>
#include <string>

#include "app/gui/QtTextMetrics.h"
#include "base/CodePage.h"

namespace kv::gui {

namespace {

QString FromCodePage(std::string_view text, int codePage) {
  return QString::fromStdString(CodePageToUtf8(text, codePage));
}

}  // namespace

TTextSize TQtTextMeasurer::MeasureText(std::string_view text, const TkvFont& font,
                                       std::int64_t wrapWidth, int codePage) const {
  const TScreenFont screen = ScreenFontOf(font, codePage);
  const QSize size = MeasureScreenText(
      FromCodePage(text, codePage), QString::fromStdString(screen.FamilyUtf8), screen.PixelSize,
      TScreenStyle{screen.Bold, screen.Italic, screen.Underline, screen.StrikeOut}, wrapWidth);
  return TTextSize{size.width(), size.height()};
}

}  // namespace kv::gui
