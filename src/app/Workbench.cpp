// The workbench model: lists, runs, settings and conversion data of the application's window.
#include "app/Workbench.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <optional>

#include "app/IniFile.h"
#include "app/RunResults.h"
#include "base/Ascii.h"
#include "base/CodePage.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "legacy/Component.h"
#include "legacy/Report.h"
#include "migrate/ConversionTable.h"
#include "migrate/Journal.h"
#include "migrate/ReplaceEngine.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "writer/Conversion.h"
#include "writer/ReportPool.h"

namespace kv {

namespace {

constexpr const char* SettingsSection = "Settings";

// Calls a function when the scope ends, also through an exception.
template <typename F>
class TFinally {
 public:
  explicit TFinally(F f) : Action(std::move(f)) {}
  ~TFinally() { Action(); }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;

 private:
  F Action;
};

// Shows the report library's message boxes of one file with the file's path above the text, so
// that a box met during a run of many files says which file it is about.
// Reports convert on several threads: their questions reach the user one at a time, each waiting
// for its own answer while the other reports go on.
class TFileNamingPrompter : public TReportPrompter {
 public:
  TFileNamingPrompter(TPrompter& inner, std::mutex& lock, std::string path)
      : Inner(inner), Lock(lock), Path(std::move(path)) {}
  void ReportMessage(const std::string& text, const std::string& caption,
                     TMessageIcon icon) override {
    const std::lock_guard guard(Lock);
    Inner.ReportMessage(Path + "\n\n" + text, caption, icon);
  }
  std::optional<std::string> AskReportPassword() override {
    const std::lock_guard guard(Lock);
    return Inner.AskReportPasswordFor(Path);
  }

