// Small output helpers of the command line: JSON text, the progress line on a terminal.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kv::cli {

// A JSON string literal (with quotes). Bytes that do not form valid UTF-8 are written as the
// character of the same number (\u00XX), so the output is always valid JSON.
std::string JsonString(std::string_view text);

// The files named on the command line: files as given, folders scanned for the masks down to
// depthLimit (0: every level). A folder that cannot be listed is reported on standard error and
// sets failedScan; what was found before stays in the list.
std::vector<std::string> CollectFiles(const std::vector<std::string>& paths,
                                      const std::string& masks, int depthLimit, bool& failedScan);

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
