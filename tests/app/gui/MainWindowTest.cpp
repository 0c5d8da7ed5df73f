// The window over the workbench, driven through its widgets on the offscreen platform: actions,
// lists, header clicks, drops, the grid of pairs and its file, the settings left at exit. Dialogs
// are answered by a scripted prompter; every test runs in a scratch working directory, where
// "kv25x.dat" is looked up.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/IniFile.h"
#include "app/Workbench.h"
#include "app/gui/AboutDialog.h"
#include "app/gui/DiffPane.h"
#include "app/gui/MainWindow.h"
#include "app/gui/PageStrip.h"
#include "app/gui/PairTable.h"
#include "app/gui/QtPrompter.h"
#include "app/gui/QtTextMeasurer.h"
#include "app/gui/RunProgress.h"
#include "migrate/ConversionTable.h"
#include "migrate/Journal.h"
#include "migrate/ReplaceEngine.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"
#include "writer/Registration.h"

namespace kv::gui {

namespace {

namespace fs = std::filesystem;

using test::TScriptedPrompter;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// A saved results file as records of field texts: CSV (quoted fields may hold separators,
// doubled quotes and line breaks) or JSON (numbers and flags as their text, null as empty, lists
// of texts joined by line breaks, as CSV holds them).
using TRecords = std::vector<std::map<std::string, std::string>>;

TRecords ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> lines(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        lines.back().back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        lines.back().back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      lines.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      lines.emplace_back(1);
      ++i;
    } else {
      lines.back().back() += c;
    }
  }
  lines.pop_back();  // after the last line end
  TRecords records;
  for (std::size_t line = 1; line < lines.size(); ++line) {
    if (lines[line].size() != lines[0].size()) qFatal("CSV line %zu has other fields", line);
    auto& record = records.emplace_back();
    for (std::size_t field = 0; field < lines[0].size(); ++field) {
      record[lines[0][field]] = lines[line][field];
    }
  }
  return records;
}

TRecords ParseJson(const std::string& text, const char* list) {
  TRecords records;
  const nlohmann::json document = nlohmann::json::parse(text);
  for (const auto& item : document.at(list)) {
    auto& record = records.emplace_back();
    for (const auto& [key, value] : item.items()) {
      std::string& field = record[key];
      if (value.is_string()) {
        field = value.get<std::string>();
      } else if (value.is_array()) {
        for (const auto& line : value)
          field += (field.empty() ? "" : "\n") + line.get<std::string>();
      } else if (!value.is_null()) {
        field = value.dump();
      }
    }
  }
  return records;
}

// The lines of a text pane, each with the parts drawn on a background: "text" or
// "text [part|colour]".
QStringList PaneLines(const QTextDocument& document) {
  QStringList lines;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    QString line = block.text();
    const QBrush background = block.blockFormat().background();
    if (background.style() != Qt::NoBrush)
      line += QStringLiteral(" {%1}").arg(background.color().name());
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment part = it.fragment();
      const QBrush brush = part.charFormat().background();
      if (brush.style() == Qt::NoBrush) continue;
      line += QStringLiteral(" [%1|%2]").arg(part.text(), brush.color().name());
    }
    lines << line;
  }
  return lines;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // The report library starts once, as the program's main does, with the window's measurer.
  void initTestCase() {
    RegisterReportLibrary();
    static const TQtTextMeasurer measurer;
    InstallTextMeasurer(&measurer);
  }
  void init();
  void cleanup();

  void sourceRunOnTheWorkerIsCancelledMidway();
  void reportRunAsksOnTheWindowThreadAndStopsAtEsc();
  void exitDuringARunCancelsItAndWaitsForIt();
  void timeLeftIsEstimatedFromTheRateSoFar_data();
  void timeLeftIsEstimatedFromTheRateSoFar();

  void layoutShowsTheWorkbench();
  void startsWithoutSettingsOrDefaultTable();
  void sourceRunOnTheExampleProject();
  void errorEndingARunIsShownAfterTheStatusIsRestored();
  void reportRunShowsEachRowBusyWhileItConvertsIt();
  void dialogReportConvertsAsTheCommandLineConvertsIt();
  void headerClicksSortAndToggle_data();
  void headerClicksSortAndToggle();
  void droppedFilesGoToTheProjectListFromAnyPage();
  void actionsFollowTheModelWhenIdle();
  void deleteKeyRemovesTheSelectedRows();
  void tableWithEqualsIsSavedAndReadBackByteForByte();
  void tableOpensDeletesStretchesAndAsksBeforeUnsavedChangesAreLost();
  void placeSizeAndPageComeBackAtTheNextStart();
  void gridDrawsTheStandInAsEqualsBelowAndRightOfTheCorner();
  void scansLeaveTheirMaskInTheSettings_data();
  void scansLeaveTheirMaskInTheSettings();
  void doubleClickOpensTheFirstSelectedFileInTheEditor();
  void reportDetailsAfterAWarnedAndAFailedConversion();
  void diffPaneShowsWhatARunWouldChangeAndThenWhatItChanged();
  void undoReportsInThePaneUnderTheProjectList();
  void savedResultsParseBackAsTheListsShowThem();
  void aboutBoxShowsTitleAndClosesWithOk();
  void dialogFiltersInQtForm_data();
  void dialogFiltersInQtForm();
  void reportPasswordDialogReturnsTheTextOrNothing_data();
  void reportPasswordDialogReturnsTheTextOrNothing();
  void openDialogStartsInTheFolderGivenWithTheFileGivenSelected();

 private:
  TMainWindow& Open();
  // Lets the event loop go on until the window's run ended.
  void WaitForRun() { QTRY_VERIFY_WITH_TIMEOUT(!Window->Running(), 30000); }
  // Calls f on the window's thread from the run's worker thread, and waits for it.
  void OnWindowThread(const std::function<void()>& f) {
    QMetaObject::invokeMethod(Window.get(), f, Qt::BlockingQueuedConnection);
  }
  // Lets the event loop wait for a moment, so that it goes idle as between a user's actions.
  void Idle() {
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
  }
  template <typename T>
  T* Find(const char* name) {
    T* child = Window->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
  }
  QAction* Action(const char* name) { return Find<QAction>(name); }
  QString Panel(int i) {
    return Find<QLabel>(qPrintable(QStringLiteral("sbStatusPanel%1").arg(i)))->text();
  }
  QString Cell(const char* list, int row, int column) {
    return Find<QTreeView>(list)->model()->index(row, column).data().toString();
  }
  int RowCount(const char* list) { return Find<QTreeView>(list)->model()->rowCount(); }
  void SelectRows(const char* list, std::initializer_list<int> rows);
  void ClickHeader(const char* list, int column);
  void EditCell(int row, int column, const QString& text);
  std::string ReadSetting(const char* key) {
    return TIniFile(*Dir / "kv3converter.ini").ReadString("Settings", key, "?");
  }

  std::unique_ptr<test::TTempDir> Dir;
  QString OldDir;
  std::unique_ptr<TScriptedPrompter> Prompter;
  std::unique_ptr<TMainWindow> Window;
};

void MainWindowTest::init() {
  Dir = std::make_unique<test::TTempDir>();
  OldDir = QDir::currentPath();
  QVERIFY(QDir::setCurrent(Q(Dir->Path())));
  // The journals of the window's source runs stay in the scratch folder.
  qputenv("XDG_STATE_HOME", QByteArray::fromStdString(*Dir / "state"));
  Prompter = std::make_unique<TScriptedPrompter>();
}

void MainWindowTest::cleanup() {
  Window.reset();
  Prompter.reset();
  QDir::setCurrent(OldDir);
  Dir.reset();
  qunsetenv("VISUAL");
  qunsetenv("XDG_STATE_HOME");
}

TMainWindow& MainWindowTest::Open() {
  Window = std::make_unique<TMainWindow>(*Prompter, *Dir / "kv3converter.ini");
  Window->FormCreate();
  Window->show();
  Window->activateWindow();
  if (!QTest::qWaitForWindowActive(Window.get())) qWarning("window not active");
  return *Window;
}

