// The report conversion driver: one legacy report file in, one new XML document out.
#include "writer/Conversion.h"

#include <chrono>
#include <exception>

#include "app/ReportHost.h"
#include "legacy/Report.h"

namespace kv {

namespace {

// Passes the library's questions on to the caller's prompter and keeps a copy of every message.
class TCollectingPrompter : public TReportPrompter {
 public:
  TCollectingPrompter(TReportPrompter& inner, std::vector<std::string>& messages)
      : Inner(inner), Messages(messages) {}
  void ReportMessage(const std::string& text, const std::string& caption,
                     TMessageIcon icon) override {
    Messages.push_back(text);
    Inner.ReportMessage(text, caption, icon);
  }
  std::optional<std::string> AskReportPassword() override { return Inner.AskReportPassword(); }

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

}  // namespace

TConversionOutcome ConvertReportFile(TReportHost& host, const std::string& path,
                                     TReportPrompter& prompter, TConversionErrors errors) {
  using Clock = std::chrono::steady_clock;
  TConversionOutcome outcome;
  outcome.OutputPath = DocumentPath(path);
  TkvReport& report = host.Report();
  TCollectingPrompter collecting(prompter, outcome.Messages);
  const TPrompterScope scope(report, &collecting);
  const Clock::time_point start = Clock::now();
  const auto stopClock = [&] {
    outcome.Microseconds =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  };
  try {
    if (!report.LoadReportFile(path)) {
      outcome.Problem = "no such file";
    } else if (!report.ReportRead) {
      outcome.Problem = "no report could be read from the file";
    } else {
      report.SaveAsDocument(path);
      outcome.Written = true;
    }
  } catch (const std::exception& e) {
    stopClock();
    if (errors == TConversionErrors::Raise) throw;
    outcome.Problem = e.what();
    return outcome;
  }
  stopClock();
  return outcome;
}

}  // namespace kv
