// The application's window: shows the workbench model (TfrmMain) and forwards the user's commands
// to it. It holds no logic of its own beyond translating between Qt and the model.
//
// Components carry the workbench's names as object names ("SearchList", "vleUnits", "sbStatus",
// the actions' names), so that they can be found with findChild.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <vector>

#include "app/Workbench.h"
#include "app/gui/Icons.h"
#include "app/gui/RunProgress.h"

class QAction;
class QLabel;
class QTabWidget;
class QTableView;
class QTreeView;
class QUrl;

namespace kv::gui {

class TDetailsPane;
class TDiffPane;
class TPageStrip;
class TFileListModel;
class TPairTableModel;

class TMainWindow : public QMainWindow, public TWorkbenchView {
  Q_OBJECT

 public:
  // settingsPath: the settings file; the prompter answers the model's dialogs and shows its
  // message boxes.
  TMainWindow(TPrompter& prompter, std::string settingsPath, QWidget* parent = nullptr);
  ~TMainWindow() override;

  TfrmMain& Model() { return Form; }
  // True while a run is on (its work on the worker thread, or its last changes still to come).
  bool Running() const { return Runner.Active(); }

  // Opens a folder or file in the desktop's program for it (double click on a converted report
  // row); by default QDesktopServices::openUrl. False when nothing could open it.
  std::function<bool(const QUrl&)> OpenUrl;

  // Start of the window: accepts dropped files, restores settings and conversion data.
  void FormCreate();
  // End of the window: stops accepting drops, writes the settings. Runs once; the destructor
  // runs it when nobody did.
  void FormDestroy();

  // Re-evaluates the enabled state of the actions; runs whenever the application goes idle.
  void UpdateActions();

  // TWorkbenchView
  void RowChanged(const TFileList& list, std::size_t row) override;
  void ListChanged(const TFileList& list) override;
  void StatusChanged() override;
  void TableChanged() override;
  void CaptionChanged() override;
  void BusyChanged(bool busy) override;
  void ProgressChanged(std::size_t finished, std::size_t total,
                       std::int64_t elapsedMicroseconds) override;
  void UndoFinished(const TUndoReport& report) override;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Asks about unsaved changes of the table before the window closes.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct TListPane {
    TFileList* List = nullptr;
    TFileListModel* Items = nullptr;
    QTreeView* View = nullptr;
    QWidget* Viewport = nullptr;  // the view's viewport, where double clicks arrive
    QLabel* EmptyHint = nullptr;  // shown while the list is empty
  };

  struct TActionEntry {
    QAction* Action = nullptr;
    std::function<bool()> Enabled;  // none: always enabled
    bool DuringRun = false;         // stays available while a run is on
  };

  QAction* AddAction(const char* name, const char* caption, const char* hint, TActionIcon icon,
                     const QKeySequence& shortcut, std::function<void()> execute,
                     std::function<bool()> enabled = {});
  void BuildActions();
  void BuildMenuBar();
  QWidget* BuildReportPane();
  void ShowEmptyHint(TListPane& pane);
  // detailsPane: shown under the list, which it shares the page's height with.
  QWidget* BuildListPage(const char* pageName, const char* toolBarName, TListPane& pane,
                         const std::vector<const char*>& actions, QWidget* detailsPane);
  QWidget* BuildTablePage();
  void BuildStatusBar();

  // Runs a command of the model; an error that ends it is shown in an error message box, as the
  // application's general error handler would.
  void Guarded(const std::function<void()>& command);
  TListPane* PaneOf(const TFileList& list);
  TListPane* PaneOfView(const QObject* viewOrViewport);
  // The model's selection shown in a view, and a view's selection given to the model.
  void ShowSelection(TListPane& pane);
  void TakeSelection(TListPane& pane);
  void ShowSortMark(TListPane& pane);
  void OpenInEditor(const std::string& path);
  // A double click on a list: a converted report's folder, else the file in the editor.
  void OpenRow(TListPane& pane);
  // The details of the first selected row of a list, in the pane under it: the report details or
  // the source file's diff (or, just after an undo, its report). ScheduleDetails shows them once
  // the event loop runs again, so that a run that changes many rows pays for it once.
  void ShowDetails(TListPane& pane);
  void ScheduleDetails();
  // Runs: prepared on this thread, carried out on the worker; while one is on, everything that
  // would change the lists, the table or the settings is refused.
  void StartRun(TfrmMain::TRunWork (TfrmMain::*prepare)());
  void RunFinished(const std::string& error);
  // Cancels a run that is on and waits for its end.
  void StopRun();
  void ShowAbout();
  // The page and, when a screen still shows it, the place and size of the last start.
  void RestorePlacement();
  // Gives the table's two columns the table's width in their proportion.
  void FitTableColumns();

  TPrompter& Prompter;
  // The runs' worker thread, and the model's questions answered on this thread whichever thread
  // asks them.
  TBackgroundRun Runner;
  TWindowThreadPrompter ThreadPrompter{Prompter, Runner};
  TfrmMain Form;

  QTabWidget* JvPageControl = nullptr;
  TListPane ProjectPane;
  TListPane ReportPane;
  QTableView* vleUnits = nullptr;
  TDetailsPane* ReportDetails = nullptr;
  TPageStrip* ReportPages = nullptr;
  TDiffPane* SourceDiff = nullptr;
  bool DetailsScheduled = false;
  bool UndoShown = false;  // the project page's pane shows the last undo's report
  TPairTableModel* Pairs = nullptr;
  std::array<QLabel*, 3> StatusPanels{};
  TRunProgress* Progress = nullptr;
  std::vector<TActionEntry> Actions;

  double FindShare = 0.5;  // the find column's part of the table's width
  bool FittingColumns = false;
  bool ApplyingSelection = false;
  bool Busy = false;
  bool Created = false;
  bool Destroyed = false;
};

}  // namespace kv::gui
