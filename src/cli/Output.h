// Small output helpers of the command line: JSON text, the progress line on a terminal.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/JsonText.h"

namespace kv::cli {

// JSON string literals come from the shared helpers.
using kv::JsonString;

// Text as it may be shown on a terminal: printable ASCII and valid UTF-8 characters as they are,
// every other byte (control bytes, line breaks, bytes of no valid character) as \xNN, so that a
// file name or a file's content in a message can neither hide nor steer anything.
std::string Printable(std::string_view text);

// The same, but a tab is kept as it is: a line of a file shown on a terminal.
std::string PrintableLine(std::string_view text);

// The masks of a --mask text: separated by ";" or ",", blanks around each removed, empty ones
// dropped ("*.pas, *.dfm;;" gives *.pas and *.dfm).
std::vector<std::string> SplitMaskOption(std::string_view text);

// The files named on the command line: files as given, folders scanned for the masks down to
// depthLimit (0: every level). A folder that cannot be listed is reported on standard error and
// sets failedScan; what was found before stays in the list. A folder in which no file matches is
// reported on standard error, and with reportUnmatchedMasks each mask that matched no file in any
// folder scanned.
std::vector<std::string> CollectFiles(const std::vector<std::string>& paths,
                                      const std::vector<std::string>& masks, int depthLimit,
                                      bool& failedScan, bool reportUnmatchedMasks = false);

// A one-line progress display on standard error, shown only when standard error is a terminal.
class TProgressLine {
 public:
  explicit TProgressLine(std::size_t total);
  ~TProgressLine() { Clear(); }
  void Show(std::size_t index, std::string_view path);
  void Clear();

 private:
  std::size_t Total;
  bool Enabled;
  bool Shown = false;
};

}  // namespace kv::cli
