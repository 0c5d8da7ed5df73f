// The report conversion driver: loads one legacy report file into a report host's kvReport1 and
// writes it as a new XML document beside the file. Shared by the workbench's report run and by
// kv3conv report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "legacy/ReportPrompter.h"

namespace kv {

class TReportHost;

// What became of one report file.
struct TConversionOutcome {
  bool Written = false;    // a document was written to OutputPath
  std::string OutputPath;  // the document's path (also when none was written)
  // The report library's messages while the file was loaded and written, in their order.
  std::vector<std::string> Messages;
  // What the new document does not carry of the report, one text per finding.
  std::vector<std::string> Notes;
  // Why no document was written: "no such file", "no report could be read from the file", or
  // the text of the error that ended the conversion (when errors are recorded). Empty when
  // written.
  std::string Problem;
  std::int64_t Microseconds = 0;  // loading and writing
};

// What happens to an error that ends a conversion (the file cannot be opened, the document
// cannot be written): Raise lets it continue to the caller (the workbench's run stops there);
// Record keeps its text in the outcome's Problem (the command line goes on with the next file).
enum class TConversionErrors { Raise, Record };

// Loads path into host's report and writes its document. The library's messages and its
// password question go to prompter, and the messages are also collected in the outcome. When no
// report could be read from the file (missing, empty, refused version) no document is written,
// so the report's previous contents never become this file's document. An earlier document is
// replaced only by a complete new one.
TConversionOutcome ConvertReportFile(TReportHost& host, const std::string& path,
                                     TReportPrompter& prompter,
                                     TConversionErrors errors = TConversionErrors::Raise);

}  // namespace kv