 private:
  TPrompter& Inner;
  std::mutex& Lock;
  std::string Path;
};

// The report row's second cell: the messages and notes of a conversion, counted together.
std::string MessageCount(const TConversionOutcome& outcome) {
  return std::to_string(outcome.Messages.size() + outcome.Notes.size());
}

}  // namespace

TWorkbenchContext::TWorkbenchContext() : Conversion(1252, LocaleDecimalSeparator()) {}

TfrmMain::TfrmMain(TPrompter& prompter, std::string settingsPath)
    : TReportHost(Conversion), Prompter(prompter), SettingsFile(std::move(settingsPath)) {
  StatusPanels[0] = "Ready";
  // Reports are converted on the window's own kvReport1; the library's message boxes and the
  // password dialog go to the window's prompter, and errors end the run.
  ConvertReportFile = [this](TReportHost& host, const std::string& path) {
    TFileNamingPrompter named(Prompter, PromptLock, path);
    return kv::ConvertReportFile(host, path, named, TConversionErrors::Raise);
  };
}

// ---- Start and end ----------------------------------------------------------------------------

void TfrmMain::FormCreate() {
  try {
    ReadSettings();
    LoadConversionData(DefaultDataFile);
  } catch (const std::exception& e) {
    // A conversion-data file that exists but cannot be read: the rest of the start is skipped
    // and the window opens.
    Prompter.ShowError(e.what());
  }
}

void TfrmMain::FormDestroy() {
  WriteSettings();
}

void TfrmMain::ReadSettings() {
  try {
    const TIniFile ini(SettingsFile);
    JvSearchFiles1.RootDirectory = ini.ReadString(SettingsSection, "Path", "");
    JvSearchFiles1.FileMasks = SplitMaskList(ini.ReadString(SettingsSection, "Mask", DefaultMasks));
    DataFileName = ini.ReadString(SettingsSection, "DATFile", "");
    const std::string codePage = ini.ReadString(SettingsSection, "CodePage", "");
    if (!codePage.empty()) {
      int number = 0;
      const auto [end, error] =
          std::from_chars(codePage.data(), codePage.data() + codePage.size(), number);
      if (error != std::errc() || end != codePage.data() + codePage.size()) {
        throw EConfigError("The code page \"" + codePage + "\" in " + SettingsFile +
                           " is not a number");
      }
      CheckCodePage(number);
      Context().CodePage = number;
    }
    SetStatus({"Ready", JoinMaskList(JvSearchFiles1.FileMasks), ""});
    ReadPlacement(ini);
  } catch (const std::exception& e) {
    Prompter.ShowMessage(e.what());
  }
  LoadConversionData(DataFileName);
  ShowDataFileInCaption();
}

void TfrmMain::ReadPlacement(const TIniFile& ini) {
  // A value that is missing or no whole number leaves the window where the system puts it.
  const auto number = [&](const char* key) -> std::optional<int> {
    const std::string text = ini.ReadString(SettingsSection, key, "");
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    return value;
  };
  const auto left = number("WindowLeft"), top = number("WindowTop");
  const auto width = number("WindowWidth"), height = number("WindowHeight");
  if (left && top && width && height && *width > 0 && *height > 0) {
    Placement = {true, *left, *top, *width, *height, number("WindowMaximized").value_or(0) != 0};
  }
  const int page = number("Page").value_or(0);
  if (page >= 0 && page <= static_cast<int>(TPage::tbshReportFiles)) {
    ActivePage = static_cast<TPage>(page);
  }
}

void TfrmMain::ShowDataFileInCaption() {
  Caption = CaptionPrefix + ExtractFileName(DataFileName);
  if (View) View->CaptionChanged();
}

void TfrmMain::LoadConversionData(const std::string& path) {
  if (path.empty() || !FileExists(path)) return;
  std::vector<std::string> lines = ReadConversionData(path);
  // Loading counts as a change for Save Conversion Data, but the table then holds no edit that
  // the file lacks.
  LoadingTable = true;
  Table = std::move(lines);
  DataFileName = path;
  vleUnitsStringsChange();
  LoadingTable = false;
  Unsaved = false;
}

void TfrmMain::OpenDataClick() {
  const std::vector<std::string> chosen = Prompter.OpenFiles({ConversionFilter, 1, "dat", false});
  if (chosen.empty()) return;
  if (!SettleUnsavedChanges()) return;
  try {
    LoadConversionData(chosen.front());
  } catch (const std::exception& e) {
    // A file that is no table leaves the table as it was.
    Prompter.ShowError(e.what());
    return;
  }
  ShowDataFileInCaption();
}

bool TfrmMain::SettleUnsavedChanges() {
  if (!Unsaved) return true;
  switch (Prompter.AskSaveChanges(ExtractFileName(DataFileName))) {
    case TPrompter::TUnsavedAnswer::Save:
      btnSaveClick();
      return !Unsaved;
    case TPrompter::TUnsavedAnswer::Discard:
      return true;
    case TPrompter::TUnsavedAnswer::Cancel:
      break;
  }
  return false;
}

void TfrmMain::DeleteTableLines(std::vector<std::size_t> indexes) {
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  bool removed = false;
  // From the last, so that the indexes still to go stay valid.
  for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
    if (*it >= Table.size()) continue;
    Table.erase(Table.begin() + static_cast<std::ptrdiff_t>(*it));
    removed = true;
  }
  if (removed) vleUnitsStringsChange();
}

void TfrmMain::WriteSettings() {
  try {
    TIniFile ini(SettingsFile);
    ini.WriteString(SettingsSection, "Path", JvSearchFiles1.RootDirectory);
    ini.WriteString(SettingsSection, "Mask", JoinMaskList(JvSearchFiles1.FileMasks));
    ini.WriteString(SettingsSection, "DATFile", DataFileName);
    ini.WriteString(SettingsSection, "Backup", "0");
    ini.WriteString(SettingsSection, "WholeWords", "0");
    ini.WriteString(SettingsSection, "ReplaceFileNames", "1");
    ini.WriteString(SettingsSection, "Simulate", "0");
    ini.WriteString(SettingsSection, "CodePage", std::to_string(Context().CodePage));
    if (Placement.Known) {
      ini.WriteString(SettingsSection, "WindowLeft", std::to_string(Placement.Left));
      ini.WriteString(SettingsSection, "WindowTop", std::to_string(Placement.Top));
      ini.WriteString(SettingsSection, "WindowWidth", std::to_string(Placement.Width));
      ini.WriteString(SettingsSection, "WindowHeight", std::to_string(Placement.Height));
      ini.WriteString(SettingsSection, "WindowMaximized", Placement.Maximized ? "1" : "0");
    }
    ini.WriteString(SettingsSection, "Page", std::to_string(static_cast<int>(ActivePage)));
    ini.UpdateFile();
  } catch (const std::exception& e) {
    Prompter.ShowMessage(e.what());
  }
}

