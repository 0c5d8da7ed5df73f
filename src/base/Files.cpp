// Whole-file reading and crash-safe file replacement, on the files of the platform layer.
#include "base/Files.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <new>
#include <set>
#include <stdexcept>

#include "base/Errors.h"
#include "platform/Folder.h"
#include "platform/Path.h"
#include "platform/Process.h"

namespace kv {

namespace {

[[noreturn]] void ThrowOpen(const std::string& path, const std::string& reason) {
  throw EFileError("Cannot open file \"" + path + "\". " + reason);
}

[[noreturn]] void ThrowCreate(const std::string& path, const os::TError& error) {
  throw EFileError("Cannot create file \"" + path + "\". " + error.Text);
}

[[noreturn]] void ThrowWrite(const std::string& path, const os::TError& error) {
  throw EFileError("Cannot write file \"" + path + "\". " + error.Text);
}

// The words of the error of a file that is no longer the one that was read.
constexpr const char* ChangedDuringRun = "changed during the run; left as it is";

// Closes a file on every path, also when the close cannot say that it failed.
void Drop(os::TFile& file) {
  os::TError ignored;
  file.Close(ignored);
}

// What an entry that is not a regular file is, for the error that refuses it.
std::string KindOf(os::TEntryKind kind) {
  switch (kind) {
    case os::TEntryKind::Link:
      return "a symbolic link, and a link is never replaced (name the file it leads to)";
    case os::TEntryKind::Folder:
      return "a folder";
    case os::TEntryKind::Pipe:
      return "a pipe (FIFO), not a regular file";
    case os::TEntryKind::Socket:
      return "a socket, not a regular file";
    case os::TEntryKind::Device:
      return "a device, not a regular file";
    default:
      return "not a regular file";
  }
}

// The host part of temporary file names: the host name with anything but letters, digits, "."
// and "_" made "_", at most 32 bytes.
std::string SanitizedHostName() {
  const std::string name = os::HostName();
  if (name.empty()) return "host";
  std::string host;
  for (const char c : name) {
    if (host.size() >= 32) break;
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_';
    host += keep ? c : '_';
  }
  return host;
}

// Creates a new file beside path with a unique name and the given permission bits (the creation
// mask may strip some); returns it open and its name.
os::TFile CreateTemporaryBeside(const std::string& path, std::string& tempPath,
                                unsigned permissions) {
  static std::atomic<unsigned> counter{0};
  static const std::string owner = TemporaryHost() + "-" + std::to_string(os::CurrentProcessId());
  const auto stamp =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  os::TError error = os::ErrorOfKind(os::TErrorKind::Exists);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = path + ".kvtmp-" + owner + "-" + std::to_string((stamp + counter++) % 1000000007ULL);
    os::TFile file;
    if (file.Open(tempPath, os::TFile::TOpen::CreateNew, error, permissions)) return file;
    if (!error.Is(os::TErrorKind::Exists)) ThrowCreate(path, error);
  }
  ThrowCreate(path, error);
}

void WriteAll(os::TFile& file, const char* data, std::size_t size, const std::string& path) {
  os::TError error;
  if (!file.WriteAll(data, size, error)) ThrowWrite(path, error);
}

// Gives the new file the owner, group and permission bits of the file it replaces. The owner
// goes first, since changing it clears the set-user and set-group bits. Every step is checked: a
// file that cannot be given them is not replaced.
void KeepOwnerAndMode(os::TFile& file, const TFileStatus& original, const std::string& path) {
  os::TError error;
  os::TEntry now;
  if (!file.Status(now, error)) ThrowWrite(path, error);
  bool chowned = false;
  if (now.Status.Owner != original.Owner || now.Status.Group != original.Group) {
    const std::uint32_t owner =
        now.Status.Owner != original.Owner ? original.Owner : os::TFile::UnchangedId;
    const std::uint32_t group =
        now.Status.Group != original.Group ? original.Group : os::TFile::UnchangedId;
    if (!file.SetOwner(owner, group, error)) {
      throw EFileError("Cannot keep the owner and group of \"" + path + "\" (" +
                       std::to_string(original.Owner) + ":" + std::to_string(original.Group) +
                       "). " + error.Text + "; it was left as it was");
    }
    chowned = true;
  }
  const unsigned mode = original.Permissions;
  if (!chowned && now.Status.Permissions == mode) return;
  // Setting the mode may drop the set-group bit silently (a group the process is not in): the
  // mode is read back.
  if (!file.SetPermissions(mode, error) || !file.Status(now, error) ||
      now.Status.Permissions != mode) {
    char octal[16];
    std::snprintf(octal, sizeof octal, "%04o", original.Permissions);
    throw EFileError("Cannot keep the permissions of \"" + path + "\" (" + octal + ")" +
                     (error ? ". " + error.Text : std::string()) + "; it was left as it was");
  }
}

}  // namespace

