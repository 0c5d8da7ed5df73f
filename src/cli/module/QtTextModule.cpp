// The command line's Qt module: the window's text measuring and the drawing of page pictures in a
// Qt application on the offscreen platform, started the first time a label is measured or a page
// drawn, so that runs without either never start Qt. Measuring may be called from several threads
// at once.
#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "app/gui/QtTextMetrics.h"
#include "cli/TextModuleAbi.h"
#include "qtdraw/PagePainter.h"

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

extern "C" KV3CONV_MODULE_EXPORT int kv3conv_measure_text(const char* text, std::size_t textSize,
                                                          const char* family,
                                                          std::size_t familySize, int pixelSize,
                                                          unsigned style, std::int64_t wrapWidth,
                                                          std::int64_t* width,
                                                          std::int64_t* height) {
  using namespace kv::cli;
  StartApplication();
  const kv::gui::TScreenStyle screenStyle{(style & TextBold) != 0, (style & TextItalic) != 0,
                                          (style & TextUnderline) != 0,
                                          (style & TextStrikeOut) != 0};
  const QSize size =
      kv::gui::MeasureScreenText(QString::fromUtf8(text, static_cast<qsizetype>(textSize)),
                                 QString::fromUtf8(family, static_cast<qsizetype>(familySize)),
                                 pixelSize, screenStyle, wrapWidth);
  *width = size.width();
  *height = size.height();
  return 0;
}

// The function's type is the one the command line expects.
static_assert(std::is_same_v<decltype(&kv3conv_measure_text), kv::cli::TMeasureTextFunction>);

extern "C" KV3CONV_MODULE_EXPORT int kv3conv_draw_page(const char* data, std::size_t size,
                                                       const char* format, int dpi,
                                                       const char* outPath, char* error,
                                                       std::size_t errorSize) {
  StartApplication();
  const auto fail = [&](const QString& reason) {
    if (error != nullptr && errorSize > 0) {
      const QByteArray text = reason.toUtf8();
      const std::size_t length =
          std::min<std::size_t>(static_cast<std::size_t>(text.size()), errorSize - 1);
      std::memcpy(error, text.constData(), length);
      error[length] = '\0';
    }
    return 1;
  };
  if (data == nullptr || format == nullptr || outPath == nullptr) return fail("no page picture");
  kv::TPagePicture picture;
  QString problem;
  if (!kv::draw::ReadPagePictureJson(QByteArray(data, static_cast<qsizetype>(size)), picture,
                                     problem)) {
    return fail(problem);
  }
  if (!kv::draw::WritePagePicture(picture, QString::fromUtf8(format), dpi,
                                  QString::fromUtf8(outPath), problem)) {
    return fail(problem);
  }
  return 0;
}

static_assert(std::is_same_v<decltype(&kv3conv_draw_page), kv::cli::TDrawPageFunction>);

