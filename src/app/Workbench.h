// The workbench: the application's one window as a model without any display. It holds the two
// file lists, the table of find/replace pairs, the status bar's three panels and the folder scan,
// runs the source and report conversions over the lists, and keeps its settings and the
// conversion data. The desktop window shows it and forwards the user's commands; tests drive it
// directly.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/FileList.h"
#include "app/FolderScan.h"
#include "app/IniFile.h"
#include "app/Prompter.h"
#include "app/RunSummary.h"
#include "legacy/Context.h"
#include "migrate/Journal.h"
#include "writer/Conversion.h"
#include "writer/ReportHost.h"

namespace kv {

// The pages of the window, in their order.
enum class TPage { tbsFiles = 0, tbsStrings = 1, tbshReportFiles = 2 };

// What an undo of a source run did: the run, and what became of each file the undo handled.
struct TUndoReport {
  std::string JournalPath;
  std::string Started;        // when the run that was undone started
  std::string WorkingFolder;  // the run's, which relative paths of the project list start from
  std::size_t Files = 0;      // the files of the run's journal
  // The files handled, in the journal's order; fewer than Files when the undo was cancelled.
  std::vector<TUndoResult> Results;

  std::size_t Count(TUndoStatus status) const;
  bool Cancelled() const { return Results.size() < Files; }
  // "N of M files restored", then what was refused, already undone, not changed by the run or
  // not handled because the undo was cancelled.
  std::string Summary() const;
};

// What the window is told while the workbench changes. A run carried out on the window's own
// thread holds it from start to end, so the window then repaints what it is told at once instead
// of waiting for its event loop.
class TWorkbenchView {
 public:
  virtual ~TWorkbenchView() = default;
  // One row's cells changed: redraw that row now.
  virtual void RowChanged(const TFileList& list, std::size_t row) {}
  // Rows were added, removed or reordered, or the sort marks changed.
  virtual void ListChanged(const TFileList& list) {}
  // The status panels changed: repaint the status bar now.
  virtual void StatusChanged() {}
  // The table's lines changed (loaded, edited, appended).
  virtual void TableChanged() {}
  virtual void CaptionChanged() {}
  // A run starts (true: show the hourglass) or ends (false).
  virtual void BusyChanged(bool busy) {}
  // A run's progress: the files finished (done or failed) of its total, and the microseconds
  // since it started. Told once with 0 finished when the run starts, then after every file.
  virtual void ProgressChanged(std::size_t finished, std::size_t total,
                               std::int64_t elapsedMicroseconds) {}
  // An undo ended, with what it did (also kept as the model's LastUndo).
  virtual void UndoFinished(const TUndoReport& report) {}
};

// The file-open dialogs' filters and the window's fixed texts.
inline constexpr const char* AppTitle = "KV2.5x For KV3 Conversion Utility";
inline constexpr const char* ProjectFilter =
    "All files (*.*)|*.*|Pascal sources|*.pas;*.dfm;*.dpr|Text files|*.txt";
inline constexpr const char* ReportFilter = "Report Files (*.kvf)|*.kvf";
inline constexpr const char* ConversionFilter = "Conversion files (*.dat)|*.dat";
inline constexpr const char* ResultsFilter = "CSV files (*.csv)|*.csv|JSON files (*.json)|*.json";
inline constexpr const char* SummaryFilter = "HTML pages (*.html)|*.html";
inline constexpr const char* JournalFilter = "Journals (*.journal)|*.journal";
inline constexpr const char* ProjectMasks = "*.pas;*.dfm;*.dpr;*.dpk";
inline constexpr const char* ReportMasks = "*.kvf";
inline constexpr const char* DefaultMasks = "*.dpr;*.dpk;*.pas;*.dfm";
inline constexpr const char* DefaultDataFile = "kv25x.dat";
inline constexpr const char* CaptionPrefix = "KV3 Conversion Utility from:  ";

// Converts one report file and says how it ended; raises an exception for an error that ends the
// run (a file that cannot be opened, a document that cannot be written).
// Runs on any thread of the report run's pool, with that thread's report host (see ReportPool.h).
using TReportFileConverter =
    std::function<TConversionOutcome(TReportHost& host, const std::string& path)>;

// The window model is the form "frmMain" that holds the report kvReport1, the add-in
// registration components and the three report datasets (TReportHost).
// The conversion context of the window's report, made before the report host that uses it.
struct TWorkbenchContext {
  TWorkbenchContext();
  TConversionContext Conversion;
};

class TfrmMain : private TWorkbenchContext, public TReportHost {
 public:
  // settingsPath: the settings file (see SettingsFilePath). The prompter answers dialogs.
  TfrmMain(TPrompter& prompter, std::string settingsPath);

