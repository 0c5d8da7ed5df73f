// The Win32 side of the platform layer where Windows differs from POSIX systems: drive letters
// and UNC names, names outside any code page, paths past MAX_PATH, files another program holds
// open, the read-only attribute, file identity from the handle, the environment in UTF-16,
// and processes that ended.
#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cctype>
#include <csignal>
#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Folder.h"
#include "platform/Module.h"
#include "platform/Path.h"
#include "platform/Process.h"

namespace kv::os {
namespace {

std::wstring W(const std::string& utf8) {
  return ToPath(utf8).native();
}

// A scratch folder in the temporary folder, removed with what the test left in it.
class TScratch {
 public:
  TScratch() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    const std::string base = ToUtf8(std::wstring(temp, length));
    for (int n = 0;; ++n) {
      Root = Join(base, "kvwin-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n));
      TError error;
      if (MakeFolder(Root, error)) break;
      if (!error.Is(TErrorKind::Exists))
        throw std::runtime_error("no scratch folder: " + error.Text);
    }
  }
  ~TScratch() { RemoveTree(Root); }
  std::string operator/(const std::string& name) const { return Join(Root, name); }
  const std::string& Path() const { return Root; }

  static void RemoveTree(const std::string& folder) {
    TFolderListing listing;
    TError error;
    std::vector<std::pair<std::string, bool>> entries;
    if (listing.Open(folder, error)) {
      std::string name;
      std::optional<TEntryKind> kind;
      while (listing.Next(name, kind, error))
        entries.emplace_back(name, kind == TEntryKind::Folder);
    }
    for (const auto& [name, isFolder] : entries) {
      if (isFolder) {
        RemoveTree(Join(folder, name));
      } else {
        Remove(Join(folder, name), error);
      }
    }
    RemoveDirectoryW(W(folder).size() >= MAX_PATH - 12 ? (L"\\\\?\\" + W(folder)).c_str()
                                                       : W(folder).c_str());
  }