void MainWindowTest::SelectRows(const char* list, std::initializer_list<int> rows) {
  QTreeView* view = Find<QTreeView>(list);
  view->clearSelection();
  for (const int row : rows) {
    view->selectionModel()->select(view->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

void MainWindowTest::ClickHeader(const char* list, int column) {
  QHeaderView* header = Find<QTreeView>(list)->header();
  const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                      header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
}

// Types a text into a cell of the grid through its editor, as a user would.
void MainWindowTest::EditCell(int row, int column, const QString& text) {
  auto* grid = Find<QTableView>("vleUnits");
  const QModelIndex index = grid->model()->index(row, column);
  grid->setCurrentIndex(index);
  grid->edit(index);
  auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(index));
  QVERIFY(editor);
  editor->selectAll();
  QTest::keyClicks(editor, text);
  QTest::keyClick(editor, Qt::Key_Return);
  // The editor hands its text back through a queued call.
  QTRY_VERIFY(!grid->indexWidget(index));
}

// ---- Tests
// ----------------------------------------------------------------------------------------

void MainWindowTest::tableOpensDeletesStretchesAndAsksBeforeUnsavedChangesAreLost() {
  using TAnswer = TPrompter::TUnsavedAnswer;
  Dir->Write("pairs.dat", "A=B\r\nC=D\r\nE=F\r\n");
  Open();
  Prompter->Files = {{*Dir / "pairs.dat"}};
  QTest::keySequence(Window.get(), QKeySequence(Qt::CTRL | Qt::Key_O));
  QCOMPARE(Window->windowTitle(), QStringLiteral("KV3 Conversion Utility from:  pairs.dat"));
  auto* grid = Find<QTableView>("vleUnits");
  QCOMPARE(grid->model()->rowCount(), 4);

  // Delete removes the pairs of the selected cells.
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(1);
  grid->setFocus();
  grid->selectionModel()->select(grid->model()->index(0, 1), QItemSelectionModel::ClearAndSelect);
  grid->selectionModel()->select(grid->model()->index(2, 0), QItemSelectionModel::Select);
  QTest::keyClick(grid, Qt::Key_Delete);
  QCOMPARE(Window->Model().vleUnits(), (std::vector<std::string>{"C=D"}));
  QCOMPARE(grid->model()->rowCount(), 2);

  // The columns share the width of the window.
  Window->resize(900, 500);
  Idle();
  QHeaderView* header = grid->horizontalHeader();
  QVERIFY(header->sectionSize(0) > 283);
  QCOMPARE(header->sectionSize(0) + header->sectionSize(1), grid->viewport()->width());

  // Quitting with unsaved changes asks: Cancel keeps the window open, Discard lets it close.
  Prompter->UnsavedAnswers = {TAnswer::Cancel, TAnswer::Discard};
  QVERIFY(!Window->close());
  QVERIFY(Window->isVisible());
  QVERIFY(Window->close());
  QCOMPARE(Prompter->UnsavedAsked, (std::vector<std::string>{"pairs.dat", "pairs.dat"}));
}

void MainWindowTest::placeSizeAndPageComeBackAtTheNextStart() {
  Open();
  Window->setGeometry(60, 70, 640, 420);
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(2);
  Idle();
  const QRect placed = Window->geometry();
  Window->FormDestroy();
  QCOMPARE(ReadSetting("Page"), std::string("2"));
  Window.reset();
  Open();
  QCOMPARE(Window->geometry().size(), placed.size());
  QCOMPARE(Window->geometry().topLeft(), placed.topLeft());
  QCOMPARE(Find<QTabWidget>("JvPageControl")->currentIndex(), 2);
  // The sort marks of the file lists stand beside their captions, not over them.
  QHeaderView* header = Find<QTreeView>("SearchListReport")->header();
  for (int section = 1; section < header->count(); ++section) {
    QVERIFY(header->sectionSize(section) >= header->sectionSizeHint(section));
  }
}

void MainWindowTest::layoutShowsTheWorkbench() {
  Open();
  Window->Model().AddFile("/p/a.pas");  // the columns keep their widths when rows come
  QCOMPARE(Window->size(), QSize(471, 386));

  auto* pages = Find<QTabWidget>("JvPageControl");
  QCOMPARE(pages->count(), 3);
  QCOMPARE(pages->currentIndex(), 0);
  const QStringList pageTitles{"Select Project Files", "Strings Project Files",
                               "Select Report Files"};
  const QStringList pageNames{"tbsFiles", "tbsStrings", "tbshReportFiles"};
  for (int i = 0; i < 3; ++i) {
    QCOMPARE(pages->tabText(i), pageTitles[i]);
    QCOMPARE(pages->widget(i)->objectName(), pageNames[i]);
  }

  // Toolbars: actions in order, "|" for a separator; the table page has none.
  auto toolBarContents = [](QToolBar* bar) {
    QStringList names;
    for (QAction* action : bar->actions()) {
      names << (action->isSeparator() ? QStringLiteral("|") : action->objectName());
    }
    return names.join(QLatin1Char(','));
  };
  QCOMPARE(toolBarContents(Find<QToolBar>("ToolBar1")),
           QStringLiteral("IterateSubdirectories,FileOpen,RemoveFiles,|,OpenData,SaveData,"
                          "Convert,UndoRun,SaveResults,|,AboutMe,|,FileExit1"));
  QCOMPARE(toolBarContents(Find<QToolBar>("ToolBar2")),
           QStringLiteral("DirReports,AddReport,DelReport,|,RunReport,SaveResults,SaveSummary,|,"
                          "AboutMe,|,FileExit1"));
  QVERIFY(pages->widget(1)->findChildren<QToolBar*>().isEmpty());
  QCOMPARE(Find<QToolBar>("ToolBar1")->parentWidget(), pages->widget(0));
  QCOMPARE(Find<QToolBar>("ToolBar2")->parentWidget(), pages->widget(2));

  const struct {
    const char* Name;
    const char* Caption;
    const char* ToolTip;
    QKeySequence Shortcut;
  } actions[] = {
      {"IterateSubdirectories", "Scan Subdirectories...", "Scan Subdirectories and add files",
       QKeySequence("Ctrl+D")},
      {"FileOpen", "Add files to Convert...", "Add Individual Files to convert",
       QKeySequence("Ins")},
      {"RemoveFiles", "Remove File(s)", "Remove Selected File(s)", {}},
      {"OpenData", "Open Conversion Data...", "Open Conversion Data", QKeySequence("Ctrl+O")},
      {"SaveData", "Save Conversion Data", "Save Conversion Data", QKeySequence("Ctrl+S")},
      {"Convert", "Convert", "Convert files", QKeySequence("F9")},
      {"UndoRun", "Undo Last Run...", "Undo the last source run", QKeySequence("Ctrl+Z")},
      {"SaveResults", "Save Results...", "Save the results of the run as CSV or JSON",
       QKeySequence("Ctrl+Shift+S")},
      {"SaveSummary", "Save Summary...",
       "Save the summary of the report run as one HTML page, with pictures of the pages",
       QKeySequence("Ctrl+Shift+H")},
      {"AboutMe", "About Me", "About me...", QKeySequence("F1")},
      {"FileExit1", "E&xit", "Exit", QKeySequence("Alt+F4")},
      {"SelectAll", "Select All", "Select all files of the list", QKeySequence("Ctrl+A")},
      {"DirReports", "Scan Subdirectories...", "Scan Subdirectories and add files",
       QKeySequence("Ctrl+Shift+D")},
      {"AddReport",
       "Add Individual Report Files to convert...",
       "Add Individual Report Files to convert",
       QKeySequence("Shift+Ins")},
      {"DelReport", "Remove Selected Report File(s)...", "Remove Selected Report File(s)", {}},
      {"RunReport", "Convert Report Files...", "Convert Report Files", QKeySequence("Shift+F9")},
      {"CancelRun", "Cancel", "Cancel: stop the run after the file in hand (Esc)",
       QKeySequence("Esc")},
  };
  for (const auto& expected : actions) {
    QAction* action = Action(expected.Name);
    QCOMPARE(action->text(), QString::fromLatin1(expected.Caption));
    QCOMPARE(action->toolTip(), QString::fromLatin1(expected.ToolTip));
    QCOMPARE(action->shortcut(), expected.Shortcut);
    QVERIFY2(!action->statusTip().isEmpty(), expected.Name);
  }
  QCOMPARE(Action("FileExit1")->statusTip(), QStringLiteral("Quits the application"));

  // The menu bar holds every action once; no two shortcuts are alike.
  QStringList inMenus;
  QList<QKeySequence> shortcuts;
  for (QAction* menu : Window->menuBar()->actions()) {
    QVERIFY(menu->text().contains(QLatin1Char('&')));  // reached with Alt and a letter
    for (QAction* action : menu->menu()->actions()) {
      if (action->isSeparator()) continue;
      inMenus << action->objectName();
      if (!action->shortcut().isEmpty()) {
        QVERIFY2(!shortcuts.contains(action->shortcut()), qPrintable(action->objectName()));
        shortcuts << action->shortcut();
      }
    }
  }
  QStringList named;
  for (const auto& expected : actions) named << QString::fromLatin1(expected.Name);
  inMenus.sort();
  named.sort();
  QCOMPARE(inMenus, named);

  // Actions that do different things never share a picture; the two pages' scan, add, remove
  // and convert actions do the same thing on their own lists.
  const QStringList alike[] = {{"IterateSubdirectories", "DirReports"},
                               {"FileOpen", "AddReport"},
                               {"RemoveFiles", "DelReport"},
                               {"Convert", "RunReport"}};
  const auto sameKind = [&](const QString& a, const QString& b) {
    for (const QStringList& pair : alike) {
      if (pair.contains(a) && pair.contains(b)) return true;
    }
    return false;
  };
  for (const QString& a : named) {
    const QImage picture = Action(qPrintable(a))->icon().pixmap(16, 16).toImage();
    QVERIFY2(!picture.isNull(), qPrintable(a));
    for (const QString& b : named) {
      if (a >= b || sameKind(a, b)) continue;
      QVERIFY2(picture != Action(qPrintable(b))->icon().pixmap(16, 16).toImage(),
               qPrintable(a + QStringLiteral(" and ") + b));
    }
  }

  for (const char* list : {"SearchList", "SearchListReport"}) {
    QTreeView* view = Find<QTreeView>(list);
    // An empty list says how to start (the project list has a row); long names lose their
    // middle.
    const QLabel* hint = view->findChild<QLabel*>(QString::fromLatin1(list) + "Hint");
    QVERIFY(hint);
    QCOMPARE(hint->isHidden(), list == std::string("SearchList"));
    QVERIFY(hint->text().contains(QStringLiteral("drop")));
    QCOMPARE(view->textElideMode(), Qt::ElideMiddle);
    QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    // The report list counts the messages and notes of each conversion in its second column.
    const QStringList titles{"Filename",
                             list == std::string("SearchList") ? "Replacements" : "Messages",
                             "Status", "Microseconds"};
    const int widths[] = {-1, 100, 53, 100};
    for (int column = 0; column < 4; ++column) {
      QCOMPARE(view->model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
      // The file widths, or wider where the caption and its sort mark need more.
      if (widths[column] > 0) {
        QCOMPARE(view->header()->sectionSize(column),
                 std::max(widths[column], view->header()->sectionSizeHint(column)));
      }
    }
    QCOMPARE(view->header()->sectionResizeMode(0), QHeaderView::Stretch);
  }
  QCOMPARE(Cell("SearchList", 0, 0), QStringLiteral("/p/a.pas"));
  QCOMPARE(Cell("SearchList", 0, 1) + Cell("SearchList", 0, 2) + Cell("SearchList", 0, 3),
           QStringLiteral("0Waiting-"));

  auto* grid = Find<QTableView>("vleUnits");
  QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Text to Find"));
  QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Replace With"));
  // The file widths 283 and 162, in their proportion across the table's width.
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(1);
  Idle();
  const int find = grid->horizontalHeader()->sectionSize(0);
  const int replace = grid->horizontalHeader()->sectionSize(1);
  QCOMPARE(find + replace, grid->viewport()->width());
  QVERIFY(qAbs(find * 162 - replace * 283) <= 283 + 162);
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(0);

  QCOMPARE(Find<QLabel>("sbStatusPanel0")->width(), 150);
  QCOMPARE(Find<QLabel>("sbStatusPanel1")->width(), 150);
  QVERIFY(Find<QLabel>("sbStatusPanel2")->width() >= 50);
}

void MainWindowTest::startsWithoutSettingsOrDefaultTable() {
  Open();
  Idle();
  QCOMPARE(Window->windowTitle(), QStringLiteral("KV3 Conversion Utility from:  "));
  QCOMPARE(Panel(0), QStringLiteral("Ready"));
  QCOMPARE(Panel(1), QStringLiteral("*.dpr;*.dpk;*.pas;*.dfm"));
  QCOMPARE(Panel(2), QString());
  QCOMPARE(Find<QTableView>("vleUnits")->model()->rowCount(), 1);  // the empty row for a new pair
  QVERIFY(!Action("Convert")->isEnabled());
  QVERIFY(!Action("SaveData")->isEnabled());
  QVERIFY(!Action("RemoveFiles")->isEnabled());
  QVERIFY(Action("RunReport")->isEnabled());
  QVERIFY(Prompter->Messages.empty());
  QVERIFY(Prompter->Errors.empty());
}

void MainWindowTest::sourceRunOnTheExampleProject() {
  fs::copy(KV_EXAMPLES_DIR "/project", *Dir / "project");
  fs::copy(KV_EXAMPLES_DIR "/kv25x.dat", *Dir / "kv25x.dat");
  Open();
  const std::size_t pairs = Window->Model().vleUnits().size();
  QVERIFY(pairs > 0);
  QCOMPARE(Find<QTableView>("vleUnits")->model()->rowCount(), static_cast<int>(pairs) + 1);

  const std::vector<std::string> files{*Dir / "project/Unit1.pas", *Dir / "project/Unit1.dfm",
                                       *Dir / "project/Unit2.pas", *Dir / "project/Unit2.dfm",
                                       *Dir / "project/Reports.dpr"};
  Prompter->Files = {files};
  Action("FileOpen")->trigger();
  QCOMPARE(RowCount("SearchList"), 5);
  Idle();
  QVERIFY(Action("Convert")->isEnabled());

  QTest::keyClick(Window.get(), Qt::Key_F9);  // the Convert shortcut
  WaitForRun();
  QVERIFY(Prompter->Errors.empty());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  int total = 0;
  for (int row = 0; row < 5; ++row) {
    QCOMPARE(Cell("SearchList", row, 2), QStringLiteral("Done"));
    bool numeric = false;
    total += Cell("SearchList", row, 1).toInt(&numeric);
    QVERIFY(numeric);
    Cell("SearchList", row, 3).toLongLong(&numeric);
    QVERIFY(numeric);
  }
  QVERIFY(Cell("SearchList", 0, 1).toInt() > 0);  // Unit1.pas names several library classes
  QVERIFY(total > 0);
  QVERIFY(Dir->Exists("project/Unit1.BAK"));
  QVERIFY(Dir->Read("project/Unit1.pas").find("TkvxReport") != std::string::npos);
  QCOMPARE(Panel(0), QStringLiteral("Ready"));
  const QString separator(QChar::fromLatin1(Window->Model().DecimalSeparator));
  QVERIFY2(
      QRegularExpression(
          QStringLiteral("^Total: \\d+%1\\d\\d secs$").arg(QRegularExpression::escape(separator)))
          .match(Panel(2))
          .hasMatch(),
      qPrintable(Panel(2)));
}

void MainWindowTest::errorEndingARunIsShownAfterTheStatusIsRestored() {
  Dir->Write("kv25x.dat", "a=b\r\n");
  Open();
  for (const std::string& path :
       {Dir->Write("a.pas", "a"), *Dir / "missing.pas", Dir->Write("c.pas", "a")}) {
    Window->Model().AddFile(path);
  }
  QString panelAtError;
  bool cursorAtError = true;
  Prompter->OnError = [&] {
    panelAtError = Panel(0);
    cursorAtError = QApplication::overrideCursor() != nullptr;
  };
  Action("Convert")->trigger();
  WaitForRun();
  QCOMPARE(Prompter->Errors.size(), std::size_t{1});
  QVERIFY(Q(Prompter->Errors[0]).contains(QStringLiteral("missing.pas")));
  QCOMPARE(panelAtError, QStringLiteral("Ready"));
  QVERIFY(!cursorAtError);
  QCOMPARE(Cell("SearchList", 0, 2), QStringLiteral("Done"));
  QCOMPARE(Cell("SearchList", 1, 2), QStringLiteral("Failed"));
  QCOMPARE(Cell("SearchList", 2, 2), QStringLiteral("Waiting"));
  QVERIFY(Panel(2).startsWith(QStringLiteral("Total: ")));
}

void MainWindowTest::reportRunShowsEachRowBusyWhileItConvertsIt() {
  Open();
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(2);
  Window->Model().AddFilesRep("/r/one.kvf");
  Window->Model().AddFilesRep("/r/two.kvf");
  QStringList seen;
  // The converter runs on the worker thread; the window is looked at on its own thread.
  Window->Model().ReportThreads = 1;  // the calls are recorded in order
  Window->Model().ConvertReportFile = [&](TReportHost&, const std::string& path) {
    OnWindowThread([&] {
      const QCursor* cursor = QApplication::overrideCursor();
      const int row = path == "/r/one.kvf" ? 0 : 1;
      seen << QStringLiteral("%1 %2 %3 %4")
                  .arg(Q(path), Panel(0), Cell("SearchListReport", row, 2),
                       cursor && cursor->shape() == Qt::BusyCursor ? "busy" : "arrow");
    });
    kv::TConversionOutcome outcome;
    outcome.Status = kv::TConversionStatus::Done;
    return outcome;
  };
  Action("RunReport")->trigger();
  WaitForRun();
  QCOMPARE(seen,
           QStringList({"/r/one.kvf Scanning... Busy busy", "/r/two.kvf Scanning... Busy busy"}));
  QCOMPARE(Cell("SearchListReport", 1, 2), QStringLiteral("Done"));
  QCOMPARE(Panel(0), QStringLiteral("Ready"));
  QCOMPARE(QApplication::overrideCursor(), nullptr);

  // Without a report converter the run ends on its first file with an error box.
  Window->Model().ConvertReportFile = nullptr;
  Action("RunReport")->trigger();
  WaitForRun();
  QCOMPARE(Prompter->Errors.size(), std::size_t{1});
  QVERIFY(Prompter->Errors[0].starts_with("/r/one.kvf: "));
  QCOMPARE(Cell("SearchListReport", 0, 2), QStringLiteral("Failed"));
}

// A source run of a few thousand files on the worker thread, cancelled through Esc once the
// progress bar passed a third: the event loop kept turning, everything that would change the
// lists was refused, each file done holds what the pairs make of its text, with its original as
// backup, and the others were not touched.
void MainWindowTest::sourceRunOnTheWorkerIsCancelledMidway() {
  constexpr int Files = 3000;
  Dir->Write("kv25x.dat", "TkvReport=TkvxReport\r\nkvClass=kvxClass\r\n");
  std::vector<std::string> texts;
  for (int i = 0; i < Files; ++i) {
    const std::string unit = "U" + std::to_string(i);
    // Every third file has nothing to replace.
    texts.push_back("unit " + unit + ";\r\n" +
                    (i % 3 == 0 ? std::string("uses Other;\r\n")
                                : "var R: TkvReport;\nC: kvClass; D: TKVREPORT;\n"));
    Dir->Write("p/" + unit + ".pas", texts.back());
  }
  const auto name = [](int i, const char* extension) {
    return "p/U" + std::to_string(i) + extension;
  };
  Open();
  TfrmMain& form = Window->Model();
  for (int i = 0; i < Files; ++i) form.SearchList.Add(*Dir / name(i, ".pas"));
  Window->ListChanged(form.SearchList);
  Idle();

  // A timer that fires whenever the event loop comes round counts its turns during the run.
  int turnsDuringRun = 0;
  QTimer turns;
  turns.setInterval(0);
  connect(&turns, &QTimer::timeout, [&] { turnsDuringRun += Window->Running() ? 1 : 0; });
  turns.start();
  int cancelledAt = 0;
  QStringList availableDuringRun;
  bool progressShown = false;
  connect(Find<QProgressBar>("RunProgressBar"), &QProgressBar::valueChanged, [&](int value) {
    if (cancelledAt > 0 || value < Files / 3) return;
    cancelledAt = value;
    progressShown = Find<QWidget>("RunProgress")->isVisible();
    for (QAction* action : Window->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (action->isEnabled()) availableDuringRun << action->objectName();
    }
    QTest::keyClick(Window.get(), Qt::Key_Escape);
  });
  QTest::keyClick(Window.get(), Qt::Key_F9);
  WaitForRun();
  turns.stop();

  QVERIFY(cancelledAt > 0);
  QVERIFY2(turnsDuringRun >= 3, qPrintable(QString::number(turnsDuringRun)));
  QVERIFY(progressShown);
  availableDuringRun.sort();
  QCOMPARE(availableDuringRun, QStringList({"AboutMe", "CancelRun", "FileExit1", "SelectAll"}));
  QCOMPARE(Panel(0), QStringLiteral("Cancelled"));
  QVERIFY(Panel(2).startsWith(QStringLiteral("Total: ")));
  QVERIFY(!Find<QWidget>("RunProgress")->isVisible());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QVERIFY(Prompter->Errors.empty());

  int done = 0;
  while (done < Files && Cell("SearchList", done, 2) == QStringLiteral("Done")) ++done;
  QVERIFY2(done >= cancelledAt && done < Files, qPrintable(QString::number(done)));
  TSourceConverter reference(PairsFromLines(form.vleUnits()));
  for (int i = 0; i < done; ++i) {
    const std::string& original = texts[static_cast<std::size_t>(i)];
    std::string text = original;
    const std::int32_t count = reference.ApplyPairs(text);
    QCOMPARE(Cell("SearchList", i, 1), QString::number(count));
    QCOMPARE(Dir->Read(name(i, ".pas")), text);
    QCOMPARE(Dir->Exists(name(i, ".BAK")), count > 0);
    if (count > 0) QCOMPARE(Dir->Read(name(i, ".BAK")), original);
  }
  for (int i = done; i < Files; ++i) {
    QCOMPARE(Cell("SearchList", i, 2), QStringLiteral("Waiting"));
    QCOMPARE(Dir->Read(name(i, ".pas")), texts[static_cast<std::size_t>(i)]);
    QVERIFY(!Dir->Exists(name(i, ".BAK")));
  }
  const TJournal journal = ReadJournal(LastJournal());
  QVERIFY(journal.Ended);
  QVERIFY(journal.Interrupted);
  QCOMPARE(journal.Files.size(), static_cast<std::size_t>(done - (done + 2) / 3));

  Idle();
  QVERIFY(Action("Convert")->isEnabled());
  QVERIFY(!Action("CancelRun")->isEnabled());
}

// Exit during a run cancels it and closes the window once the run ended; the changes the run
// made up to its stop arrive in their order, also while the window waits for it.
void MainWindowTest::exitDuringARunCancelsItAndWaitsForIt() {
  constexpr int Files = 200;
  Open();
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(2);
  for (int i = 0; i < Files; ++i) Window->Model().AddFilesRep("/r/" + std::to_string(i) + ".kvf");
  std::atomic<int> converted{0};
  Window->Model().ConvertReportFile = [&](TReportHost&, const std::string&) {
    ++converted;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    kv::TConversionOutcome outcome;
    outcome.Status = kv::TConversionStatus::Done;
    return outcome;
  };
  bool exited = false;
  connect(Find<QProgressBar>("RunProgressBar"), &QProgressBar::valueChanged, [&](int value) {
    if (exited || value < 5) return;
    exited = true;
    Action("FileExit1")->trigger();
    QVERIFY(!Window->Running());
    QVERIFY(!Window->isVisible());
  });
  Action("RunReport")->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(exited, 30000);
  QVERIFY(!Window->Running());
  int done = 0;
  while (done < Files && Cell("SearchListReport", done, 2) == QStringLiteral("Done")) ++done;
  QCOMPARE(done, converted.load());
  QVERIFY2(done >= 5 && done < Files, qPrintable(QString::number(done)));
  for (int row = done; row < Files; ++row) {
    QCOMPARE(Cell("SearchListReport", row, 2), QStringLiteral("Waiting"));
  }
  QCOMPARE(Panel(0), QStringLiteral("Cancelled"));
}

namespace {

// Notes on which thread the report's password is asked for, and does something at that moment.
class TAskingPrompter : public test::TScriptedPrompter {
 public:
  std::vector<bool> AskedOnWindowThread;
  std::function<void()> OnPassword;
  std::optional<std::string> AskReportPasswordFor(const std::string& path) override {
    AskedOnWindowThread.push_back(QThread::currentThread() == qApp->thread());
    if (OnPassword) OnPassword();
    return TScriptedPrompter::AskReportPasswordFor(path);
  }
};

}  // namespace

// A report run asks for a password on the window's thread while its worker waits for the
// answer; Esc pressed then stops the run after that report. The report converted before it
// equals the command line's document.
void MainWindowTest::reportRunAsksOnTheWindowThreadAndStopsAtEsc() {
  auto asking = std::make_unique<TAskingPrompter>();
  TAskingPrompter& prompter = *asking;
  Prompter = std::move(asking);
  const std::string reports = std::string(KV_EXAMPLES_DIR) + "/reports/";
  fs::create_directories(*Dir / "r");
  fs::create_directories(*Dir / "cli");
  for (const char* name : {"S0", "S2", "S3"}) {
    fs::copy_file(reports + "Sales.kvf", *Dir / ("r/" + std::string(name) + ".kvf"));
  }
  fs::copy_file(reports + "Protected.kvf", *Dir / "r/P1.kvf");
  fs::copy_file(reports + "Sales.kvf", *Dir / "cli/Sales.kvf");
  Open();
  // One report at a time, so that the run is still before S2 when the password is asked.
  Window->Model().ReportThreads = 1;
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(2);
  for (const char* name : {"S0", "P1", "S2", "S3"}) {
    Window->Model().AddFilesRep(*Dir / ("r/" + std::string(name) + ".kvf"));
  }
  QStringList rowsAsked;
  prompter.Passwords = {"kolvex"};
  prompter.OnPassword = [&] {
    for (int row = 0; row < 4; ++row) rowsAsked << Cell("SearchListReport", row, 2);
    QTest::keyClick(Window.get(), Qt::Key_Escape);
  };
  Action("RunReport")->trigger();
  WaitForRun();

  QCOMPARE(prompter.AskedOnWindowThread, std::vector<bool>{true});
  QCOMPARE(rowsAsked, QStringList({"Done", "Busy", "Waiting", "Waiting"}));
  QCOMPARE(Cell("SearchListReport", 1, 2), QStringLiteral("Done"));
  QCOMPARE(Cell("SearchListReport", 2, 2), QStringLiteral("Waiting"));
  QCOMPARE(Cell("SearchListReport", 3, 2), QStringLiteral("Waiting"));
  QVERIFY(Dir->Exists("r/P1.kv3"));
  QVERIFY(!Dir->Exists("r/S2.kv3"));
  QCOMPARE(Panel(0), QStringLiteral("Cancelled"));
  QVERIFY(prompter.Errors.empty());
  const std::string command =
      std::string(KV3CONV_PATH) + " report '" + (*Dir / "cli/Sales.kvf") + "' >/dev/null 2>&1";
  QCOMPARE(std::system(command.c_str()), 0);
  QCOMPARE(Dir->Read("r/S0.kv3"), Dir->Read("cli/Sales.kv3"));
}

void MainWindowTest::timeLeftIsEstimatedFromTheRateSoFar_data() {
  QTest::addColumn<qulonglong>("finished");
  QTest::addColumn<qulonglong>("total");
  QTest::addColumn<qlonglong>("elapsed");  // microseconds
  QTest::addColumn<QString>("text");
  QTest::newRow("nothing finished yet") << 0ull << 10ull << 5000000ll << "";
  QTest::newRow("part of a second rounds up") << 3ull << 10ull << 1000001ll << "0:03 left";
  QTest::newRow("all finished") << 10ull << 10ull << 9000000ll << "0:00 left";
  QTest::newRow("minutes") << 1ull << 61ull << 1000000ll << "1:00 left";
  QTest::newRow("hours") << 1ull << 3662ull << 1000000ll << "1:01:01 left";
}

void MainWindowTest::timeLeftIsEstimatedFromTheRateSoFar() {
  QFETCH(qulonglong, finished);
  QFETCH(qulonglong, total);
  QFETCH(qlonglong, elapsed);
  QFETCH(QString, text);
  QCOMPARE(QString::fromStdString(TimeLeftText(finished, total, elapsed)), text);
}

// A dialog page with every control, labels of automatic size among them: the window's report run
// measures them with its fonts, the command line with its own offscreen application, and both
// write the same document.
void MainWindowTest::dialogReportConvertsAsTheCommandLineConvertsIt() {
  const std::string report = std::string(KV_EXAMPLES_DIR) + "/reports/Dialogs.kvf";
  fs::copy_file(report, *Dir / "window.kvf");
  fs::copy_file(report, *Dir / "cli.kvf");
  Open();
  Window->Model().AddFilesRep(*Dir / "window.kvf");
  Action("RunReport")->trigger();
  WaitForRun();
  QCOMPARE(Cell("SearchListReport", 0, 2), QStringLiteral("Warnings"));
  for (const std::string& note : Window->Model().SearchListReport.Rows[0].Outcome->Notes) {
    QVERIFY2(note.find("could not be measured") == std::string::npos, note.c_str());
  }
  const std::string command =
      std::string(KV3CONV_PATH) + " report '" + (*Dir / "cli.kvf") + "' >/dev/null 2>&1";
  QCOMPARE(std::system(command.c_str()) != -1, true);
  const std::string document = Dir->Read("window.kv3");
  QVERIFY(
      document.find("<TkvxLabelControl Name=\"LabelControl1\" Left=\"8\" Top=\"8\" Width=\"5\"") ==
      std::string::npos);
  QCOMPARE(Dir->Read("cli.kv3"), document);
}

void MainWindowTest::headerClicksSortAndToggle_data() {
  QTest::addColumn<int>("column");
  QTest::addColumn<QString>("ascending");  // first letters of the file names, top to bottom
  // Rows: b (10, Waiting, -), A (2, Done, 300), c (5, Busy, 7).
  QTest::newRow("Filename") << 0 << "Abc";
  QTest::newRow("Replacements") << 1 << "Acb";
  QTest::newRow("Status") << 2 << "cAb";
  QTest::newRow("Microseconds (\"-\" counts as 0)") << 3 << "bcA";
}

void MainWindowTest::headerClicksSortAndToggle() {
  QFETCH(int, column);
  QFETCH(QString, ascending);
  Open();
  TfrmMain& form = Window->Model();
  const struct {
    const char* Path;
    std::array<std::string, 3> Cells;
  } rows[] = {{"/t/b.pas", {"10", "Waiting", "-"}},
              {"/t/A.pas", {"2", "Done", "300"}},
              {"/t/c.pas", {"5", "Busy", "7"}}};
  for (const auto& row : rows) {
    form.AddFile(row.Path);
    form.SearchList.Rows.back().Cells = row.Cells;
  }
  Window->ListChanged(form.SearchList);
  SelectRows("SearchList", {1});  // the selection follows its row

  auto order = [&] {
    QString letters;
    for (int row = 0; row < 3; ++row) letters += Cell("SearchList", row, 0).at(3);
    return letters;
  };
  QHeaderView* header = Find<QTreeView>("SearchList")->header();
  // Another column sorted first: its mark goes when this column is clicked.
  const int other = (column + 1) % 4;
  ClickHeader("SearchList", other);
  QCOMPARE(header->sortIndicatorSection(), other);

  ClickHeader("SearchList", column);
  QCOMPARE(order(), ascending);
  QCOMPARE(header->sortIndicatorSection(), column);
  QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
  QCOMPARE(form.SearchList.ImageIndex[static_cast<std::size_t>(other)], TFileList::NoMark);

  ClickHeader("SearchList", column);
  std::reverse(ascending.begin(), ascending.end());
  QCOMPARE(order(), ascending);
  QCOMPARE(header->sortIndicatorSection(), column);
  QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

  ClickHeader("SearchList", column);
  std::reverse(ascending.begin(), ascending.end());
  QCOMPARE(order(), ascending);
  QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);

  // The row selected before the sorts ("A") is still the selected one, in the view and the model.
  const QModelIndexList selected = Find<QTreeView>("SearchList")->selectionModel()->selectedRows();
  QCOMPARE(selected.size(), 1);
  QCOMPARE(selected[0].data().toString(), QStringLiteral("/t/A.pas"));
  QCOMPARE(form.FileToOpen(form.SearchList), std::string("/t/A.pas"));
}

void MainWindowTest::droppedFilesGoToTheProjectListFromAnyPage() {
  Open();
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(2);
  QCOMPARE(Window->Model().ActivePage, TPage::tbshReportFiles);

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Q(*Dir / "one.pas")), QUrl::fromLocalFile(Q(*Dir / "two.kvf")),
                QUrl(QStringLiteral("https://example.invalid/three.pas"))});
  // Dropped on the report list: the window takes the drop.
  QWidget* target = Find<QTreeView>("SearchListReport")->viewport();
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);

  QCOMPARE(RowCount("SearchList"), 2);
  QCOMPARE(Cell("SearchList", 0, 0), Q(*Dir / "one.pas"));
  QCOMPARE(Cell("SearchList", 1, 0), Q(*Dir / "two.kvf"));
  QCOMPARE(RowCount("SearchListReport"), 0);
}

