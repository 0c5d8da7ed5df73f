// The command line's text-measuring module: the window's text measuring in a Qt application on
// the offscreen platform, started the first time a label is measured, so that runs without such
// labels never start Qt. It may be called from several threads at once.
#include <QGuiApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <type_traits>

#include "app/gui/QtTextMetrics.h"
#include "cli/TextModuleAbi.h"

namespace {

// Qt's notes about the environment (no runtime folder, no display) mean nothing to a user of the
// command line; errors still go to standard error.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  std::fprintf(stderr, "kv3conv: %s\n", message.toLocal8Bit().constData());
}

// Reports convert on several threads, and the first label measured may be on any of them: the
// application is made once, by whichever thread measures first, and kept until the process ends
// (it is never destroyed, since the thread that made it may be gone by then).
void StartApplication() {
  static std::once_flag started;
  std::call_once(started, [] {
    if (QGuiApplication::instance()) return;
    // No display is needed to measure text; fonts come from the system's font configuration.
    // Windows measures through its own platform, which needs no display either and is the one
    // plugin its deployment carries.
#ifndef _WIN32
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    qInstallMessageHandler(QuietMessages);
    static int argc = 1;
    static char name[] = "kv3conv";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
  });
}

}  // namespace

extern "C" KV3CONV_MODULE_EXPORT int kv3conv_measure_text(
    const char* text, std::size_t textSize, const char* family, std::size_t familySize,
    int pixelSize, unsigned style, std::int64_t wrapWidth, std::int64_t* width,
    std::int64_t* height) {
  using namespace kv::cli;
  StartApplication();
  const kv::gui::TScreenStyle screenStyle{(style & TextBold) != 0, (style & TextItalic) != 0,
                                          (style & TextUnderline) != 0,
                                          (style & TextStrikeOut) != 0};
  const QSize size = kv::gui::MeasureScreenText(
      QString::fromUtf8(text, static_cast<qsizetype>(textSize)),
      QString::fromUtf8(family, static_cast<qsizetype>(familySize)), pixelSize, screenStyle,
      wrapWidth);
  *width = size.width();
  *height = size.height();
  return 0;
}

// The function's type is the one the command line expects.
static_assert(std::is_same_v<decltype(&kv3conv_measure_text), kv::cli::TMeasureTextFunction>);
