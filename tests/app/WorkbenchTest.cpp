// The workbench model: start-up with and without settings, the source and report runs, sorting,
// scans, the table of pairs and the settings file.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/IniFile.h"
#include "app/Workbench.h"
#include "base/CodePage.h"
#include "base/Errors.h"
#include "base/Files.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "migrate/Journal.h"
#include "support/Environment.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace kv {
namespace {

using test::TTempDir;

using test::TScriptedPrompter;

// Each test runs in a scratch working directory, where "kv25x.dat" is looked up.
class WorkbenchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OldDir = std::filesystem::current_path();
    std::filesystem::current_path(Dir.Path());
    // Source runs keep their journals in the test's folder.
    test::SetEnvironment(test::StateHomeVariable, Dir / "state");
  }
  void TearDown() override {
    std::filesystem::current_path(OldDir);
    test::UnsetEnvironment(test::StateHomeVariable);
  }
  TfrmMain& Start() {
    Form = std::make_unique<TfrmMain>(Prompter, Dir / "kv3converter.ini");
    Form->FormCreate();
    return *Form;
  }
  TTempDir Dir;
  std::filesystem::path OldDir;
  TScriptedPrompter Prompter;
  std::unique_ptr<TfrmMain> Form;
};

TEST_F(WorkbenchTest, StartsEmptyWithoutSettingsOrTable) {
  TfrmMain& f = Start();
  EXPECT_TRUE(f.vleUnits().empty());
  EXPECT_FALSE(f.ConvertEnabled());
  EXPECT_FALSE(f.SaveDataEnabled());
  EXPECT_EQ(f.Caption, "KV3 Conversion Utility from:  ");
  EXPECT_EQ(f.StatusPanels[0], "Ready");
  EXPECT_EQ(f.StatusPanels[1], "*.dpr;*.dpk;*.pas;*.dfm");
  EXPECT_TRUE(Prompter.Messages.empty());
  EXPECT_TRUE(Prompter.Errors.empty());
}

TEST_F(WorkbenchTest, DefaultTableIsLoadedAfterTheOneInTheSettings) {
  Dir.Write("tables/mine.dat", "A=B\r\n");
  Dir.Write("kv25x.dat", "TkvReport=TkvxReport\r\nkvClass=kvxClass\r\n");
  Dir.Write("kv3converter.ini",
            "[Other]\r\nx=1\r\n[Settings]\r\nDATFile=" + (Dir / "tables/mine.dat") + "\r\n");
  TfrmMain& f = Start();
  EXPECT_EQ(f.vleUnits(), (std::vector<std::string>{"TkvReport=TkvxReport", "kvClass=kvxClass"}));
  EXPECT_EQ(f.Caption, "KV3 Conversion Utility from:  mine.dat");
  EXPECT_TRUE(f.SaveDataEnabled());
  f.FormDestroy();
  const TIniFile ini(Dir / "kv3converter.ini");
  EXPECT_EQ(ini.ReadString("Settings", "DATFile", "?"), "kv25x.dat");
  EXPECT_EQ(ini.ReadString("Other", "x", "?"), "1");
}

TEST_F(WorkbenchTest, UnreadableTableAtStartIsShownAndStartGoesOn) {
  std::filesystem::create_directory(Dir / "kv25x.dat");  // exists, cannot be read as a file
  TfrmMain& f = Start();
  ASSERT_EQ(Prompter.Errors.size(), 1u);
  EXPECT_NE(Prompter.Errors[0].find("kv25x.dat"), std::string::npos);
  EXPECT_TRUE(f.vleUnits().empty());
}

TEST_F(WorkbenchTest, SourceRunFillsTheRowsAndTheTotal) {
  Dir.Write("kv25x.dat", "TkvReport=TkvxReport\r\n");
  TfrmMain& f = Start();
  f.DecimalSeparator = ',';
  f.btnStartClick();  // an empty list ends at once
  EXPECT_EQ(f.StatusPanels[0], "Ready");
  EXPECT_EQ(f.StatusPanels[2], "Total: 0,00 secs");

  f.AddFile(Dir.Write("p/a.pas", "TkvReport TkvReport"));
  f.AddFile(Dir.Write("p/b.pas", "nothing"));
  f.btnStartClick();
  EXPECT_EQ(f.SearchList.Rows[0].Cells[0], "2");
  EXPECT_EQ(f.SearchList.Rows[0].Cells[1], "Done");
  EXPECT_NE(f.SearchList.Rows[0].Cells[2], "-");
  EXPECT_EQ(f.SearchList.Rows[1].Cells[0], "0");
  EXPECT_EQ(f.SearchList.Rows[1].Cells[1], "Done");
  EXPECT_TRUE(Dir.Exists("p/a.BAK"));
  EXPECT_TRUE(f.StatusPanels[2].starts_with("Total: 0,")) << f.StatusPanels[2];

  // The run's journal names the changed file, and undo puts it back.
  const TJournal journal = ReadJournal(LastJournal());
  ASSERT_EQ(journal.Files.size(), 1u);
  EXPECT_EQ(journal.Files[0].Path, Dir / "p/a.pas");
  EXPECT_EQ(journal.Files[0].Backup, Dir / "p/a.BAK");
  EXPECT_TRUE(journal.Ended);
  // Undo Last Run asks first; No changes nothing, Yes puts the file back and keeps what it did,
  // the row put back says so; a second undo finds the run undone.
  f.UndoLastRunClick();
  ASSERT_EQ(Prompter.Questions.size(), 1u);
  EXPECT_NE(Prompter.Questions[0].find("1 file will get back"), std::string::npos)
      << Prompter.Questions[0];
  EXPECT_NE(Prompter.Questions[0].find(journal.Started), std::string::npos);
  EXPECT_EQ(Dir.Read("p/a.pas"), "TkvxReport TkvxReport\r\n");
  Prompter.Confirmations = {true};
  f.UndoLastRunClick();
  EXPECT_EQ(Dir.Read("p/a.pas"), "TkvReport TkvReport");
  EXPECT_FALSE(Dir.Exists("p/a.BAK"));
  ASSERT_TRUE(f.LastUndo);
  EXPECT_EQ(f.LastUndo->Summary(), "1 of 1 file restored.");
  ASSERT_EQ(f.LastUndo->Results.size(), 1u);
  EXPECT_EQ(f.LastUndo->Results[0].Path, Dir / "p/a.pas");
  EXPECT_EQ(f.SearchList.Rows[0].Cells,
            (std::array<std::string, 3>{"2", "Undone", f.SearchList.Rows[0].Cells[2]}));
  EXPECT_EQ(f.SearchList.Rows[1].Cells[1], "Done");
  EXPECT_EQ(f.StatusPanels[0], "Ready");
  EXPECT_EQ(f.StatusPanels[2], "Undone: 1 of 1 files");
  EXPECT_TRUE(Prompter.Messages.empty());
  f.UndoLastRunClick();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_NE(Prompter.Messages[0].find("was undone already"), std::string::npos);
  EXPECT_EQ(Prompter.Questions.size(), 2u);
  EXPECT_TRUE(Prompter.Errors.empty());
}

