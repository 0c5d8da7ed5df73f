// kv3conv on an ordinary developer machine: links, owners, pipes and devices among the units,
// files too large for the memory left, a reader that goes away, a full disk, file names that are
// no UTF-8, temporary files of killed runs, and what a durable run flushes before it says a file
// is done.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "base/Files.h"
#include "support/TempDir.h"

namespace {

using kv::test::TTempDir;
namespace fs = std::filesystem;

struct TRun {
  int Exit = -1;  // the exit code, or 128 + the signal that ended it; -2 when it did not end
  std::string Out;
  std::string Err;
  long MaxRssKb = 0;  // the peak memory of the process
};

// Where a run's standard output goes.
enum class TOutput { File, PipeClosedAfterFirstLine, DevFull };

struct TSpawn {
  std::vector<std::string> Args;
  std::map<std::string, std::string> Env;
  TOutput Output = TOutput::File;
  std::optional<rlim_t> AddressSpace;  // a limit on the process's memory
  std::vector<std::string> Prefix;     // a program that runs kv3conv (setpriv ...)
};

class RealMachineTest : public ::testing::Test {
 protected:
  RealMachineTest() {
    ::setenv("XDG_STATE_HOME", (Dir / "state").c_str(), 1);
    Table = Dir.Write("kv25x.dat", "Form=MyForm\r\n");
  }

  TRun Spawn(const TSpawn& spawn) {
    const std::string out = Dir / "stdout", err = Dir / "stderr";
    std::vector<std::string> argv = spawn.Prefix;
    argv.push_back(KV3CONV_PATH);
    argv.insert(argv.end(), spawn.Args.begin(), spawn.Args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    int pipeFds[2] = {-1, -1};
    if (spawn.Output == TOutput::PipeClosedAfterFirstLine && ::pipe(pipeFds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
      for (const auto& [name, value] : spawn.Env) ::setenv(name.c_str(), value.c_str(), 1);
      if (spawn.AddressSpace) {
        const rlimit limit{*spawn.AddressSpace, *spawn.AddressSpace};
        ::setrlimit(RLIMIT_AS, &limit);
      }
      int o = -1;
      if (spawn.Output == TOutput::File)
        o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (spawn.Output == TOutput::DevFull) o = ::open("/dev/full", O_WRONLY);
      if (spawn.Output == TOutput::PipeClosedAfterFirstLine) {
        o = pipeFds[1];
        ::close(pipeFds[0]);
      }
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(o, 1);
      ::dup2(e, 2);
      const int in = ::open("/dev/null", O_RDONLY);
      ::dup2(in, 0);
      ::execvp(cargv[0], cargv.data());
      ::_exit(127);
    }
    TRun run;
    if (spawn.Output == TOutput::PipeClosedAfterFirstLine) {
      // The reader takes the first line, as `head -1` does, and goes away.
      ::close(pipeFds[1]);
      char c = 0;
      while (::read(pipeFds[0], &c, 1) == 1) {
        run.Out += c;
        if (c == '\n') break;
      }
      ::close(pipeFds[0]);
    }
    // A run that waits for ever (on a pipe, say) is ended after a minute.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    rusage usage{};
    for (;;) {
      const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
      if (done == pid) break;
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid, SIGKILL);
        ::wait4(pid, &status, 0, &usage);
        run.Exit = -2;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (run.Exit != -2) {
      run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    run.MaxRssKb = usage.ru_maxrss;
    if (spawn.Output == TOutput::File) run.Out = Dir.Read("stdout");
    run.Err = Dir.Read("stderr");
    return run;
  }
  TRun Run(const std::vector<std::string>& args) { return Spawn({args}); }

  std::string LinkTo(const std::string& target, const std::string& name) {
    const std::string path = Dir / name;
    fs::create_directories(fs::path(path).parent_path());
    EXPECT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
    return path;
  }
  bool IsLinkTo(const std::string& name, const std::string& target) {
    std::error_code ec;
    return fs::is_symlink(Dir / name, ec) && fs::read_symlink(Dir / name, ec) == target;
  }
  // The journal of the last run (its text).
  std::string LastJournal() {
    std::string last;
    for (const auto& e : fs::directory_iterator(Dir / "state/kv3conv/journals")) {
      if (e.path().extension() == ".journal" && e.path().string() > last) last = e.path();
    }
    return last.empty() ? std::string() : Dir.Read(last);
  }
  std::vector<std::string> Leftovers(const std::string& folder, const std::string& marker) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(Dir / folder)) {
      if (e.path().filename().string().find(marker) != std::string::npos) {
        found.push_back(e.path());
      }
    }
    return found;
  }
  // A process id that no process has: a child that has ended and been reaped.
  static std::string DeadPid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return std::to_string(child);
  }