void TfrmMain::btnSaveClick() {
  TSaveDialogOptions options;
  options.FileName = ExtractFileName(DataFileName);
  options.Filter = ConversionFilter;
  options.DefaultExt = "dat";
  options.OverwritePrompt = true;
  const auto chosen = Prompter.SaveFile(options);
  if (!chosen) return;
  DataFileName = *chosen;
  ShowDataFileInCaption();
  // A row whose find text is empty (a cleared row is stored as "=") gives no pair: it is dropped
  // rather than saved as a line the table would ignore.
  std::vector<std::string> lines;
  lines.reserve(Table.size());
  for (const std::string& line : Table) {
    if (line.empty() || line.front() == '=') continue;
    lines.push_back(line);
  }
  try {
    WriteConversionData(DataFileName, lines);
    TableChanged = false;
    Unsaved = false;
  } catch (const std::exception& e) {
    Prompter.ShowError(e.what());
    return;
  }
  if (lines.size() != Table.size()) {
    LoadingTable = true;
    Table = std::move(lines);
    if (View) View->TableChanged();
    LoadingTable = false;
  }
}

// ---- The table of pairs ------------------------------------------------------------------------

void TfrmMain::vleUnitsStringsChange() {
  TableChanged = true;
  if (!LoadingTable) Unsaved = true;
  if (View) View->TableChanged();
}

void TfrmMain::SetTableLines(std::vector<std::string> lines) {
  Table = std::move(lines);
  vleUnitsStringsChange();
}

void TfrmMain::SetTableLine(std::size_t index, std::string line) {
  if (index >= Table.size()) return AppendTableLine(std::move(line));
  Table[index] = std::move(line);
  vleUnitsStringsChange();
}

void TfrmMain::AppendTableLine(std::string line) {
  Table.push_back(std::move(line));
  vleUnitsStringsChange();
}

// ---- File lists ---------------------------------------------------------------------------------

void TfrmMain::AddFile(const std::string& path) {
  const std::string file = FileBehindLink(path);
  AddProjectFile(file, file != path);
}

void TfrmMain::AddProjectFile(const std::string& file, bool throughLink) {
  // The same path may be listed twice (and is then converted twice), but a file reached through
  // a link is converted once: the table would otherwise be applied to it twice.
  const bool anyThroughLink = std::any_of(SearchList.Rows.begin(), SearchList.Rows.end(),
                                          [](const TFileRow& row) { return row.ThroughLink; });
  if (throughLink || anyThroughLink) {
    if (const auto added = EntryStatus(file)) {
      for (const TFileRow& row : SearchList.Rows) {
        if (!throughLink && !row.ThroughLink) continue;
        const auto listed = EntryStatus(row.Caption);
        if (listed && listed->Device == added->Device && listed->Inode == added->Inode) return;
      }
    }
  }
  SearchList.Add(file);
  SearchList.Rows.back().ThroughLink = throughLink;
  if (View) View->ListChanged(SearchList);
}

void TfrmMain::AddFilesRep(const std::string& path) {
  SearchListReport.Add(path);
  if (View) View->ListChanged(SearchListReport);
}

void TfrmMain::SetStatus(const std::vector<std::string>& texts) {
  for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
    StatusPanels[i] = i < texts.size() ? texts[i] : std::string();
  }
  if (View) View->StatusChanged();
}

void TfrmMain::SortByColumn(TFileList& list, int column) {
  list.SortByColumn(column);
  if (View) View->ListChanged(list);
}

void TfrmMain::SetSelection(TFileList& list, const std::vector<bool>& selected) {
  for (std::size_t i = 0; i < list.Rows.size(); ++i) {
    list.Rows[i].Selected = i < selected.size() && selected[i];
  }
}

void TfrmMain::btnAddClick() {
  for (const auto& path : Prompter.OpenFiles({ProjectFilter, 2, "pas", true})) AddFile(path);
}

void TfrmMain::btnAddFilesRepClick() {
  for (const auto& path : Prompter.OpenFiles({ReportFilter, 1, "", false})) AddFilesRep(path);
}

void TfrmMain::RemoveSelected(TFileList& list, const char* statusText) {
  SetStatus({statusText, StatusPanels[1], StatusPanels[2]});
  list.DeleteSelected();
  if (View) View->ListChanged(list);
  SetStatus({"Ready", StatusPanels[1], StatusPanels[2]});
}