// Save Results writes the page's rows with the fields of kv3conv --json, or as CSV under a
// header of the same names.
TEST_F(WorkbenchTest, RunResultsAreSavedAsJsonAndCsv) {
  Dir.Write("kv25x.dat", "TkvReport=TkvxReport\r\n");
  TfrmMain& f = Start();
  f.AddFile(Dir.Write("p/a.pas", "TkvReport TkvReport"));
  f.AddFile(Dir / "p/missing.pas");
  f.AddFile(Dir.Write("p/c,d.pas", "x"));
  EXPECT_THROW(f.btnStartClick(), std::exception);
  Prompter.Saves = {Dir / "out/results.json", Dir / "out/results.csv"};
  std::filesystem::create_directories(Dir / "out");
  f.SaveResultsClick();
  const auto json = nlohmann::json::parse(Dir.Read("out/results.json"));
  ASSERT_EQ(json["files"].size(), 3u);
  EXPECT_EQ(json["files"][0]["path"], Dir / "p/a.pas");
  EXPECT_EQ(json["files"][0]["replacements"], 2);
  EXPECT_EQ(json["files"][0]["status"], "Done");
  EXPECT_TRUE(json["files"][0]["error"].is_null());
  EXPECT_EQ(json["files"][1]["status"], "Failed");
  EXPECT_NE(json["files"][1]["error"].get<std::string>().find("missing.pas"), std::string::npos);
  EXPECT_EQ(json["files"][2]["status"], "Waiting");
  const auto& total = json["total"];
  EXPECT_EQ(total["files"], 3);
  EXPECT_EQ(total["replacements"], 2);
  EXPECT_EQ(total["failed"], 1);
  EXPECT_EQ(total["interrupted"], true);
  EXPECT_EQ(total["journal"], LastJournal());
  for (const char* key : {"microseconds", "dryRun"}) EXPECT_TRUE(total.contains(key)) << key;
  f.SaveResultsClick();
  const std::string csv = Dir.Read("out/results.csv");
  EXPECT_TRUE(csv.starts_with("path,replacements,microseconds,status,error\r\n" +
                              (Dir / "p/a.pas") + ",2,"))
      << csv;
  EXPECT_NE(csv.find("\"" + (Dir / "p/c,d.pas") + "\",0,0,Waiting,\r\n"), std::string::npos) << csv;

  // The report page: the fields of kv3conv report --json.
  f.ActivePage = TPage::tbshReportFiles;
  f.AddFilesRep(Dir.Write("r/Empty.kvf", ""));
  f.btnConvertRepClick();
  Prompter.Saves = {Dir / "out/reports.json"};
  f.SaveResultsClick();
  const auto reports = nlohmann::json::parse(Dir.Read("out/reports.json"));
  ASSERT_EQ(reports["reports"].size(), 1u);
  const auto& r = reports["reports"][0];
  EXPECT_EQ(r["status"], "Failed");
  EXPECT_EQ(r["written"], false);
  for (const char* key :
       {"path", "output", "microseconds", "messageCount", "messages", "notes", "problem"}) {
    EXPECT_TRUE(r.contains(key)) << key;
  }
  EXPECT_EQ(reports["total"]["failed"], 1);
}

// Undo Last Run takes the window's own last run, even when another run wrote a newer journal
// since. A window without a run of its own (none yet, or its run changed nothing) asks which
// journal to undo, in the journal folder with the newest preselected, and undoes the one chosen;
// cancelling the dialog does nothing.
TEST_F(WorkbenchTest, UndoTakesTheWindowsOwnRunElseTheJournalChosen) {
  Dir.Write("kv25x.dat", "TkvReport=TkvxReport\r\n");
  TfrmMain& f = Start();
  f.UndoLastRunClick();
  ASSERT_EQ(Prompter.Opened.size(), 1u);
  EXPECT_EQ(Prompter.Opened[0].Filter, "Journals (*.journal)|*.journal");
  EXPECT_EQ(Prompter.Opened[0].InitialFolder, JournalFolder());
  EXPECT_EQ(Prompter.Opened[0].FileName, "");  // no journal yet

  f.AddFile(Dir.Write("a.pas", "TkvReport"));
  f.btnStartClick();
  const std::string own = f.LastRunJournal;
  TfrmMain other(Prompter, Dir / "other.ini");
  other.FormCreate();
  other.AddFile(Dir.Write("b.pas", "TkvReport"));
  other.btnStartClick();
  const std::string newer = other.LastRunJournal;
  ASSERT_NE(own, newer);
  ASSERT_EQ(LastJournal(), newer);

  Prompter.Confirmations = {true};
  f.UndoLastRunClick();
  EXPECT_EQ(Prompter.Opened.size(), 1u);
  EXPECT_EQ(Dir.Read("a.pas"), "TkvReport");
  EXPECT_EQ(Dir.Read("b.pas"), "TkvxReport\r\n");
  EXPECT_FALSE(ReadJournal(newer).Undone);

  TfrmMain third(Prompter, Dir / "third.ini");
  third.FormCreate();
  third.AddFile(Dir.Write("c.pas", "nothing to replace"));
  third.btnStartClick();
  EXPECT_EQ(third.LastRunJournal, "");
  third.UndoLastRunClick();
  ASSERT_EQ(Prompter.Opened.size(), 2u);
  EXPECT_EQ(Prompter.Opened[1].FileName, newer);
  EXPECT_EQ(Dir.Read("b.pas"), "TkvxReport\r\n");
  EXPECT_EQ(Prompter.Questions.size(), 1u);
  EXPECT_EQ(third.StatusPanels[0], "Ready");
  Prompter.Files = {{own}, {newer}};
  Prompter.Confirmations = {true};
  third.UndoLastRunClick();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_NE(Prompter.Messages[0].find("was undone already"), std::string::npos);
  third.UndoLastRunClick();
  EXPECT_EQ(Dir.Read("b.pas"), "TkvReport");
  EXPECT_EQ(third.LastUndo->JournalPath, newer);
  EXPECT_EQ(Prompter.Questions.size(), 2u);
  EXPECT_TRUE(Prompter.Errors.empty());
}

