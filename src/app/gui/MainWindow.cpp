// The application's window over the workbench model.
#include "app/gui/MainWindow.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <clocale>
#include <cmath>

#include "app/FileChanges.h"
#include "app/gui/AboutDialog.h"
#include "app/gui/DetailsPane.h"
#include "app/gui/DiffPane.h"
#include "app/gui/FileListModel.h"
#include "app/gui/PageStrip.h"
#include "app/gui/PairTable.h"
#include "app/gui/QtText.h"
#include "app/gui/RunProgress.h"

namespace kv::gui {

namespace {

constexpr int WindowWidth = 471;
constexpr int WindowHeight = 386;
constexpr std::array<int, 3> StatusPanelWidths{150, 150, 50};
constexpr std::array<int, 2> TableColumnWidths{283, 162};
constexpr QAbstractItemView::EditTriggers TableEditTriggers =
    QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked;

// What an empty list shows: how to start.
QString EmptyListHint(bool project) {
  return project ? QStringLiteral(
                       "No project files yet.\n\nScan a folder (Project > Scan Subdirectories, "
                       "Ctrl+D), add single files (Ins), or drop files or folders here.")
                 : QStringLiteral(
                       "No report files yet.\n\nScan a folder (Reports > Scan Subdirectories, "
                       "Ctrl+Shift+D), add single reports (Shift+Ins), or drop .kvf files or "
                       "folders here.");
}

// A toolbar button's tooltip is the hint up to its first "|".
QString ShortHint(const char* hint) {
  return QString::fromLatin1(hint).section(QLatin1Char('|'), 0, 0);
}

// The decimal separator of the locale taken at start, when it is a single byte.
char LocaleDecimalSeparator() {
  const char* point = std::localeconv()->decimal_point;
  return point && point[0] && !point[1] ? point[0] : '.';
}

}  // namespace

TMainWindow::TMainWindow(TPrompter& prompter, std::string settingsPath, QWidget* parent)
    : QMainWindow(parent), Prompter(prompter), Form(ThreadPrompter, std::move(settingsPath)) {
  setObjectName(QString::fromStdString(Form.Name));
  // Runs are carried out on a worker thread; what they change in the model is changed on this
  // thread, so that the lists and the status bar are only ever read and written here.
  Form.PostChange = [this](std::function<void()> change) { Runner.Post(std::move(change)); };
  Runner.OnFinished = [this](const std::string& error) { RunFinished(error); };
  Form.DecimalSeparator = LocaleDecimalSeparator();
  ProjectPane.List = &Form.SearchList;
  ReportPane.List = &Form.SearchListReport;
  OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  BuildActions();
  BuildMenuBar();
  JvPageControl = new QTabWidget(this);
  JvPageControl->setObjectName(QStringLiteral("JvPageControl"));
  JvPageControl->addTab(BuildListPage("tbsFiles", "ToolBar1", ProjectPane,
                                      {"IterateSubdirectories", "FileOpen", "RemoveFiles", nullptr,
                                       "OpenData", "SaveData", "Convert", "UndoRun", "SaveResults",
                                       nullptr, "AboutMe", nullptr, "FileExit1"},
                                      SourceDiff = new TDiffPane),
                        QStringLiteral("Select Project Files"));
  JvPageControl->addTab(BuildTablePage(), QStringLiteral("Strings Project Files"));
  JvPageControl->addTab(BuildListPage("tbshReportFiles", "ToolBar2", ReportPane,
                                      {"DirReports", "AddReport", "DelReport", nullptr, "RunReport",
                                       "SaveResults", "SaveSummary", nullptr, "AboutMe", nullptr,
                                       "FileExit1"},
                                      BuildReportPane()),
                        QStringLiteral("Select Report Files"));
  JvPageControl->setCurrentIndex(static_cast<int>(TPage::tbsFiles));
  connect(JvPageControl, &QTabWidget::currentChanged, this,
          [this](int index) { Form.ActivePage = static_cast<TPage>(index); });
  setCentralWidget(JvPageControl);
  BuildStatusBar();

  Form.SetView(this);
  CaptionChanged();
  StatusChanged();
  for (TListPane* pane : {&ProjectPane, &ReportPane}) ShowEmptyHint(*pane);

  resize(WindowWidth, WindowHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }

  // Actions follow the model's state whenever the event loop is about to wait.
  connect(QAbstractEventDispatcher::instance(thread()), &QAbstractEventDispatcher::aboutToBlock,
          this, &TMainWindow::UpdateActions);
  UpdateActions();
}

TMainWindow::~TMainWindow() {
  StopRun();
  if (Created) FormDestroy();
  Form.SetView(nullptr);
  if (Busy) QApplication::restoreOverrideCursor();
  // The pages and their views go while the model they show still exists: the base class would
  // destroy them only after the members, and their last signals (selection, current page) reach
  // handlers that use the model.
  for (TListPane* pane : {&ProjectPane, &ReportPane}) {
    pane->View->removeEventFilter(this);
    pane->Viewport->removeEventFilter(this);
    pane->View = nullptr;
    pane->Viewport = nullptr;
    pane->EmptyHint = nullptr;
  }
  vleUnits->viewport()->removeEventFilter(this);
  vleUnits = nullptr;
  delete takeCentralWidget();
  JvPageControl = nullptr;
}

// ---- Building the window ------------------------------------------------------------------------

QAction* TMainWindow::AddAction(const char* name, const char* caption, const char* hint,
                                TActionIcon icon, const QKeySequence& shortcut,
                                std::function<void()> execute, std::function<bool()> enabled) {
  auto* action = new QAction(ActionIcon(*style(), icon), QString::fromLatin1(caption), this);
  action->setObjectName(QString::fromLatin1(name));
  action->setToolTip(ShortHint(hint));
  // The status bar shows the whole hint (the part after "|" where there is one) while the menu
  // entry is highlighted.
  const QString fullHint = QString::fromLatin1(hint);
  action->setStatusTip(fullHint.contains(QLatin1Char('|')) ? fullHint.section(QLatin1Char('|'), 1)
                                                           : fullHint);
  action->setShortcut(shortcut);
  // On the window itself, so that the shortcut works whichever page is shown.
  addAction(action);
  // While a run is on, only what changes no list, table or setting is available.
  static const std::vector<std::string_view> duringRun{"AboutMe", "FileExit1", "SelectAll",
                                                       "CancelRun"};
  const bool availableDuringRun =
      std::find(duringRun.begin(), duringRun.end(), std::string_view(name)) != duringRun.end();
  connect(action, &QAction::triggered, this,
          [this, execute = std::move(execute), enabled, availableDuringRun] {
            // A shortcut may arrive before the next idle update: check the state again.
            if (Runner.Active() && !availableDuringRun) return;
            if (enabled && !enabled()) return;
            execute();
          });
  Actions.push_back({action, std::move(enabled), availableDuringRun});
  return action;
}

void TMainWindow::BuildActions() {
  const QKeySequence none;
  AddAction("IterateSubdirectories", "Scan Subdirectories...", "Scan Subdirectories and add files",
            TActionIcon::Scan, QKeySequence(Qt::CTRL | Qt::Key_D),
            [this] { Guarded([this] { Form.IterateSubdirectoriesExecute(); }); });
  AddAction("FileOpen", "Add files to Convert...", "Add Individual Files to convert",
            TActionIcon::AddFiles, QKeySequence(Qt::Key_Insert), [this] { Guarded([this] { Form.btnAddClick(); }); });
  AddAction(
      "RemoveFiles", "Remove File(s)", "Remove Selected File(s)", TActionIcon::Remove, none,
      [this] { Guarded([this] { Form.btnRemoveClick(); }); },
      [this] { return Form.RemoveFilesEnabled(); });
  AddAction("OpenData", "Open Conversion Data...", "Open Conversion Data", TActionIcon::Open,
            QKeySequence(Qt::CTRL | Qt::Key_O),
            [this] { Guarded([this] { Form.OpenDataClick(); }); });
  AddAction(
      "SaveData", "Save Conversion Data", "Save Conversion Data", TActionIcon::Save,
      QKeySequence(Qt::CTRL | Qt::Key_S), [this] { Guarded([this] { Form.btnSaveClick(); }); },
      [this] { return Form.SaveDataEnabled(); });
  AddAction(
      "Convert", "Convert", "Convert files", TActionIcon::Convert, QKeySequence(Qt::Key_F9),
      [this] { StartRun(&TfrmMain::PrepareSourceRun); }, [this] { return Form.ConvertEnabled(); });
  AddAction("SaveResults", "Save Results...", "Save the results of the run as CSV or JSON",
            TActionIcon::SaveResults, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { Guarded([this] { Form.SaveResultsClick(); }); });
  AddAction(
      "SaveSummary", "Save Summary...",
      "Save the summary of the report run as one HTML page, with pictures of the pages",
      TActionIcon::SaveSummary, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H),
      [this] { Guarded([this] { Form.SaveSummaryClick(); }); },
      [this] { return Form.SaveSummaryEnabled(); });
  AddAction("UndoRun", "Undo Last Run...", "Undo the last source run", TActionIcon::Undo,
            QKeySequence(Qt::CTRL | Qt::Key_Z),
            [this] { StartRun(&TfrmMain::PrepareUndoLastRun); });
  AddAction("AboutMe", "About Me", "About me...", TActionIcon::About, QKeySequence(Qt::Key_F1),
            [this] { ShowAbout(); });
  AddAction("FileExit1", "E&xit", "Exit|Quits the application", TActionIcon::Exit,
            QKeySequence(Qt::ALT | Qt::Key_F4), [this] { close(); });
  AddAction(
      "SelectAll", "Select All", "Select all files of the list", TActionIcon::SelectAll,
      QKeySequence(Qt::CTRL | Qt::Key_A), [this] { Guarded([this] { Form.SelectAllExecute(); }); },
      [this] { return Form.SelectAllEnabled(); });
  AddAction("DirReports", "Scan Subdirectories...", "Scan Subdirectories and add files",
            TActionIcon::Scan, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), [this] { Guarded([this] { Form.btnIniDirRepClick(); }); });
  AddAction("AddReport", "Add Individual Report Files to convert...",
            "Add Individual Report Files to convert", TActionIcon::AddFiles,
            QKeySequence(Qt::SHIFT | Qt::Key_Insert),
            [this] { Guarded([this] { Form.btnAddFilesRepClick(); }); });
  AddAction("DelReport", "Remove Selected Report File(s)...", "Remove Selected Report File(s)",
            TActionIcon::Remove, none,
            [this] { Guarded([this] { Form.btnDeleteFilesRepClick(); }); });
  AddAction("RunReport", "Convert Report Files...", "Convert Report Files", TActionIcon::Convert,
            QKeySequence(Qt::SHIFT | Qt::Key_F9), [this] { StartRun(&TfrmMain::PrepareReportRun); });
  AddAction(
      "CancelRun", "Cancel", "Cancel: stop the run after the file in hand (Esc)", TActionIcon::Stop,
      QKeySequence(Qt::Key_Escape), [this] { Form.CancelRun(); },
      [this] { return Runner.Active(); });
}

