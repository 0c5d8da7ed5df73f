// The run journal and undo: what a run notes, and how undo treats each state a file can be left
// in when the run was killed between two of its steps, or the file was edited since.
#include "migrate/Journal.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <iterator>

#include "base/Errors.h"
#include "base/Files.h"
#include "base/Hash.h"
#include "migrate/ReplaceEngine.h"
#include "support/TempDir.h"

namespace kv {
namespace {

using test::TTempDir;

class JournalTest : public ::testing::Test {
 protected:
  std::string Folder() const { return Dir / "journals"; }
  // Converts the files with the pair TkvReport=TkvxReport and a journal; returns its path.
  std::string RunOn(const std::vector<std::string>& paths, unsigned threads = 1) {
    TRunJournal journal("kv25x.dat", Folder());
    TConvertOptions options;
    options.Journal = &journal;
    options.Threads = threads;
    TSourceConverter converter({{"TkvReport", "TkvxReport"}}, options);
    std::size_t changed = 0;
    converter.ConvertFiles(paths, [&](std::size_t, const TFileResult& r) {
      EXPECT_FALSE(r.Error);
      changed += r.Replacements > 0;
      return true;
    });
    journal.Finish(paths.size(), changed, 0, false);
    return journal.Path();
  }
  TTempDir Dir;
};

TEST_F(JournalTest, RunNotesEachChangedFileAndUndoPutsEveryByteBack) {
  // A name with a tab and a backslash is escaped in the journal and read back whole (Windows
  // takes no tab in a name, and a backslash there separates a folder).
#ifdef _WIN32
  const std::string odd = Dir.Write("p/we ird\\name.pas", "TkvReport\n");
#else
  const std::string odd = Dir.Write("p/we\tird\\name.pas", "TkvReport\n");
#endif
  const std::string a = Dir.Write("p/a.pas", "var R: TkvReport;\r\n");
  const std::string same = Dir.Write("p/same.pas", "unchanged\n");
  Dir.Write("p/a.BAK", "an older backup");  // taken: the run's backup gets the next name
  const std::string path = RunOn({odd, a, same}, 4);
  ASSERT_EQ(LastJournal(Folder()), path);
  // The journal is written under another name first and then given its own: nothing else is
  // left in the folder.
  const auto entries = std::distance(std::filesystem::directory_iterator(Folder()),
                                     std::filesystem::directory_iterator());
  EXPECT_EQ(entries, 1);

  const TJournal journal = ReadJournal(path);
  ASSERT_EQ(journal.Files.size(), 2u);
  EXPECT_EQ(journal.Files[0].Path, odd);
  EXPECT_EQ(journal.Files[0].OriginalHash, HashBytes("TkvReport\n"));
  EXPECT_EQ(journal.Files[0].NewHash, HashBytes("TkvxReport\r\n"));
  EXPECT_EQ(journal.Files[1].Backup, a + ".BAK");
  EXPECT_TRUE(journal.Files[1].Done);
  EXPECT_TRUE(journal.Ended);
  EXPECT_FALSE(journal.Interrupted);
  EXPECT_EQ(std::filesystem::path(journal.Table),
            std::filesystem::path(journal.WorkingFolder) / "kv25x.dat");

  auto results = UndoRun(path, false);
  ASSERT_EQ(results.size(), 2u);
  for (const auto& r : results) EXPECT_EQ(r.Status, TUndoStatus::Restored) << r.Path;
  EXPECT_EQ(Dir.Read(odd), "TkvReport\n");
  EXPECT_EQ(Dir.Read(a), "var R: TkvReport;\r\n");
  EXPECT_FALSE(FileExists(a + ".BAK"));
  EXPECT_EQ(Dir.Read("p/a.BAK"), "an older backup");

  // Undo twice changes nothing, even when a later run made the same backup names again.
  RunOn({a});
  results = UndoRun(path, false);
  for (const auto& r : results) EXPECT_EQ(r.Status, TUndoStatus::AlreadyUndone) << r.Path;
  EXPECT_EQ(Dir.Read(a), "var R: TkvxReport;\r\n");
  EXPECT_TRUE(FileExists(a + ".BAK"));
}

TEST_F(JournalTest, EditedFileIsRefusedUnlessForcedAndABadBackupIsNeverUsed) {
  const std::string a = Dir.Write("a.pas", "TkvReport\r\n");
  const std::string b = Dir.Write("b.pas", "TkvReport\r\n");
  const std::string path = RunOn({a, b});
  Dir.Write("a.pas", "edited after the run\r\n");
  Dir.Write("b.BAK", "backup edited too");

  auto results = UndoRun(path, false);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].Status, TUndoStatus::Refused);
  EXPECT_NE(results[0].Reason.find("changed after the run"), std::string::npos);
  EXPECT_EQ(results[1].Status, TUndoStatus::Refused);
  EXPECT_NE(results[1].Reason.find("no longer holds the original"), std::string::npos);
  EXPECT_EQ(Dir.Read("a.pas"), "edited after the run\r\n");
  EXPECT_FALSE(ReadJournal(path).Undone);