// The code page of the settings decides how the window's run matches: under Shift-JIS the
// katakana letter a (0x83 0x41) keeps its second byte "A".
TEST_F(WorkbenchTest, SourceRunKeepsToTheCharactersOfTheSettingsCodePage) {
  Dir.Write("kv25x.dat", "A=Z\r\n");
  Dir.Write("kv3converter.ini", "[Settings]\r\nCodePage=932\r\n");
  TfrmMain& f = Start();
  f.AddFile(Dir.Write("u.pas", "'\x83\x41' A"));
  f.btnStartClick();
  EXPECT_EQ(f.SearchList.Rows[0].Cells[0], "1");
  EXPECT_EQ(Dir.Read("u.pas"), "'\x83\x41' Z\r\n");
}

// A file that cannot be read, or a read-only one that would change, ends the window's run there.
TEST_F(WorkbenchTest, ErrorEndsTheRunWithTheStatusRestored) {
  Dir.Write("kv25x.dat", "a=b\r\n");
  std::filesystem::permissions(Dir.Write("readonly.pas", "a"), std::filesystem::perms(0444));
  for (const char* failing : {"missing.pas", "readonly.pas"}) {
    SCOPED_TRACE(failing);
    TfrmMain& f = Start();
    f.AddFile(Dir.Write("a.pas", "a"));
    f.AddFile(Dir / failing);
    f.AddFile(Dir.Write("c.pas", "a"));
    try {
      f.btnStartClick();
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      EXPECT_NE(std::string(e.what()).find(Dir / failing), std::string::npos) << e.what();
    }
    EXPECT_EQ(f.SearchList.Rows[0].Cells[1], "Done");
    // The file that failed says so; the files after it were not reached.
    EXPECT_EQ(f.SearchList.Rows[1].Cells[1], "Failed");
    EXPECT_EQ(f.SearchList.Rows[2].Cells[1], "Waiting");
    EXPECT_EQ(f.StatusPanels[0], "Ready");
    EXPECT_TRUE(f.StatusPanels[2].starts_with("Total: "));
    EXPECT_EQ(Dir.Read("c.pas"), "a");
  }
  EXPECT_EQ(Dir.Read("readonly.pas"), "a");
}

// A table file that is no table is refused at start with an error naming it; the table stays
// empty.
TEST_F(WorkbenchTest, TableThatIsNoTableIsRefusedAtStart) {
  for (const std::string& bytes : {std::string(), std::string("a=b\r\nc\0=d\r\n", 10)}) {
    Dir.Write("kv25x.dat", bytes);
    Prompter.Errors.clear();
    TfrmMain& f = Start();
    ASSERT_EQ(Prompter.Errors.size(), 1u);
    EXPECT_NE(Prompter.Errors[0].find("\"kv25x.dat\" cannot be used"), std::string::npos)
        << Prompter.Errors[0];
    EXPECT_TRUE(f.vleUnits().empty());
  }
}

TEST_F(WorkbenchTest, ReportRunConvertsEachReportOnItsOwnReportObject) {
  std::filesystem::create_directories(Dir / "r");
  {
    TConversionContext reportContext;
    TkvReport report{reportContext};
    report.Pages.AddPage();
    report.Pages.AddPage();
    report.ReportOptions.Password = "pw";
    report.PasswordProtected = true;
    report.SaveReportFile(Dir / "r/Protected.kvf");
    report.PasswordProtected = false;
    report.SaveReportFile(Dir / "r/Sales.kvf");
  }
  Dir.Write("r/Newer.kvf", std::string("\x1A", 1));
  Dir.Write("r/Empty.kvf", "");
  Dir.Write("r/Newer.kv3", "earlier document");
  TfrmMain& f = Start();
  f.ReportThreads = 1;  // the password dialog is asked in list order
  for (const char* name : {"r/Sales.kvf", "r/Protected.kvf", "r/Newer.kvf", "r/Missing.kvf",
                           "r/Empty.kvf", "r/Protected.kvf"})
    f.AddFilesRep(Dir / name);
  Prompter.Passwords = {"pw", "wrong"};
  f.btnConvertRepClick();
  // The password dialog says which report it asks for.
  EXPECT_EQ(Prompter.PasswordReports,
            (std::vector<std::string>{Dir / "r/Protected.kvf", Dir / "r/Protected.kvf"}));
  const char* expected[] = {"Done", "Done", "Failed", "Failed", "Failed", "Failed"};
  for (std::size_t row = 0; row < 6; ++row) {
    const TFileRow& r = f.SearchListReport.Rows[row];
    EXPECT_EQ(r.Cells[1], expected[row]) << row;
    EXPECT_FALSE(r.Cells[2].empty());
    EXPECT_EQ(r.Cells[2].find_first_not_of("0123456789"), std::string::npos) << r.Cells[2];
    // Each row keeps what its conversion gave, for the window to show.
    ASSERT_NE(r.Outcome, nullptr) << row;
    EXPECT_STREQ(StatusWord(r.Outcome->Status), expected[row]);
  }
  EXPECT_EQ(f.SearchListReport.Rows[3].Outcome->Problem, "no such file");
  EXPECT_EQ(f.SearchListReport.Rows[4].Outcome->Problem, "the file is empty");
  EXPECT_EQ(f.SearchListReport.Rows[5].Outcome->Problem,
            "the password given is not the report's password");
  EXPECT_TRUE(Dir.Exists("r/Sales.kv3"));
  EXPECT_TRUE(Dir.Exists("r/Protected.kv3"));
  // A refused version writes nothing, and an earlier document stays.
  EXPECT_EQ(Dir.Read("r/Newer.kv3"), "earlier document");
  EXPECT_EQ(Prompter.PasswordQuestions, 2);
  // The refused version's message box names the file.
  ASSERT_EQ(Prompter.ReportMessages.size(), 1u);
  EXPECT_NE(Prompter.ReportMessages[0].find(Dir / "r/Newer.kvf"), std::string::npos)
      << Prompter.ReportMessages[0];
  EXPECT_NE(Prompter.ReportMessages[0].find("Unsupported KVF format"), std::string::npos);
  EXPECT_FALSE(f.Report().DocumentMode);
  EXPECT_EQ(f.StatusPanels[0], "Ready");
  EXPECT_TRUE(f.StatusPanels[2].starts_with("Total: "));

  // A report file that cannot be opened ends the run with an error that names it.
  std::filesystem::create_directories(Dir / "r/Folder.kvf");
  f.AddFilesRep(Dir / "r/Folder.kvf");
  Prompter.Passwords = {"pw", "pw"};
  try {
    f.btnConvertRepClick();
    FAIL() << "no error";
  } catch (const EKvError& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with(Dir / "r/Folder.kvf" + ": ")) << e.what();
  }
  EXPECT_EQ(f.SearchListReport.Rows[6].Cells[1], "Failed");
  EXPECT_EQ(f.StatusPanels[0], "Ready");
}