void MainWindowTest::actionsFollowTheModelWhenIdle() {
  Open();
  Window->Model().AddFile("/p/a.pas");
  Window->Model().AddFile("/p/b.pas");
  Idle();
  QVERIFY(!Action("Convert")->isEnabled());
  QVERIFY(!Action("RemoveFiles")->isEnabled());
  QVERIFY(Action("SelectAll")->isEnabled());

  // A pair typed into the grid's empty row enables Convert and SaveData.
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(1);
  EditCell(0, 0, QStringLiteral("x"));
  QCOMPARE(Window->Model().vleUnits(), std::vector<std::string>{"x="});
  Idle();
  QVERIFY(Action("Convert")->isEnabled());
  QVERIFY(Action("SaveData")->isEnabled());
  QVERIFY(!Action("SelectAll")->isEnabled());  // only on the project page

  // Remove needs the project page and a selected row.
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(0);
  SelectRows("SearchList", {1});
  Idle();
  QVERIFY(Action("RemoveFiles")->isEnabled());
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(2);
  Idle();
  QVERIFY(!Action("RemoveFiles")->isEnabled());

  // Select All through its shortcut selects every row of the project list.
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(0);
  Idle();
  QTest::keyClick(Find<QTreeView>("SearchList"), Qt::Key_A, Qt::ControlModifier);
  QCOMPARE(Find<QTreeView>("SearchList")->selectionModel()->selectedRows().size(), 2);
  Action("RemoveFiles")->trigger();
  QCOMPARE(RowCount("SearchList"), 0);
  QCOMPARE(Panel(0), QStringLiteral("Ready"));
}