  TTempDir Dir;
  std::string Table;
};

std::string Real(const std::string& path) {
  return fs::canonical(path).string();
}

// A link is never replaced: the file it leads to is converted once, in its place, when it lies
// inside the folders named (or the link itself is named); a link that leads outside them or
// nowhere is named on standard error and left alone. Backups and the journal name the file, so
// undo puts it back.
TEST_F(RealMachineTest, LinksAreNeverReplacedAndTheirFilesAreConvertedOnce) {
  Dir.Write("proj/Unit1.pas", "Form\r\n");
  Dir.Write("outside/Shared.pas", "Form\r\n");
  Dir.Write("proj/inc/Unit3.inc", "Form\r\n");
  LinkTo("Unit1.pas", "proj/Alias.pas");
  LinkTo("../Unit1.pas", "proj/sub/Deep.pas");
  LinkTo("../outside/Shared.pas", "proj/Shared.pas");
  LinkTo("Nowhere.pas", "proj/Gone.pas");
  LinkTo("inc/Unit3.inc", "proj/Unit3.pas");

  TRun run = Run({"source", "--table", Table, Dir / "proj"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  // Applied once, though reached by three names: "MyMyForm" would be twice.
  EXPECT_EQ(Dir.Read("proj/Unit1.pas"), "MyForm\r\n");
  EXPECT_EQ(Dir.Read("proj/Unit1.BAK"), "Form\r\n");
  EXPECT_TRUE(IsLinkTo("proj/Alias.pas", "Unit1.pas"));
  EXPECT_TRUE(IsLinkTo("proj/sub/Deep.pas", "../Unit1.pas"));
  EXPECT_TRUE(IsLinkTo("proj/Shared.pas", "../outside/Shared.pas"));
  EXPECT_EQ(Dir.Read("outside/Shared.pas"), "Form\r\n");
  EXPECT_EQ(Dir.Read("proj/inc/Unit3.inc"), "Form\r\n");
  EXPECT_FALSE(Dir.Exists("proj/Alias.BAK") || Dir.Exists("proj/sub/Deep.BAK") ||
               Dir.Exists("proj/Shared.BAK"));
  for (const std::string& named :
       {"proj/Shared.pas: a link to \"" + Real(Dir / "outside/Shared.pas") +
            "\", outside the folders named; left alone",
        std::string("proj/Gone.pas: a link that leads nowhere; left alone"),
        "proj/Unit3.pas: a link to \"" + Real(Dir / "proj/inc/Unit3.inc") +
            "\", a file of another kind; left alone"}) {
    EXPECT_NE(run.Err.find(named), std::string::npos) << named << "\n" << run.Err;
  }
  EXPECT_NE(LastJournal().find("\t" + Real(Dir / "proj/Unit1.pas") + "\t"), std::string::npos);
  run = Run({"undo"});
  EXPECT_EQ(run.Exit, 0) << run.Out;
  EXPECT_EQ(Dir.Read("proj/Unit1.pas"), "Form\r\n");
  EXPECT_TRUE(IsLinkTo("proj/Alias.pas", "Unit1.pas"));

  // A link named itself, or leading into another folder named, is taken as its file.
  run = Run({"source", "--table", Table, Dir / "proj/Shared.pas"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Dir.Read("outside/Shared.pas"), "MyForm\r\n");
  EXPECT_TRUE(IsLinkTo("proj/Shared.pas", "../outside/Shared.pas"));
  ASSERT_EQ(Run({"undo"}).Exit, 0);
  run = Run({"source", "--table", Table, Dir / "proj", Dir / "outside"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Dir.Read("outside/Shared.pas"), "MyForm\r\n");
  EXPECT_EQ(run.Err.find("outside the folders named"), std::string::npos) << run.Err;
}

// A pipe or a device named like a unit would make a run wait for ever: one found in a folder is
// named and left out, one named on the command line fails on its own.
TEST_F(RealMachineTest, WhatIsNoRegularFileIsSkippedNotWaitedFor) {
  Dir.Write("proj/a.pas", "Form\r\n");
  ASSERT_EQ(::mkfifo((Dir / "proj/Pipe.pas").c_str(), 0600), 0);
  fs::create_directories(Dir / "reports");
  ASSERT_EQ(::mkfifo((Dir / "reports/Pipe.kvf").c_str(), 0600), 0);

  TRun run = Run({"source", "--table", Table, Dir / "proj"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(
      run.Err.find("proj/Pipe.pas: not a regular file (a pipe, device or socket); left alone"),
      std::string::npos)
      << run.Err;
  EXPECT_EQ(Dir.Read("proj/a.pas"), "MyForm\r\n");

  run = Run({"source", "--table", Table, Dir / "proj/Pipe.pas", "/dev/null"});
  EXPECT_EQ(run.Exit, 1) << run.Err;
  EXPECT_NE(run.Err.find("It is a pipe (FIFO), not a regular file"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("/dev/null\". It is a device, not a regular file"), std::string::npos)
      << run.Err;

  run = Run({"report", Dir / "reports"});
  EXPECT_NE(run.Exit, -2) << "the report run waited on the pipe";
  EXPECT_NE(run.Err.find("reports/Pipe.kvf: not a regular file"), std::string::npos) << run.Err;
}

// A replaced file keeps its owner, group and mode, also when the superuser runs the tool; where
// they cannot be given to the new file, the file fails and stays as it was. Other hard links of a
// file keep its old text.
TEST_F(RealMachineTest, ReplacedFilesKeepOwnerGroupAndModeOrFailUntouched) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs the superuser to give files to other users";
  const std::string unit = Dir.Write("proj/Unit1.pas", "Form\r\n");
  ASSERT_EQ(::chown(unit.c_str(), 1234, 2345), 0);
  ASSERT_EQ(::chmod(unit.c_str(), 02640), 0);
  const std::string other = Dir / "proj/Snapshot.pas";
  ASSERT_EQ(::link(unit.c_str(), other.c_str()), 0);
  TRun run = Run({"source", "--table", Table, unit});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  struct stat st {};
  ASSERT_EQ(::stat(unit.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 2345u);
  EXPECT_EQ(st.st_mode & 07777, 02640u);
  EXPECT_EQ(Dir.Read("proj/Unit1.pas"), "MyForm\r\n");
  EXPECT_EQ(Dir.Read("proj/Snapshot.pas"), "Form\r\n");

  // A user who may write the file but not give it to its owner.
  fs::permissions(Dir.Path(), fs::perms::all);
  fs::permissions(Dir / "proj", fs::perms::all);
  fs::create_directories(Dir / "state");
  fs::permissions(Dir / "state", fs::perms::all);
  const std::string shared = Dir.Write("proj/Shared.pas", "Form\r\n");
  ASSERT_EQ(::chmod(shared.c_str(), 0666), 0);
  const std::string table = Dir.Write("proj/t.dat", "Form=MyForm\r\n");
  ASSERT_EQ(::chmod(table.c_str(), 0644), 0);
  TSpawn spawn{{"source", "--table", table, shared}};
  spawn.Prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  run = Spawn(spawn);
  EXPECT_EQ(run.Exit, 1) << run.Err;
  EXPECT_NE(run.Err.find("Cannot keep the owner and group of \"" + shared + "\" (0:0)"),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(Dir.Read("proj/Shared.pas"), "Form\r\n");
  EXPECT_FALSE(Dir.Exists("proj/Shared.BAK"));
  EXPECT_EQ(Leftovers("proj", ".kvtmp-"), std::vector<std::string>{});

  // A set-group bit that the system drops for a user outside the file's group (the new file takes
  // the group from its folder): the file fails with the mode it could not keep, and no other
  // reason, and stays as it was.
  fs::create_directories(Dir / "proj/group");
  ASSERT_EQ(::chmod((Dir / "proj/group").c_str(), 02777), 0);
  const std::string grouped = Dir.Write("proj/group/Grouped.pas", "Form\r\n");
  ASSERT_EQ(::chown(grouped.c_str(), 65534, 0), 0);
  ASSERT_EQ(::chmod(grouped.c_str(), 02666), 0);
  spawn.Args = {"source", "--table", table, grouped};
  run = Spawn(spawn);
  EXPECT_EQ(run.Exit, 1) << run.Err;
  EXPECT_NE(run.Err.find("Cannot keep the permissions of \"" + grouped +
                         "\" (2666); it was left as it was"),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(Dir.Read("proj/group/Grouped.pas"), "Form\r\n");
  EXPECT_EQ(Leftovers("proj", ".kvtmp-"), std::vector<std::string>{});
}

// Sanitizers reserve far more address space than the limit, and add their own memory to what is
// measured.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KV_UNDER_SANITIZER 1
#else
#define KV_UNDER_SANITIZER 0
#endif

// One file too large for the memory left fails on its own; the run goes on and ends with its
// journal's end line.
TEST_F(RealMachineTest, FileTooLargeForTheMemoryFailsAlone) {
  if (KV_UNDER_SANITIZER) GTEST_SKIP() << "a sanitizer needs more address space than the limit";
  Dir.Write("proj/a.pas", "Form\r\n");
  Dir.Write("proj/b.pas", "Form\r\n");
  const std::string huge = Dir / "proj/Huge.pas";
  {
    const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{3} << 30), 0);  // 3 GB, sparse: no disk is used
    ::close(fd);
  }
  TSpawn spawn{{"source", "--table", Table, Dir / "proj"}};
  spawn.AddressSpace = rlim_t{1} << 30;
  const TRun run = Spawn(spawn);
  EXPECT_EQ(run.Exit, 1) << run.Err;
  EXPECT_NE(run.Out.find("Failed  " + huge), std::string::npos) << run.Out;
  EXPECT_NE(run.Err.find("It is too large to be held in memory (3221225472 bytes)"),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(Dir.Read("proj/a.pas"), "MyForm\r\n");
  EXPECT_EQ(Dir.Read("proj/b.pas"), "MyForm\r\n");
  EXPECT_NE(LastJournal().find("\nend\t"), std::string::npos);
}

// --diff over many large files holds each file's texts only until its diff is printed.
TEST_F(RealMachineTest, DiffOverManyFilesRunsInBoundedMemory) {
  if (KV_UNDER_SANITIZER) GTEST_SKIP() << "a sanitizer's own memory hides what is measured";
  constexpr int Files = 48;
  constexpr std::size_t Size = 3 << 20;
  std::string text(Size, 'x');
  for (std::size_t at = 99; at < Size; at += 100) text[at] = '\n';
  text.replace(0, 4, "Form");
  for (int i = 0; i < Files; ++i) Dir.Write("proj/Unit" + std::to_string(i) + ".pas", text);
  for (const bool json : {false, true}) {
    SCOPED_TRACE(json ? "--json" : "plain");
    std::vector<std::string> args{"source", "--table", Table, "--diff", Dir / "proj"};
    if (json) args.push_back("--json");
    const TRun run = Run(args);
    EXPECT_EQ(run.Exit, 0) << run.Err;
    // Every file's old and new text kept to the end would be 2 * 48 * 3 MB = 288 MB.
    EXPECT_LT(run.MaxRssKb, 160 * 1024) << "peak memory " << run.MaxRssKb / 1024 << " MB";
    EXPECT_NE(run.Out.find("+MyForm"), std::string::npos);
  }
}

// A reader that goes away (kv3conv source ... | head -1) stops a run cleanly after the file in
// hand: no file is left half done, the journal ends, and the exit code says the output was lost.
TEST_F(RealMachineTest, ClosedPipeStopsARunCleanlyAndTheExitCodeSaysSo) {
  std::map<std::string, std::string> originals;
  const std::string body = std::string(2000, ' ') + "Form\r\n";
  for (int i = 0; i < 2000; ++i) {
    originals[Dir.Write("proj/Unit" + std::to_string(i) + ".pas", body)] = body;
  }
  TSpawn spawn{{"source", "--table", Table, Dir / "proj"}};
  spawn.Output = TOutput::PipeClosedAfterFirstLine;
  const TRun run = Spawn(spawn);
  EXPECT_EQ(run.Exit, 3) << run.Err;
  EXPECT_NE(run.Out.find("Done"), std::string::npos) << run.Out;
  EXPECT_NE(run.Err.find("kv3conv: the output could not be written: Broken pipe"),
            std::string::npos)
      << run.Err;
  int converted = 0;
  for (const auto& [path, original] : originals) {
    const std::string now = Dir.Read(path);
    if (now == original) continue;
    ++converted;
    EXPECT_EQ(now, std::string(2000, ' ') + "MyForm\r\n") << path;
    EXPECT_EQ(Dir.Read(fs::path(path).replace_extension(".BAK")), original) << path;
  }
  EXPECT_LT(converted, 2000);
  EXPECT_EQ(Leftovers("proj", ".kvtmp-"), std::vector<std::string>{});
  EXPECT_NE(LastJournal().find("\tinterrupted\n"), std::string::npos);
}

// A full disk under standard output is never an exit code 0 with cut output.
TEST_F(RealMachineTest, FullDiskUnderStandardOutputIsAnError) {
  Dir.Write("proj/a.pas", "Form\r\n");
  const std::string form = std::string(KV_EXAMPLES_DIR) + "/project/Unit2.dfm";
  const std::string report = std::string(KV_EXAMPLES_DIR) + "/reports/Sales.kvf";
  const std::vector<std::vector<std::string>> commands = {
      {"--version"},
      {"source", "--table", Table, "--dry-run", "--json", Dir / "proj"},
      {"source", "--table", Table, Dir / "proj"},
      {"dfm2txt", form},
      {"inspect", report},
  };
  for (const auto& args : commands) {
    SCOPED_TRACE(args[0] + (args.size() > 4 ? " " + args[3] : ""));
    TSpawn spawn{args};
    spawn.Output = TOutput::DevFull;
    const TRun run = Spawn(spawn);
    EXPECT_EQ(run.Exit, 3) << run.Err;
    EXPECT_NE(run.Err.find("kv3conv: the output could not be written"), std::string::npos)
        << run.Err;
  }
  // The run that wrote still converted its file and ended its journal.
  EXPECT_EQ(Dir.Read("proj/a.pas"), "MyForm\r\n");
  EXPECT_NE(LastJournal().find("\nend\t"), std::string::npos);
}

// A file name that is no UTF-8 is written in JSON so that its bytes can be recovered: a real "é"
// as it is, the Latin-1 byte E9 as the lone surrogate \uDCE9.
TEST_F(RealMachineTest, JsonKeepsFileNamesThatAreNoUtf8Recoverable) {
  Dir.Write("proj/caf\xE9.pas", "Form\r\n");
  Dir.Write("proj/caf\xC3\xA9.pas", "Form\r\n");
  const TRun run = Run({"source", "--table", Table, "--dry-run", "--json", Dir / "proj"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(run.Out.find("proj/caf\\uDCE9.pas\""), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("proj/caf\xC3\xA9.pas\""), std::string::npos) << run.Out;
}

// Every command that writes removes the temporary files that killed runs of this host left where
// it writes; those of another host, whose processes this host cannot see, stay.
TEST_F(RealMachineTest, CommandsThatWriteRemoveTemporaryFilesOfKilledRuns) {
  const std::string dead = DeadPid(), host = kv::TemporaryHost();
  fs::create_directories(Dir / "reports");
  fs::copy_file(std::string(KV_EXAMPLES_DIR) + "/reports/Sales.kvf", Dir / "reports/Sales.kvf");
  fs::create_directories(Dir / "forms");
  fs::copy_file(std::string(KV_EXAMPLES_DIR) + "/project/Unit2.dfm", Dir / "forms/Unit2.dfm");
  const struct {
    std::vector<std::string> Args;
    std::string Folder;
    std::string Leftover;
  } runs[] = {
      {{"report", Dir / "reports"}, "reports", "Sales.kv3"},
      {{"dfm2txt", Dir / "forms"}, "forms", "Unit2.txt"},
      {{"dfm2txt", Dir / "forms/Unit2.dfm", Dir / "forms/One.txt"}, "forms", "One.txt"},
  };
  for (const auto& r : runs) {
    SCOPED_TRACE(r.Args[0] + " " + r.Args[1]);
    const std::string stale = r.Folder + "/" + r.Leftover + ".kvtmp-" + host + "-" + dead + "-1";
    const std::string foreign = r.Folder + "/" + r.Leftover + ".kvtmp-otherhost-" + dead + "-2";
    Dir.Write(stale, "left by a killed run");
    Dir.Write(foreign, "another host's");
    const TRun run = Run(r.Args);
    EXPECT_LE(run.Exit, 1) << run.Err;
    EXPECT_FALSE(Dir.Exists(stale));
    EXPECT_TRUE(Dir.Exists(foreign));
    fs::remove(Dir / foreign);
  }
}

// A durable run flushes each new file before it takes its name, and the folder after, before the
// journal says the file is done; the journal is flushed then too.
TEST_F(RealMachineTest, DurableRunFlushesEachFileAndItsFolderBeforeItsDoneLine) {
  for (int i = 0; i < 150; ++i) {
    Dir.Write("proj/" + std::string(i % 2 ? "a/" : "b/") + "Unit" + std::to_string(i) + ".pas",
              "Form\r\n");
  }
  const std::string log = Dir / "sync.log";
  TSpawn spawn{{"source", "--durable", "--table", Table, Dir / "proj"}};
  spawn.Env = {
      {"LD_PRELOAD", KV_TEST_PRELOAD_PATH},
      {"KV_TEST_SYNC_LOG", log},
      {"ASAN_OPTIONS", std::string(std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "") +
                           ":verify_asan_link_order=0"}};
  const TRun run = Spawn(spawn);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  std::vector<std::string> events;
  {
    std::istringstream in(Dir.Read(log));
    for (std::string line; std::getline(in, line);) events.push_back(line);
  }
  // The journal's entries: number -> path.
  std::map<std::string, std::string> entries;
  {
    std::istringstream in(LastJournal());
    for (std::string line; std::getline(in, line);) {
      if (!line.starts_with("intent\t")) continue;
      const std::size_t a = line.find('\t', 7), b = line.find('\t', a + 1);
      entries[line.substr(7, a - 7)] = line.substr(a + 1, b - a - 1);
    }
  }
  ASSERT_EQ(entries.size(), 150u);
  const auto find = [&](std::size_t from, auto&& test) {
    for (std::size_t i = from; i < events.size(); ++i) {
      if (test(events[i])) return i;
    }
    return events.size();
  };
  for (const auto& [n, path] : entries) {
    SCOPED_TRACE(path);
    const std::size_t renamed = find(0, [&](const std::string& e) {
      return e.starts_with("rename " + path + ".kvtmp-") && e.ends_with(" " + path);
    });
    ASSERT_LT(renamed, events.size());
    const std::string temporary = events[renamed].substr(7, events[renamed].find(' ', 7) - 7);
    EXPECT_LT(find(0, [&](const std::string& e) { return e == "sync " + temporary; }), renamed);
    const std::size_t folder = find(renamed, [&](const std::string& e) {
      return e == "sync " + fs::path(path).parent_path().string();
    });
    ASSERT_LT(folder, events.size());
    const std::size_t done = find(0, [&](const std::string& e) {
      return e.starts_with("journal ") && e.find("done\t" + n + "\t") != std::string::npos;
    });
    ASSERT_LT(done, events.size());
    EXPECT_LT(folder, done);
    EXPECT_LT(done, find(done, [](const std::string& e) {
                return e.starts_with("sync ") && e.find(".journal") != std::string::npos;
              }));
  }
}

}  // namespace
