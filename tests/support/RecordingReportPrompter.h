// A report prompter for tests: records the library's message boxes ("caption: text") and answers
// the password dialog with a scripted password (none: cancelled).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "legacy/ReportPrompter.h"

namespace kv::test {

class TRecordingPrompter : public TReportPrompter {
 public:
  std::vector<std::string> Messages;
  std::optional<std::string> Password;
  int PasswordAsked = 0;
  void ReportMessage(const std::string& text, const std::string& caption, TMessageIcon) override {
    Messages.push_back(caption + ": " + text);
  }
  std::optional<std::string> AskReportPassword() override {
    ++PasswordAsked;
    return Password;
  }
};

}  // namespace kv::test
