// kv3conv source stopped at any instant, by SIGKILL, SIGINT or SIGTERM, and kv3conv undo after
// it: every file stays whole, and undo gives back every original byte.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "base/Files.h"
#include "support/TempDir.h"

namespace {

using kv::test::TTempDir;
namespace fs = std::filesystem;

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class InterruptTest : public ::testing::Test {
 protected:
  InterruptTest() {
    ::setenv("XDG_STATE_HOME", (Dir / "state").c_str(), 1);
    Table = Dir.Write("kv25x.dat", "TkvReport=TkvxReport\r\n");
  }

  // A project of files whose lines all end in CR LF, so that the new content of each is the old
  // one with the find text replaced; every tenth file holds no find text and stays as it is.
  void MakeProject(int files) {
    std::mt19937 random(7);
    for (int i = 0; i < files; ++i) {
      std::string text;
      const int lines = 200 + static_cast<int>(random() % 400);
      for (int line = 0; line < lines; ++line) {
        text += i % 10 == 9 ? "  nothing to see here;\r\n"
                            : "  R" + std::to_string(line) + ": TkvReport; // TkvReport\r\n";
      }
      const std::string name = "proj/" + std::string(i % 3 == 0 ? "sub/" : "") + "Unit" +
                               std::to_string(i) + ".pas";
      Originals[Dir.Write(name, text)] = text;
    }
  }

  // Starts kv3conv with args, its output going to files in the test's folder.
  // With ignoreHangUp, kv3conv starts with SIGHUP ignored, as under nohup.
  pid_t Start(const std::vector<std::string>& args, bool ignoreHangUp = false) {
    const std::string out = Dir / "stdout", err = Dir / "stderr";
    // Everything the child needs is made before the fork: it only opens, redirects and execs.
    std::vector<char*> argv{const_cast<char*>(KV3CONV_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::signal(SIGHUP, ignoreHangUp ? SIG_IGN : SIG_DFL);
      const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(o, 1);
      ::dup2(e, 2);
      ::execv(KV3CONV_PATH, argv.data());
      ::_exit(127);
    }
    return pid;
  }
  int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  int RunToEnd(const std::vector<std::string>& args) { return Wait(Start(args)); }
  pid_t StartSource(bool ignoreHangUp = false) {
    return Start({"source", "--table", Table, Dir / "proj"}, ignoreHangUp);
  }
  // Waits until the run has printed its first results, so that it is under way.
  void WaitForFirstResults() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((!Dir.Exists("stdout") || Dir.Read("stdout").find("Done") == std::string::npos) &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }

  // Every file holds its original bytes, or its new bytes with a backup that holds the original
  // bytes. Returns how many hold their new bytes.
  int CheckWhole() {
    int converted = 0;
    for (const auto& [path, original] : Originals) {
      const std::string now = Dir.Read(path);
      if (now == original) continue;
      ++converted;
      EXPECT_EQ(now, Replaced(original, "TkvReport", "TkvxReport")) << path;
      const std::string backup = fs::path(path).replace_extension(".BAK").string();
      EXPECT_TRUE(Dir.Exists(backup) && Dir.Read(backup) == original) << backup;
    }
    return converted;
  }
  // What is left beside the files: backups and temporary files.
  std::vector<std::string> Leftovers(const std::string& marker) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(Dir / "proj")) {
      const std::string name = entry.path().filename().string();
      if (name.find(marker) != std::string::npos) found.push_back(entry.path().string());
    }
    return found;
  }

  // The journals of the runs so far.
  std::vector<std::string> JournalFiles() {
    std::vector<std::string> found;
    const fs::path folder = Dir / "state/kv3conv/journals";
    if (!fs::exists(folder)) return found;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() == ".journal") found.push_back(entry.path());
    }
    return found;
  }
  // kv3conv runs as on a file system without hard links from now on.
  void WithoutHardLinks() {
    ::setenv("LD_PRELOAD", KV_TEST_PRELOAD_PATH, 1);
    ::setenv("KV_TEST_NO_HARD_LINKS", "1", 1);
    // A sanitizer runtime would otherwise insist on being loaded first.
    const char* asan = std::getenv("ASAN_OPTIONS");
    ::setenv("ASAN_OPTIONS",
             ((asan && *asan ? std::string(asan) + ":" : std::string()) + "verify_asan_link_order=0")
                 .c_str(),
             1);
  }
  ~InterruptTest() override {
    ::unsetenv("LD_PRELOAD");
    ::unsetenv("KV_TEST_NO_HARD_LINKS");
  }

  TTempDir Dir;
  std::string Table;
  std::map<std::string, std::string> Originals;
};