  std::string ClassName() const override { return "TfrmMain"; }
  std::string Caption = AppTitle;

  TFileList SearchList{"SearchList"};
  TFileList SearchListReport{"SearchListReport", TFileList::ReportColumnTitles};
  TSearchFiles JvSearchFiles1;
  std::array<std::string, 3> StatusPanels;
  TPage ActivePage = TPage::tbsFiles;
  // The conversion-data file the table came from or was last saved to, as read or chosen.
  std::string DataFileName;
  // The decimal separator of the user's locale, for the total text.
  char DecimalSeparator = '.';
  // The per-file report conversion: by default the conversion driver on the report host of the
  // pool thread that converts the file (each thread of a report run has a context and a host of
  // its own, like the window's), with the prompter answering the report's message boxes (each
  // naming the file) and password, one question at a time. Without one (cleared), a report run
  // fails on its first file. Each report row keeps its outcome.
  TReportFileConverter ConvertReportFile;
  // Reports a report run converts side by side (0: one per processor).
  unsigned ReportThreads = 0;

  void SetView(TWorkbenchView* view) { View = view; }
  const std::string& SettingsPath() const { return SettingsFile; }

  // Start and end of the window: settings, conversion data. Errors are shown, never raised.
  void FormCreate();
  void FormDestroy();

  // The table of pairs: its lines, "find=replace", with byte 2 standing for "=" in either text.
  const std::vector<std::string>& vleUnits() const { return Table; }
  void SetTableLines(std::vector<std::string> lines);
  void SetTableLine(std::size_t index, std::string line);
  void AppendTableLine(std::string line);

  // File lists. A project file named through a link is listed as the file it leads to (a link
  // is never replaced), and only once: not when that file is listed already, by any name.
  void AddFile(const std::string& path);
  void AddFilesRep(const std::string& path);
  void SetStatus(const std::vector<std::string>& texts);
  void SortByColumn(TFileList& list, int column);
  void SetSelection(TFileList& list, const std::vector<bool>& selected);

  // Commands. Runs raise the error that ended them, after the status bar has been restored.
  void btnStartClick() { PrepareSourceRun()(); }
  void btnConvertRepClick() { PrepareReportRun()(); }

  // A run in two steps. Preparing it, on the model's thread, takes what the run needs from the
  // model (the rows' paths, the table, the report converter) and shows it starting: hourglass,
  // "Scanning...", every row "Waiting". The work it returns converts the files and raises the
  // error that ended it, after the status bar has been restored; it may be carried out on
  // another thread, as long as PostChange brings its changes back to the model's thread.
  using TRunWork = std::function<void()>;
  TRunWork PrepareSourceRun();
  TRunWork PrepareReportRun();
  // Asks the run in progress to stop after the file in hand: the files done stay done, the rest
  // stay "Waiting", and the status bar says "Cancelled" with the total of the files done. Safe
  // from any thread; the next run starts afresh.
  void CancelRun() { CancelRequested.store(true, std::memory_order_relaxed); }
  // When set, every change that the work of a run makes to the model (rows, results, status
  // panels, the journal's name) and every call to the view it makes is handed to it as a
  // function, to be called in the order given on the model's thread. The work then touches no
  // state of the model itself and can run on another thread. Unset, the changes are made at
  // once.
  std::function<void(std::function<void()>)> PostChange;
  void btnAddClick();
  void btnAddFilesRepClick();
  void btnRemoveClick();
  void btnDeleteFilesRepClick();
  void IterateSubdirectoriesExecute();
  void btnIniDirRepClick();
  void SelectAllExecute();
  void btnSaveClick();
  // Files dropped on the window go to the project list, whichever page is shown.
  void DropFiles(const std::vector<std::string>& paths);
  // The Delete key released in a list.
  void DeleteKeyReleased();
  // The file to open when a list is double-clicked: its first selected row; empty when none.
  std::string FileToOpen(const TFileList& list) const;

  // Enabled states of the actions.
  bool RemoveFilesEnabled() const;
  bool SelectAllEnabled() const;
  bool ConvertEnabled() const { return !Table.empty(); }
  bool SaveDataEnabled() const { return TableChanged; }

  // Settings and conversion data.
  void ReadSettings();
  void LoadConversionData(const std::string& path);
  void WriteSettings();

