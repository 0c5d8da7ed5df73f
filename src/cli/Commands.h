// The commands of kv3conv. Each returns the process exit code: 0 success, 1 when a file failed
// (the others are still done), 2 when the command cannot start (usage, a missing or unusable
// table, an output that is the input). The program then makes it 3 when what it printed on
// standard output was lost (see FinishOutput).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "legacy/ReportPrompter.h"

namespace kv::cli {

enum TExitCode { ExitOk = 0, ExitFileFailed = 1, ExitUsage = 2, ExitOutputLost = 3 };

struct TSourceArgs {
  std::string Table = "kv25x.dat";
  std::string Mask = "*.pas;*.dfm;*.dpr;*.dpk";
  bool MaskGiven = false;  // --mask was given: a mask that matches no file is reported
  bool DryRun = false;
  bool Json = false;
  bool Diff = false;           // print what would change as a unified diff; writes nothing
  bool Durable = false;        // flush every new file and its folder before noting it done
  int CodePage = 1252;         // of the texts in the files (--codepage)
  std::string Color = "auto";  // colour of the diff: always, never, auto (stdout a terminal)
  std::vector<std::string> Paths;
};

int RunSource(const TSourceArgs& args);

struct TUndoArgs {
  std::string Journal;  // empty: the last run's
  bool Force = false;
  bool Json = false;
};

// Puts back the files of a source run from its journal.
int RunUndo(const TUndoArgs& args);

// dfm2txt takes "IN [OUT]" (one form to OUT or standard output) or forms and folders of forms,
// each written beside itself as <name>.txt or into OutFolder (--out).
struct TDfm2TxtArgs {
  std::vector<std::string> Paths;
  std::string OutFolder;
  int CodePage = 1252;
};

int RunDfm2Txt(const TDfm2TxtArgs& args);

struct TInspectArgs {
  std::string Input;
  std::string Password;
  std::string PasswordFile;
  int CodePage = 1252;
  char DecimalSeparator = '.';  // of floating-point values in documents
};

int RunInspect(const TInspectArgs& args);

// preview: pictures of a report's pages, drawn by the Qt module.
struct TPreviewArgs {
  std::string Input;
  int Page = 0;          // from 1; 0 draws every page
  std::string OutFolder;  // empty: beside the report
  std::string Format = "png";
  int Dpi = 96;
  std::string Password;
  std::string PasswordFile;
  int CodePage = 1252;
  char DecimalSeparator = '.';
  // Whether this build makes the Qt module (a build without Qt has no drawing).
  bool BuiltWithModule = true;
};

int RunPreview(const TPreviewArgs& args);

struct TReportArgs {
  unsigned Jobs = 0;  // threads that convert side by side (0: one per processor)
  int CodePage = 1252;
  char DecimalSeparator = '.';  // of floating-point values in documents
  bool Recursive = false;
  std::string Password;
  std::string PasswordFile;
  bool Json = false;
  // The migration summary's file (HTML); empty: none.
  std::string Summary;
  std::vector<std::string> Paths;
};

// Converts report files and the report files of folders into new documents beside them.
int RunReport(const TReportArgs& args);

class TProgressLine;

// The report library's messages go to standard error, prefixed with the file, after the
// progress line (when there is one) has been cleared; the password comes from the command line.
class TCliReportPrompter : public TReportPrompter {
 public:
  // Texts of the report (messages, captions) are in codePage. With printed, what the prompter
  // would print is appended there instead, for the caller to print in its turn.
  TCliReportPrompter(std::string file, std::optional<std::string> password, int codePage,
                     TProgressLine* progress = nullptr, std::string* printed = nullptr);
  void ReportMessage(const std::string& text, const std::string& caption,
                     TMessageIcon icon) override;
  std::optional<std::string> AskReportPassword() override;

 private:
  std::string File;
  std::optional<std::string> Password;
  int CodePage;
  TProgressLine* Progress;
  std::string* Printed;
  void Print(const std::string& line);
};

// The password of --password or the first line of --password-file; false when the file
// cannot be read.
bool ReadPasswordOption(const std::string& password, const std::string& passwordFile,
                        std::optional<std::string>& result);

}  // namespace kv::cli