// Reports convert side by side, each on a thread with a context of its own: the rows come in list
// order, and each protected report gets the answer given for it, while the others go on.
TEST_F(WorkbenchTest, ReportRunOnManyThreadsAsksEachReportItsOwnQuestion) {
  std::filesystem::create_directories(Dir / "r");
  std::vector<std::string> protectedReports;
  {
    TConversionContext context;
    TkvReport report{context};
    report.Pages.AddPage();
    for (int i = 0; i < 12; ++i) {
      const std::string path = Dir / ("r/R" + std::to_string(i) + ".kvf");
      report.PasswordProtected = i % 3 == 0;
      report.ReportOptions.Password = "pw" + std::to_string(i);
      report.SaveReportFile(path);
      if (report.PasswordProtected) {
        protectedReports.push_back(path);
        Prompter.PasswordsFor[path] = i == 9 ? "wrong" : "pw" + std::to_string(i);
      }
    }
  }
  TfrmMain& f = Start();
  for (int i = 0; i < 12; ++i) f.AddFilesRep(Dir / ("r/R" + std::to_string(i) + ".kvf"));
  f.ReportThreads = 4;
  f.btnConvertRepClick();
  for (int i = 0; i < 12; ++i) {
    const TFileRow& row = f.SearchListReport.Rows[static_cast<std::size_t>(i)];
    EXPECT_EQ(row.Caption, Dir / ("r/R" + std::to_string(i) + ".kvf"));
    EXPECT_EQ(row.Cells[1], i == 9 ? "Failed" : "Done") << i;
  }
  std::vector<std::string> asked = Prompter.PasswordReports;
  std::sort(asked.begin(), asked.end());
  std::sort(protectedReports.begin(), protectedReports.end());
  EXPECT_EQ(asked, protectedReports);
  EXPECT_EQ(f.StatusPanels[0], "Ready");
}

TEST_F(WorkbenchTest, ReportRunWithoutConverterFailsOnTheFirstRow) {
  TfrmMain& f = Start();
  f.ConvertReportFile = nullptr;
  f.AddFilesRep(Dir / "a.kvf");
  f.AddFilesRep(Dir / "b.kvf");
  try {
    f.btnConvertRepClick();
    FAIL() << "no error";
  } catch (const std::exception& e) {
    EXPECT_EQ(e.what(), Dir / "a.kvf" + ": Report conversion is not available in this build");
  }
  EXPECT_EQ(f.SearchListReport.Rows[0].Cells[1], "Failed");
  EXPECT_EQ(f.SearchListReport.Rows[1].Cells[1], "Waiting");
  EXPECT_EQ(f.StatusPanels[0], "Ready");

  // The failed row names the document it did not get, and counts no message.
  EXPECT_EQ(f.SearchListReport.Rows[0].Outcome->OutputPath, Dir / "a.kv3");
  EXPECT_EQ(f.SearchListReport.Rows[0].Cells[0], "0");

  std::vector<std::string> converted;
  f.ReportThreads = 1;  // the calls are recorded in order
  f.ConvertReportFile = [&](TReportHost&, const std::string& path) {
    converted.push_back(path);
    TConversionOutcome outcome;
    outcome.Status = converted.size() == 1 ? TConversionStatus::Warnings : TConversionStatus::Done;
    if (converted.size() == 1) {
      outcome.Messages = {"first message", "second message"};
      outcome.Notes = {"a note"};
    }
    return outcome;
  };
  f.btnConvertRepClick();
  EXPECT_EQ(converted, (std::vector<std::string>{Dir / "a.kvf", Dir / "b.kvf"}));
  // The second cell counts the messages and notes together.
  EXPECT_EQ(f.SearchListReport.Rows[0].Cells[0], "3");
  EXPECT_EQ(f.SearchListReport.Rows[0].Cells[1], "Warnings");
  EXPECT_EQ(f.SearchListReport.Rows[1].Cells[0], "0");
  EXPECT_EQ(f.SearchListReport.Rows[1].Cells[1], "Done");
}

// A view that records a run's progress and cancels the run once a number of files finished.
class TCancellingView : public TWorkbenchView {
 public:
  TCancellingView(TfrmMain& form, std::size_t cancelAt) : Form(form), CancelAt(cancelAt) {}
  void ProgressChanged(std::size_t finished, std::size_t total, std::int64_t elapsed) override {
    Progress.emplace_back(finished, total);
    if (finished == 0) LastElapsed = 0;  // a new run
    EXPECT_GE(elapsed, LastElapsed);
    LastElapsed = elapsed;
    if (finished == CancelAt) Form.CancelRun();
  }
  TfrmMain& Form;
  std::size_t CancelAt;
  std::vector<std::pair<std::size_t, std::size_t>> Progress;
  std::int64_t LastElapsed = 0;
};