void MainWindowTest::deleteKeyRemovesTheSelectedRows() {
  Open();
  for (const char* path : {"/p/a.pas", "/p/b.pas", "/p/c.pas"}) Window->Model().AddFile(path);
  for (const char* path : {"/r/a.kvf", "/r/b.kvf"}) Window->Model().AddFilesRep(path);

  SelectRows("SearchList", {0, 2});
  QTest::keyRelease(Find<QTreeView>("SearchList"), Qt::Key_Delete);
  QCOMPARE(RowCount("SearchList"), 1);
  QCOMPARE(Cell("SearchList", 0, 0), QStringLiteral("/p/b.pas"));

  Find<QTabWidget>("JvPageControl")->setCurrentIndex(2);
  SelectRows("SearchListReport", {1});
  QTest::keyRelease(Find<QTreeView>("SearchListReport"), Qt::Key_Delete);
  QCOMPARE(RowCount("SearchListReport"), 1);
  QCOMPARE(Cell("SearchListReport", 0, 0), QStringLiteral("/r/a.kvf"));
  QCOMPARE(RowCount("SearchList"), 1);
}

void MainWindowTest::tableWithEqualsIsSavedAndReadBackByteForByte() {
  Open();
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(1);
  EditCell(0, 0, QStringLiteral("a=b"));
  EditCell(0, 1, QStringLiteral("c=d"));
  EditCell(1, 0, QStringLiteral("TkvReport"));
  EditCell(1, 1, QStringLiteral("TkvxReport"));
  EditCell(0, 1, QStringLiteral("c=d"));  // the same text again changes nothing
  QCOMPARE(Find<QTableView>("vleUnits")->model()->rowCount(), 3);

  Prompter->Saves = {*Dir / "saved.dat"};
  Idle();
  Action("SaveData")->trigger();
  const std::string expected =
      "a\x02"
      "b=c\x02"
      "d\r\nTkvReport=TkvxReport\r\n";
  QCOMPARE(Dir->Read("saved.dat"), expected);
  Idle();
  QVERIFY(!Action("SaveData")->isEnabled());

  // The next start reads the file named in the settings; the grid's editor shows "=" again.
  Window->FormDestroy();
  QCOMPARE(ReadSetting("DATFile"), *Dir / "saved.dat");
  Window.reset();
  Open();
  QCOMPARE(Window->windowTitle(), QStringLiteral("KV3 Conversion Utility from:  saved.dat"));
  auto* grid = Find<QTableView>("vleUnits");
  QCOMPARE(grid->model()->rowCount(), 3);
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(1);
  for (const auto& [column, shown] : {std::pair{0, "a=b"}, std::pair{1, "c=d"}}) {
    const QModelIndex index = grid->model()->index(0, column);
    grid->edit(index);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(index));
    QVERIFY(editor);
    QCOMPARE(editor->text(), QString::fromLatin1(shown));
    QTest::keyClick(editor, Qt::Key_Escape);
  }
  Prompter->Saves = {*Dir / "again.dat"};
  Window->Model().btnSaveClick();
  QCOMPARE(Dir->Read("again.dat"), expected);
}

