// Text conversions between the workbench model and Qt.
#include "app/gui/QtText.h"

#include <QStringDecoder>

#include "base/CodePage.h"

namespace kv::gui {

QString ToQt(const std::string& text, int codePage) {
  return QString::fromStdString(CodePageToUtf8(text, codePage));
}

std::string FromQt(const QString& text, int codePage) {
  return Utf8ToCodePage(text.toStdString(), codePage);
}

// Paths are UTF-8 in the model on every system (QFile's encoding would be the ANSI code page on
// Windows).
QString PathToQt(const std::string& path) {
  return QString::fromStdString(path);
}

std::string PathFromQt(const QString& path) {
  return path.toStdString();
}

QString MessageToQt(const std::string& text, int codePage) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  return utf8.hasError() ? ToQt(text, codePage) : decoded;
}

}  // namespace kv::gui
