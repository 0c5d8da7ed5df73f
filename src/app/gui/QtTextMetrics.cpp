// Text measured with Qt's font metrics, as a label shows it.
#include "app/gui/QtTextMetrics.h"

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <algorithm>
#include <climits>
#include <mutex>

namespace kv::gui {

QSize MeasureScreenText(const QString& text, const QString& family, int pixelSize,
                        TScreenStyle style, std::int64_t wrapWidth) {
  // Reports convert on several threads at once; the font database behind the metrics is asked by
  // one at a time.
  static std::mutex fontLock;
  const std::lock_guard guard(fontLock);
  QFont font(family);
  font.setPixelSize(std::clamp(pixelSize, 1, 4096));
  font.setBold(style.Bold);
  font.setItalic(style.Italic);
  font.setUnderline(style.Underline);
  font.setStrikeOut(style.StrikeOut);
  const QFontMetrics metrics(font);
  const int width = wrapWidth > 0 ? static_cast<int>(std::min<std::int64_t>(wrapWidth, INT_MAX / 2))
                                  : INT_MAX / 2;
  const int flags = Qt::AlignLeft | Qt::AlignTop | (wrapWidth > 0 ? Qt::TextWordWrap : 0);
  const QRect box = metrics.boundingRect(QRect(0, 0, width, INT_MAX / 2), flags, text);
  return box.size();
}

}  // namespace kv::gui