  // Open Conversion Data: a table chosen in a file dialog replaces the table, after the unsaved
  // changes were saved or dropped as the user says.
  void OpenDataClick();
  // Undo Last Run: puts back the files of this window's last source run (LastRunJournal) or,
  // when the window has none, of the journal chosen in a file dialog, after the user confirmed
  // how many files that is.
  void UndoLastRunClick() {
    if (const TRunWork work = PrepareUndoLastRun()) work();
  }
  // The journal Undo Last Run takes: LastRunJournal, else the one the user chooses in a file
  // dialog opened in the journal folder with the newest journal preselected; empty when the
  // dialog was cancelled.
  std::string UndoJournal();
  // An undo as a run in two steps. Preparing it reads the journal, says so and returns no work
  // when the run was undone already, asks for confirmation (No: no work), and shows the undo
  // starting (hourglass, "Undoing...", progress at 0). The work puts the files back and reports
  // its progress after each file, through PostChange like a run's; a cancel stops it after the
  // file in hand, leaving the other files for the next undo of the same journal. At its end the
  // report becomes LastUndo, the project rows whose file holds its original again say "Undone",
  // the status bar gives the count, the view is told, and when a file was refused an error box
  // gives the summary. An error that ends it (the journal cannot be marked undone) is raised.
  TRunWork PrepareUndoRun(const std::string& journalPath);
  TRunWork PrepareUndoLastRun() { return PrepareUndoRun(UndoJournal()); }
  // What the last undo of this window did; none before the first.
  std::shared_ptr<const TUndoReport> LastUndo;
  // Save Results: the rows of the page shown (project or report list) to a file chosen in a save
  // dialog, as JSON when its name ends in .json, else as CSV.
  void SaveResultsClick();
  // Save Summary: the migration summary (one HTML page) of the reports of the list that were
  // converted, with their pages, to a file chosen in a save dialog.
  void SaveSummaryClick();
  // True when a report of the list has been converted.
  bool SaveSummaryEnabled() const;
  // The journal of the last source run of this window; empty when it wrote none.
  std::string LastRunJournal;
  // Removes the lines at these indexes of the table.
  void DeleteTableLines(std::vector<std::size_t> indexes);
  // True when the table holds edits that no file holds yet.
  bool HasUnsavedChanges() const { return Unsaved; }
  // Asks what to do with unsaved changes and does it; false when the user cancelled, or the
  // save was cancelled or failed, so that what would lose them must not go on.
  bool SettleUnsavedChanges();

  // The window's place and size on the screen and the page shown, remembered between starts in
  // the settings file after its seven keys; Known is false until a start read them.
  struct TPlacement {
    bool Known = false;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Maximized = false;
  };
  TPlacement Placement;

  // "Total: %f secs" for a number of microseconds, with two decimals.
  std::string TotalText(std::int64_t microseconds) const;

 private:
  void vleUnitsStringsChange();
  void ResetRows(TFileList& list);
  void SetCells(TFileList& list, std::size_t row, std::array<std::string, 3> cells);
  void ScanFolder(const char* masks, int depthLimit, void (TfrmMain::*add)(const std::string&));
  // Adds a project file, found or named through a link or not (see AddFile).
  void AddProjectFile(const std::string& file, bool throughLink);
  void RemoveSelected(TFileList& list, const char* statusText);
  // The frame shared by both runs. BeginRun, on the model's thread: hourglass, "Scanning...",
  // rows reset; it returns the rows' paths. EndRun, from the work, also when a step raised: the
  // cursor back and "Ready" (or "Cancelled") with the total.
  std::vector<std::string> BeginRun(TFileList& list);
  void EndRun(std::int64_t total, bool cancelled);
  // The end of an undo, on the model's thread; report is none when an error ended it.
  void EndUndo(std::shared_ptr<const TUndoReport> report);
  // Makes a change of a run's work: through PostChange when set, else at once.
  void Change(std::function<void()> change);

  std::atomic<bool> CancelRequested{false};
  // Questions of reports converting side by side go to the prompter one at a time.
  std::mutex PromptLock;

  TPrompter& Prompter;
  std::string SettingsFile;
  TWorkbenchView* View = nullptr;
  std::vector<std::string> Table;
  bool TableChanged = false;  // the SaveData action's enabled state
  bool Unsaved = false;       // edits since the table was last loaded or saved
  bool LoadingTable = false;  // a file is being loaded: not an edit

  void ShowDataFileInCaption();
  void ReadPlacement(const TIniFile& ini);
};

// Where the settings live: "kv3converter.ini" beside the executable when that folder is
// writable and is no program folder of the system (/usr/bin and the like, which the superuser
// may write), otherwise in the user's configuration folder ($XDG_CONFIG_HOME or ~/.config,
// subfolder kv3converter).
std::string SettingsFilePath(const std::string& executablePath);

}  // namespace kv