bool SameFileVersion(const TFileStatus& a, const TFileStatus& b) {
  return a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size &&
         a.ModifiedNs == b.ModifiedNs;
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  ReadFileInto(path, bytes);
  return bytes;
}

void ReadFileInto(const std::string& path, std::string& bytes, TFileStatus* status,
                  TFileKinds kinds) {
  // The buffer's old bytes are read over, not cleared first, so that only a buffer that grows
  // gets zero-filled by resize; a failure leaves it empty.
  const auto fail = [&](const std::string& reason) {
    bytes.clear();
    ThrowOpen(path, reason);
  };
  // Only a regular file of that name: the open follows no link and never waits (a pipe would wait
  // for a writer), and what it opened is looked at before anything is read. Folder scans pass over
  // devices, so only one named by the user is ever opened here.
  const bool regularOnly = kinds == TFileKinds::RegularOnly;
  os::TFile file;
  os::TError error;
  if (!file.Open(path, regularOnly ? os::TFile::TOpen::ReadRegular : os::TFile::TOpen::Read,
                 error)) {
    if (regularOnly && error.Is(os::TErrorKind::IsLink)) {
      fail("It is " + KindOf(os::TEntryKind::Link));
    }
    fail(error.Text);
  }
  os::TEntry entry;
  if (!file.Status(entry, error)) fail(error.Text);
  if (entry.Kind == os::TEntryKind::Folder) fail(os::ErrorOfKind(os::TErrorKind::IsFolder).Text);
  const bool regular = entry.Kind == os::TEntryKind::Regular;
  if (regularOnly && !regular) fail("It is " + KindOf(entry.Kind));
  if (status) *status = entry.Status;
  const std::int64_t size = entry.Status.Size;
  // Read straight into the buffer; the size is a hint only, the file may change while it is read.
  std::size_t filled = 0;
  try {
    bytes.resize(size > 0 ? static_cast<std::size_t>(size) + 1 : 4096);
    for (;;) {
      if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
      const std::int64_t n = file.Read(bytes.data() + filled, bytes.size() - filled, error);
      if (n == 0) break;
      if (n < 0) {
        bytes.clear();
        throw EFileError("Cannot read file \"" + path + "\". " + error.Text);
      }
      filled += static_cast<std::size_t>(n);
      // A regular file reads short only at its end, so a read that did not fill the buffer
      // (which is one byte larger than the file) has seen the end.
      if (regular && filled < bytes.size()) break;
    }
  } catch (const std::bad_alloc&) {
    std::string().swap(bytes);
    throw EFileError("Cannot read file \"" + path + "\". It is too large to be held in memory (" +
                     std::to_string(static_cast<long long>(size)) + " bytes)");
  } catch (const std::length_error&) {
    std::string().swap(bytes);
    throw EFileError("Cannot read file \"" + path + "\". It is too large to be held in memory (" +
                     std::to_string(static_cast<long long>(size)) + " bytes)");
  }
  bytes.resize(filled);
}

std::optional<TFileStatus> EntryStatus(const std::string& path, bool* isRegular) {
  const std::optional<os::TEntry> entry = os::StatusOf(path);
  if (!entry) return std::nullopt;
  if (isRegular) *isRegular = entry->Kind == os::TEntryKind::Regular;
  return entry->Status;
}

