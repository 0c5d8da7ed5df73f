// Fuzz target: any bytes as a legacy report file. Loading must end without a crash, an endless
// loop, a read outside the data or an unbounded allocation, with every registered object class
// reading its records; writing the new document of what was loaded, and saving it in the legacy
// layout again, must work or fail with one of the library's errors.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Errors.h"
#include "legacy/Factory.h"
#include "legacy/Report.h"
#include "writer/Registration.h"
#include "legacy/Context.h"
#include "writer/ReportHost.h"

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

// Every object class the program registers, and the base view as an add-in ("TkvView") and for
// each built-in type code that has no class of its own yet, so that the common object record
// is read and written whatever the registry holds.
void RegisterClasses() {
  kv::RegisterReportLibrary();
  kv::RegisterAddIn(kv::TkvView::Class(), 55338, false);
  for (std::uint8_t code = 0; code <= 4; ++code) {
    if (!kv::BuiltInClass(code)) kv::RegisterBuiltInClass(code, kv::TkvView::Class());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TFuzzPrompter prompter;
  static const bool registered = (RegisterClasses(), true);
  (void)registered;
  // The report sits on its host form, as in both programs, so component paths resolve.
  kv::TConversionContext context;
  kv::TReportHost host(context);
  kv::TkvReport& report = host.Report();
  report.Prompter = &prompter;
  TFuzzFile input(std::string(reinterpret_cast<const char*>(data), size));
  report.LoadReportStream(input);
  if (!report.LastLoad.Read()) return 0;
  try {
    kv::TMemoryStream document;
    report.DocumentMode = true;
    report.SaveReportStream(document);
  } catch (const kv::EKvError&) {
    // An error of the document writer is a conversion failure, reported to the user.
  }
  report.DocumentMode = false;
  try {
    kv::TMemoryStream legacy;
    report.SaveReportStream(legacy);
  } catch (const kv::EKvError&) {
    // A report the legacy layout cannot hold (more than 256 pages, an over-long option).
  }
  return 0;
}
