// A prompter for tests: dialogs (also the report password dialog) are answered from queues of
// scripted answers (an empty queue answers "cancelled"), message boxes are recorded.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/Prompter.h"

namespace kv::test {

class TScriptedPrompter : public TPrompter {
 public:
  std::deque<std::vector<std::string>> Files;
  std::deque<std::optional<std::string>> Folders;
  std::deque<std::optional<std::string>> Saves;
  std::vector<std::string> Messages, Errors;
  // The folders the folder browser was opened with, the open dialogs' options, and the last save
  // dialog's options.
  std::vector<std::string> BrowsedFrom;
  std::vector<TOpenDialogOptions> Opened;
  TSaveDialogOptions LastSave;
  // The report library's message boxes as "caption: text"; the password dialog's answers.
  std::vector<std::string> ReportMessages;
  std::deque<std::optional<std::string>> Passwords;
  // The password dialog's answers for the reports it names; a report not here is answered from
  // Passwords.
  std::map<std::string, std::optional<std::string>> PasswordsFor;
  int PasswordQuestions = 0;
  // The answers to "save the changes?", with the file names asked about (an empty queue answers
  // Cancel); the reports the password dialog named.
  std::deque<TUnsavedAnswer> UnsavedAnswers;
  std::vector<std::string> UnsavedAsked;
  std::vector<std::string> PasswordReports;
  // The answers to Yes/No questions (an empty queue answers No), and the questions asked.
  std::deque<bool> Confirmations;
  std::vector<std::string> Questions;
  // Runs when an error box would be shown, to look at the program at that moment.
  std::function<void()> OnError;

  std::vector<std::string> OpenFiles(const TOpenDialogOptions& options) override {
    Opened.push_back(options);
    return Pop(Files);
  }
  std::optional<std::string> BrowseFolder(const std::string& initial) override {
    BrowsedFrom.push_back(initial);
    return Pop(Folders);
  }
  std::optional<std::string> SaveFile(const TSaveDialogOptions& options) override {
    LastSave = options;
    return Pop(Saves);
  }
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }
  void ShowError(const std::string& text) override {
    Errors.push_back(text);
    if (OnError) OnError();
  }
  void ReportMessage(const std::string& text, const std::string& caption, TMessageIcon) override {
    ReportMessages.push_back(caption + ": " + text);
  }
  std::optional<std::string> AskReportPassword() override {
    ++PasswordQuestions;
    return Pop(Passwords);
  }
  std::optional<std::string> AskReportPasswordFor(const std::string& path) override {
    PasswordReports.push_back(path);
    if (const auto found = PasswordsFor.find(path); found != PasswordsFor.end()) {
      ++PasswordQuestions;
      return found->second;
    }
    return AskReportPassword();
  }
  bool Confirm(const std::string& text) override {
    Questions.push_back(text);
    return Pop(Confirmations);
  }
  TUnsavedAnswer AskSaveChanges(const std::string& fileName) override {
    UnsavedAsked.push_back(fileName);
    if (UnsavedAnswers.empty()) return TUnsavedAnswer::Cancel;
    const TUnsavedAnswer answer = UnsavedAnswers.front();
    UnsavedAnswers.pop_front();
    return answer;
  }

 private:
  template <typename T>
  static T Pop(std::deque<T>& queue) {
    if (queue.empty()) return T{};
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
  }
};

}  // namespace kv::test