namespace {

// Position of the extension's "." in path, or npos when the file name has none.
std::size_t ExtensionDot(const std::string& path) {
  const std::size_t nameStart = os::FileNameStart(path);
  const std::size_t dot = path.rfind('.');
  return dot != std::string::npos && dot >= nameStart ? dot : std::string::npos;
}

}  // namespace

std::string ExtractFileName(const std::string& path) {
  return path.substr(os::FileNameStart(path));
}

std::string ExtractFileExt(const std::string& path) {
  const std::size_t dot = ExtensionDot(path);
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
  return path.substr(0, ExtensionDot(path)) + extension;
}

std::string FolderOf(const std::string& path) {
  const std::size_t nameStart = os::FileNameStart(path);
  if (nameStart == 0) return {};
  // A name after a drive without a separator ("C:x" on Windows): the folder is the drive's.
  if (!os::IsSeparator(path[nameStart - 1])) return path.substr(0, nameStart);
  // The separator before the name goes, unless the folder is a root ("/", "C:\"), which it
  // belongs to.
  const std::string_view withSeparator(path.data(), nameStart);
  const std::string_view folder = withSeparator.substr(0, nameStart - 1);
  if (folder.empty() || (!os::IsAbsolute(folder) && os::IsAbsolute(withSeparator))) {
    return std::string(withSeparator);
  }
  return std::string(folder);
}

bool FileExists(const std::string& path) {
  return os::StatusOf(path).has_value();
}

bool SyncFolder(const std::string& folder) {
  return os::SyncFolder(folder);
}

TFileReplacement::TFileReplacement(const std::string& path, const std::string& bytes,
                                   TDiskSync sync, const TFileStatus* original)
    : Path(path) {
  // A new file takes the owner, group and permissions of the one it replaces.
  std::optional<TFileStatus> replaced;
  bool nothingThere = false;
  if (original) {
    Original = *original;
    replaced = *original;
  } else {
    os::TError error;
    if (const auto entry = os::StatusOf(path, os::TFollow::Yes, &error)) {
      replaced = entry->Status;
    } else {
      // Only a name that is surely free (or a link to nothing) has no old content to lose.
      nothingThere = error.Is(os::TErrorKind::NotFound);
    }
  }
  SyncToDisk = sync == TDiskSync::Always || (sync == TDiskSync::WhenReplacing && !nothingThere);
  const unsigned mode = replaced ? replaced->Permissions : 0666;
  os::TFile file = CreateTemporaryBeside(path, TempPath, mode);
  try {
    if (replaced) KeepOwnerAndMode(file, *replaced, path);
    WriteAll(file, bytes.data(), bytes.size(), path);
    os::TError error;
    if ((SyncToDisk && !file.Sync(error)) || !file.Close(error)) ThrowWrite(path, error);
  } catch (...) {
    Drop(file);
    os::TError ignored;
    os::Remove(TempPath, ignored);
    TempPath.clear();
    throw;
  }
}

TFileReplacement::~TFileReplacement() {
  os::TError ignored;
  if (!TempPath.empty()) os::Remove(TempPath, ignored);
}

void TFileReplacement::CheckUnchanged(const std::optional<TFileStatus>& now) const {
  if (Original && (!now || !SameFileVersion(*now, *Original))) throw EFileError(ChangedDuringRun);
}

void TFileReplacement::Commit() {
  if (Original) CheckUnchanged(EntryStatus(Path));
  os::TError error;
  if (!os::Rename(TempPath, Path, error)) ThrowWrite(Path, error);
  TempPath.clear();
}

