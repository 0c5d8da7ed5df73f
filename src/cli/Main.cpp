// kv3conv: the command-line program of the migration utility. It only wires its arguments to the
// library: source migration, binary form conversion, report conversion, report inspection.
#include <CLI/CLI.hpp>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/CodePage.h"
#include "base/DocumentText.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/TextModule.h"
#include "platform/Console.h"
#include "platform/Process.h"
#include "writer/Registration.h"

namespace {

using namespace kv::cli;

#ifdef KV_QT_TEXT
constexpr bool BuiltWithTextModule = true;
#else
constexpr bool BuiltWithTextModule = false;
#endif

// Documents take the decimal separator of the user's locale, which is returned; what this program
// prints for people and scripts keeps ".".
char SetLocales() {
  std::setlocale(LC_ALL, "");
  const char separator = kv::LocaleDecimalSeparator();
  std::setlocale(LC_NUMERIC, "C");
  return separator;
}

// The classes of the report library, for the commands that load or write reports.
void StartReportLibrary() {
  kv::RegisterReportLibrary();
  // Labels with automatic size are measured as the window measures them, through a module that
  // holds Qt beside the program: only the report commands load it. A build with Qt makes the
  // module and warns when it is missing; a build without (the Windows program built on Linux)
  // takes one that was put beside it, and otherwise keeps each label's stored size with a note.
  static std::unique_ptr<kv::TTextMeasurer> measurer;
  std::string problem;
  measurer = kv::cli::LoadTextModule(problem);
  if (measurer) {
    kv::InstallTextMeasurer(measurer.get());
  } else if (BuiltWithTextModule) {
    std::fprintf(stderr,
                 "kv3conv: warning: %s; labels with automatic size keep the size their report "
                 "stored\n",
                 problem.c_str());
  }
}

// A whole decimal number of at most 9 digits, optionally negative.
bool ParseInt(const char* text, int& value) {
  const char* p = text[0] == '-' ? text + 1 : text;
  if (*p == '\0' || std::strlen(p) > 9) return false;
  int n = 0;
  for (; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    n = n * 10 + (*p - '0');
  }
  value = text[0] == '-' ? -n : n;
  return true;
}

// Reads "dfm2txt" calls with plain arguments (paths, --out DIR, --codepage N) without building the
// whole command line: projects convert their forms one process per form, so this start-up is paid
// for every form. False for anything else (help, other options, no path, repeated options); the
// whole command line then reads the call and gives its usual texts.
bool ReadPlainDfm2TxtCall(int argc, char** argv, std::optional<int>& codePage,
                          TDfm2TxtArgs& args) {
  bool command = false, outGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const char* value = nullptr;
    bool isCodePage = false;
    if (arg == "--codepage" || arg == "--out") {
      if (i + 1 >= argc) return false;
      isCodePage = arg == "--codepage";
      value = argv[++i];
    } else if (arg.starts_with("--codepage=") || arg.starts_with("--out=")) {
      isCodePage = arg.starts_with("--codepage=");
      value = argv[i] + arg.find('=') + 1;
    } else if (arg.starts_with("-")) {
      return false;
    } else if (!command) {
      if (arg != "dfm2txt") return false;
      command = true;
      continue;
    } else {
      args.Paths.emplace_back(arg);
      continue;
    }
    if (isCodePage) {
      int number = 0;
      if (codePage || !ParseInt(value, number)) return false;
      codePage = number;
    } else {
      if (outGiven || !command) return false;
      args.OutFolder = value;
      outGiven = true;
    }
  }
  return command && !args.Paths.empty();
}

}  // namespace