void MainWindowTest::gridDrawsTheStandInAsEqualsBelowAndRightOfTheCorner() {
  // Two replacement texts that read "a=b": one holds the stand-in byte, the other a real "="
  // (only the first "=" of a line separates the texts).
  Dir->Write("kv25x.dat",
             "q=a\x02"
             "b\r\nq=a=b\r\n");
  Open();
  auto* grid = Find<QTableView>("vleUnits");
  auto* delegate = qobject_cast<TPairDelegate*>(grid->itemDelegate());
  QVERIFY(delegate);
  QVERIFY(grid->model()->index(0, 1).data().toString().contains(QChar(2)));
  auto paintCell = [&](int row) {
    QImage image(120, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QStyleOptionViewItem option;
    option.initFrom(grid);
    option.rect = QRect(10, 5, 100, 20);
    option.state = QStyle::State_Enabled;
    QPainter painter(&image);
    delegate->paint(&painter, option, grid->model()->index(row, 1));
    return image;
  };
  const QImage standIn = paintCell(0);
  QCOMPARE(standIn, paintCell(1));

  // The first ink lies 2 pixels (and a glyph's side bearing) right of the cell's left edge, and
  // below its top edge by at least 2 pixels.
  int left = standIn.width(), top = standIn.height();
  for (int y = 0; y < standIn.height(); ++y) {
    for (int x = 0; x < standIn.width(); ++x) {
      if (qGray(standIn.pixel(x, y)) < 160) {
        left = std::min(left, x);
        top = std::min(top, y);
      }
    }
  }
  QVERIFY2(left >= 12 && left <= 14, qPrintable(QString::number(left)));
  QVERIFY2(top >= 7 && top <= 16, qPrintable(QString::number(top)));
}

void MainWindowTest::scansLeaveTheirMaskInTheSettings_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<QString>("list");
  QTest::addColumn<QStringList>("found");
  QTest::addColumn<QString>("mask");
  QTest::newRow("project, every level")
      << "IterateSubdirectories"
      << "SearchList" << QStringList{"a.pas", "sub/deep/b.dfm"} << "*.pas;*.dfm;*.dpr;*.dpk";
  QTest::newRow("reports, direct subfolders")
      << "DirReports"
      << "SearchListReport" << QStringList{"sub/r1.kvf"} << "*.kvf";
}