// The report page's pane: the selected report's pages as thumbnails above what its conversion
// gave.
QWidget* TMainWindow::BuildReportPane() {
  auto* pane = new QWidget;
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  ReportPages = new TPageStrip(pane);
  ReportDetails = new TDetailsPane(pane);
  layout->addWidget(ReportPages);
  layout->addWidget(ReportDetails, 1);
  return pane;
}

// Every action in a menu, with its shortcut beside it: the keyboard reaches all of them through
// the menus' underlined letters.
void TMainWindow::BuildMenuBar() {
  const auto action = [this](const char* name) {
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
  };
  const std::vector<std::pair<const char*, std::vector<const char*>>> menus{
      {"&File", {"OpenData", "SaveData", "SaveResults", "SaveSummary", nullptr, "FileExit1"}},
      {"&Project", {"IterateSubdirectories", "FileOpen", "RemoveFiles", nullptr, "SelectAll"}},
      {"R&eports", {"DirReports", "AddReport", "DelReport"}},
      {"&Run", {"Convert", "RunReport", "CancelRun", nullptr, "UndoRun"}},
      {"&Help", {"AboutMe"}},
  };
  for (const auto& [title, names] : menus) {
    QMenu* menu = menuBar()->addMenu(QString::fromLatin1(title));
    for (const char* name : names) {
      if (name) {
        menu->addAction(action(name));
      } else {
        menu->addSeparator();
      }
    }
  }
}