// Both runs stop after the file in hand when cancelled: the files done stay done, the rest stay
// "Waiting" and untouched, and the status bar says the run was cancelled. The next run starts
// afresh.
TEST_F(WorkbenchTest, CancelledRunsStopAfterTheFileInHand) {
  Dir.Write("kv25x.dat", "a=b\r\n");
  TfrmMain& f = Start();
  for (int i = 0; i < 5; ++i) {
    f.AddFile(Dir.Write("p/" + std::to_string(i) + ".pas", "a"));
    f.AddFilesRep(Dir / ("r/" + std::to_string(i) + ".kvf"));
  }
  f.ConvertReportFile = [](TReportHost&, const std::string&) {
    TConversionOutcome outcome;
    outcome.Status = TConversionStatus::Done;
    return outcome;
  };
  // One report in hand at a time (with several threads, every report in hand is finished and
  // shown: see the pool's tests).
  f.ReportThreads = 1;
  TCancellingView view(f, 2);
  f.SetView(&view);
  const std::vector<std::pair<TFileList*, void (TfrmMain::*)()>> runs{
      {&f.SearchList, &TfrmMain::btnStartClick},
      {&f.SearchListReport, &TfrmMain::btnConvertRepClick}};
  for (const auto& [list, run] : runs) {
    SCOPED_TRACE(list->Name);
    view.Progress.clear();
    (f.*run)();
    std::vector<std::string> statuses;
    for (const TFileRow& row : list->Rows) statuses.push_back(row.Cells[1]);
    EXPECT_EQ(statuses,
              (std::vector<std::string>{"Done", "Done", "Waiting", "Waiting", "Waiting"}));
    EXPECT_EQ(view.Progress,
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 5}, {1, 5}, {2, 5}}));
    EXPECT_EQ(f.StatusPanels[0], "Cancelled");
    EXPECT_TRUE(f.StatusPanels[2].starts_with("Total: ")) << f.StatusPanels[2];
  }
  // Files converted ahead by the engine's threads were dropped with their temporary files.
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(Dir / "p")) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"0.BAK", "0.pas", "1.BAK", "1.pas", "2.pas", "3.pas",
                                            "4.pas"}));
  EXPECT_EQ(Dir.Read("p/1.pas"), "b\r\n");
  EXPECT_EQ(Dir.Read("p/2.pas"), "a");
  const TJournal journal = ReadJournal(LastJournal());
  EXPECT_EQ(journal.Files.size(), 2u);
  EXPECT_TRUE(journal.Ended);
  EXPECT_TRUE(journal.Interrupted);

  view.CancelAt = std::size_t(-1);
  f.btnStartClick();
  for (const TFileRow& row : f.SearchList.Rows) EXPECT_EQ(row.Cells[1], "Done");
  EXPECT_EQ(f.SearchList.Rows[4].Cells[0], "1");
  EXPECT_EQ(f.StatusPanels[0], "Ready");
  EXPECT_TRUE(Prompter.Errors.empty());
}

// The work of a run may be carried out on another thread: it then changes the model only through
// PostChange, and gives what a run on the model's own thread gives, reports included (their
// component paths name the form "frmMain", which the other thread knows too for the run).
TEST_F(WorkbenchTest, RunWorkOnAnotherThreadChangesTheModelOnlyThroughPostChange) {
  std::filesystem::create_directories(Dir / "r");
  {
    TConversionContext reportContext;
    TkvReport report{reportContext};
    report.Pages.AddPage();
    report.SaveReportFile(Dir / "r/Plain.kvf");
  }
  Dir.Write("kv25x.dat", "a=b\r\n");
  TfrmMain& f = Start();
  f.AddFile(Dir.Write("a.pas", "a"));
  f.AddFilesRep(Dir / "r/Plain.kvf");
  f.btnConvertRepClick();
  const std::string here = Dir.Read("r/Plain.kv3");
  const std::string status = f.SearchListReport.Rows[0].Cells[1];
  std::filesystem::remove(Dir / "r/Plain.kv3");

  std::vector<std::function<void()>> posted;
  f.PostChange = [&](std::function<void()> change) { posted.push_back(std::move(change)); };
  for (auto prepare : {&TfrmMain::PrepareSourceRun, &TfrmMain::PrepareReportRun}) {
    const TfrmMain::TRunWork work = (f.*prepare)();
    std::thread(work).join();
  }
  EXPECT_EQ(f.SearchList.Rows[0].Cells[1], "Waiting");
  EXPECT_EQ(f.SearchListReport.Rows[0].Cells[1], "Waiting");
  EXPECT_EQ(f.StatusPanels[0], "Scanning...");
  for (const auto& change : posted) change();
  EXPECT_EQ(f.SearchList.Rows[0].Cells[0], "1");
  EXPECT_EQ(f.SearchList.Rows[0].Cells[1], "Done");
  EXPECT_EQ(f.SearchListReport.Rows[0].Cells[1], status);
  EXPECT_EQ(f.StatusPanels[0], "Ready");
  EXPECT_EQ(Dir.Read("a.pas"), "b\r\n");
  EXPECT_EQ(Dir.Read("r/Plain.kv3"), here);
  EXPECT_FALSE(f.LastRunJournal.empty());
}