void TfrmMain::btnRemoveClick() {
  RemoveSelected(SearchList, "Removing files...");
}

void TfrmMain::btnDeleteFilesRepClick() {
  RemoveSelected(SearchListReport, "Removing report files...");
}

void TfrmMain::DeleteKeyReleased() {
  if (ActivePage == TPage::tbshReportFiles) {
    if (SearchListReport.HasSelection()) btnDeleteFilesRepClick();
  } else if (RemoveFilesEnabled()) {
    btnRemoveClick();
  }
}

void TfrmMain::SelectAllExecute() {
  SearchList.SelectAll();
  if (View) View->ListChanged(SearchList);
}

void TfrmMain::DropFiles(const std::vector<std::string>& paths) {
  for (const auto& path : paths) AddFile(path);
}

std::string TfrmMain::FileToOpen(const TFileList& list) const {
  const int row = list.FirstSelected();
  return row < 0 ? std::string() : list.Rows[static_cast<std::size_t>(row)].Caption;
}

bool TfrmMain::RemoveFilesEnabled() const {
  return ActivePage == TPage::tbsFiles && SearchList.HasSelection();
}

bool TfrmMain::SelectAllEnabled() const {
  return ActivePage == TPage::tbsFiles && !SearchList.Rows.empty();
}

// ---- Folder scans
// --------------------------------------------------------------------------------

void TfrmMain::ScanFolder(const char* masks, int depthLimit,
                          void (TfrmMain::*add)(const std::string&)) {
  std::string root = JvSearchFiles1.RootDirectory;
  while (root.size() > 1 && os::IsSeparator(root.back())) root.pop_back();
  const auto chosen = Prompter.BrowseFolder(root);
  if (!chosen) return;
  JvSearchFiles1.RootDirectory = *chosen;
  JvSearchFiles1.FileMasks = SplitMaskList(masks);
  JvSearchFiles1.DepthLimit = depthLimit;
  // Project files are rewritten in place: a link found in the folder is listed as the file it
  // leads to, when that lies inside the folder. What the scan leaves out is named afterwards.
  const bool project = add == &TfrmMain::AddFile;
  JvSearchFiles1.ResolveFileLinks = project;
  JvSearchFiles1.LinkRoots.clear();
  std::vector<std::string> skipped;
  JvSearchFiles1.OnSkipped = [&](const std::string& path, const std::string& reason) {
    skipped.push_back(path + ": " + reason);
  };
  JvSearchFiles1.OnLinkedFile = nullptr;
  if (project) {
    JvSearchFiles1.OnLinkedFile = [this](const std::string& file) { AddProjectFile(file, true); };
  }
  // A folder that cannot be listed ends the scan; what was found stays in the list.
  JvSearchFiles1.Search([&](const std::string& path) {
    if (project) {
      AddProjectFile(path, false);  // a regular file found under its own name
    } else {
      (this->*add)(path);
    }
  });
  JvSearchFiles1.OnSkipped = nullptr;
  JvSearchFiles1.OnLinkedFile = nullptr;
  (project ? SearchList : SearchListReport).Root = *chosen;
  if (View) View->ListChanged(project ? SearchList : SearchListReport);
  if (!skipped.empty()) {
    constexpr std::size_t Shown = 10;
    std::string text = std::to_string(skipped.size()) +
                       (skipped.size() == 1 ? " entry" : " entries") +
                       " of the folder that match the masks were not listed:";
    for (std::size_t i = 0; i < skipped.size() && i < Shown; ++i) text += "\n" + skipped[i];
    if (skipped.size() > Shown) {
      text += "\n... and " + std::to_string(skipped.size() - Shown) + " more";
    }
    Prompter.ShowMessage(text);
  }
}

void TfrmMain::IterateSubdirectoriesExecute() {
  ScanFolder(ProjectMasks, 0, &TfrmMain::AddFile);
}

void TfrmMain::btnIniDirRepClick() {
  ScanFolder(ReportMasks, 1, &TfrmMain::AddFilesRep);
}

// ---- Runs
// -----------------------------------------------------------------------------------------