int main(int argc, char** systemArgv) {
  // The arguments as UTF-8 on every system (file names outside the ANSI code page on Windows).
  std::vector<std::string> arguments = kv::os::ProgramArguments(argc, systemArgv);
  std::vector<char*> utf8Argv;
  for (std::string& argument : arguments) utf8Argv.push_back(argument.data());
  utf8Argv.push_back(nullptr);
  char** const argv = utf8Argv.data();
  // A pipe closed by its reader is a failed write, which each command notices; it never kills
  // the program half-way through a run.
  IgnoreClosedPipes();
  // What the program prints is UTF-8 (file names, messages); the console shows it as such.
  kv::os::UseUtf8Console();
  {
    // Forms convert alike in every locale, and the default code page is in place already (it is
    // checked only when named), so this path sets up nothing but the messages' language.
    std::optional<int> codePage;
    TDfm2TxtArgs dfm;
    if (ReadPlainDfm2TxtCall(argc, argv, codePage, dfm)) {
#ifdef LC_MESSAGES  // C libraries without message catalogues (Windows') have none
      std::setlocale(LC_MESSAGES, "");
#endif
      try {
        if (codePage) {
          kv::CheckCodePage(*codePage);
          dfm.CodePage = *codePage;
        }
      } catch (const std::exception& e) {
        std::fprintf(stderr, "kv3conv: %s\n", Printable(e.what()).c_str());
        return ExitUsage;
      }
      return FinishOutput(RunDfm2Txt(dfm));
    }
  }
  const char decimalSeparator = SetLocales();

  CLI::App app{
      "kv3conv: migrates projects built on the Kolvex 2.5 report library to Kolvex 3.\n"
      "Source migration applies a find/replace table to Pascal files (keeping .BAK copies of\n"
      "changed files); report converts legacy report files into new report documents; dfm2txt\n"
      "turns a binary form file into its text form; inspect shows what a legacy report file "
      "holds; preview draws pictures of its pages."};
  app.set_version_flag("--version", std::string("kv3conv ") + KV_VERSION);
  // Options start with "-" on every system: CLI11 would also take "/x" for an option on Windows,
  // and so refuse a path from the root of the drive ("/reports/Sales.kvf").
  app.allow_windows_style_options(false);
  app.require_subcommand(1);
  // Options of the program as a whole are taken after the subcommand as well: a subcommand hands
  // what it does not know to the program.
  app.fallthrough();
  // Error messages may repeat arguments (file names): shown with unprintable bytes escaped.
  app.failure_message([](const CLI::App* failed, const CLI::Error& e) {
    const std::string text = CLI::FailureMessage::simple(failed, e);
    std::string shown;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      shown += Printable(std::string_view(text).substr(start, end - start));
      if (end < text.size()) shown += '\n';
      start = end + 1;
    }
    return shown;
  });
  int codePage = 1252;
  app.add_option("--codepage", codePage,
                 "Code page of texts in the files (1252; 932, 936, 949 and 950 are double-byte; "
                 "65001 is UTF-8)")
      ->capture_default_str();

  TSourceArgs source;
  auto* sourceCmd = app.add_subcommand(
      "source", "Apply the conversion table to Pascal files (*.pas, *.dfm, *.dpr, *.dpk)");
  sourceCmd->add_option("--table", source.Table, "Conversion table (.dat file)")
      ->capture_default_str();
  auto* maskOption =
      sourceCmd
          ->add_option("--mask", source.Mask, "File masks for folders, separated by ';' or ','")
          ->capture_default_str();
  sourceCmd->add_flag("--dry-run", source.DryRun, "Count and time the replacements, write nothing");
  sourceCmd->add_flag("--json", source.Json, "Print the results as JSON");
  sourceCmd->add_flag("--durable", source.Durable,
                      "Flush every new file and its folder to the disk before the journal notes it "
                      "done, so that a power loss leaves no file empty (slower)");
  sourceCmd->add_flag("--diff", source.Diff,
                      "Print what a run would change as a unified diff per file (implies "
                      "--dry-run)");
  sourceCmd
      ->add_option("--color", source.Color,
                   "Colour the diff: always, never or auto (when standard output is a terminal "
                   "and NO_COLOR is not set)")
      ->check(CLI::IsMember({"always", "never", "auto"}))
      ->capture_default_str();
  sourceCmd->add_option("PATH", source.Paths, "Files, or folders scanned to every level")
      ->required();

  TUndoArgs undo;
  auto* undoCmd = app.add_subcommand(
      "undo",
      "Put back the files of a source run from its journal (the last run's by default).\n"
      "Each run that writes keeps a journal in " +
          kv::os::StateFolderInHelp("kv3conv/journals") +
          ", named by its start\n"
          "time. A file is restored from its backup only when it still holds what the run "
          "wrote.");
  undoCmd->add_option("JOURNAL", undo.Journal, "Journal of the run (default: the newest)");
  undoCmd->add_flag("--force", undo.Force, "Restore files that were changed after the run too");
  undoCmd->add_flag("--json", undo.Json, "Print the results as JSON");

  TDfm2TxtArgs dfm;
  auto* dfmCmd = app.add_subcommand(
      "dfm2txt",
      "Convert binary form files to their text form.\n"
      "  dfm2txt IN [OUT]: the text form of IN goes to OUT, or to standard output when OUT is\n"
      "    omitted (OUT may not be a folder nor end in .dfm).\n"
      "  dfm2txt PATH... [--out DIR]: each form named and each *.dfm file in the folders named\n"
      "    (to every level) becomes <name>.txt beside itself, or in DIR with the subfolders it\n"
      "    has below the folder named. Forms already in text form that are found in a folder are\n"
      "    left alone. Two forms whose text would go to one file stop the run before anything\n"
      "    is written; a form that fails is reported and the others are converted.");
  dfmCmd->add_option("PATH", dfm.Paths, "Binary form files or folders; or IN and OUT")->required();
  dfmCmd->add_option("--out", dfm.OutFolder,
                     "Folder of the text forms (created when missing) instead of beside the forms");

  TReportArgs report;
  auto* reportCmd = app.add_subcommand(
      "report", "Convert legacy report files (.kvf) into new report documents (.kv3) beside them");
  reportCmd->add_flag("--recursive", report.Recursive,
                      "Scan folders to every level (default: the folder and its subfolders)");
  auto* reportPassword =
      reportCmd->add_option("--password", report.Password, "Password of protected reports");
  reportCmd
      ->add_option("--password-file", report.PasswordFile,
                   "File whose first line is the reports' password")
      ->excludes(reportPassword);
  reportCmd->add_flag("--json", report.Json, "Print the results as JSON");
  reportCmd->add_option("--summary", report.Summary,
                        "Also write the run's summary as one HTML page (with page pictures)");
  reportCmd
      ->add_option("--jobs", report.Jobs,
                   "Reports converted side by side, each on a thread of its own (default: one "
                   "per processor)")
      ->check(CLI::Range(1u, 64u));
  reportCmd->add_option("PATH", report.Paths, "Report files, or folders to scan for *.kvf")
      ->required();

  TInspectArgs inspect;
  auto* inspectCmd =
      app.add_subcommand("inspect", "Print the legacy report model of a .kvf file as JSON");
  inspectCmd->add_option("FILE", inspect.Input, "Legacy report file (.kvf)")->required();
  auto* inspectPassword =
      inspectCmd->add_option("--password", inspect.Password, "Password of a protected report");
  inspectCmd
      ->add_option("--password-file", inspect.PasswordFile,
                   "File whose first line is the report's password")
      ->excludes(inspectPassword);

  TPreviewArgs preview;
  preview.BuiltWithModule = BuiltWithTextModule;
  auto* previewCmd = app.add_subcommand(
      "preview",
      "Draw pictures of the pages of a .kvf file: the paper and its margins, the bands and every\n"
      "object as the report stores it; objects with conversion notes are marked and the notes\n"
      "listed under the page. Each page goes to <report name>-page<N>.<format>, one line per\n"
      "file written. Needs the Qt module beside the program.");
  previewCmd->add_option("FILE", preview.Input, "Legacy report file (.kvf)")->required();
  previewCmd->add_option("--page", preview.Page, "Draw only page N (from 1)")
      ->check(CLI::Range(1, 100000));
  previewCmd->add_option("--out", preview.OutFolder,
                         "Folder of the pictures (created when missing; default: beside the "
                         "report)");
  previewCmd->add_option("--format", preview.Format, "png, svg or pdf")
      ->check(CLI::IsMember({"png", "svg", "pdf"}))
      ->capture_default_str();
  previewCmd->add_option("--dpi", preview.Dpi, "Resolution in dots per inch")
      ->check(CLI::Range(10, 1200))
      ->capture_default_str();
  auto* previewPassword =
      previewCmd->add_option("--password", preview.Password, "Password of a protected report");
  previewCmd
      ->add_option("--password-file", preview.PasswordFile,
                   "File whose first line is the report's password")
      ->excludes(previewPassword);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return FinishOutput(app.exit(e));
  } catch (const CLI::CallForAllHelp& e) {
    return FinishOutput(app.exit(e));
  } catch (const CLI::CallForVersion& e) {
    return FinishOutput(app.exit(e));
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return FinishOutput(ExitUsage);
  }

  try {
    kv::CheckCodePage(codePage);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv3conv: %s\n", Printable(e.what()).c_str());
    return ExitUsage;
  }
  source.MaskGiven = maskOption->count() > 0;
  // The code page and the decimal separator are fixed from here on for every command.
  source.CodePage = dfm.CodePage = inspect.CodePage = report.CodePage = preview.CodePage =
      codePage;
  inspect.DecimalSeparator = report.DecimalSeparator = preview.DecimalSeparator = decimalSeparator;

  if (sourceCmd->parsed()) return FinishOutput(RunSource(source));
  if (undoCmd->parsed()) return FinishOutput(RunUndo(undo));
  if (dfmCmd->parsed()) return FinishOutput(RunDfm2Txt(dfm));
  StartReportLibrary();
  if (inspectCmd->parsed()) return FinishOutput(RunInspect(inspect));
  if (reportCmd->parsed()) return FinishOutput(RunReport(report));
  if (previewCmd->parsed()) return FinishOutput(RunPreview(preview));
  return ExitUsage;
}