QWidget* TMainWindow::BuildListPage(const char* pageName, const char* toolBarName, TListPane& pane,
                                    const std::vector<const char*>& actions, QWidget* detailsPane) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(pageName));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* toolBar = new QToolBar(page);
  toolBar->setObjectName(QString::fromLatin1(toolBarName));
  toolBar->setMovable(false);
  toolBar->setFloatable(false);
  toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (const char* name : actions) {
    if (!name) {
      toolBar->addSeparator();
      continue;
    }
    toolBar->addAction(findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly));
  }
  layout->addWidget(toolBar);

  pane.Items = new TFileListModel(*pane.List, this);
  auto* view = new QTreeView(page);
  pane.View = view;
  view->setObjectName(QString::fromStdString(pane.List->Name));
  view->setModel(pane.Items);
  view->setRootIsDecorated(false);
  view->setItemsExpandable(false);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setSortingEnabled(false);  // the model sorts, on a header click
  // A long path loses its middle, so that both the start and the file's own name stay.
  view->setTextElideMode(Qt::ElideMiddle);

  QHeaderView* header = view->header();
  header->setSectionsMovable(false);
  header->setSectionsClickable(true);
  header->setStretchLastSection(false);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  for (std::size_t column = 0; column < TFileList::ColumnWidths.size(); ++column) {
    const int width = TFileList::ColumnWidths[column];
    const int section = static_cast<int>(column);
    if (width == 0) {
      header->setSectionResizeMode(section, QHeaderView::Stretch);
    } else {
      // At least as wide as the caption with the sort mark beside it, so that the mark never
      // covers the caption.
      header->setSectionResizeMode(section, QHeaderView::Interactive);
      header->resizeSection(section, std::max(width, header->sectionSizeHint(section)));
    }
  }
  connect(header, &QHeaderView::sectionClicked, this, [this, &pane](int section) {
    // The rows keep their order while a run fills them.
    if (!Runner.Active()) Guarded([&] { Form.SortByColumn(*pane.List, section); });
    // The header flips its own mark on a click; the model's mark is the one to show.
    ShowSortMark(pane);
  });
  connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this, &pane] { TakeSelection(pane); });
  pane.Viewport = view->viewport();
  view->installEventFilter(this);
  pane.Viewport->installEventFilter(this);
  // An empty list says how to fill it. The hint lets clicks and drops through to the list.
  pane.EmptyHint = new QLabel(pane.Viewport);
  pane.EmptyHint->setObjectName(QString::fromStdString(pane.List->Name) + QStringLiteral("Hint"));
  pane.EmptyHint->setText(EmptyListHint(pane.List == &Form.SearchList));
  pane.EmptyHint->setAlignment(Qt::AlignCenter);
  pane.EmptyHint->setWordWrap(true);
  pane.EmptyHint->setEnabled(false);
  pane.EmptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* splitter = new QSplitter(Qt::Vertical, page);
  splitter->setObjectName(QString::fromLatin1(pageName) + QStringLiteral("Splitter"));
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(view);
  splitter->addWidget(detailsPane);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  layout->addWidget(splitter, 1);
  return page;
}

