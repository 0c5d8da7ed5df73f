// What the workbench asks of the person in front of it: file and folder dialogs, message boxes,
// and, during a report run, the report library's message boxes and password dialog. The window
// answers with real dialogs; tests script the answers.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "legacy/ReportPrompter.h"

namespace kv {

struct TOpenDialogOptions {
  std::string Filter;      // "Description|*.a;*.b|Description|*.c"
  int FilterIndex = 1;     // 1-based entry selected at start
  std::string DefaultExt;  // without the dot
  bool MultiSelect = false;
  // The folder the dialog opens in, and the file preselected there; empty: the dialog's own.
  std::string InitialFolder{};
  std::string FileName{};
};

struct TSaveDialogOptions {
  std::string FileName;  // preset file name
  std::string Filter;
  std::string DefaultExt;
  bool OverwritePrompt = true;
};

class TPrompter : public TReportPrompter {
 public:
  // The chosen files in the dialog's order; empty when cancelled.
  virtual std::vector<std::string> OpenFiles(const TOpenDialogOptions& options) = 0;
  // The chosen folder; none when cancelled.
  virtual std::optional<std::string> BrowseFolder(const std::string& initialFolder) = 0;
  // The chosen full path; none when cancelled.
  virtual std::optional<std::string> SaveFile(const TSaveDialogOptions& options) = 0;
  // A plain message box.
  virtual void ShowMessage(const std::string& text) = 0;
  // An error message box.
  virtual void ShowError(const std::string& text) = 0;

  // A question answered Yes (true) or No.
  virtual bool Confirm(const std::string& text) = 0;

  // What to do with changes of the table that were not saved, before they would be lost.
  enum class TUnsavedAnswer { Save, Discard, Cancel };
  virtual TUnsavedAnswer AskSaveChanges(const std::string& fileName) = 0;
  // The password dialog of a report run, naming the report it asks for.
  virtual std::optional<std::string> AskReportPasswordFor(const std::string& path) {
    (void)path;
    return AskReportPassword();
  }
};

}  // namespace kv