// The work of an undo may be carried out on another thread: it then changes the model only
// through PostChange, and reports its progress after each file. A cancel stops it after the file
// in hand: the files handled (the last of the run) are back and their rows say so, the others
// are left as the run left them, and the next undo of the same run puts them back.
TEST_F(WorkbenchTest, UndoWorkChangesTheModelThroughPostChangeAndStopsWhenCancelled) {
  Dir.Write("kv25x.dat", "a=b\r\n");
  TfrmMain& f = Start();
  for (int i = 0; i < 5; ++i) f.AddFile(Dir.Write("p/" + std::to_string(i) + ".pas", "a"));
  f.btnStartClick();
  TCancellingView view(f, std::size_t(-1));
  f.SetView(&view);
  const auto statuses = [&] {
    std::string text;
    for (const TFileRow& row : f.SearchList.Rows) text += row.Cells[1] + " ";
    return text;
  };

  std::vector<std::function<void()>> posted;
  f.PostChange = [&](std::function<void()> change) { posted.push_back(std::move(change)); };
  Prompter.Confirmations = {true};
  const TfrmMain::TRunWork work = f.PrepareUndoLastRun();
  ASSERT_TRUE(work);
  EXPECT_EQ(f.StatusPanels[0], "Undoing...");
  std::thread(work).join();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Dir.Read("p/" + std::to_string(i) + ".pas"), "a");
  EXPECT_FALSE(f.LastUndo);
  EXPECT_EQ(f.StatusPanels[0], "Undoing...");
  EXPECT_EQ(statuses(), "Done Done Done Done Done ");
  EXPECT_EQ(view.Progress, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 5}}));
  for (const auto& change : posted) change();
  EXPECT_EQ(view.Progress, (std::vector<std::pair<std::size_t, std::size_t>>{
                               {0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));
  ASSERT_TRUE(f.LastUndo);
  EXPECT_EQ(f.LastUndo->Summary(), "5 of 5 files restored.");
  EXPECT_EQ(statuses(), "Undone Undone Undone Undone Undone ");
  EXPECT_EQ(f.StatusPanels[0], "Ready");

  f.PostChange = nullptr;
  f.btnStartClick();
  view.Progress.clear();
  view.CancelAt = 2;
  Prompter.Confirmations = {true, true};
  f.UndoLastRunClick();
  EXPECT_EQ(view.Progress,
            (std::vector<std::pair<std::size_t, std::size_t>>{{0, 5}, {1, 5}, {2, 5}}));
  EXPECT_EQ(statuses(), "Done Done Done Undone Undone ");
  EXPECT_EQ(Dir.Read("p/2.pas"), "b\r\n");
  EXPECT_EQ(Dir.Read("p/3.pas"), "a");
  EXPECT_EQ(f.StatusPanels[0], "Cancelled");
  EXPECT_EQ(f.LastUndo->Summary(),
            "2 of 5 files restored; the undo was cancelled before the other 3, which the next "
            "undo of this run puts back.");
  EXPECT_FALSE(ReadJournal(f.LastRunJournal).Undone);

  view.CancelAt = std::size_t(-1);
  f.UndoLastRunClick();
  EXPECT_EQ(f.LastUndo->Summary(), "3 of 5 files restored; 2 held their original already.");
  EXPECT_EQ(statuses(), "Undone Undone Undone Undone Undone ");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Dir.Read("p/" + std::to_string(i) + ".pas"), "a");
  EXPECT_TRUE(ReadJournal(f.LastRunJournal).Undone);
  EXPECT_EQ(f.StatusPanels[0], "Ready");
  EXPECT_TRUE(Prompter.Messages.empty());
  EXPECT_TRUE(Prompter.Errors.empty());
}

TEST_F(WorkbenchTest, SortingTogglesAndMovesTheMark) {
  TfrmMain& f = Start();
  const struct {
    const char* Path;
    const char* Count;
    const char* Micro;
  } rows[] = {{"/b.pas", "10", "-"}, {"/A.pas", "3000000000", "3000000000"}, {"/c.pas", "-1", "7"}};
  for (const auto& r : rows) {
    f.AddFile(r.Path);
    f.SearchList.Rows.back().Cells = {r.Count, "Done", r.Micro};
  }
  auto order = [&] {
    std::string s;
    for (const auto& row : f.SearchList.Rows) s += row.Caption.substr(1, 1);
    return s;
  };
  // Counts and times beyond 32 bits sort as the numbers they are.
  f.SortByColumn(f.SearchList, colReplacements);
  EXPECT_EQ(order(), "cbA");
  EXPECT_EQ(f.SearchList.ImageIndex[colReplacements], TFileList::AscendingMark);
  f.SortByColumn(f.SearchList, colReplacements);
  EXPECT_EQ(order(), "Abc");
  EXPECT_EQ(f.SearchList.ImageIndex[colReplacements], TFileList::DescendingMark);
  f.SortByColumn(f.SearchList, colFilename);
  EXPECT_EQ(order(), "Abc");  // names compare without case
  EXPECT_EQ(f.SearchList.ImageIndex[colReplacements], TFileList::NoMark);
  EXPECT_EQ(f.SearchList.ImageIndex[colFilename], TFileList::AscendingMark);
  // "-" counts as 0.
  f.SortByColumn(f.SearchList, colMicroseconds);
  EXPECT_EQ(order(), "bcA");
}

TEST_F(WorkbenchTest, ScansLeaveTheirMasksInTheSettings) {
  Dir.Write("tree/a.pas", "");
  Dir.Write("tree/sub/r1.kvf", "");
  Dir.Write("tree/sub/deep/r2.kvf", "");
  Dir.Write("tree/sub/deep/b.dfm", "");
  TfrmMain& f = Start();
  Prompter.Folders = {Dir / "tree", Dir / "tree"};
  f.IterateSubdirectoriesExecute();
  EXPECT_EQ(f.SearchList.Rows.size(), 2u);
  f.FormDestroy();
  EXPECT_EQ(TIniFile(Dir / "kv3converter.ini").ReadString("Settings", "Mask", ""),
            "*.pas;*.dfm;*.dpr;*.dpk");
  f.btnIniDirRepClick();
  ASSERT_EQ(f.SearchListReport.Rows.size(), 1u);  // the chosen folder and its direct subfolders
  EXPECT_EQ(std::filesystem::path(f.SearchListReport.Rows[0].Caption),
            std::filesystem::path(Dir / "tree/sub/r1.kvf"));
  EXPECT_EQ(Prompter.BrowsedFrom.back(), Dir / "tree");
  f.FormDestroy();
  EXPECT_EQ(Dir.Read("kv3converter.ini"),
            "[Settings]\r\nPath=" + (Dir / "tree") +
                "\r\nMask=*.kvf\r\nDATFile=\r\nBackup=0\r\nWholeWords=0\r\nReplaceFileNames=1\r\n"
                "Simulate=0\r\nCodePage=1252\r\nPage=0\r\n");
}