QWidget* TMainWindow::BuildTablePage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("tbsStrings"));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);

  Pairs = new TPairTableModel(Form, this);
  vleUnits = new QTableView(page);
  vleUnits->setObjectName(QStringLiteral("vleUnits"));
  vleUnits->setModel(Pairs);
  vleUnits->setItemDelegate(new TPairDelegate(vleUnits));
  vleUnits->setSelectionMode(QAbstractItemView::ExtendedSelection);
  vleUnits->setSelectionBehavior(QAbstractItemView::SelectItems);
  vleUnits->setEditTriggers(TableEditTriggers);
  vleUnits->setWordWrap(false);
  vleUnits->verticalHeader()->hide();
  // Rows as high as a line of text with the cell's 2-pixel inset above and a little room below.
  const int rowHeight = vleUnits->fontMetrics().height() + 2 * TPairDelegate::TextOffset + 2;
  vleUnits->verticalHeader()->setMinimumSectionSize(rowHeight);
  vleUnits->verticalHeader()->setDefaultSectionSize(rowHeight);
  QHeaderView* header = vleUnits->horizontalHeader();
  header->setStretchLastSection(false);
  header->setHighlightSections(false);
  // The columns start at their file widths and then share the table's width in the proportion
  // they have, which the user changes by dragging the border between them.
  for (std::size_t column = 0; column < TableColumnWidths.size(); ++column) {
    header->resizeSection(static_cast<int>(column), TableColumnWidths[column]);
  }
  FindShare =
      static_cast<double>(TableColumnWidths[0]) / (TableColumnWidths[0] + TableColumnWidths[1]);
  connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
    if (FittingColumns || section != 0) return;
    const int width = vleUnits->viewport()->width();
    if (width > 0) FindShare = std::clamp(static_cast<double>(size) / width, 0.05, 0.95);
    FitTableColumns();
  });
  vleUnits->viewport()->installEventFilter(this);
  // Delete removes the pairs of the selected cells. The shortcut belongs to the table itself, so
  // that in a cell being edited the key stays the editor's.
  auto* deletePairs = new QAction(QStringLiteral("Delete Pairs"), vleUnits);
  deletePairs->setObjectName(QStringLiteral("DeletePairs"));
  deletePairs->setShortcut(QKeySequence::Delete);
  deletePairs->setShortcutContext(Qt::WidgetShortcut);
  vleUnits->addAction(deletePairs);
  connect(deletePairs, &QAction::triggered, this, [this] {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : vleUnits->selectionModel()->selectedIndexes()) {
      rows.push_back(static_cast<std::size_t>(index.row()));
    }
    Guarded([&] { Form.DeleteTableLines(rows); });
  });
  layout->addWidget(vleUnits);
  return page;
}

void TMainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("sbStatus"));
  for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("sbStatusPanel%1").arg(i));
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    const bool last = i + 1 == StatusPanels.size();
    // The last panel takes what is left of the bar's width.
    if (last) {
      panel->setMinimumWidth(StatusPanelWidths[i]);
    } else {
      panel->setFixedWidth(StatusPanelWidths[i]);
    }
    bar->addWidget(panel, last ? 1 : 0);
    StatusPanels[i] = panel;
  }
  Progress = new TRunProgress(
      *findChild<QAction*>(QStringLiteral("CancelRun"), Qt::FindDirectChildrenOnly), bar);
  bar->addPermanentWidget(Progress);
}

// ---- Start and end
// --------------------------------------------------------------------------------

void TMainWindow::FormCreate() {
  if (Created) return;
  Created = true;
  setAcceptDrops(true);
  Guarded([this] { Form.FormCreate(); });
  RestorePlacement();
  UpdateActions();
}

void TMainWindow::FormDestroy() {
  if (!Created || Destroyed) return;
  Destroyed = true;
  setAcceptDrops(false);
  const QRect normal = normalGeometry();
  if (normal.isValid()) {
    Form.Placement = {true, normal.x(), normal.y(), normal.width(), normal.height(), isMaximized()};
  }
  Guarded([this] { Form.FormDestroy(); });
}