std::string TfrmMain::TotalText(std::int64_t microseconds) const {
  char buffer[64];
  const long double seconds = static_cast<long double>(microseconds) / 1000000.0L;
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 2);
  std::string number(buffer, result.ptr);
  if (const std::size_t dot = number.find('.'); dot != std::string::npos) {
    number[dot] = DecimalSeparator;
  }
  return "Total: " + number + " secs";
}

void TfrmMain::SetCells(TFileList& list, std::size_t row, std::array<std::string, 3> cells) {
  list.Rows[row].Cells = std::move(cells);
  if (View) View->RowChanged(list, row);
}

void TfrmMain::Change(std::function<void()> change) {
  if (PostChange) {
    PostChange(std::move(change));
  } else {
    change();
  }
}

std::vector<std::string> TfrmMain::BeginRun(TFileList& list) {
  CancelRequested.store(false, std::memory_order_relaxed);
  if (View) View->BusyChanged(true);
  SetStatus({"Scanning...", StatusPanels[1], StatusPanels[2]});
  std::vector<std::string> paths;
  paths.reserve(list.Rows.size());
  for (std::size_t row = 0; row < list.Rows.size(); ++row) {
    SetCells(list, row, {"0", "Waiting", "-"});
    paths.push_back(list.Rows[row].Caption);
  }
  if (View) View->ProgressChanged(0, paths.size(), 0);
  return paths;
}

void TfrmMain::EndRun(std::int64_t total, bool cancelled) {
  Change([this, total, cancelled] {
    if (View) View->BusyChanged(false);
    SetStatus({cancelled ? "Cancelled" : "Ready", StatusPanels[1], TotalText(total)});
  });
}

namespace {

// Counts a run's finished files and the time since it started, for the view's progress.
struct TRunClock {
  explicit TRunClock(std::size_t total) : Total(total) {}
  std::int64_t Elapsed() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 Started)
        .count();
  }
  std::size_t Total;
  std::size_t Finished = 0;
  std::chrono::steady_clock::time_point Started = std::chrono::steady_clock::now();
};

std::string ErrorText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

}  // namespace

TfrmMain::TRunWork TfrmMain::PrepareSourceRun() {
  // The run keeps a journal like the command line's, so that kv3conv undo can put it back.
  auto journal = std::make_shared<TRunJournal>(DataFileName);
  TConvertOptions options;
  options.Journal = journal.get();
  // A person who runs the window expects what it reports done to survive a power loss; flushing
  // every file costs a run of thousands of files a few seconds.
  options.Durable = true;
  // The code page of the settings: under a double-byte one, matches keep to whole characters.
  options.CodePage = Context().CodePage;
  // The command line's engine: files are read and converted on several threads side by side and
  // written in list order on the thread that carries out the work. A path listed twice is
  // converted twice, the second time on the result of the first.
  auto converter = std::make_shared<TSourceConverter>(PairsFromLines(Table), options);
  LastRunJournal.clear();
  for (TFileRow& file : SearchList.Rows) file.Error.clear();
  std::vector<std::string> paths = BeginRun(SearchList);
  return [this, journal, converter, paths = std::move(paths)] {
    // What killed runs left beside the files is removed first.
    RemoveStaleTemporariesBeside(paths);
    TRunClock clock(paths.size());
    std::int64_t total = 0;
    std::size_t done = 0, changed = 0, failed = 0;
    bool cancelled = false;
    std::exception_ptr error;
    std::string errorPath;
    // A file that fails ends the run (its error is shown), and so does a cancel; the journal
    // then says the run was interrupted.
    const TFinally finish([&] {
      const bool ended = done + failed == paths.size() && failed == 0;
      journal->Finish(done, changed, failed, !ended);
      Change([this, path = journal->Path()] { LastRunJournal = path; });
      EndRun(total, cancelled);
    });
    if (!paths.empty()) Change([this] { SetCells(SearchList, 0, {"0", "Busy", "-"}); });
    converter->ConvertFiles(paths, [&](std::size_t row, const TFileResult& result) {
      ++clock.Finished;
      const std::int64_t elapsed = clock.Elapsed();
      if (result.Error) {
        // The error ends the run; the row says the file failed and keeps why.
        ++failed;
        error = result.Error;
        errorPath = paths[row];
        Change([this, row, text = ErrorText(result.Error), finished = clock.Finished,
                all = clock.Total, elapsed] {
          SearchList.Rows[row].Error = text;
          SetCells(SearchList, row, {"0", "Failed", "-"});
          if (View) View->ProgressChanged(finished, all, elapsed);
        });
        return false;
      }
      total += result.Microseconds;
      ++done;
      if (result.Replacements > 0) ++changed;
      Change([this, row, count = result.Replacements, microseconds = result.Microseconds,
              finished = clock.Finished, all = clock.Total, elapsed] {
        SetCells(SearchList, row, {std::to_string(count), "Done", std::to_string(microseconds)});
        if (View) View->ProgressChanged(finished, all, elapsed);
      });
      // A cancel stops the run here, unless this was its last file.
      const bool last = row + 1 == paths.size();
      cancelled = !last && CancelRequested.load(std::memory_order_relaxed);
      if (last || cancelled) return false;
      Change([this, row] { SetCells(SearchList, row + 1, {"0", "Busy", "-"}); });
      return true;
    });
    if (error) {
      // The box names the file the run stopped at.
      const std::string text = ErrorText(error);
      if (text.find(errorPath) != std::string::npos) std::rethrow_exception(error);
      throw EKvError(errorPath + ": " + text);
    }
  };
}