void MainWindowTest::scansLeaveTheirMaskInTheSettings() {
  QFETCH(QString, action);
  QFETCH(QString, list);
  QFETCH(QStringList, found);
  QFETCH(QString, mask);
  for (const char* file : {"tree/a.pas", "tree/sub/r1.kvf", "tree/sub/deep/r2.kvf",
                           "tree/sub/deep/b.dfm", "tree/notes.txt"}) {
    Dir->Write(file, "");
  }
  Open();
  Prompter->Folders = {*Dir / "tree"};
  Action(qPrintable(action))->trigger();
  // Rows show the files relative to the folder scanned, the whole path in their tooltips.
  QStringList listed;
  QTreeView* view = Find<QTreeView>(qPrintable(list));
  QVERIFY(view->findChild<QLabel*>(list + QStringLiteral("Hint"))->isHidden());
  for (int row = 0; row < RowCount(qPrintable(list)); ++row) {
    listed << Cell(qPrintable(list), row, 0);
    QCOMPARE(view->model()->index(row, 0).data(Qt::ToolTipRole).toString(),
             Q(*Dir / "tree/") + listed.back());
  }
  listed.sort();
  QCOMPARE(listed, found);
  Window->FormDestroy();
  QCOMPARE(Q(ReadSetting("Mask")), mask);
  QCOMPARE(ReadSetting("Path"), *Dir / "tree");
}