// The window keeps the command line's rules on real machines: a file reached through a link is
// listed once, as the file it leads to; a link leading outside the folder scanned or nowhere, and
// a pipe, are not listed but named; a run removes what killed runs of this host left beside its
// files.
// POSIX only: symbolic links, a named pipe and the id of a child process that ended.
#ifndef _WIN32
TEST_F(WorkbenchTest, ScansTakeLinksAsTheirFilesAndRunsClearTemporaryFilesOfKilledRuns) {
  Dir.Write("kv25x.dat", "Form=MyForm\r\n");
  Dir.Write("tree/Unit1.pas", "Form\r\n");
  Dir.Write("outside/Shared.pas", "Form\r\n");
  namespace fs = std::filesystem;
  fs::create_symlink("Unit1.pas", Dir / "tree/Alias.pas");
  fs::create_symlink("../outside/Shared.pas", Dir / "tree/Shared.pas");
  fs::create_symlink("Nowhere.pas", Dir / "tree/Gone.pas");
  ASSERT_EQ(::mkfifo((Dir / "tree/Pipe.pas").c_str(), 0600), 0);
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  const std::string stale = "tree/Unit1.pas.kvtmp-" + TemporaryHost() + "-" + std::to_string(child) + "-1";
  Dir.Write(stale, "left by a killed run");

  TfrmMain& f = Start();
  Prompter.Folders = {Dir / "tree"};
  f.IterateSubdirectoriesExecute();
  ASSERT_EQ(f.SearchList.Rows.size(), 1u);
  EXPECT_EQ(f.SearchList.Rows[0].Caption, fs::canonical(Dir / "tree/Unit1.pas").string());
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  for (const char* named : {"tree/Shared.pas: a link to", "tree/Gone.pas: a link that leads nowhere",
                            "tree/Pipe.pas: not a regular file"}) {
    EXPECT_NE(Prompter.Messages[0].find(named), std::string::npos) << Prompter.Messages[0];
  }
  // Adding the link again adds nothing (a path added twice is listed twice, and converted twice,
  // as the user asked, but a link is not the user's path to the file).
  f.AddFile(Dir / "tree/Alias.pas");
  EXPECT_EQ(f.SearchList.Rows.size(), 1u);
  f.btnStartClick();
  EXPECT_EQ(f.SearchList.Rows[0].Cells[1], "Done");
  EXPECT_EQ(Dir.Read("tree/Unit1.pas"), "MyForm\r\n");
  EXPECT_TRUE(fs::is_symlink(Dir / "tree/Alias.pas"));
  EXPECT_EQ(Dir.Read("outside/Shared.pas"), "Form\r\n");
  EXPECT_FALSE(Dir.Exists(stale));
}
#endif

TEST_F(WorkbenchTest, TableWithEqualsSignsIsSavedAndReadBackByteForByte) {
  TfrmMain& f = Start();
  f.AppendTableLine(
      "a\x02"
      "b=c\x02"
      "d");
  f.AppendTableLine("TkvReport=TkvxReport");
  EXPECT_TRUE(f.ConvertEnabled());
  EXPECT_TRUE(f.SaveDataEnabled());
  Prompter.Saves = {Dir / "saved.dat", Dir / "again.dat"};
  f.btnSaveClick();
  EXPECT_FALSE(f.SaveDataEnabled());
  EXPECT_EQ(Dir.Read("saved.dat"),
            "a\x02"
            "b=c\x02"
            "d\r\nTkvReport=TkvxReport\r\n");
  f.LoadConversionData(Dir / "saved.dat");
  f.btnSaveClick();
  EXPECT_EQ(Prompter.LastSave.FileName, "saved.dat");
  EXPECT_EQ(Dir.Read("again.dat"), Dir.Read("saved.dat"));
  // The pair with "=" matches the three characters a=b in a project file.
  f.AddFile(Dir.Write("u.pas", "x A=B y"));
  f.btnStartClick();
  EXPECT_EQ(Dir.Read("u.pas"), "x c=d y\r\n");

  // A failed save is shown; the new name is kept and the table still counts as changed.
  f.AppendTableLine("x=y");
  Prompter.Saves = {Dir / "no/such/folder/t.dat"};
  f.btnSaveClick();
  EXPECT_EQ(Prompter.Errors.size(), 1u);
  EXPECT_EQ(f.DataFileName, Dir / "no/such/folder/t.dat");
  EXPECT_TRUE(f.SaveDataEnabled());
}

// Open Conversion Data replaces the table with a chosen file, after the unsaved edits were saved
// or dropped as the user answers; the caption follows the file the table came from or was last
// saved to; Delete removes pairs; a row whose find text is empty is not saved.
TEST_F(WorkbenchTest, TableOpenDeleteSaveAndUnsavedChanges) {
  using TAnswer = TPrompter::TUnsavedAnswer;
  Dir.Write("first.dat", "A=B\r\nC=D\r\n");
  Dir.Write("second.dat", "E=F\r\n");
  Dir.Write("binary.dat", std::string("X=\0Y\r\n", 6));
  TfrmMain& f = Start();
  Prompter.Files = {{Dir / "first.dat"}};
  f.OpenDataClick();
  EXPECT_EQ(f.vleUnits(), (std::vector<std::string>{"A=B", "C=D"}));
  EXPECT_EQ(f.Caption, "KV3 Conversion Utility from:  first.dat");
  EXPECT_FALSE(f.HasUnsavedChanges());

  // Edits, then another file: Cancel keeps the edits, Discard drops them.
  f.DeleteTableLines({0, 7});
  f.AppendTableLine("=");        // a cleared row
  f.AppendTableLine("=orphan");  // a replacement without a find text
  f.AppendTableLine("G=H");
  EXPECT_TRUE(f.HasUnsavedChanges());
  Prompter.Files = {{Dir / "second.dat"}, {Dir / "second.dat"}};
  Prompter.UnsavedAnswers = {TAnswer::Cancel, TAnswer::Discard};
  f.OpenDataClick();
  EXPECT_EQ(f.vleUnits(), (std::vector<std::string>{"C=D", "=", "=orphan", "G=H"}));
  f.OpenDataClick();
  EXPECT_EQ(f.vleUnits(), (std::vector<std::string>{"E=F"}));
  EXPECT_EQ(f.Caption, "KV3 Conversion Utility from:  second.dat");
  EXPECT_EQ(Prompter.UnsavedAsked, (std::vector<std::string>{"first.dat", "first.dat"}));

  // Save: the rows without a find text go; the caption names the new file.
  f.AppendTableLine("=");
  f.AppendTableLine("I=J");
  Prompter.Files = {{Dir / "first.dat"}};
  Prompter.UnsavedAnswers = {TAnswer::Save};
  Prompter.Saves = {Dir / "third.dat"};
  f.OpenDataClick();
  EXPECT_EQ(Dir.Read("third.dat"), "E=F\r\nI=J\r\n");
  EXPECT_EQ(f.vleUnits(), (std::vector<std::string>{"A=B", "C=D"}));
  EXPECT_EQ(f.Caption, "KV3 Conversion Utility from:  first.dat");

  // A save that is cancelled keeps the edits and what would have lost them does not go on.
  f.AppendTableLine("K=L");
  Prompter.UnsavedAnswers = {TAnswer::Save};
  EXPECT_FALSE(f.SettleUnsavedChanges());
  EXPECT_TRUE(f.HasUnsavedChanges());
  Prompter.UnsavedAnswers = {TAnswer::Discard};
  EXPECT_TRUE(f.SettleUnsavedChanges());

  // A file that is no table is refused, naming it; the table stays.
  Prompter.UnsavedAnswers = {TAnswer::Discard};
  Prompter.Files = {{Dir / "binary.dat"}};
  f.OpenDataClick();
  ASSERT_EQ(Prompter.Errors.size(), 1u);
  EXPECT_NE(Prompter.Errors[0].find("binary.dat"), std::string::npos);
  EXPECT_EQ(f.vleUnits(), (std::vector<std::string>{"A=B", "C=D", "K=L"}));
}