 private:
  std::string Root;
};

std::string WriteFile(const std::string& path, const std::string& bytes, unsigned mode = 0666) {
  TFile file;
  TError error;
  EXPECT_TRUE(file.Open(path, TFile::TOpen::CreateNew, error, mode)) << path << ": " << error.Text;
  EXPECT_TRUE(file.WriteAll(bytes.data(), bytes.size(), error)) << error.Text;
  EXPECT_TRUE(file.Close(error)) << error.Text;
  return path;
}

std::string ReadFile(const std::string& path) {
  TFile file;
  TError error;
  EXPECT_TRUE(file.Open(path, TFile::TOpen::Read, error)) << path << ": " << error.Text;
  std::string text;
  char buffer[4096];
  for (std::int64_t n; (n = file.Read(buffer, sizeof buffer, error)) > 0;) text.append(buffer, n);
  return text;
}

std::set<std::string> Names(const std::string& folder) {
  TFolderListing listing;
  TError error;
  std::set<std::string> names;
  EXPECT_TRUE(listing.Open(folder, error)) << folder << ": " << error.Text;
  std::string name;
  std::optional<TEntryKind> kind;
  while (listing.Next(name, kind, error)) names.insert(name);
  EXPECT_FALSE(error) << error.Text;
  return names;
}

TEST(WindowsPaths, DriveLettersUncNamesAndBothSeparators) {
  struct TCase {
    const char* Path;
    bool Absolute;
    std::size_t NameStart;
  };
  const TCase cases[] = {
      {"C:\\x\\y.pas", true, 5},
      {"C:/x/y.pas", true, 5},
      {"c:\\", true, 3},
      {"C:y.pas", false, 2},
      {"\\\\srv\\share\\y", true, 12},
      {"//srv/share/y", true, 12},
      {"\\x\\y", true, 3},
      {"x\\y/z", false, 4},
      {"y.pas", false, 0},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(IsAbsolute(c.Path), c.Absolute) << c.Path;
    EXPECT_EQ(FileNameStart(c.Path), c.NameStart) << c.Path;
  }
  EXPECT_EQ(Join("C:\\x", "y"), "C:\\x\\y");
  EXPECT_EQ(Join("C:\\x\\", "y"), "C:\\x\\y");
  EXPECT_EQ(Join("C:/x/", "y"), "C:/x/y");
  EXPECT_EQ(Join("C:", "y"), "C:y");
  EXPECT_EQ(Join("\\\\srv\\share", "y"), "\\\\srv\\share\\y");
  EXPECT_EQ(Join("", "y"), "y");
}

TEST(WindowsPaths, RealPathIsAbsoluteWithADriveAndNoLongPrefix) {
  TScratch scratch;
  WriteFile(scratch / "Unit1.pas", "x");
  const std::string real = RealPath(scratch.Path() + "/./Unit1.pas");
  ASSERT_FALSE(real.empty());
  EXPECT_TRUE(IsAbsolute(real)) << real;
  EXPECT_FALSE(real.starts_with("\\\\?\\")) << real;
  EXPECT_EQ(real.substr(FileNameStart(real)), "Unit1.pas");
  EXPECT_EQ(RealPath(scratch / "missing.pas"), "");
}

// Greek and Japanese are in no single code page; the names go to the system in UTF-16 and come
// back from listings, statuses and reads as the same UTF-8.
TEST(WindowsFiles, NamesOutsideTheCodePageRoundTrip) {
  TScratch scratch;
  const std::string greek = "\xCE\xB1\xCE\xB2\xCE\xB3.pas";                    // αβγ.pas
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\\u.dfm";  // 日本語\u.dfm
  WriteFile(scratch / greek, "greek");
  TError error;
  ASSERT_TRUE(MakeFolder(scratch / "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", error)) << error.Text;
  WriteFile(scratch / japanese, "japanese");
  EXPECT_EQ(Names(scratch.Path()),
            (std::set<std::string>{greek, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"}));
  EXPECT_EQ(ReadFile(scratch / greek), "greek");
  EXPECT_EQ(ReadFile(scratch / japanese), "japanese");
  const auto entry = StatusOf(scratch / japanese);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->Kind, TEntryKind::Regular);
  EXPECT_EQ(entry->Status.Size, 8);
  // The system sees the same name.
  EXPECT_NE(GetFileAttributesW((W(scratch.Path()) + L"\\\u03B1\u03B2\u03B3.pas").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

// Past MAX_PATH (260) every call goes through the "\\?\" form: folders, files, renames, links,
// listings and statuses.
TEST(WindowsFiles, PathsLongerThanMaxPath) {
  TScratch scratch;
  std::string folder = scratch.Path();
  TError error;
  while (folder.size() < 300) {
    folder = Join(folder, std::string(40, 'd'));
    ASSERT_TRUE(MakeFolder(folder, error)) << folder.size() << ": " << error.Text;
  }
  const std::string file = Join(folder, "Unit1.pas");
  ASSERT_GT(file.size(), 300u);
  WriteFile(file, "long");
  EXPECT_EQ(ReadFile(file), "long");
  ASSERT_TRUE(Rename(file, Join(folder, "Unit2.pas"), error)) << error.Text;
  ASSERT_TRUE(Link(Join(folder, "Unit2.pas"), Join(folder, "Unit2.BAK"), error)) << error.Text;
  EXPECT_EQ(Names(folder), (std::set<std::string>{"Unit2.pas", "Unit2.BAK"}));
  const auto entry = StatusOf(Join(folder, "Unit2.BAK"));
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->Status.Size, 4);
  EXPECT_TRUE(FolderWritable(folder));
  const std::string real = RealPath(Join(folder, "Unit2.pas"));
  EXPECT_TRUE(real.ends_with("Unit2.pas")) << real.size() << " " << real;
  EXPECT_FALSE(real.starts_with("\\\\?\\")) << real;
  EXPECT_TRUE(Remove(Join(folder, "Unit2.BAK"), error)) << error.Text;
}

// A file another program holds open without sharing is in use, in the system's words; the
// program's own handles share everything, so they never keep others out.
TEST(WindowsFiles, SharingViolationIsInUseAndOwnHandlesShareEverything) {
  TScratch scratch;
  const std::string path = WriteFile(scratch / "Unit1.pas", "held");
  {
    HANDLE held = CreateFileW(W(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TFile file;
    TError error;
    EXPECT_FALSE(file.Open(path, TFile::TOpen::Read, error));
    EXPECT_EQ(error.Kind, TErrorKind::InUse);
    EXPECT_EQ(error.Code, ERROR_SHARING_VIOLATION);
    // The system's words ("...being used by another process" on Windows, Wine has its own).
    EXPECT_FALSE(error.Text.empty());
    EXPECT_FALSE(error.Text.ends_with(".")) << error.Text;
    // Its status is still known: only its attributes are asked for.
    EXPECT_TRUE(StatusOf(path));
    CloseHandle(held);
  }
  TFile mine;
  TError error;
  ASSERT_TRUE(mine.Open(path, TFile::TOpen::Read, error)) << error.Text;
  HANDLE other = CreateFileW(W(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(other, INVALID_HANDLE_VALUE);
  CloseHandle(other);
  EXPECT_TRUE(Rename(path, scratch / "Unit2.pas", error)) << error.Text;
}

TEST(WindowsFiles, IdentityComesFromTheHandleAndLinksShareIt) {
  TScratch scratch;
  const std::string a = WriteFile(scratch / "a.pas", "a");
  const std::string b = WriteFile(scratch / "b.pas", "b");
  TError error;
  ASSERT_TRUE(Link(a, scratch / "a.BAK", error)) << error.Text;
  const auto sa = StatusOf(a), sb = StatusOf(b), link = StatusOf(scratch / "a.BAK");
  ASSERT_TRUE(sa && sb && link);
  EXPECT_NE(sa->Status.Inode, 0u);
  EXPECT_EQ(sa->Status.Device, sb->Status.Device);
  EXPECT_NE(sa->Status.Inode, sb->Status.Inode);
  EXPECT_EQ(sa->Status.Inode, link->Status.Inode);
  // Modification time in nanoseconds since the Unix epoch.
  const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  EXPECT_LT(std::abs(now - sa->Status.ModifiedNs), 120'000'000'000LL);
  // An open handle tells the same.
  TFile file;
  ASSERT_TRUE(file.Open(a, TFile::TOpen::ReadRegular, error)) << error.Text;
  TEntry entry;
  ASSERT_TRUE(file.Status(entry, error)) << error.Text;
  EXPECT_EQ(entry.Status.Inode, sa->Status.Inode);
  EXPECT_EQ(entry.Kind, TEntryKind::Regular);
}

TEST(WindowsFiles, NamesTakenAndMissingAreToldApart) {
  TScratch scratch;
  const std::string a = WriteFile(scratch / "a.pas", "a");
  const std::string b = WriteFile(scratch / "b.pas", "b");
  TError error;
  EXPECT_FALSE(Link(a, b, error));
  EXPECT_EQ(error.Kind, TErrorKind::Exists);
  EXPECT_FALSE(RenameWithoutReplacing(a, b, error));
  EXPECT_EQ(error.Kind, TErrorKind::Exists);
  EXPECT_EQ(ReadFile(b), "b");
  TFile file;
  EXPECT_FALSE(file.Open(b, TFile::TOpen::CreateNew, error));
  EXPECT_EQ(error.Kind, TErrorKind::Exists);
  EXPECT_FALSE(MakeFolder(scratch.Path(), error));
  EXPECT_EQ(error.Kind, TErrorKind::Exists);
  EXPECT_FALSE(StatusOf(scratch / "missing.pas", TFollow::No, &error));
  EXPECT_EQ(error.Kind, TErrorKind::NotFound);
  EXPECT_FALSE(file.Open(scratch / "missing\\x.pas", TFile::TOpen::Read, error));
  EXPECT_EQ(error.Kind, TErrorKind::NotFound);
  TFolderListing listing;
  EXPECT_FALSE(listing.Open(a, error));
  EXPECT_EQ(error.Kind, TErrorKind::NotFolder);
  // Rename replaces; the replaced name holds the moved file.
  ASSERT_TRUE(Rename(a, b, error)) << error.Text;
  EXPECT_EQ(ReadFile(b), "a");
  EXPECT_FALSE(StatusOf(a));
  // A folder opened for reading reads as a folder.
  ASSERT_TRUE(file.Open(scratch.Path(), TFile::TOpen::Read, error)) << error.Text;
  char c;
  EXPECT_EQ(file.Read(&c, 1, error), -1);
  EXPECT_EQ(error.Kind, TErrorKind::IsFolder);
}

// Only the write bits count: without them the file is read-only, and it can still be removed,
// as on POSIX systems.
TEST(WindowsFiles, PermissionsFollowTheReadOnlyAttribute) {
  TScratch scratch;
  const std::string path = WriteFile(scratch / "ro.pas", "ro", 0444);
  auto entry = StatusOf(path);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->Status.Permissions, 0444u);
  EXPECT_EQ(entry->Status.Owner, 0u);
  TFile file;
  TError error;
  ASSERT_TRUE(file.Open(path, TFile::TOpen::Read, error)) << error.Text;
  EXPECT_EQ(ReadFile(path), "ro");
  file.Close(error);
  const std::string rw = WriteFile(scratch / "rw.pas", "rw", 0644);
  ASSERT_TRUE(file.Open(rw, TFile::TOpen::Append, error)) << error.Text;
  EXPECT_TRUE(file.SetOwner(0, 0, error));
  EXPECT_TRUE(file.SetPermissions(0444, error)) << error.Text;
  EXPECT_TRUE(file.Close(error));
  EXPECT_EQ(StatusOf(rw)->Status.Permissions, 0444u);
  EXPECT_TRUE(Remove(path, error)) << error.Text;
  EXPECT_FALSE(StatusOf(path));
}

TEST(WindowsFiles, AppendWritesAtTheEndAndFlushes) {
  TScratch scratch;
  const std::string path = WriteFile(scratch / "journal.txt", "one\n");
  TFile file;
  TError error;
  ASSERT_TRUE(file.Open(path, TFile::TOpen::Append, error)) << error.Text;
  ASSERT_TRUE(file.WriteAll("two\n", 4, error)) << error.Text;
  EXPECT_TRUE(file.Sync(error)) << error.Text;
  ASSERT_TRUE(file.WriteAll("three\n", 6, error)) << error.Text;
  EXPECT_TRUE(file.Close(error));
  EXPECT_EQ(ReadFile(path), "one\ntwo\nthree\n");
  EXPECT_TRUE(SyncFolder(scratch.Path()));
}

TEST(WindowsProcess, EnvironmentAndUserFoldersInUtf16) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"KV_TEST_VALUE", L"\u03B1\u65E5"));
  EXPECT_EQ(Environment("KV_TEST_VALUE"), "\xCE\xB1\xE6\x97\xA5");
  ASSERT_TRUE(SetEnvironmentVariableW(L"KV_TEST_VALUE", L""));
  EXPECT_EQ(Environment("KV_TEST_VALUE"), "");
  ASSERT_TRUE(SetEnvironmentVariableW(L"KV_TEST_VALUE", nullptr));
  EXPECT_EQ(Environment("KV_TEST_VALUE"), std::nullopt);

  const std::optional<std::string> local = Environment("LOCALAPPDATA");
  const std::optional<std::string> profile = Environment("USERPROFILE");
  ASSERT_TRUE(local && profile);
  SetEnvironmentVariableW(L"LOCALAPPDATA", L"C:\\State\\");
  SetEnvironmentVariableW(L"APPDATA", L"relative");
  EXPECT_EQ(StateHome(), "C:\\State");
  EXPECT_EQ(ConfigHome(), *profile + "\\AppData\\Roaming");
  SetEnvironmentVariableW(L"LOCALAPPDATA", W(*local).c_str());
  EXPECT_EQ(StateHome(), *local);
}

// Programs installed under Program Files or the Windows folder keep no settings beside
// themselves, however the folder is written; a folder that only starts alike is no such folder.
TEST(WindowsProcess, SystemProgramFolders) {
  const std::optional<std::string> programs = Environment("ProgramFiles");
  const std::optional<std::string> windows = Environment("SystemRoot");
  ASSERT_TRUE(programs && windows);
  std::string lower = *programs + "/kv3conv/";
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_TRUE(IsSystemProgramFolder(*programs));
  EXPECT_TRUE(IsSystemProgramFolder(lower));
  EXPECT_TRUE(IsSystemProgramFolder(*windows + "\\System32"));
  EXPECT_FALSE(IsSystemProgramFolder(*programs + "-portable\\kv3conv"));
  EXPECT_FALSE(IsSystemProgramFolder("D:\\Tools\\kv3conv"));
}

// Ctrl+C in the console reaches the stop request as SIGINT does on Linux, and the process goes
// on. The test gets a console of its own (Wine runs it without one) and sends the event to it.
std::atomic<int> StopReason{0};

TEST(WindowsProcess, CtrlCInTheConsoleIsAStopRequest) {
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  ASSERT_TRUE(OnStopRequest([](int reason) { StopReason.store(reason); }));
  ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
  // The console calls the handler on a thread of its own.
  for (int waited = 0; waited < 10000 && StopReason.load() == 0; waited += 10) ::Sleep(10);
  EXPECT_EQ(StopReason.load(), SIGINT);
  FreeConsole();
}

// A process that ended is not running, even one whose exit code is STILL_ACTIVE (259).
TEST(WindowsProcess, EndedProcessesDoNotRun) {
  EXPECT_TRUE(ProcessRuns(CurrentProcessId()));
  EXPECT_FALSE(ProcessRuns(0));
  for (const wchar_t* command : {L"cmd.exe /c exit 3", L"cmd.exe /c exit 259"}) {
    std::wstring line = command;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    // Our handle keeps the id from being taken again while the test asks.
    EXPECT_FALSE(ProcessRuns(static_cast<long>(process.dwProcessId))) << command;
    CloseHandle(process.hProcess);
  }
  EXPECT_FALSE(HostName().empty());
  // The calendar time of a moment, in the time zone Windows is set to; nothing for one before
  // the epoch, which Windows cannot tell.
  EXPECT_EQ(LocalTime(86400 * 365).tm_year + 1900, 1971);
  EXPECT_EQ(LocalTime(-1).tm_year, 0);
  const std::string self = ExecutablePath();
  EXPECT_TRUE(IsAbsolute(self)) << self;
  EXPECT_TRUE(self.ends_with(".exe")) << self;
}

TEST(WindowsModules, FunctionsOfADllAndWhyOneIsMissing) {
  std::string problem;
  EXPECT_NE(LoadModuleFunction("kernel32.dll", "GetCurrentProcessId", problem), nullptr);
  EXPECT_EQ(LoadModuleFunction("kernel32.dll", "NoSuchFunction", problem), nullptr);
  EXPECT_NE(problem.find("NoSuchFunction"), std::string::npos) << problem;
  EXPECT_EQ(LoadModuleFunction("C:\\missing\\kv3conv-qttext.dll", "Measure", problem), nullptr);
  EXPECT_TRUE(problem.starts_with("C:\\missing\\kv3conv-qttext.dll: ")) << problem;
}

}  // namespace
}  // namespace kv::os

#endif  // _WIN32
