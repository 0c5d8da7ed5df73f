// Text measuring with Qt's font metrics.
#include "app/gui/QtTextMeasurer.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QRect>
#include <QString>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/CodePage.h"

namespace kv::gui {

namespace {

QString FromCodePage(std::string_view text) {
  return QString::fromStdString(CodePageToUtf8(std::string(text)));
}

// The font as the screen shows it at 96 pixels per inch, so that the size does not depend on the
// resolution of the machine the conversion runs on.
QFont ScreenFont(const TkvFont& font) {
  QFont result(FromCodePage(font.Name));
  const std::int64_t height = FontHeightPixels(font.Size);
  result.setPixelSize(static_cast<int>(
      std::min<std::int64_t>(std::max<std::int64_t>(height < 0 ? -height : height, 1), 4096)));
  result.setBold(font.Style.Contains(TFontStyle::fsBold));
  result.setItalic(font.Style.Contains(TFontStyle::fsItalic));
  result.setUnderline(font.Style.Contains(TFontStyle::fsUnderline));
  result.setStrikeOut(font.Style.Contains(TFontStyle::fsStrikeOut));
  return result;
}

// Qt's notes about the environment (no runtime folder, no display) mean nothing to a user of the
// command line; errors still go to standard error.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  std::fprintf(stderr, "kv3conv: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

TTextSize TQtTextMeasurer::MeasureText(std::string_view text, const TkvFont& font,
                                       std::int64_t wrapWidth) const {
  const QFontMetrics metrics(ScreenFont(font));
  const int width = wrapWidth > 0 ? static_cast<int>(std::min<std::int64_t>(wrapWidth, INT_MAX / 2))
                                  : INT_MAX / 2;
  const int flags = Qt::AlignLeft | Qt::AlignTop | (wrapWidth > 0 ? Qt::TextWordWrap : 0);
  const QRect box =
      metrics.boundingRect(QRect(0, 0, width, INT_MAX / 2), flags, FromCodePage(text));
  return TTextSize{box.width(), box.height()};
}

TTextSize TOffscreenTextMeasurer::MeasureText(std::string_view text, const TkvFont& font,
                                              std::int64_t wrapWidth) const {
  if (!QGuiApplication::instance()) {
    // No display is needed to measure text; fonts come from the system's font configuration.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    static int argc = 1;
    static char name[] = "kv3conv";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
  }
  return TQtTextMeasurer::MeasureText(text, font, wrapWidth);
}

}  // namespace kv::gui