// The window's place, size and page come back at the next start; values that are no numbers are
// passed over.
TEST_F(WorkbenchTest, WindowPlacementAndPageAreRemembered) {
  TfrmMain& f = Start();
  EXPECT_FALSE(f.Placement.Known);
  f.Placement = {true, 40, -5, 800, 600, true};
  f.ActivePage = TPage::tbshReportFiles;
  f.FormDestroy();
  TfrmMain& again = Start();
  EXPECT_TRUE(again.Placement.Known);
  EXPECT_EQ(again.Placement.Left, 40);
  EXPECT_EQ(again.Placement.Top, -5);
  EXPECT_EQ(again.Placement.Width, 800);
  EXPECT_EQ(again.Placement.Height, 600);
  EXPECT_TRUE(again.Placement.Maximized);
  EXPECT_EQ(again.ActivePage, TPage::tbshReportFiles);

  Dir.Write("kv3converter.ini",
            "[Settings]\r\nWindowLeft=1\r\nWindowTop=x\r\nWindowWidth=9\r\nWindowHeight=9\r\n"
            "Page=7\r\n");
  TfrmMain& bad = Start();
  EXPECT_FALSE(bad.Placement.Known);
  EXPECT_EQ(bad.ActivePage, TPage::tbsFiles);
}

TEST_F(WorkbenchTest, RemovingDroppingAndSelecting) {
  TfrmMain& f = Start();
  f.ActivePage = TPage::tbshReportFiles;
  f.DropFiles({"/x/one.pas", "/x/two.kvf"});
  EXPECT_EQ(f.SearchList.Rows.size(), 2u);
  EXPECT_FALSE(f.SelectAllEnabled());  // only on the project page
  f.ActivePage = TPage::tbsFiles;
  EXPECT_TRUE(f.SelectAllEnabled());
  EXPECT_FALSE(f.RemoveFilesEnabled());
  EXPECT_EQ(f.FileToOpen(f.SearchList), "");
  f.SetSelection(f.SearchList, {false, true});
  EXPECT_EQ(f.FileToOpen(f.SearchList), "/x/two.kvf");
  f.DeleteKeyReleased();
  ASSERT_EQ(f.SearchList.Rows.size(), 1u);
  EXPECT_EQ(f.StatusPanels[0], "Ready");
  // Delete on the report page removes the report list's selection.
  f.AddFilesRep("/r/a.kvf");
  f.AddFilesRep("/r/b.kvf");
  f.ActivePage = TPage::tbshReportFiles;
  f.SetSelection(f.SearchListReport, {true, false});
  f.DeleteKeyReleased();
  ASSERT_EQ(f.SearchListReport.Rows.size(), 1u);
  EXPECT_EQ(f.SearchListReport.Rows[0].Caption, "/r/b.kvf");
  EXPECT_EQ(f.SearchList.Rows.size(), 1u);
}

TEST_F(WorkbenchTest, SettingsThatCannotBeWrittenAreReported) {
  TfrmMain f(Prompter, Dir / "kv3converter.ini/inside.ini");
  Dir.Write("kv3converter.ini", "a file where a folder should be");
  f.FormDestroy();
  ASSERT_EQ(Prompter.Messages.size(), 1u);
  EXPECT_EQ(Prompter.Messages[0], "Unable to write to " + (Dir / "kv3converter.ini/inside.ini"));
}

TEST(SettingsFile, BesideTheProgramWhenThatFolderIsWritable) {
  TTempDir dir;
  EXPECT_EQ(std::filesystem::path(SettingsFilePath(dir / "kv3converter")),
            std::filesystem::path(dir / "kv3converter.ini"));
  test::SetEnvironment(test::ConfigHomeVariable, dir / "config");
  EXPECT_EQ(std::filesystem::path(SettingsFilePath(dir / "missing/kv3converter")),
            std::filesystem::path(dir / "config/kv3converter/kv3converter.ini"));
  test::UnsetEnvironment(test::ConfigHomeVariable);
}

// An installed program is shared by every user: its settings never go beside it, not even for
// the superuser, who may write there. POSIX only: the system's program folders (on Windows a
// user may not write in Program Files, which FolderWritable finds by trying).
#ifndef _WIN32
TEST(SettingsFile, InTheUsersFolderForAProgramOfTheSystem) {
  TTempDir dir;
  ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  for (const char* program : {"/usr/bin/kv3converter", "/usr/local/bin/kv3converter",
                              "/usr/bin/../bin/kv3converter", "/bin/kv3converter"}) {
    EXPECT_EQ(SettingsFilePath(program), dir / "config/kv3converter/kv3converter.ini") << program;
  }
  ::unsetenv("XDG_CONFIG_HOME");
}
#endif

}  // namespace
}  // namespace kv