void TMainWindow::RestorePlacement() {
  JvPageControl->setCurrentIndex(static_cast<int>(Form.ActivePage));
  const TfrmMain::TPlacement& placement = Form.Placement;
  if (!placement.Known) return;
  const QRect wanted(placement.Left, placement.Top, placement.Width, placement.Height);
  // Only where a screen still shows it: a screen may have gone since the last start.
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (!screen->availableGeometry().intersects(wanted)) continue;
    setGeometry(wanted);
    if (placement.Maximized) setWindowState(windowState() | Qt::WindowMaximized);
    return;
  }
}

void TMainWindow::closeEvent(QCloseEvent* event) {
  // Unsaved changes of the table are saved or dropped as the user says, or the window stays.
  bool settled = false;
  Guarded([&] { settled = Form.SettleUnsavedChanges(); });
  if (!settled) {
    event->ignore();
    return;
  }
  // A run that is on stops after the file in hand; the window closes once it ended.
  StopRun();
  QMainWindow::closeEvent(event);
}

// ---- Commands -----------------------------------------------------------------------------------

void TMainWindow::Guarded(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& e) {
    Prompter.ShowError(e.what());
  }
}

void TMainWindow::UpdateActions() {
  const bool running = Runner.Active();
  for (const TActionEntry& entry : Actions) {
    entry.Action->setEnabled((!running || entry.DuringRun) && (!entry.Enabled || entry.Enabled()));
  }
}

void TMainWindow::StartRun(TfrmMain::TRunWork (TfrmMain::*prepare)()) {
  if (Runner.Active()) return;
  TfrmMain::TRunWork work;
  Guarded([&] { work = (Form.*prepare)(); });
  if (!work) return;
  // The pane under the project list shows the rows' changes again, until an undo reports.
  UndoShown = false;
  Runner.Start(std::move(work));
  UpdateActions();
}

void TMainWindow::RunFinished(const std::string& error) {
  UpdateActions();
  // The error that ended the run, once the status bar says the run is over.
  if (!error.empty()) Prompter.ShowError(error);
}

void TMainWindow::StopRun() {
  if (!Runner.Active()) return;
  Form.CancelRun();
  Runner.Wait();
}

void TMainWindow::ShowAbout() {
  TfrmAboutMe about(this);
  about.exec();
}

void TMainWindow::OpenInEditor(const std::string& path) {
  if (path.empty()) return;
  const QString file = PathToQt(path);
  const QString visual = qEnvironmentVariable("VISUAL");
  if (!visual.trimmed().isEmpty()) {
    QStringList arguments = QProcess::splitCommand(visual);
    const QString program = arguments.takeFirst();
    arguments << file;
    if (!QProcess::startDetached(program, arguments)) {
      Prompter.ShowError("Cannot start the editor \"" + visual.toStdString() + "\"");
    }
    return;
  }
  OpenUrl(QUrl::fromLocalFile(file));
}

void TMainWindow::OpenRow(TListPane& pane) {
  const int row = pane.List->FirstSelected();
  if (&pane == &ReportPane && row >= 0) {
    const auto& outcome = pane.List->Rows[static_cast<std::size_t>(row)].Outcome;
    if (outcome && outcome->Written()) {
      const QString folder = QFileInfo(PathToQt(outcome->OutputPath)).absolutePath();
      if (!OpenUrl(QUrl::fromLocalFile(folder))) {
        Prompter.ShowError("Cannot open the folder \"" + PathFromQt(folder) + "\"");
      }
      return;
    }
  }
  OpenInEditor(Form.FileToOpen(*pane.List));
}