  results = UndoRun(path, true);
  EXPECT_EQ(results[0].Status, TUndoStatus::Restored);
  EXPECT_EQ(Dir.Read("a.pas"), "TkvReport\r\n");
  EXPECT_FALSE(Dir.Exists("a.BAK"));
  // Even forced, a backup that does not hold the original is neither used nor removed.
  EXPECT_EQ(results[1].Status, TUndoStatus::Refused);
  EXPECT_EQ(Dir.Read("b.BAK"), "backup edited too");
  EXPECT_EQ(Dir.Read("b.pas"), "TkvxReport\r\n");
}

// An undo that tells its progress after each file stops where the progress says so: the files
// handled (the last ones of the run) are back, the others are as the run left them, and the
// journal is not marked undone, so that the next undo puts back the rest. A stop asked after the
// last file stops nothing.
TEST_F(JournalTest, UndoStoppedByItsProgressLeavesTheRestForTheNextUndo) {
  std::vector<std::string> paths;
  for (const char* name : {"a", "b", "c"}) {
    paths.push_back(Dir.Write(std::string(name) + ".pas", "TkvReport\n"));
  }
  const std::string path = RunOn(paths);
  std::vector<std::pair<std::size_t, std::size_t>> told;
  auto results = UndoRun(path, false, [&](std::size_t handled, std::size_t total) {
    told.emplace_back(handled, total);
    return handled < 2;
  });
  EXPECT_EQ(told, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 3}, {2, 3}}));
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].Path, paths[1]);
  EXPECT_EQ(results[1].Path, paths[2]);
  EXPECT_EQ(Dir.Read("a.pas"), "TkvxReport\r\n");
  EXPECT_EQ(Dir.Read("b.pas"), "TkvReport\n");
  EXPECT_EQ(Dir.Read("c.pas"), "TkvReport\n");
  EXPECT_FALSE(ReadJournal(path).Undone);

  results =
      UndoRun(path, false, [](std::size_t handled, std::size_t total) { return handled < total; });
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].Status, TUndoStatus::Restored);
  EXPECT_EQ(results[1].Status, TUndoStatus::AlreadyUndone);
  EXPECT_EQ(Dir.Read("a.pas"), "TkvReport\n");
  EXPECT_TRUE(ReadJournal(path).Undone);
}

// The states a kill can leave, written by hand: after the intent line only; after the backup was
// linked; after it was linked under another name than the intent's (another process took that
// name meanwhile) but before that was noted; after that was noted and the file replaced; after
// the file was replaced but before the done line.
TEST_F(JournalTest, UndoHandlesARunKilledBetweenAnyTwoSteps) {
  const std::string original = "TkvReport\r\n", converted = "TkvxReport\r\n";
  const std::string h0 = HashText(HashBytes(original)), h1 = HashText(HashBytes(converted));
  std::string lines = "kv3conv-journal\t1\nstart\t2026-01-01T00:00:00.000000Z\t1\t/\t/t.dat\n";
  int n = 0;
  const auto intent = [&](const std::string& name) {
    Dir.Write(name + ".pas", original);
    lines += "intent\t" + std::to_string(n++) + "\t" + (Dir / (name + ".pas")) + "\t" +
             (Dir / (name + ".BAK")) + "\t" + h0 + "\t" + h1 + "\n";
  };
  const auto link = [&](const std::string& name, const std::string& backup) {
    std::filesystem::create_hard_link(Dir / (name + ".pas"), Dir / backup);
  };
  intent("intent");
  intent("linked");
  link("linked", "linked.BAK");
  intent("elsewhere");
  Dir.Write("elsewhere.BAK", original);  // another process's file, taken before the link
  link("elsewhere", "elsewhere.pas.BAK");
  intent("noted");
  Dir.Write("noted.BAK", "another process's file");
  link("noted", "noted.pas.BAK");
  lines += "backup\t3\t" + (Dir / "noted.pas.BAK") + "\n";
  WriteFileSafely(Dir / "noted.pas", converted);
  intent("replaced");
  link("replaced", "replaced.BAK");
  WriteFileSafely(Dir / "replaced.pas", converted);
  // Without hard links the backup is a copy, announced before it takes its name: killed after it
  // took it, and after the file was replaced too.
  intent("copied");
  lines += "copy\t5\t" + (Dir / "copied.BAK") + "\n";
  Dir.Write("copied.BAK", original);
  intent("copiedreplaced");
  lines += "copy\t6\t" + (Dir / "copiedreplaced.BAK") + "\n";
  Dir.Write("copiedreplaced.BAK", original);
  WriteFileSafely(Dir / "copiedreplaced.pas", converted);
  lines += "done\t6\t2026-01-01";  // cut short by the kill: ignored
  const std::string path = Dir.Write("killed.journal", lines);

  const TJournal journal = ReadJournal(path);
  EXPECT_FALSE(journal.Ended);
  EXPECT_FALSE(journal.Files[6].Done);
  EXPECT_EQ(journal.Files[3].Backup, Dir / "noted.pas.BAK");
  EXPECT_TRUE(journal.Files[5].Copied);
  const auto results = UndoRun(path, false);
  ASSERT_EQ(results.size(), 7u);
  EXPECT_EQ(results[0].Status, TUndoStatus::NotChanged);
  for (std::size_t i = 1; i < 7; ++i) EXPECT_EQ(results[i].Status, TUndoStatus::Restored) << i;
  for (const char* name :
       {"intent", "linked", "elsewhere", "noted", "replaced", "copied", "copiedreplaced"}) {
    EXPECT_EQ(Dir.Read(std::string(name) + ".pas"), original) << name;
    EXPECT_FALSE(Dir.Exists(std::string(name) + ".pas.BAK")) << name;
  }
  for (const char* name : {"intent", "linked", "replaced", "copied", "copiedreplaced"}) {
    EXPECT_FALSE(Dir.Exists(std::string(name) + ".BAK")) << name;
  }
  // Files of the same names that the run did not make are left, even one holding the original.
  EXPECT_EQ(Dir.Read("elsewhere.BAK"), original);
  EXPECT_EQ(Dir.Read("noted.BAK"), "another process's file");
}