void MainWindowTest::doubleClickOpensTheFirstSelectedFileInTheEditor() {
  // The editor: a script that notes the file it was given.
  const std::string script =
      Dir->Write("editor.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.opened\"\n");
  fs::permissions(script, fs::perms::owner_all);
  qputenv("VISUAL", QByteArray::fromStdString(script));
  Open();
  for (const char* name : {"one.pas", "two pas.pas"}) Window->Model().AddFile(*Dir / name);
  QTreeView* list = Find<QTreeView>("SearchList");

  // Nothing selected, nothing opened (a double click on empty space below the rows).
  const QPoint below(10, list->viewport()->height() - 5);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
  QTest::qWait(300);
  QVERIFY(!Dir->Exists("editor.sh.opened"));

  // The first click of a double click selects the row.
  const QRect second = list->visualRect(list->model()->index(1, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
  QTRY_VERIFY_WITH_TIMEOUT(Dir->Exists("editor.sh.opened"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(Dir->Read("editor.sh.opened"), *Dir / "two pas.pas", 5000);
}

void MainWindowTest::reportDetailsAfterAWarnedAndAFailedConversion() {
  // A dialog report converts with notes; a file of a version the library refuses gets its message
  // and no document.
  qunsetenv("VISUAL");  // a report without a document opens through the desktop's opener
  fs::copy_file(std::string(KV_EXAMPLES_DIR) + "/reports/Dialogs.kvf", *Dir / "warned.kvf");
  Dir->Write("failed.kvf", std::string("\x1A", 1));
  Open();
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(2);
  for (const char* name : {"warned.kvf", "failed.kvf"}) Window->Model().AddFilesRep(*Dir / name);
  auto* details = Find<QTextEdit>("ReportDetails");
  SelectRows("SearchListReport", {1});
  Idle();
  QCOMPARE(details->toPlainText(),
           Q("Report: " + (*Dir / "failed.kvf") + "\nStatus: Waiting\nNot converted yet."));

  Action("RunReport")->trigger();
  WaitForRun();
  Idle();
  QVERIFY(Prompter->Errors.empty());
  const TFileRow& warned = Window->Model().SearchListReport.Rows[0];
  QVERIFY(!warned.Outcome->Notes.empty());
  QCOMPARE(Cell("SearchListReport", 0, 2), QStringLiteral("Warnings"));
  QCOMPARE(Cell("SearchListReport", 0, 1),
           QString::number(warned.Outcome->Messages.size() + warned.Outcome->Notes.size()));
  const TFileRow& failed = Window->Model().SearchListReport.Rows[1];
  QCOMPARE(failed.Outcome->Messages.size(), std::size_t{1});
  QCOMPARE(Cell("SearchListReport", 1, 1), QStringLiteral("1"));
  QCOMPARE(Cell("SearchListReport", 1, 2), QStringLiteral("Failed"));

  // The selected row's details follow the run.
  QStringList expected{"Report: " + Q(*Dir / "failed.kvf"),
                       "Document: " + Q(*Dir / "failed.kv3"),
                       "Status: Failed: no document was written",
                       "Why: " + Q(failed.Outcome->Problem),
                       "",
                       "Messages of the report library (1)",
                       Q(failed.Outcome->Messages[0]),
                       "",
                       "Conversion notes (0)"};
  QCOMPARE(details->toPlainText().split(QLatin1Char('\n')), expected);

  SelectRows("SearchListReport", {0});
  Idle();
  expected = QStringList{
      "Report: " + Q(*Dir / "warned.kvf"), "Document: " + Q(*Dir / "warned.kv3"),
      "Status: Warnings: the document was written", "",
      QStringLiteral("Messages of the report library (%1)").arg(warned.Outcome->Messages.size())};
  for (const std::string& message : warned.Outcome->Messages) expected << Q(message);
  expected << "" << QStringLiteral("Conversion notes (%1)").arg(warned.Outcome->Notes.size());
  for (const std::string& note : warned.Outcome->Notes) expected << Q(note);
  QCOMPARE(details->toPlainText().split(QLatin1Char('\n')), expected);

  // Above the details, the selected report's pages as thumbnails; a click shows a page at full
  // size, which zooms and goes to the next page; a report that cannot be read says why.
  auto* pages = Find<TPageStrip>("ReportPages");
  QCOMPARE(pages->count(), 2);
  for (int page = 0; page < 2; ++page) {
    QVERIFY(!pages->item(page)->icon().pixmap(100, 100).isNull());
    QCOMPARE(pages->item(page)->text(), QStringLiteral("Page %1").arg(page + 1));
  }
  QTest::mouseClick(pages->viewport(), Qt::LeftButton, {},
                    pages->visualItemRect(pages->item(1)).center());
  TPageView* view = pages->View();
  QVERIFY(view && view->isVisible());
  QCOMPARE(view->Page(), 1);
  const QSize actual = view->PictureSize();
  QVERIFY(actual.width() > 300);
  view->Zoom(2);
  QCOMPARE(view->PictureSize().width(), qRound(actual.width() * 2.0) );
  view->ShowPage(0);
  QCOMPARE(view->Page(), 0);
  SelectRows("SearchListReport", {1});
  Idle();
  QVERIFY(!pages->View());
  QCOMPARE(pages->count(), 1);
  QVERIFY(pages->item(0)->text().startsWith(QStringLiteral("No pictures: Unsupported KVF")));

  // Save Summary: one HTML page with both reports, the failed one first, and the pictures of the
  // converted one.
  Prompter->Saves = {*Dir / "summary.html"};
  QVERIFY(Action("SaveSummary")->isEnabled());
  Action("SaveSummary")->trigger();
  QVERIFY(Prompter->Errors.empty());
  QCOMPARE(Prompter->LastSave.DefaultExt, std::string("html"));
  const std::string html = Dir->Read("summary.html");
  QVERIFY(html.find("failed.kvf") < html.find("warned.kvf"));
  std::size_t pictures = 0;
  for (std::size_t at = html.find("data:image/svg+xml"); at != std::string::npos;
       at = html.find("data:image/svg+xml", at + 1)) {
    ++pictures;
  }
  QCOMPARE(pictures, std::size_t{2});

  // A double click opens the folder of a converted report's document; a report without one opens
  // as the list's files open (in the editor, here the desktop's opener).
  QList<QUrl> opened;
  Window->OpenUrl = [&](const QUrl& url) {
    opened << url;
    return true;
  };
  QTreeView* list = Find<QTreeView>("SearchListReport");
  for (const int row : {0, 1}) {
    const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }
  QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(Q(Dir->Path())),
                                QUrl::fromLocalFile(Q(*Dir / "failed.kvf"))}));
}

void MainWindowTest::diffPaneShowsWhatARunWouldChangeAndThenWhatItChanged() {
  Dir->Write("kv25x.dat", "TkvReport=TkvxReport\r\nOldName=NewName\r\n");
  // A control byte and a byte above 127 are shown, not taken as line breaks or dropped.
  Dir->Write("a.pas", "unit A;\nuses TkvReport;\nvar OldName: Integer;\x01\nend.\n");
  Open();
  Window->Model().AddFile(*Dir / "a.pas");
  SelectRows("SearchList", {0});
  Idle();
  const auto* diff = Find<QPlainTextEdit>("SourceDiff");
  const QString removed = TDiffPane::RemovedLine.name(), added = TDiffPane::AddedLine.name();
  const QString removedPart = TDiffPane::RemovedPart.name(),
                addedPart = TDiffPane::AddedPart.name();
  // The changed part of a line stands out within it; a part left empty on one side shows none.
  const QStringList hunk{
      "@@ -1,4 +1,4 @@",
      " unit A;",
      "-uses TkvReport; {" + removed + "}",
      "-var OldName: Integer;\u2401 {" + removed + "} [Old|" + removedPart + "]",
      "+uses TkvxReport; {" + added + "} [x|" + addedPart + "]",
      "+var NewName: Integer;\u2401 {" + added + "} [New|" + addedPart + "]",
      " end.",
  };
  const QString lineEnds =
      QStringLiteral("The line ends change too: LF -> CR LF on 2 unchanged lines");
  QCOMPARE(
      PaneLines(*diff->document()),
      QStringList{"What a run with the current table would change in " + Q(*Dir / "a.pas") + ":"} +
          QStringList{lineEnds} + hunk);
  QCOMPARE(Dir->Read("a.pas").find("TkvxReport"), std::string::npos);  // nothing written yet

  // After the run, the same changes as made, also once the table changed.
  QTest::keyClick(Window.get(), Qt::Key_F9);
  WaitForRun();
  Window->Model().SetTableLines({"unit=UNIT"});
  Idle();
  QCOMPARE(PaneLines(*diff->document()),
           QStringList{"What the last run changed in " + Q(*Dir / "a.pas") + ":"} +
               QStringList{lineEnds} + hunk);

  // A line of every byte but the line breaks is shown as one line, its control bytes as symbols.
  std::string bytes = "OldName";
  for (int b = 0; b < 256; ++b) {
    if (b != '\n' && b != '\r') bytes += static_cast<char>(b);
  }
  Window->Model().SetTableLines({"OldName=NewName"});
  Window->Model().AddFile(Dir->Write("bytes.pas", bytes + "\n"));
  SelectRows("SearchList", {1});
  Idle();
  const QStringList shown = diff->toPlainText().split(QLatin1Char('\n'));
  // The heading, the hunk header, the removed and the added line.
  QVERIFY2(shown.size() == 4, qPrintable(shown.join(QLatin1Char('\n'))));
  for (const QString& line : shown.mid(2)) {
    QVERIFY(std::none_of(line.begin(), line.end(),
                         [](QChar c) { return c.unicode() < 0x20 && c != QLatin1Char('\t'); }));
  }

  // No row selected: nothing shown.
  SelectRows("SearchList", {});
  Idle();
  QCOMPARE(diff->toPlainText(), QString());
}

// Undo Last Run puts the files back on the worker. What it did appears in the pane under the
// project list, one line per file, and stays there while the rows change; the rows put back say
// "Undone". No message box lists the files: a refused file is told in an error box with the
// summary alone. Picking a row shows its changes again.
void MainWindowTest::undoReportsInThePaneUnderTheProjectList() {
  Dir->Write("kv25x.dat", "a=b\r\n");
  Open();
  for (const char* name : {"one.pas", "two.pas", "three.pas"}) {
    Window->Model().AddFile(Dir->Write(name, "a\n"));
  }
  SelectRows("SearchList", {0});
  QTest::keyClick(Window.get(), Qt::Key_F9);
  WaitForRun();
  Dir->Write("two.pas", "edited after the run\n");
  Prompter->Confirmations = {true};
  Action("UndoRun")->trigger();
  // On the worker, as a run: what would change the lists or the table waits, Cancel does not.
  QVERIFY(Window->Running());
  QVERIFY(!Action("Convert")->isEnabled());
  QVERIFY(!Action("UndoRun")->isEnabled());
  QVERIFY(Action("CancelRun")->isEnabled());
  WaitForRun();
  Idle();

  QCOMPARE(Prompter->Questions.size(), std::size_t(1));
  const std::string summary =
      "2 of 3 files restored; 1 refused (kv3conv undo --force puts them back all the same).";
  const QStringList lines = PaneLines(*Find<QPlainTextEdit>("SourceDiff")->document());
  QCOMPARE(lines.size(), 6);
  QVERIFY2(lines[0].startsWith(QStringLiteral("Undo of the source run of 20")),
           qPrintable(lines[0]));
  QCOMPARE(lines[1], "Journal: " + Q(Window->Model().LastRunJournal));
  QCOMPARE(lines.mid(2),
           QStringList({Q(summary), "Restored  " + Q(*Dir / "one.pas"),
                        "Refused  " + Q(*Dir / "two.pas") +
                            ": the file was changed after the run (--force restores it anyway) {" +
                            TDiffPane::RemovedLine.name() + "}",
                        "Restored  " + Q(*Dir / "three.pas")}));
  QCOMPARE(Cell("SearchList", 0, 2), QStringLiteral("Undone"));
  QCOMPARE(Cell("SearchList", 1, 2), QStringLiteral("Done"));
  QCOMPARE(Cell("SearchList", 2, 2), QStringLiteral("Undone"));
  QCOMPARE(Panel(0), QStringLiteral("Ready"));
  QCOMPARE(Panel(2), QStringLiteral("Undone: 2 of 3 files"));
  QCOMPARE(Prompter->Errors, std::vector<std::string>{summary});
  QVERIFY(Prompter->Messages.empty());
  QCOMPARE(Dir->Read("one.pas"), std::string("a\n"));

  SelectRows("SearchList", {2});
  Idle();
  const QStringList row = PaneLines(*Find<QPlainTextEdit>("SourceDiff")->document());
  QCOMPARE(row.mid(0, 2),
           QStringList(
               {"What a run with the current table would change in " + Q(*Dir / "three.pas") + ":",
                "The last run was undone; this is what a run would change now."}));
}

void MainWindowTest::savedResultsParseBackAsTheListsShowThem() {
  Dir->Write("kv25x.dat", "a=b\r\n");
  Open();
  for (const char* name : {"one.pas", "two,three.pas"})
    Window->Model().AddFile(Dir->Write(name, "a a\n"));
  QTest::keyClick(Window.get(), Qt::Key_F9);
  WaitForRun();
  Find<QTabWidget>("JvPageControl")->setCurrentIndex(2);
  for (const char* name : {"w.kvf", "f.kvf"}) Window->Model().AddFilesRep(*Dir / name);
  Window->Model().ReportThreads = 1;  // the calls are recorded in order
  Window->Model().ConvertReportFile = [&](TReportHost&, const std::string& path) {
    TConversionOutcome outcome;
    outcome.OutputPath = path + ".kv3";
    if (path.ends_with("w.kvf")) {
      outcome.Status = TConversionStatus::Warnings;
      outcome.Messages = {"a message, with \"quotes\"", "two\nlines"};
      outcome.Notes = {"a note"};
    } else {
      outcome.Problem = "the file is empty";
    }
    return outcome;
  };
  Action("RunReport")->trigger();
  WaitForRun();

  // Each page saves its own list through the same action, as JSON or CSV by the name chosen.
  const struct {
    int Page;
    const char* List;  // the list and the JSON member of its rows
    const char* Member;
    std::vector<std::pair<std::string, int>> Columns;  // fields shown in the list's columns
  } pages[] = {
      {0,
       "SearchList",
       "files",
       {{"path", 0}, {"replacements", 1}, {"status", 2}, {"microseconds", 3}}},
      {2, "SearchListReport", "reports", {{"path", 0}, {"status", 2}, {"microseconds", 3}}},
  };
  for (const auto& page : pages) {
    Find<QTabWidget>("JvPageControl")->setCurrentIndex(page.Page);
    Prompter->Saves = {*Dir / "results.json", *Dir / "results.csv"};
    Action("SaveResults")->trigger();
    Action("SaveResults")->trigger();
    QVERIFY(Prompter->Errors.empty());
    const TRecords json = ParseJson(Dir->Read("results.json"), page.Member);
    const TRecords csv = ParseCsv(Dir->Read("results.csv"));
    QVERIFY(csv == json);
    QCOMPARE(static_cast<int>(json.size()), RowCount(page.List));
    for (int row = 0; row < RowCount(page.List); ++row) {
      for (const auto& [field, column] : page.Columns) {
        QCOMPARE(Q(json[static_cast<std::size_t>(row)].at(field)), Cell(page.List, row, column));
      }
    }
  }
  // What the report list keeps beyond its columns comes back whole.
  const TRecords reports = ParseJson(Dir->Read("results.json"), "reports");
  QCOMPARE(reports[0].at("messages"), std::string("a message, with \"quotes\"\ntwo\nlines"));
  QCOMPARE(reports[0].at("notes"), std::string("a note"));
  QCOMPARE(reports[1].at("problem"), std::string("the file is empty"));
  QCOMPARE(reports[1].at("written"), std::string("false"));
}

void MainWindowTest::aboutBoxShowsTitleAndClosesWithOk() {
  Open();
  QStringList seen;
  QTimer::singleShot(0, this, [&] {
    auto* about = qobject_cast<TfrmAboutMe*>(QApplication::activeModalWidget());
    if (!about) return;
    seen << about->windowTitle();
    auto* title = about->findChild<QLabel*>(QStringLiteral("lblTitle"));
    seen << title->text() << (title->font().bold() ? "bold" : "plain");
    seen << (about->findChild<QLabel*>(QStringLiteral("imgPicture"))->pixmap().isNull()
                 ? "no picture"
                 : "picture");
    auto* ok = about->findChild<QPushButton*>(QStringLiteral("btnOK"));
    seen << ok->text() << (ok->isDefault() ? "default" : "not default");
    QTest::keyClick(about, Qt::Key_Return);  // the default button closes it
  });
  Action("AboutMe")->trigger();
  QCOMPARE(seen,
           QStringList({"About Me", "Kolvex 3 Converter", "bold", "picture", "OK", "default"}));
  QVERIFY(Window->findChildren<TfrmAboutMe*>().isEmpty());  // freed after each showing
}

void MainWindowTest::dialogFiltersInQtForm_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QStringList>("expected");
  QTest::newRow("project files") << QString::fromLatin1(ProjectFilter)
                                 << QStringList{"All files (*)",
                                                "Pascal sources (*.pas *.dfm *.dpr)",
                                                "Text files (*.txt)"};
  QTest::newRow("reports") << QString::fromLatin1(ReportFilter)
                           << QStringList{"Report Files (*.kvf)"};
  QTest::newRow("conversion data")
      << QString::fromLatin1(ConversionFilter) << QStringList{"Conversion files (*.dat)"};
  QTest::newRow("parentheses that are no pattern list stay")
      << "Old forms (binary)|*.dfm" << QStringList{"Old forms (binary) (*.dfm)"};
  QTest::newRow("pattern list in the text differs from the patterns")
      << "Sources (*.pas)|*.pas;*.inc" << QStringList{"Sources (*.pas *.inc)"};
}

