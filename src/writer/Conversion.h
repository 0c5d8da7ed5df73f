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
class TkvReport;
struct TDroppedControls;

// How one conversion ended.
enum class TConversionStatus {
  Done,      // a document was written, with nothing to report
  Warnings,  // a document was written; the library showed messages or the notes list what the
             // document lacks (skipped records, control bytes left out of its texts, a password
             // with control characters)
  Failed,    // no document was written: Problem says why; an earlier document stays untouched
};

// The status word of rows and output lines: "Done", "Warnings", "Failed".
const char* StatusWord(TConversionStatus status);

// What became of one report file.
struct TConversionOutcome {
  TConversionStatus Status = TConversionStatus::Failed;
  std::string OutputPath;  // the document's path (also when none was written)
  // The report library's messages while the file was loaded and written, in their order.
  std::vector<std::string> Messages;
  // What the new document does not carry of the report, or carries in a form to know about;
  // one text per finding.
  std::vector<std::string> Notes;
  // Why no document was written; empty when one was.
  std::string Problem;
  std::int64_t Microseconds = 0;  // loading and writing

  bool Written() const { return Status != TConversionStatus::Failed; }
};

// The notes on a report just read: every object record the load skipped (page and class, or
// damage), what each object loses in the new document (page, name and the loss), and a password
// that the document can carry only as control characters.
std::vector<std::string> LoadNotes(const TkvReport& report);

// The note on control bytes that a document's attribute value could not hold, such as "Page 1,
// Memo3: 2 control characters (01, 1F) in Memo.text cannot be held by the new document and were
// left out": the part (the object with its page, a page, or "Report"), how many bytes, each
// distinct byte in hexadecimal in the order of first appearance, and the attribute.
std::string DroppedControlsNote(const TDroppedControls& dropped);

// What happens to an error that ends a conversion (the file cannot be opened, the document
// cannot be written): Raise lets it continue to the caller (the workbench's run stops there);
// Record keeps its text in the outcome's Problem (the command line goes on with the next file).
// A file from which no report could be read is never an error: its outcome is Failed.
enum class TConversionErrors { Raise, Record };

// Loads path into host's report and writes its document. The library's messages and its
// password question go to prompter, and the messages are also collected in the outcome. When the
// load did not read the report (missing or empty file, refused version, a file unreadable as a
// report, a password missing or wrong) no document is written, so neither the report's previous
// contents nor an empty stand-in ever become this file's document. An earlier document is
// replaced only by a complete new one.
TConversionOutcome ConvertReportFile(TReportHost& host, const std::string& path,
                                     TReportPrompter& prompter,
                                     TConversionErrors errors = TConversionErrors::Raise);

}  // namespace kv