// ---- Undo
// -----------------------------------------------------------------------------------------

std::size_t TUndoReport::Count(TUndoStatus status) const {
  return static_cast<std::size_t>(
      std::count_if(Results.begin(), Results.end(),
                    [status](const TUndoResult& r) { return r.Status == status; }));
}

std::string TUndoReport::Summary() const {
  std::string text = std::to_string(Count(TUndoStatus::Restored)) + " of " + std::to_string(Files) +
                     (Files == 1 ? " file" : " files") + " restored";
  if (const std::size_t refused = Count(TUndoStatus::Refused); refused > 0) {
    text += "; " + std::to_string(refused) +
            " refused (kv3conv undo --force puts them back all the same)";
  }
  if (const std::size_t already = Count(TUndoStatus::AlreadyUndone); already > 0) {
    text += "; " + std::to_string(already) + " held their original already";
  }
  if (const std::size_t unchanged = Count(TUndoStatus::NotChanged); unchanged > 0) {
    text += "; " + std::to_string(unchanged) + " had not been changed by the run";
  }
  if (Cancelled()) {
    text += "; the undo was cancelled before the other " + std::to_string(Files - Results.size()) +
            ", which the next undo of this run puts back";
  }
  return text + ".";
}

std::string TfrmMain::UndoJournal() {
  if (!LastRunJournal.empty()) return LastRunJournal;
  // No run of this window wrote a journal: the user says which run to undo, the newest of any
  // process being the likeliest.
  TOpenDialogOptions options{JournalFilter, 1, "journal", false};
  options.InitialFolder = JournalFolder();
  options.FileName = LastJournal(options.InitialFolder);
  const std::vector<std::string> chosen = Prompter.OpenFiles(options);
  return chosen.empty() ? std::string() : chosen.front();
}

TfrmMain::TRunWork TfrmMain::PrepareUndoRun(const std::string& journalPath) {
  if (journalPath.empty()) return {};
  const TJournal journal = ReadJournal(journalPath);
  if (journal.Undone) {
    Prompter.ShowMessage("The source run of " + journal.Started + " was undone already.");
    return {};
  }
  const std::size_t files = journal.Files.size();
  if (!Prompter.Confirm("Undo the source run of " + journal.Started + "?\n\n" +
                        std::to_string(files) + (files == 1 ? " file" : " files") +
                        " will get back what they held before it, from their backups.")) {
    return {};
  }
  auto report = std::make_shared<TUndoReport>();
  report->JournalPath = journalPath;
  report->Started = journal.Started;
  report->WorkingFolder = journal.WorkingFolder;
  report->Files = files;
  CancelRequested.store(false, std::memory_order_relaxed);
  if (View) View->BusyChanged(true);
  SetStatus({"Undoing...", StatusPanels[1], StatusPanels[2]});
  if (View) View->ProgressChanged(0, files, 0);
  return [this, report] {
    TRunClock clock(report->Files);
    bool ended = false;
    const TFinally finish(
        [&] { Change([this, report = ended ? report : nullptr] { EndUndo(report); }); });
    // Each file is put back in one step of its own; a cancel stops after the file in hand, so
    // that every file is either back or still as the run left it.
    report->Results =
        UndoRun(report->JournalPath, false, [&](std::size_t handled, std::size_t total) {
          Change([this, handled, total, elapsed = clock.Elapsed()] {
            if (View) View->ProgressChanged(handled, total, elapsed);
          });
          return !CancelRequested.load(std::memory_order_relaxed);
        });
    ended = true;
  };
}

