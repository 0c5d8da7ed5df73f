// What the report library asks of the user while it loads a report: message boxes (an unsupported
// file, missing components) and the report password. The desktop window shows dialogs, the
// command line prints to standard error and takes the password from its options, tests script it.
#pragma once

#include <optional>
#include <string>

namespace kv {

enum class TMessageIcon { Information, Warning, Error };

class TReportPrompter {
 public:
  virtual ~TReportPrompter() = default;
  // A message box with one OK button.
  virtual void ReportMessage(const std::string& text, const std::string& caption,
                             TMessageIcon icon) = 0;
  // The password dialog: the entered text, or none when cancelled.
  virtual std::optional<std::string> AskReportPassword() = 0;
};

}  // namespace kv
