// Fuzz target: any bytes as a legacy report file. Loading must end without a crash, an endless
// loop, a read outside the data or an unbounded allocation; saving what was loaded must work.
#include <cstddef>
#include <cstdint>
#include <string>

#include "legacy/Errors.h"
#include "legacy/Report.h"

namespace {

// Answers every password prompt with a wrong password, so that path is taken too.
class TFuzzPrompter : public kv::TReportPrompter {
 public:
  void ReportMessage(const std::string&, const std::string&, kv::TMessageIcon) override {}
  std::optional<std::string> AskReportPassword() override { return std::string("fuzz"); }
};

// The bytes as if read from a file, so protected reports ask for their password.
class TFuzzFile : public kv::TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  bool IsFileStream() const override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TFuzzPrompter prompter;
  kv::TkvReport report;
  report.Prompter = &prompter;
  TFuzzFile input(std::string(reinterpret_cast<const char*>(data), size));
  report.LoadReportStream(input);
  kv::TMemoryStream output;
  try {
    report.SaveReportStream(output);
  } catch (const kv::EKvError&) {
    // A report the legacy layout cannot hold (more than 256 pages, an over-long option).
  }
  return 0;
}