TEST_F(JournalTest, JournalsLiveInTheStateFolderAndDamagedOnesAreRefused) {
#ifndef _WIN32  // the XDG rules; Windows' %LOCALAPPDATA% is the platform layer's test
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("XDG_STATE_HOME", "/state/", 1);
  EXPECT_EQ(JournalFolder(), "/state/kv3conv/journals");
  ::setenv("XDG_STATE_HOME", "relative", 1);  // ignored, like an unset one
  ::setenv("HOME", "/home/u", 1);
  EXPECT_EQ(JournalFolder(), "/home/u/.local/state/kv3conv/journals");
  ::unsetenv("XDG_STATE_HOME");
  ::setenv("HOME", home.c_str(), 1);
#endif
  EXPECT_EQ(LastJournal(Dir / "none"), "");

  EXPECT_THROW(ReadJournal(Dir.Write("x.journal", "not a journal\n")), EFileError);
  EXPECT_THROW(ReadJournal(Dir.Write("y.journal", "kv3conv-journal\t1\nintent\t0\tp\tb\tzz\tzz\n")),
               EFileError);
}

// POSIX only: the id of a child process that ended (fork).
#ifndef _WIN32
TEST_F(JournalTest, StaleTemporariesOfDeadProcessesOfThisHostAreRemoved) {
  // A child that has exited and been reaped: its process id is free.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  const std::string host = TemporaryHost();
  const std::string dead = std::to_string(child), self = std::to_string(::getpid());
  Dir.Write("Unit1.pas.kvtmp-" + host + "-" + dead + "-17", "left by a killed run");
  Dir.Write("Unit1.pas.kvtmp-" + host + "-" + self + "-18", "being written");
  // A process id tells nothing of another host (a container, a network share), nor does a name
  // without a host.
  Dir.Write("Unit1.pas.kvtmp-elsewhere-" + dead + "-19", "another host's");
  Dir.Write("Unit1.pas.kvtmp-" + dead + "-20", "no host in the name");
  Dir.Write("Unit1.pas.kvtmp-" + host + "-" + dead + "-x", "not one of ours");
  Dir.Write("Unit1.pas", "kept");
  const struct {
    const char* Name;
    const char* Host;
    long Pid;
  } names[] = {{"a.kvtmp-h-12-3", "h", 12},       {"a.kvtmp-my-box.lan-7-0", "my-box.lan", 7},
               {".kvtmp-h-12-3", "", 0},          {"a.kvtmp-12-3", "", 0},
               {"a.kvtmp-h-12-", "", 0},          {"a.kvtmp--12-3", "", 0},
               {"a.kvtmp-h-1234567890-3", "", 0}, {"a.kvtmp-h-1x-3", "", 0}};
  for (const auto& n : names) {
    EXPECT_EQ(TemporaryOwner(n.Name).Host, n.Host) << n.Name;
    EXPECT_EQ(TemporaryOwner(n.Name).Pid, n.Pid) << n.Name;
  }

  const auto removed = RemoveStaleTemporaries(Dir.Path());
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0], Dir / ("Unit1.pas.kvtmp-" + host + "-" + dead + "-17"));
  for (const std::string& kept : {"Unit1.pas.kvtmp-" + host + "-" + self + "-18",
                                 "Unit1.pas.kvtmp-elsewhere-" + dead + "-19",
                                 "Unit1.pas.kvtmp-" + dead + "-20",
                                 "Unit1.pas.kvtmp-" + host + "-" + dead + "-x"}) {
    EXPECT_TRUE(Dir.Exists(kept)) << kept;
  }
}
#endif

}  // namespace
}  // namespace kv