void MainWindowTest::dialogFiltersInQtForm() {
  QFETCH(QString, filter);
  QFETCH(QStringList, expected);
  QCOMPARE(QtNameFilters(filter.toStdString()), expected);
}

void MainWindowTest::reportPasswordDialogReturnsTheTextOrNothing_data() {
  QTest::addColumn<bool>("accept");
  QTest::addColumn<QVariant>("expected");
  QTest::newRow("OK (default button)") << true << QVariant(QStringLiteral("s3cret"));
  QTest::newRow("Cancel") << false << QVariant();
}

void MainWindowTest::reportPasswordDialogReturnsTheTextOrNothing() {
  QFETCH(bool, accept);
  QFETCH(QVariant, expected);
  TQtPrompter prompter(&Open());
  QStringList seen;
  QTimer::singleShot(0, this, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    seen << dialog->windowTitle();
    for (auto* label : dialog->findChildren<QLabel*>()) seen << label->text();
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("PasswordEdit"));
    seen << (edit->echoMode() == QLineEdit::Password ? "hidden" : "shown");
    auto* box = dialog->findChild<QDialogButtonBox*>();
    seen << (box->button(QDialogButtonBox::Ok)->isDefault() ? "OK default" : "OK not default");
    QTest::keyClicks(edit, QStringLiteral("s3cret"));
    if (accept) {
      QTest::keyClick(edit, Qt::Key_Return);
    } else {
      box->button(QDialogButtonBox::Cancel)->click();
    }
  });
  const std::optional<std::string> answer = prompter.AskReportPassword();
  QCOMPARE(seen,
           QStringList({"Password", "Enter password for opening report", "hidden", "OK default"}));
  QCOMPARE(answer.has_value(), expected.isValid());
  if (answer) QCOMPARE(Q(*answer), expected.toString());
}

// Undo Last Run's dialog opens in the journal folder, with the newest journal selected when
// there is one, so that Return takes it.
void MainWindowTest::openDialogStartsInTheFolderGivenWithTheFileGivenSelected() {
  fs::create_directories(*Dir / "journals");
  TQtPrompter prompter(&Open());
  QString folder;
  QStringList selected;
  const auto look = [&] {
    QTimer::singleShot(0, this, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      folder = dialog->directory().absolutePath();
      selected = dialog->selectedFiles();
      // Accepted when a file is selected, else cancelled.
      QDialog* shown = dialog;
      if (selected.isEmpty() || selected[0].isEmpty()) {
        shown->reject();
      } else {
        shown->accept();
      }
    });
  };
  TOpenDialogOptions options{JournalFilter, 1, "journal", false};
  options.InitialFolder = *Dir / "journals";
  look();
  QCOMPARE(prompter.OpenFiles(options), std::vector<std::string>{});
  QCOMPARE(folder, Q(*Dir / "journals"));

  Dir->Write("journals/20260101T000000.000000Z-1.journal", "older");
  options.FileName = Dir->Write("journals/20260102T000000.000000Z-1.journal", "newest");
  look();
  const std::vector<std::string> chosen = prompter.OpenFiles(options);
  QCOMPARE(selected, QStringList{Q(options.FileName)});
  QCOMPARE(chosen, std::vector<std::string>{options.FileName});
}

}  // namespace kv::gui

QTEST_MAIN(kv::gui::MainWindowTest)
#include "MainWindowTest.moc"
