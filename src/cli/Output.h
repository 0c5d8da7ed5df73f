// Small output helpers of the command line: JSON text, the progress line on a terminal.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <thread>
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

// How CollectFiles treats what it finds.
struct TCollectOptions {
  int DepthLimit = 0;  // folders are scanned to this level (0: every level)
  // Each mask that matched no file in any folder scanned is reported.
  bool ReportUnmatchedMasks = false;
  // Files that are rewritten in place: a link is taken as the file it leads to, and a link found
  // in a folder only when that file lies inside the folders named (see TSearchFiles).
  bool ResolveFileLinks = false;
};

// The files named on the command line: files as given, folders scanned for the masks. A folder
// that cannot be listed is reported on standard error and sets failedScan; what was found before
// stays in the list. A folder in which no file matches, and each entry a scan left out (a link
// that leads nowhere, a pipe), are reported on standard error.
std::vector<std::string> CollectFiles(const std::vector<std::string>& paths,
                                      const std::vector<std::string>& masks,
                                      const TCollectOptions& options, bool& failedScan);

// Standard output, checked. Writes go through the C library's buffer; a write that fails (a pipe
// closed by its reader, a full disk) marks the stream, and OutputLost tells. SIGPIPE is ignored
// for the whole program (IgnoreClosedPipes), so that a closed pipe is such a failure and never
// kills a run half-way: a run that writes files stops cleanly after the file in hand, as on
// Ctrl+C.
void IgnoreClosedPipes();
void WriteOut(std::string_view text);
bool OutputLost();
// At the end of the program: flushes and closes standard output. When anything written to it was
// lost, says so on standard error and returns ExitOutputLost in place of 0 or 1 (a usage error
// or an exit code of a signal stays); otherwise returns code.
int FinishOutput(int code);

// Removes the temporary files that killed runs of this host left in the folders of the files a
// run writes. It runs beside the run, since it reads every folder again: the run's own temporary
// files carry its process id, which marks them as not stale. The removals are reported on
// standard error when it is joined.
class TStaleTemporaries {
 public:
  explicit TStaleTemporaries(const std::vector<std::string>& files);
  ~TStaleTemporaries() { Join(); }
  TStaleTemporaries(const TStaleTemporaries&) = delete;
  TStaleTemporaries& operator=(const TStaleTemporaries&) = delete;
  void Join();

 private:
  std::thread Thread;
  std::vector<std::string> Removed;
};

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