std::string TFileReplacement::CopyOldFile() const {
  os::TFile in;
  os::TError error;
  if (!in.Open(Path, os::TFile::TOpen::ReadRegular, error)) {
    if (error.Is(os::TErrorKind::NotFound) || error.Is(os::TErrorKind::IsLink)) {
      throw EFileError(ChangedDuringRun);
    }
    throw EFileError("Cannot read file \"" + Path + "\". " + error.Text);
  }
  os::TEntry entry;
  if (!in.Status(entry, error)) {
    throw EFileError("Cannot read file \"" + Path + "\". " + error.Text);
  }
  const TFileStatus status = entry.Status;
  CheckUnchanged(status);
  std::string copyPath;
  os::TFile out = CreateTemporaryBeside(Path, copyPath, status.Permissions);
  try {
    KeepOwnerAndMode(out, status, Path);
    char buffer[1 << 16];
    for (;;) {
      const std::int64_t n = in.Read(buffer, sizeof buffer, error);
      if (n == 0) break;
      if (n < 0) throw EFileError("Cannot read file \"" + Path + "\". " + error.Text);
      WriteAll(out, buffer, static_cast<std::size_t>(n), copyPath);
    }
    if ((SyncToDisk && !out.Sync(error)) || !out.Close(error)) ThrowWrite(copyPath, error);
  } catch (...) {
    Drop(out);
    os::TError ignored;
    os::Remove(copyPath, ignored);
    throw;
  }
  return copyPath;
}

namespace {

// Writes bytes as a new file at path: through a temporary file beside it, which takes the name
// only while nothing is there. Returns false, with nothing changed, when something is at path.
// The content is not flushed to the disk first: a new file has no old content to lose.
bool WriteNewFile(const std::string& path, const std::string& bytes) {
  std::string tempPath;
  os::TFile file = CreateTemporaryBeside(path, tempPath, 0666);
  os::TError error;
  try {
    WriteAll(file, bytes.data(), bytes.size(), path);
    if (!file.Close(error)) ThrowWrite(path, error);
  } catch (...) {
    Drop(file);
    os::Remove(tempPath, error);
    throw;
  }
  if (os::RenameWithoutReplacing(tempPath, path, error)) return true;
  os::TError ignored;
  os::Remove(tempPath, ignored);
  if (error.Is(os::TErrorKind::Exists)) return false;
  ThrowWrite(path, error);
}

// Upper bound on the backup names tried for one file.
constexpr unsigned MaxBackupNames = 10000;

}  // namespace

std::string TFileReplacement::CommitWithFreshBackup(
    const std::function<std::string(unsigned)>& backupName, const TBackupNote& note) {
  std::string backupPath;
  TBackupKind kind = TBackupKind::Linked;
  std::string copyPath;  // without hard links: a complete copy of the old file, not yet named
  const auto dropCopy = [&] {
    os::TError ignored;
    if (!copyPath.empty()) os::Remove(copyPath, ignored);
    copyPath.clear();
  };
  os::TError error;
  try {
    for (unsigned n = 0; n < MaxBackupNames && backupPath.empty(); ++n) {
      std::string candidate = backupName(n);
      if (copyPath.empty()) {
        // One call claims the name and keeps the old file there: a link never replaces an entry.
        if (os::Link(Path, candidate, error)) {
          backupPath = std::move(candidate);
          break;
        }
        if (error.Is(os::TErrorKind::Exists)) continue;
        if (error.Is(os::TErrorKind::NotFound) && !FileExists(Path)) {
          throw EFileError(ChangedDuringRun);
        }
        if (!error.Is(os::TErrorKind::LinksUnsupported)) {
          throw EFileError("Cannot create backup file \"" + candidate + "\". " + error.Text);
        }
        // Without hard links the old file stays in place while a copy of it is made; the copy
        // then takes the backup name. So the file is never missing, and the backup is whole
        // whenever it has its name.
        copyPath = CopyOldFile();
      }
      if (note) note(candidate, TBackupKind::Copied);
      if (os::RenameWithoutReplacing(copyPath, candidate, error)) {
        backupPath = std::move(candidate);
        kind = TBackupKind::Copied;
        copyPath.clear();
        break;
      }
      if (error.Is(os::TErrorKind::Exists)) continue;
      throw EFileError("Cannot create backup file \"" + candidate + "\". " + error.Text);
    }
  } catch (...) {
    dropCopy();
    throw;
  }
  dropCopy();
  if (backupPath.empty()) {
    throw EFileError("Cannot create a backup of \"" + Path + "\": every backup name is taken");
  }
  // The old file stays under its own name (it was never moved), and the claimed name is freed.
  const auto release = [&] {
    os::TError ignored;
    os::Remove(backupPath, ignored);
  };
  try {
    if (note && kind == TBackupKind::Linked) note(backupPath, kind);
    // A link of the old file shows it as it is now, also when it was replaced by another file
    // before the link was made; a copy was checked as it was read, so the file itself is looked
    // at once more.
    CheckUnchanged(EntryStatus(kind == TBackupKind::Linked ? backupPath : Path));
  } catch (...) {
    release();
    throw;
  }
  if (!os::Rename(TempPath, Path, error)) {
    release();
    ThrowWrite(Path, error);
  }
  TempPath.clear();
  return backupPath;
}