void TfrmMain::EndUndo(std::shared_ptr<const TUndoReport> report) {
  if (View) View->BusyChanged(false);
  if (!report) {
    SetStatus({"Ready", StatusPanels[1], StatusPanels[2]});
    return;
  }
  LastUndo = report;
  // The rows whose file holds what it held before the run again. The journal names files by
  // absolute paths, relative ones taken from the run's working folder.
  std::vector<std::string> back;
  for (const TUndoResult& r : report->Results) {
    if (r.Status == TUndoStatus::Restored || r.Status == TUndoStatus::AlreadyUndone) {
      back.push_back(os::ToUtf8(os::ToPath(r.Path).lexically_normal()));
    }
  }
  std::sort(back.begin(), back.end());
  for (std::size_t row = 0; row < SearchList.Rows.size(); ++row) {
    const std::string& caption = SearchList.Rows[row].Caption;
    const std::string absolute =
        os::IsAbsolute(caption) ? caption : os::Join(report->WorkingFolder, caption);
    if (!std::binary_search(back.begin(), back.end(),
                            os::ToUtf8(os::ToPath(absolute).lexically_normal()))) {
      continue;
    }
    std::array<std::string, 3> cells = SearchList.Rows[row].Cells;
    cells[1] = "Undone";
    SetCells(SearchList, row, std::move(cells));
  }
  SetStatus({report->Cancelled() ? "Cancelled" : "Ready", StatusPanels[1],
             "Undone: " + std::to_string(report->Count(TUndoStatus::Restored)) + " of " +
                 std::to_string(report->Files) + " files"});
  if (View) View->UndoFinished(*report);
  // The files are listed where the view shows the report; a refusal is told in a box as well,
  // so that it is not missed.
  if (report->Count(TUndoStatus::Refused) > 0) Prompter.ShowError(report->Summary());
}

void TfrmMain::SaveResultsClick() {
  const bool reports = ActivePage == TPage::tbshReportFiles;
  TSaveDialogOptions options;
  options.FileName = reports ? "report-results.csv" : "source-results.csv";
  options.Filter = ResultsFilter;
  options.DefaultExt = "csv";
  options.OverwritePrompt = true;
  const auto chosen = Prompter.SaveFile(options);
  if (!chosen) return;
  const bool json = AsciiUpper(ExtractFileExt(*chosen)) == ".JSON";
  const std::string text =
      reports
          ? (json ? ReportResultsJson(SearchListReport, Context().CodePage)
                 : ReportResultsCsv(SearchListReport, Context().CodePage))
          : (json ? SourceResultsJson(SearchList, LastRunJournal) : SourceResultsCsv(SearchList));
  try {
    RemoveStaleTemporaries(FolderOf(*chosen));
    WriteFileSafely(*chosen, text);
  } catch (const std::exception& e) {
    Prompter.ShowError(e.what());
  }
}

bool TfrmMain::SaveSummaryEnabled() const {
  return std::any_of(SearchListReport.Rows.begin(), SearchListReport.Rows.end(),
                     [](const TFileRow& row) { return row.Outcome != nullptr; });
}

void TfrmMain::SaveSummaryClick() {
  TSaveDialogOptions options;
  options.FileName = "report-summary.html";
  options.Filter = SummaryFilter;
  options.DefaultExt = "html";
  options.OverwritePrompt = true;
  const auto chosen = Prompter.SaveFile(options);
  if (!chosen) return;
  // The reports the last runs converted, in the list's order.
  std::vector<TSummaryReport> reports;
  for (const TFileRow& row : SearchListReport.Rows) {
    if (!row.Outcome) continue;
    reports.push_back({row.Caption, *row.Outcome,
                       SummaryPictures(row.Caption, *row.Outcome, Context().CodePage,
                                       Context().DecimalSeparator)});
  }
  TSummaryOptions summary;
  summary.CodePage = Context().CodePage;
  try {
    RemoveStaleTemporaries(FolderOf(*chosen));
    WriteFileSafely(*chosen, RunSummaryHtml(reports, summary));
  } catch (const std::exception& e) {
    Prompter.ShowError(e.what());
  }
}

