// Qt file dialogs, folder browser and message boxes for the workbench; the report library's
// message boxes and password dialog.
#include "app/gui/QtPrompter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "app/gui/QtText.h"

namespace kv::gui {

QStringList QtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  // A pattern list in parentheses closing a description, such as "All files (*.*)".
  static const QRegularExpression trailingPatterns(
      QStringLiteral(R"(\s*\([^()]*[*?][^()]*\)\s*$)"));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (QString pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      pattern = pattern.trimmed();
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
      if (!pattern.isEmpty()) patterns << pattern;
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    QString description = parts[i];
    description.remove(trailingPatterns);
    description = description.trimmed();
    result << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
  }
  return result;
}

std::vector<std::string> TQtPrompter::OpenFiles(const TOpenDialogOptions& options) {
  QFileDialog dialog(Parent, QStringLiteral("Open"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(options.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  const QStringList filters = QtNameFilters(options.Filter);
  dialog.setNameFilters(filters);
  if (options.FilterIndex >= 1 && options.FilterIndex <= filters.size()) {
    dialog.selectNameFilter(filters[options.FilterIndex - 1]);
  }
  if (!options.DefaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(options.DefaultExt));
  if (!options.InitialFolder.empty()) dialog.setDirectory(PathToQt(options.InitialFolder));
  if (!options.FileName.empty()) dialog.selectFile(PathToQt(options.FileName));
  std::vector<std::string> chosen;
  if (dialog.exec() != QDialog::Accepted) return chosen;
  for (const QString& file : dialog.selectedFiles()) chosen.push_back(PathFromQt(file));
  return chosen;
}

std::optional<std::string> TQtPrompter::BrowseFolder(const std::string& initialFolder) {
  const QString folder = QFileDialog::getExistingDirectory(
      Parent, QStringLiteral("Browse for Folder"), PathToQt(initialFolder));
  if (folder.isEmpty()) return std::nullopt;
  return PathFromQt(folder);
}

std::optional<std::string> TQtPrompter::SaveFile(const TSaveDialogOptions& options) {
  QFileDialog dialog(Parent, QStringLiteral("Save As"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(QtNameFilters(options.Filter));
  if (!options.DefaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(options.DefaultExt));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.OverwritePrompt);
  if (!options.FileName.empty()) dialog.selectFile(PathToQt(options.FileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return PathFromQt(dialog.selectedFiles().constFirst());
}

void TQtPrompter::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), MessageToQt(text, CodePage),
                  QMessageBox::Ok, Parent);
  box.exec();
}

void TQtPrompter::ShowError(const std::string& text) {
  QMessageBox::critical(Parent, QApplication::applicationName(), MessageToQt(text, CodePage));
}

void TQtPrompter::ReportMessage(const std::string& text, const std::string& caption,
                                TMessageIcon icon) {
  QMessageBox::Icon shown = QMessageBox::Critical;
  if (icon == TMessageIcon::Information) shown = QMessageBox::Information;
  if (icon == TMessageIcon::Warning) shown = QMessageBox::Warning;
  QMessageBox box(shown, ToQt(caption, CodePage), MessageToQt(text, CodePage), QMessageBox::Ok, Parent);
  box.exec();
}

std::optional<std::string> TQtPrompter::AskReportPassword() {
  return AskPassword({});
}

std::optional<std::string> TQtPrompter::AskReportPasswordFor(const std::string& path) {
  return AskPassword(PathToQt(path));
}

bool TQtPrompter::Confirm(const std::string& text) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), MessageToQt(text, CodePage),
                  QMessageBox::Yes | QMessageBox::No, Parent);
  box.setObjectName(QStringLiteral("ConfirmBox"));
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

TPrompter::TUnsavedAnswer TQtPrompter::AskSaveChanges(const std::string& fileName) {
  const QString shown =
      fileName.empty() ? QStringLiteral("the conversion table") : PathToQt(fileName);
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Unsaved changes"),
                  QStringLiteral("The conversion table has changes that are not saved in %1.\n"
                                 "Save them before they are lost?")
                      .arg(shown),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, Parent);
  box.setObjectName(QStringLiteral("UnsavedChangesBox"));
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
    case QMessageBox::Save:
      return TUnsavedAnswer::Save;
    case QMessageBox::Discard:
      return TUnsavedAnswer::Discard;
    default:
      return TUnsavedAnswer::Cancel;
  }
}

std::optional<std::string> TQtPrompter::AskPassword(const QString& report) {
  QDialog dialog(Parent);
  dialog.setObjectName(QStringLiteral("PasswordDialog"));
  dialog.setWindowTitle(QStringLiteral("Password"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QStringLiteral("Enter password for opening report"), &dialog));
  if (!report.isEmpty()) {
    // The report asked about, so that a run over many files says which one is protected.
    auto* name = new QLabel(report, &dialog);
    name->setObjectName(QStringLiteral("PasswordReport"));
    name->setTextFormat(Qt::PlainText);
    layout->addWidget(name);
  }
  auto* edit = new QLineEdit(&dialog);
  edit->setObjectName(QStringLiteral("PasswordEdit"));
  // Echoes "*" (character 42) for each typed character, whatever the style's own mask is.
  edit->setEchoMode(QLineEdit::Password);
  edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  edit->setFocus();
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  // The report keeps its password in the code page of its texts, as it keeps every text.
  return FromQt(edit->text(), CodePage);
}

}  // namespace kv::gui
