// The workbench's dialogs and message boxes, and the report library's message boxes and password
// dialog, as Qt dialogs.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "app/Prompter.h"

namespace kv::gui {

// Turns a filter in the form "Description|*.a;*.b|Description|*.c" into Qt's name filters
// ("Description (*.a *.b)"). "*.*" becomes "*", so that files without an extension are listed too;
// a pattern list already written in parentheses at the end of a description is replaced by the
// translated one.
QStringList QtNameFilters(const std::string& filter);

class TQtPrompter : public TPrompter {
 public:
  explicit TQtPrompter(QWidget* parent = nullptr) : Parent(parent) {}
  // The window the dialogs belong to (they are centred on it and block it).
  void SetParent(QWidget* parent) { Parent = parent; }
  // The code page of the texts of the window's reports (their messages, captions and passwords),
  // which the window reads from its settings at start.
  void SetCodePage(int codePage) { CodePage = codePage; }

  std::vector<std::string> OpenFiles(const TOpenDialogOptions& options) override;
  std::optional<std::string> BrowseFolder(const std::string& initialFolder) override;
  std::optional<std::string> SaveFile(const TSaveDialogOptions& options) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  // The report library's message box, with its caption and icon.
  void ReportMessage(const std::string& text, const std::string& caption,
                     TMessageIcon icon) override;
  // The modal dialog "Password" that asks for a protected report's password; the second form
  // names the report below the question.
  std::optional<std::string> AskReportPassword() override;
  std::optional<std::string> AskReportPasswordFor(const std::string& path) override;
  // A Yes/No question; No is the default button.
  bool Confirm(const std::string& text) override;
  // Save, Discard or Cancel for the table's unsaved changes.
  TUnsavedAnswer AskSaveChanges(const std::string& fileName) override;

 private:
  std::optional<std::string> AskPassword(const QString& report);

  QPointer<QWidget> Parent;
  int CodePage = 1252;
};

}  // namespace kv::gui