TfrmMain::TRunWork TfrmMain::PrepareReportRun() {
  TReportFileConverter convert = ConvertReportFile;
  std::vector<std::string> paths = BeginRun(SearchListReport);
  TReportPoolOptions pool;
  pool.Threads = ReportThreads;
  pool.CodePage = Context().CodePage;
  pool.DecimalSeparator = Context().DecimalSeparator;
  return [this, convert = std::move(convert), paths = std::move(paths), pool] {
    // Documents are written beside their reports, where killed runs may have left temporary
    // files.
    RemoveStaleTemporariesBeside(paths);
    TRunClock clock(paths.size());
    std::int64_t total = 0;
    bool cancelled = false;
    const TFinally finish([&] { EndRun(total, cancelled); });
    if (!paths.empty()) {
      Change([this] {
        auto cells = SearchListReport.Rows[0].Cells;
        cells[1] = "Busy";
        SetCells(SearchListReport, 0, cells);
      });
    }
    // Reports convert side by side, each thread with a context and a report host of its own; the
    // rows are filled in list order. An error that ends the run is kept with its report and raised
    // when that report's turn comes.
    std::vector<std::exception_ptr> errors(paths.size());
    ConvertReportsInOrder(
        paths.size(), pool,
        [&](TReportHost& host, std::size_t row) {
          TConversionOutcome outcome;
          try {
            if (!convert) throw EKvError("Report conversion is not available in this build");
            outcome = convert(host, paths[row]);
          } catch (const std::exception&) {
            errors[row] = std::current_exception();
          }
          return outcome;
        },
        [&](std::size_t row, TConversionOutcome& outcome) {
          const std::string& path = paths[row];
          ++clock.Finished;
          if (errors[row]) {
            // The error ends the run; its box names the file, and the row says it got no
            // document.
            const std::string text = ErrorText(errors[row]);
            outcome = TConversionOutcome{};
            outcome.Problem = text;
            outcome.OutputPath = DocumentPath(path);
            Change([this, row, result = std::make_shared<const TConversionOutcome>(outcome),
                    finished = clock.Finished, all = clock.Total, elapsed = clock.Elapsed()] {
              SearchListReport.Rows[row].Outcome = result;
              SetCells(SearchListReport, row,
                       {MessageCount(*result), StatusWord(result->Status), "-"});
              if (View) View->ProgressChanged(finished, all, elapsed);
            });
            throw EKvError(path + ": " + text);
          }
          // Report rows show how many messages and notes each conversion gave, and how long each
          // report took to load and write.
          total += outcome.Microseconds;
          Change([this, row,
                  result = std::make_shared<const TConversionOutcome>(std::move(outcome)),
                  finished = clock.Finished, all = clock.Total, elapsed = clock.Elapsed()] {
            SearchListReport.Rows[row].Outcome = result;
            SetCells(SearchListReport, row,
                     {MessageCount(*result), StatusWord(result->Status),
                      std::to_string(result->Microseconds)});
            if (View) View->ProgressChanged(finished, all, elapsed);
          });
          const bool last = row + 1 == paths.size();
          cancelled = !last && CancelRequested.load(std::memory_order_relaxed);
          if (last || cancelled) return false;
          Change([this, row] {
            auto cells = SearchListReport.Rows[row + 1].Cells;
            cells[1] = "Busy";
            SetCells(SearchListReport, row + 1, cells);
          });
          return true;
        });
  };
}

// ---- Settings file location ---------------------------------------------------------------------

std::string SettingsFilePath(const std::string& executablePath) {
  const std::filesystem::path exe = os::ToPath(executablePath);
  const std::string stem = os::ToUtf8(exe.stem());
  const std::string name = stem + ".ini";
  const std::string folder = os::ToUtf8(exe.parent_path());
  // A portable install keeps its settings beside the program.
  if (!folder.empty() && !os::IsSystemProgramFolder(folder) && os::FolderWritable(folder)) {
    return os::Join(folder, name);
  }
  return os::Join(os::Join(os::ConfigHome(), stem), name);
}

}  // namespace kv