// The same with and without hard links: without them (FAT, exFAT, many network shares) a backup
// is a copy of the original, and the original must never be missing on the way.
class KilledRunTest : public InterruptTest, public ::testing::WithParamInterface<bool> {};

INSTANTIATE_TEST_SUITE_P(HardLinks, KilledRunTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "With" : "Without"; });

TEST_P(KilledRunTest, KilledAtAnyInstantEveryFileStaysWholeAndUndoLeavesTheTreeAsItWas) {
  const bool hardLinks = GetParam();
  if (!hardLinks) WithoutHardLinks();
  MakeProject(300);
  // One whole run, undone, tells how long a run takes.
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(RunToEnd({"source", "--table", Table, Dir / "proj"}), 0) << Dir.Read("stderr");
  const auto runTime = std::chrono::steady_clock::now() - t0;
  ASSERT_EQ(CheckWhole(), 270);
  ASSERT_EQ(RunToEnd({"undo"}), 0) << Dir.Read("stdout");
  // Only the journals of the killed runs count below: a run killed before its first commit has
  // none, and undo must not find this one instead.
  for (const auto& journal : JournalFiles()) fs::remove(journal);
  const auto micros = std::max<long long>(
      2000, std::chrono::duration_cast<std::chrono::microseconds>(runTime).count());

  std::mt19937 random(2026);
  int midRun = 0;
  for (int kill = 0; kill < 30; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    const pid_t pid = StartSource();
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (micros * 6 / 5)));
    ::kill(pid, SIGKILL);
    Wait(pid);
    const int converted = CheckWhole();
    if (converted > 0 && converted < 270) ++midRun;
    // Undo leaves the tree as it was before the run: no backup and no temporary file of the
    // killed run is left (a run killed before it committed a file has no journal to undo; its
    // temporary files are the next run's to remove).
    const bool journaled = !JournalFiles().empty();
    ASSERT_EQ(RunToEnd({"undo"}), journaled ? 0 : 2) << Dir.Read("stdout") << Dir.Read("stderr");
    for (const auto& [path, original] : Originals) ASSERT_EQ(Dir.Read(path), original) << path;
    ASSERT_EQ(Leftovers(".BAK"), std::vector<std::string>{});
    const std::string ofThisRun = ".kvtmp-" + kv::TemporaryHost() + "-" + std::to_string(pid) + "-";
    if (journaled) {
      ASSERT_EQ(Leftovers(ofThisRun), std::vector<std::string>{});
    }
    for (const auto& journal : JournalFiles()) fs::remove(journal);
    if (HasFailure()) return;
  }
  EXPECT_GT(midRun, 0) << "no kill came while files were being replaced";
  std::printf("%d of 30 kills came while files were being replaced\n", midRun);

  // A run that ends leaves every file whole, with a copy as its backup where there are no hard
  // links; the next run removes the temporary files killed runs left, and says so.
  const bool leftTemporaries = !Leftovers(".kvtmp-").empty();
  const std::string unit = Originals.begin()->first;
  struct stat before {};
  ASSERT_EQ(::stat(unit.c_str(), &before), 0);
  ASSERT_EQ(RunToEnd({"source", "--table", Table, Dir / "proj"}), 0) << Dir.Read("stderr");
  EXPECT_EQ(Leftovers(".kvtmp-"), std::vector<std::string>{});
  if (leftTemporaries) {
    EXPECT_NE(Dir.Read("stderr").find("removed a temporary file left by an interrupted run"),
              std::string::npos);
  }
  EXPECT_EQ(CheckWhole(), 270);
  struct stat backup {};
  ASSERT_EQ(::stat(fs::path(unit).replace_extension(".BAK").c_str(), &backup), 0);
  EXPECT_EQ(backup.st_ino == before.st_ino, hardLinks) << "the backup is the old file itself only "
                                                          "where there are hard links";
}