void TMainWindow::ShowDetails(TListPane& pane) {
  const int row = pane.List->FirstSelected();
  if (&pane == &ReportPane) {
    const TFileRow* shown = row < 0 ? nullptr : &pane.List->Rows[static_cast<std::size_t>(row)];
    ReportDetails->ShowRow(shown, Form.Context().CodePage);
    ReportPages->ShowReport(shown ? shown->Caption : std::string(), Form.Context().CodePage,
                            Form.Context().DecimalSeparator,
                            shown && shown->Outcome ? shown->Outcome.get() : nullptr);
  } else if (UndoShown && Form.LastUndo) {
    SourceDiff->ShowUndo(*Form.LastUndo, Form.Context().CodePage);
  } else {
    SourceDiff->ShowChanges(
        row < 0 ? TFileChanges{} : SourceFileChanges(Form, static_cast<std::size_t>(row)),
        Form.Context().CodePage);
  }
}

void TMainWindow::ScheduleDetails() {
  if (DetailsScheduled) return;
  DetailsScheduled = true;
  QTimer::singleShot(0, this, [this] {
    DetailsScheduled = false;
    if (!JvPageControl) return;
    ShowDetails(ProjectPane);
    ShowDetails(ReportPane);
  });
}

// ---- Lists --------------------------------------------------------------------------------------

TMainWindow::TListPane* TMainWindow::PaneOf(const TFileList& list) {
  if (&list == ProjectPane.List) return &ProjectPane;
  if (&list == ReportPane.List) return &ReportPane;
  return nullptr;
}

TMainWindow::TListPane* TMainWindow::PaneOfView(const QObject* viewOrViewport) {
  for (TListPane* pane : {&ProjectPane, &ReportPane}) {
    if (pane->View && (viewOrViewport == pane->View || viewOrViewport == pane->Viewport))
      return pane;
  }
  return nullptr;
}

void TMainWindow::ShowSelection(TListPane& pane) {
  QItemSelection selection;
  const int lastColumn = pane.Items->columnCount() - 1;
  for (std::size_t row = 0; row < pane.List->Rows.size(); ++row) {
    if (!pane.List->Rows[row].Selected) continue;
    const int r = static_cast<int>(row);
    selection.select(pane.Items->index(r, 0), pane.Items->index(r, lastColumn));
  }
  ApplyingSelection = true;
  pane.View->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  ApplyingSelection = false;
}

void TMainWindow::TakeSelection(TListPane& pane) {
  if (ApplyingSelection) return;
  std::vector<bool> selected(pane.List->Rows.size());
  const QItemSelectionModel* selection = pane.View->selectionModel();
  for (std::size_t row = 0; row < selected.size(); ++row) {
    selected[row] = selection->isRowSelected(static_cast<int>(row), {});
  }
  Form.SetSelection(*pane.List, selected);
  // A row chosen by the user takes the place of the last undo's report.
  if (&pane == &ProjectPane) UndoShown = false;
  // Once the selection settles: a drag across rows changes it many times.
  ScheduleDetails();
}

void TMainWindow::ShowSortMark(TListPane& pane) {
  QHeaderView* header = pane.View->header();
  const auto& marks = pane.List->ImageIndex;
  for (std::size_t column = 0; column < marks.size(); ++column) {
    if (marks[column] == TFileList::AscendingMark || marks[column] == TFileList::DescendingMark) {
      header->setSortIndicator(static_cast<int>(column), marks[column] == TFileList::AscendingMark
                                                             ? Qt::AscendingOrder
                                                             : Qt::DescendingOrder);
      return;
    }
  }
  header->setSortIndicator(-1, Qt::AscendingOrder);
}

// ---- What the model tells -----------------------------------------------------------------------

void TMainWindow::RowChanged(const TFileList& list, std::size_t row) {
  TListPane* pane = PaneOf(list);
  if (!pane) return;
  pane->Items->RowChanged(row);
  if (static_cast<int>(row) == list.FirstSelected()) ScheduleDetails();
  // The event loop paints the rows of a run on the worker thread.
  if (Runner.Active()) return;
  // A run holds the thread: paint the row now rather than when the event loop comes back.
  const QModelIndex first = pane->Items->index(static_cast<int>(row), 0);
  QRect rect = pane->View->visualRect(first);
  if (rect.isValid()) {
    rect.setLeft(0);
    rect.setRight(pane->View->viewport()->width());
    pane->View->viewport()->repaint(rect);
  }
}