const std::string& TemporaryHost() {
  static const std::string host = SanitizedHostName();
  return host;
}

TTemporaryOwner TemporaryOwner(const std::string& fileName) {
  // "<name>.kvtmp-<host>-<pid>-<number>", with a non-empty name and host and digits in the last
  // two fields.
  static const std::string marker = ".kvtmp-";
  const std::size_t at = fileName.rfind(marker);
  if (at == std::string::npos || at == 0) return {};
  const std::size_t hostStart = at + marker.size();
  const std::size_t lastDash = fileName.rfind('-');
  if (lastDash == std::string::npos || lastDash < hostStart || lastDash + 1 == fileName.size()) {
    return {};
  }
  const std::size_t pidDash = fileName.rfind('-', lastDash - 1);
  if (pidDash == std::string::npos || pidDash <= hostStart || lastDash - pidDash - 1 == 0 ||
      lastDash - pidDash - 1 > 9) {
    return {};
  }
  for (std::size_t i = pidDash + 1; i < fileName.size(); ++i) {
    if (i != lastDash && (fileName[i] < '0' || fileName[i] > '9')) return {};
  }
  TTemporaryOwner owner;
  owner.Host = fileName.substr(hostStart, pidDash - hostStart);
  owner.Pid = std::stol(fileName.substr(pidDash + 1, lastDash - pidDash - 1));
  return owner;
}

std::vector<std::string> RemoveStaleTemporaries(const std::string& folder,
                                                std::optional<long> pid) {
  std::vector<std::string> removed;
  os::TFolderListing listing;
  os::TError error;
  if (!listing.Open(folder.empty() ? "." : folder, error)) return removed;
  const long self = os::CurrentProcessId();
  std::string name;
  std::optional<os::TEntryKind> kind;
  while (listing.Next(name, kind, error)) {
    if (name.find(".kvtmp-") == std::string::npos) continue;
    const TTemporaryOwner owner = TemporaryOwner(name);
    // Only this host can tell whether the writer still runs; a process that still runs (or that
    // this one may not signal) may be writing it.
    if (owner.Pid <= 0 || owner.Pid == self || owner.Host != TemporaryHost()) continue;
    if (pid && owner.Pid != *pid) continue;
    if (os::ProcessRuns(owner.Pid)) continue;
    const std::string path = os::Join(folder, name);
    const std::optional<os::TEntry> entry = os::StatusOf(path);
    if (!entry || entry->Kind != os::TEntryKind::Regular) continue;
    if (os::Remove(path, error)) removed.push_back(path);
  }
  return removed;
}

std::vector<std::string> RemoveStaleTemporariesBeside(const std::vector<std::string>& paths) {
  std::set<std::string> folders;
  for (const auto& path : paths) folders.insert(FolderOf(path));
  std::vector<std::string> removed;
  for (const auto& folder : folders) {
    for (auto& path : RemoveStaleTemporaries(folder)) removed.push_back(std::move(path));
  }
  return removed;
}

void WriteFileSafely(const std::string& path, const std::string& bytes, bool syncToDisk) {
  TFileReplacement(path, bytes, syncToDisk).Commit();
}

void WriteFileSafely(const std::string& path, const std::string& bytes, TDiskSync sync) {
  // Most files written this way are new: they are written without first asking what is there.
  if (sync == TDiskSync::WhenReplacing && WriteNewFile(path, bytes)) return;
  TFileReplacement(path, bytes, sync).Commit();
}

}  // namespace kv