// SIGINT, SIGTERM and SIGHUP stop the run after the file in hand: the total of what was done is
// printed, no temporary file is left, the journal says the run was interrupted and undo restores
// it.
TEST_F(InterruptTest, InterruptedRunStopsCleanlyWithItsExitCodeAndCanBeUndone) {
  MakeProject(600);
  for (const auto& [signal, exitCode] :
       {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
    SCOPED_TRACE(exitCode);
    const pid_t pid = StartSource();
    WaitForFirstResults();
    ::kill(pid, signal);
    ASSERT_EQ(Wait(pid), exitCode) << Dir.Read("stderr");
    const std::string out = Dir.Read("stdout"), err = Dir.Read("stderr");
    EXPECT_NE(out.find("Total: "), std::string::npos) << out;
    EXPECT_NE(err.find("kv3conv: interrupted: "), std::string::npos) << err;
    EXPECT_EQ(Leftovers(".kvtmp-"), std::vector<std::string>{});
    const int converted = CheckWhole();
    EXPECT_LT(converted, 540);

    // The journal ends with the totals of an interrupted run.
    const std::size_t at = err.find("journal of this run (kv3conv undo puts its files back): ");
    ASSERT_NE(at, std::string::npos) << err;
    std::string journal = err.substr(err.find(": /", at) + 2);
    journal = journal.substr(0, journal.find('\n'));
    const std::string text = Dir.Read(journal);
    EXPECT_NE(text.find("\tinterrupted\n"), std::string::npos) << text;

    ASSERT_EQ(RunToEnd({"undo", journal}), 0) << Dir.Read("stdout");
    for (const auto& [path, original] : Originals) ASSERT_EQ(Dir.Read(path), original) << path;
    EXPECT_EQ(Leftovers(".BAK"), std::vector<std::string>{});
  }
}

// A run started under nohup goes on to its end when its terminal closes.
TEST_F(InterruptTest, RunStartedWithHangUpIgnoredGoesOnAfterAHangUp) {
  MakeProject(600);
  const pid_t pid = StartSource(/*ignoreHangUp=*/true);
  WaitForFirstResults();
  ::kill(pid, SIGHUP);
  ASSERT_EQ(Wait(pid), 0) << Dir.Read("stderr");
  EXPECT_EQ(Dir.Read("stderr").find("interrupted"), std::string::npos) << Dir.Read("stderr");
  EXPECT_EQ(CheckWhole(), 540);
}

TEST_F(InterruptTest, UndoRefusesAnEditedFileUntilForcedAndUndoTwiceChangesNothing) {
  const std::string a = Dir.Write("proj/a.pas", "TkvReport\r\n");
  const std::string b = Dir.Write("proj/b.pas", "TkvReport\r\n");
  ASSERT_EQ(RunToEnd({"source", "--table", Table, Dir / "proj"}), 0);
  Dir.Write("proj/a.pas", "edited\r\n");

  EXPECT_EQ(RunToEnd({"undo"}), 1);
  std::string out = Dir.Read("stdout");
  EXPECT_NE(out.find("Refused: the file was changed after the run (--force restores it anyway)  " + a),
            std::string::npos) << out;
  EXPECT_NE(out.find("Restored  " + b), std::string::npos) << out;
  EXPECT_NE(out.find("Total: 2 files, 1 restored, 0 already undone, 0 not changed, 1 refused"),
            std::string::npos) << out;
  EXPECT_EQ(Dir.Read(a), "edited\r\n");
  EXPECT_EQ(Dir.Read(b), "TkvReport\r\n");

  EXPECT_EQ(RunToEnd({"undo", "--force", "--json"}), 0);
  out = Dir.Read("stdout");
  EXPECT_NE(out.find("{\"path\": \"" + a + "\", \"status\": \"Restored\", \"reason\": null}"),
            std::string::npos) << out;
  EXPECT_NE(out.find("\"restored\": 1, \"alreadyUndone\": 1"), std::string::npos) << out;
  EXPECT_EQ(Dir.Read(a), "TkvReport\r\n");

  EXPECT_EQ(RunToEnd({"undo"}), 0);
  out = Dir.Read("stdout");
  EXPECT_NE(out.find("Total: 2 files, 0 restored, 2 already undone"), std::string::npos) << out;
  EXPECT_EQ(Leftovers(".BAK"), std::vector<std::string>{});
  EXPECT_EQ(Dir.Read(a), "TkvReport\r\n");
}

}  // namespace