void TMainWindow::ListChanged(const TFileList& list) {
  TListPane* pane = PaneOf(list);
  if (!pane) return;
  pane->Items->Reload();
  ShowEmptyHint(*pane);
  ShowSelection(*pane);
  ShowSortMark(*pane);
  ScheduleDetails();
}

void TMainWindow::StatusChanged() {
  for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
    StatusPanels[i]->setText(ToQt(Form.StatusPanels[i], Form.Context().CodePage));
  }
  statusBar()->repaint();
}

void TMainWindow::TableChanged() {
  Pairs->TableChanged();
  // What a run would change depends on the table.
  ScheduleDetails();
}

void TMainWindow::CaptionChanged() {
  setWindowTitle(ToQt(Form.Caption, Form.Context().CodePage));
}

void TMainWindow::BusyChanged(bool busy) {
  if (busy == Busy) return;
  Busy = busy;
  // The window still answers during a run (Cancel among others): the busy cursor, an arrow with
  // the hourglass.
  if (busy) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
  // The progress stands in the place of the last panel, whose total the run's end replaces.
  StatusPanels.back()->setVisible(!busy);
  Progress->SetRunning(busy);
  // The run works with the table as it was at its start.
  vleUnits->setEditTriggers(busy ? QAbstractItemView::NoEditTriggers : TableEditTriggers);
  if (auto* deletePairs = vleUnits->findChild<QAction*>(QStringLiteral("DeletePairs"))) {
    deletePairs->setEnabled(!busy);
  }
}

void TMainWindow::ProgressChanged(std::size_t finished, std::size_t total,
                                  std::int64_t elapsedMicroseconds) {
  Progress->ShowProgress(finished, total, elapsedMicroseconds);
}

void TMainWindow::UndoFinished(const TUndoReport& report) {
  // The pane under the project list shows the report until the user picks a row or a run starts.
  UndoShown = true;
  SourceDiff->ShowUndo(report, Form.Context().CodePage);
}

// ---- Events -------------------------------------------------------------------------------------

void TMainWindow::dragEnterEvent(QDragEnterEvent* event) {
  // No file joins the lists while a run fills them.
  if (event->mimeData()->hasUrls() && !Runner.Active()) event->acceptProposedAction();
}

void TMainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls() && !Runner.Active()) event->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent* event) {
  // Whatever page is shown, dropped files go to the project list.
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(PathFromQt(url.toLocalFile()));
  }
  if (Runner.Active()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  Guarded([&] { Form.DropFiles(paths); });
}

void TMainWindow::FitTableColumns() {
  const int width = vleUnits->viewport()->width();
  if (width <= 0) return;
  FittingColumns = true;
  const int find = static_cast<int>(std::lround(width * FindShare));
  vleUnits->horizontalHeader()->resizeSection(0, find);
  vleUnits->horizontalHeader()->resizeSection(1, width - find);
  FittingColumns = false;
}

void TMainWindow::ShowEmptyHint(TListPane& pane) {
  if (!pane.EmptyHint || !pane.Viewport) return;
  pane.EmptyHint->setGeometry(pane.Viewport->rect().adjusted(12, 12, -12, -12));
  pane.EmptyHint->setVisible(pane.List->Rows.empty());
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (vleUnits && watched == vleUnits->viewport() && event->type() == QEvent::Resize) {
    FitTableColumns();
  }
  if (TListPane* pane = PaneOfView(watched)) {
    if (event->type() == QEvent::Resize && watched == pane->Viewport) ShowEmptyHint(*pane);
    if (event->type() == QEvent::KeyRelease && watched == pane->View) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Delete && !key->isAutoRepeat() && !Runner.Active()) {
        Guarded([this] { Form.DeleteKeyReleased(); });
      }
    } else if (event->type() == QEvent::MouseButtonDblClick && watched == pane->Viewport) {
      OpenRow(*pane);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace kv::gui
