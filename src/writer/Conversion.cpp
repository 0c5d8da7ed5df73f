// The report conversion driver: one legacy report file in, one new XML document out.
#include "writer/Conversion.h"

#include <chrono>
#include <exception>

#include "base/DocumentText.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "writer/DocumentWriter.h"
#include "writer/ReportHost.h"

namespace kv {

namespace {

// Passes the library's questions on to the caller's prompter and keeps a copy of every message.
// Also counts the time spent in the prompter (a message box or the password dialog waiting for
// the user), which is no part of the conversion's time.
class TCollectingPrompter : public TReportPrompter {
 public:
  using Clock = std::chrono::steady_clock;
  TCollectingPrompter(TReportPrompter& inner, std::vector<std::string>& messages)
      : Inner(inner), Messages(messages) {}
  void ReportMessage(const std::string& text, const std::string& caption,
                     TMessageIcon icon) override {
    Messages.push_back(text);
    const Clock::time_point start = Clock::now();
    Inner.ReportMessage(text, caption, icon);
    Waited += Clock::now() - start;
  }
  std::optional<std::string> AskReportPassword() override {
    const Clock::time_point start = Clock::now();
    std::optional<std::string> password = Inner.AskReportPassword();
    Waited += Clock::now() - start;
    return password;
  }
  Clock::duration Waited{};

 private:
  TReportPrompter& Inner;
  std::vector<std::string>& Messages;
};

// Puts a prompter on the report for the length of one conversion and the earlier one back after.
class TPrompterScope {
 public:
  TPrompterScope(TkvReport& report, TReportPrompter* prompter)
      : Report(report), Saved(report.Prompter) {
    Report.Prompter = prompter;
  }
  ~TPrompterScope() { Report.Prompter = Saved; }
  TPrompterScope(const TPrompterScope&) = delete;
  TPrompterScope& operator=(const TPrompterScope&) = delete;

 private:
  TkvReport& Report;
  TReportPrompter* Saved;
};

// Two upper-case hexadecimal digits of a byte.
std::string HexByte(char c) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  const auto b = static_cast<unsigned char>(c);
  return {Digits[b >> 4], Digits[b & 0xF]};
}

}  // namespace

std::string DroppedControlsNote(const TDroppedControls& dropped) {
  // The part is named as in the other notes: "Page 1, Memo3" for an object, "Page 2" for a page's
  // own attributes, "Report" for the report element's.
  std::string note =
      dropped.Page < 0 ? std::string("Report") : "Page " + std::to_string(dropped.Page + 1);
  if (dropped.Page >= 0 && !dropped.Object.empty()) note += ", " + dropped.Object;
  note += ": " + std::to_string(dropped.Count) +
          (dropped.Count == 1 ? " control character (" : " control characters (");
  for (std::size_t i = 0; i < dropped.Bytes.size(); ++i) {
    if (i != 0) note += ", ";
    note += HexByte(dropped.Bytes[i]);
  }
  note += ") in " + dropped.Attribute + " cannot be held by the new document and " +
          (dropped.Count == 1 ? "was" : "were") + " left out";
  return note;
}

std::vector<std::string> LoadNotes(const TkvReport& report) {
  std::vector<std::string> notes;
  for (const TSkippedRecord& record : report.LastLoad.Skipped) {
    const std::string page = record.Page < 0 ? std::string("an unknown page")
                                             : "page " + std::to_string(record.Page + 1);
    if (record.Reason == TSkippedRecord::NotAvailable) {
      notes.push_back("Skipped on " + page + ": an object of class " + record.ClassName +
                      ", which this program does not convert");
    } else {
      notes.push_back("Skipped on " + page + ": a damaged record" +
                      (record.ClassName.empty() ? std::string() : " of class " + record.ClassName));
    }
  }
  std::vector<std::string> losses;
  for (int p = 0; p < report.Pages.Count(); ++p) {
    for (const auto& object : report.Pages.Item(p).ObjectList) {
      losses.clear();
      object->DocumentLosses(losses);
      for (const std::string& loss : losses) {
        notes.push_back("Page " + std::to_string(p + 1) + ", " + object->Name + ": " + loss);
      }
    }
  }
  if (HoldsForbiddenControl(ShiftPassword(report.ReportOptions.Password))) {
    notes.push_back(
        "The document's password is stored shifted and holds control characters, which strict "
        "XML tools refuse");
  }
  return notes;
}

const char* StatusWord(TConversionStatus status) {
  switch (status) {
    case TConversionStatus::Done:
      return "Done";
    case TConversionStatus::Warnings:
      return "Warnings";
    case TConversionStatus::Failed:
      return "Failed";
  }
  return "Failed";
}

TConversionOutcome ConvertReportFile(TReportHost& host, const std::string& path,
                                     TReportPrompter& prompter, TConversionErrors errors) {
  using Clock = std::chrono::steady_clock;
  TConversionOutcome outcome;
  outcome.OutputPath = DocumentPath(path);
  TkvReport& report = host.Report();
  report.Context().StartConversion();
  TCollectingPrompter collecting(prompter, outcome.Messages);
  const TPrompterScope scope(report, &collecting);
  const Clock::time_point start = Clock::now();
  const auto stopClock = [&] {
    outcome.Microseconds = std::chrono::duration_cast<std::chrono::microseconds>(
                               Clock::now() - start - collecting.Waited)
                               .count();
  };
  try {
    if (!report.LoadReportFile(path)) {
      outcome.Problem = "no such file";
    } else if (!report.LastLoad.Read()) {
      outcome.Problem = LoadFailureText(report.LastLoad);
    } else {
      outcome.Notes = LoadNotes(report);
      report.SaveAsDocument(path);
      for (const TDroppedControls& dropped : report.DroppedControls) {
        outcome.Notes.push_back(DroppedControlsNote(dropped));
      }
      outcome.Status = outcome.Messages.empty() && outcome.Notes.empty()
                           ? TConversionStatus::Done
                           : TConversionStatus::Warnings;
    }
  } catch (const std::exception& e) {
    stopClock();
    outcome.Status = TConversionStatus::Failed;
    if (errors == TConversionErrors::Raise) throw;
    outcome.Problem = e.what();
    return outcome;
  }
  stopClock();
  return outcome;
}

}  // namespace kv
