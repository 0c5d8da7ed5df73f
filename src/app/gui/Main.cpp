// kv3converter: the desktop program of the migration utility.
#include <QApplication>
#include <clocale>

#include "app/Workbench.h"
#include "app/gui/Icons.h"
#include "app/gui/MainWindow.h"
#include "app/gui/QtPrompter.h"
#include "app/gui/QtText.h"
#include "app/gui/QtTextMeasurer.h"
#include "base/DocumentText.h"
#include "writer/Registration.h"

int main(int argc, char** argv) {
  // The user's locale decides the decimal separator of the total text and of the documents.
  std::setlocale(LC_ALL, "");
  QApplication app(argc, argv);
  kv::RegisterReportLibrary();
  // Labels with automatic size are measured with this application's fonts.
  static const kv::gui::TQtTextMeasurer measurer;
  kv::InstallTextMeasurer(&measurer);
  QApplication::setApplicationName(QString::fromLatin1(kv::AppTitle));
  QApplication::setApplicationVersion(QStringLiteral(KV_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("kv3converter"));
  QApplication::setWindowIcon(kv::gui::AppIcon());

  kv::gui::TQtPrompter prompter;
  kv::gui::TMainWindow window(
      prompter, kv::SettingsFilePath(kv::gui::PathFromQt(QCoreApplication::applicationFilePath())));
  prompter.SetParent(&window);
  window.FormCreate();
  prompter.SetCodePage(window.Model().Context().CodePage);
  window.show();
  const int result = QApplication::exec();
  window.FormDestroy();
  return result;
}
