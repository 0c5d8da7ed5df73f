// Writing, reading and undoing the journal of a source run.
#include "migrate/Journal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <set>
#include <string_view>

#include "base/Errors.h"
#include "base/Files.h"
#include "base/Hash.h"
#include "migrate/ReplaceEngine.h"
#include "platform/Folder.h"
#include "platform/Path.h"
#include "platform/Process.h"

namespace kv {

namespace {

constexpr const char* Magic = "kv3conv-journal";
constexpr const char* Extension = ".journal";

}  // namespace

// The time now in UTC; compact for file names (20261210T181810.123456Z), else
// 2026-12-10T18:18:10.123456Z. A run notes many files a second: the date and time of the last
// second are kept in clock and formatted again only when the second changes.
std::string TRunJournal::TClockText::Now(bool compact) {
  using namespace std::chrono;
  const auto now = time_point_cast<microseconds>(system_clock::now());
  const auto second = floor<seconds>(now);
  const long long secondCount = second.time_since_epoch().count();
  if (secondCount != Second || compact != Compact) {
    // The calendar date and the time of day in UTC, which the system clock counts in.
    const auto day = floor<days>(second);
    const year_month_day date(day);
    const hh_mm_ss time(second - day);
    char text[40];
    std::snprintf(text, sizeof text,
                  compact ? "%04d%02u%02uT%02d%02d%02lld" : "%04d-%02u-%02uT%02d:%02d:%02lld",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()));
    Text = text;
    Second = secondCount;
    Compact = compact;
  }
  char micro[32];
  std::snprintf(micro, sizeof micro, ".%06lldZ", static_cast<long long>((now - second).count()));
  return Text + micro;
}

namespace {

std::string TimeNow(bool compact) {
  return TRunJournal::TClockText().Now(compact);
}

std::string Escape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (const char c : field) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    const char c = field[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return fields;
}

// Creates folder and the folders above it that are missing, readable by the user alone.
void MakeFolders(const std::string& folder) {
  // The root ("/", "C:\") is there already; the folders below it are made one after another.
  const std::size_t root = os::ToUtf8(os::ToPath(folder).root_path()).size();
  for (std::size_t at = std::max<std::size_t>(root, 1); at <= folder.size(); ++at) {
    if (at != folder.size() && !os::IsSeparator(folder[at])) continue;
    const std::string part = folder.substr(0, at);
    os::TError error;
    if (!os::MakeFolder(part, error, 0700) && !error.Is(os::TErrorKind::Exists)) {
      throw EFileError("Cannot create the journal folder \"" + part + "\". " + error.Text);
    }
  }
}

// A path as written to the journal: absolute and escaped.
void AppendPath(std::string& line, const std::string& workingFolder, const std::string& path) {
  line += Escape(os::IsAbsolute(path) ? path : os::Join(workingFolder, path));
}

bool ParseCount(std::string_view text, std::size_t& value) {
  if (text.empty() || text.size() > 18) return false;
  std::size_t v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<std::size_t>(c - '0');
  }
  value = v;
  return true;
}

}  // namespace

std::string JournalFolder() {
  return os::Join(os::Join(os::StateHome(), "kv3conv"), "journals");
}

std::string LastJournal(const std::string& folder) {
  std::string newest;
  os::TFolderListing listing;
  os::TError error;
  if (!listing.Open(folder, error)) return {};
  const std::string extension = Extension;
  std::string name;
  std::optional<os::TEntryKind> kind;
  while (listing.Next(name, kind, error)) {
    if (name.size() <= extension.size() ||
        name.compare(name.size() - extension.size(), extension.size(), extension) != 0) {
      continue;
    }
    if (name > newest) newest = name;
  }
  return newest.empty() ? std::string() : os::Join(folder, newest);
}

TRunJournal::TRunJournal(std::string tablePath, std::string folder)
    : Table(std::move(tablePath)), Folder(std::move(folder)) {}

TRunJournal::~TRunJournal() {
  if (!File.IsOpen()) return;
  if (!PendingDone.empty()) {
    try {
      Append({});
    } catch (...) {
    }
  }
  os::TError ignored;
  File.Close(ignored);
}

void TRunJournal::Open() {
  MakeFolders(Folder);
  WorkingFolder = os::CurrentFolder();
  const std::string pid = std::to_string(os::CurrentProcessId());
  std::string absoluteTable = Table;
  if (!absoluteTable.empty() && !os::IsAbsolute(absoluteTable)) {
    absoluteTable = os::Join(WorkingFolder, absoluteTable);
  }
  const auto fail = [&](const os::TError& error) {
    FilePath.clear();
    throw EFileError("Cannot create the journal in \"" + Folder + "\". " + error.Text);
  };
  // The journal appears under its name with its first lines in it: they are written to a file
  // of another name first, which is then linked to the journal's name. A run killed meanwhile
  // leaves no journal that undo would take for the last run and fail to read, only that file,
  // which is named like a temporary file of this process, so that the next run removes it.
  RemoveStaleTemporaries(Folder);
  std::string header = std::string(Magic) + "\t1\n" + "start\t" + TimeNow(false) + "\t" + pid +
                       "\t" + Escape(WorkingFolder) + "\t" + Escape(absoluteTable) + "\t" +
                       Escape(TemporaryHost()) + "\n";
  for (const std::string& folder : RunFolders) {
    header += "folder\t";
    AppendPath(header, WorkingFolder, folder);
    header += "\n";
  }
  os::TError error = os::ErrorOfKind(os::TErrorKind::Exists);
  for (int attempt = 0; attempt < 100 && !File.IsOpen(); ++attempt) {
    FilePath = os::Join(Folder, TimeNow(true) + "-" + pid + Extension);
    const std::string partial =
        FilePath + ".kvtmp-" + TemporaryHost() + "-" + pid + "-" + std::to_string(attempt);
    if (!File.Open(partial, os::TFile::TOpen::CreateNewAppend, error, 0600)) {
      if (!error.Is(os::TErrorKind::Exists)) fail(error);
      continue;
    }
    os::TError ignored;
    try {
      Append(header);
    } catch (...) {
      File.Close(ignored);
      os::Remove(partial, ignored);
      FilePath.clear();
      throw;
    }
    bool named = os::Link(partial, FilePath, error);
    if (!named && !error.Is(os::TErrorKind::Exists)) {
      // A file system without hard links: the name carries the time and the process id, so
      // moving the file there replaces nothing in practice.
      named = os::Rename(partial, FilePath, error);
    }
    os::Remove(partial, ignored);
    if (!named) {
      File.Close(ignored);
      if (!error.Is(os::TErrorKind::Exists)) fail(error);
    }
  }
  if (!File.IsOpen()) fail(error);
}

void TRunJournal::Append(const std::string& lines) {
  // One write: the lines are in the journal whole, or (when the process dies inside the call)
  // not at all or the last cut short without its line break. Done lines waiting go first.
  std::string line;
  if (PendingDone.empty()) {
    line = lines;
  } else {
    line.swap(PendingDone);
    line += lines;
  }
  os::TError error;
  if (!File.WriteAll(line.data(), line.size(), error)) {
    throw EFileError("Cannot write the journal \"" + FilePath + "\". " + error.Text);
  }
}

std::size_t TRunJournal::Intent(const std::string& path, const std::string& backupPath,
                                std::uint64_t originalHash, std::uint64_t newHash) {
  if (!File.IsOpen()) Open();
  const std::size_t n = Entries;
  std::string line = "intent\t" + std::to_string(n) + "\t";
  AppendPath(line, WorkingFolder, path);
  line += '\t';
  AppendPath(line, WorkingFolder, backupPath);
  line += "\t" + HashText(originalHash) + "\t" + HashText(newHash) + "\n";
  Append(line);
  ++Entries;
  return n;
}

void TRunJournal::Backup(std::size_t n, const std::string& backupPath) {
  std::string line = "backup\t" + std::to_string(n) + "\t";
  AppendPath(line, WorkingFolder, backupPath);
  Append(line + "\n");
}

void TRunJournal::Copy(std::size_t n, const std::string& backupPath) {
  std::string line = "copy\t" + std::to_string(n) + "\t";
  AppendPath(line, WorkingFolder, backupPath);
  Append(line + "\n");
}

void TRunJournal::NoteFolders(const std::vector<std::string>& paths) {
  std::set<std::string> folders;
  for (const std::string& path : paths) {
    const std::string folder = FolderOf(path);
    folders.insert(folder.empty() ? std::string(".") : folder);
  }
  RunFolders.assign(folders.begin(), folders.end());
}

void TRunJournal::Sync() noexcept {
  if (!File.IsOpen()) return;
  try {
    if (!PendingDone.empty()) Append({});
  } catch (...) {
  }
  // The content alone: the journal only grows, and its size is all of its metadata that counts.
  os::TError ignored;
  File.Sync(ignored, false);
  // The journal's own name is flushed once.
  if (!FolderSynced) FolderSynced = SyncFolder(Folder);
}

void TRunJournal::Done(std::size_t n) noexcept {
  try {
    PendingDone += "done\t" + std::to_string(n) + "\t" + Clock.Now(false) + "\n";
  } catch (...) {
  }
}

void TRunJournal::Failed(std::size_t n) noexcept {
  try {
    Append("failed\t" + std::to_string(n) + "\n");
  } catch (...) {
  }
}

void TRunJournal::Finish(std::size_t files, std::size_t changed, std::size_t failed,
                         bool interrupted) noexcept {
  if (!File.IsOpen()) return;
  try {
    Append("end\t" + TimeNow(false) + "\t" + std::to_string(files) + "\t" +
           std::to_string(changed) + "\t" + std::to_string(failed) + "\t" +
           (interrupted ? "interrupted" : "completed") + "\n");
  } catch (...) {
  }
}

TJournal ReadJournal(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  TJournal journal;
  journal.Path = path;
  std::size_t start = 0;
  bool first = true;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) break;  // cut short by a process that died: ignored
    const auto fields = SplitTabs(std::string_view(bytes).substr(start, end - start));
    start = end + 1;
    if (first) {
      if (fields.size() < 2 || fields[0] != Magic || fields[1] != "1") {
        throw EFileError("\"" + path + "\" is not a kv3conv journal");
      }
      first = false;
      continue;
    }
    const std::string_view kind = fields[0];
    std::size_t n = 0;
    const bool numbered = fields.size() >= 2 && ParseCount(fields[1], n);
    const bool known = numbered && n < journal.Files.size();
    if (kind == "start" && fields.size() >= 5) {
      journal.Started = Unescape(fields[1]);
      std::size_t pid = 0;
      if (ParseCount(fields[2], pid)) journal.Pid = static_cast<long>(pid);
      journal.WorkingFolder = Unescape(fields[3]);
      journal.Table = Unescape(fields[4]);
      if (fields.size() >= 6) journal.Host = Unescape(fields[5]);
    } else if (kind == "folder" && fields.size() >= 2) {
      journal.Folders.push_back(Unescape(fields[1]));
    } else if (kind == "intent" && numbered && n == journal.Files.size() && fields.size() >= 6) {
      TJournalEntry entry;
      entry.Path = Unescape(fields[2]);
      entry.Backup = Unescape(fields[3]);
      if (!ParseHashText(fields[4], entry.OriginalHash) ||
          !ParseHashText(fields[5], entry.NewHash)) {
        throw EFileError("\"" + path + "\" is damaged: a file's hashes cannot be read");
      }
      journal.Files.push_back(std::move(entry));
    } else if (kind == "backup" && known && fields.size() >= 3) {
      journal.Files[n].Backup = Unescape(fields[2]);
    } else if (kind == "copy" && known && fields.size() >= 3) {
      journal.Files[n].Backup = Unescape(fields[2]);
      journal.Files[n].Copied = true;
    } else if (kind == "done" && known) {
      journal.Files[n].Done = true;
    } else if (kind == "failed" && known) {
      journal.Files[n].Failed = true;
    } else if (kind == "end") {
      journal.Ended = true;
      journal.Interrupted = fields.size() >= 6 && fields[5] == "interrupted";
    } else if (kind == "undone") {
      journal.Undone = true;
    } else {
      throw EFileError("\"" + path + "\" is damaged: a line cannot be read");
    }
  }
  if (first) throw EFileError("\"" + path + "\" is not a kv3conv journal");
  return journal;
}

const char* UndoStatusWord(TUndoStatus status) {
  switch (status) {
    case TUndoStatus::Restored: return "Restored";
    case TUndoStatus::AlreadyUndone: return "Already undone";
    case TUndoStatus::NotChanged: return "Not changed";
    case TUndoStatus::Refused: return "Refused";
  }
  return "Refused";
}

namespace {

// What is at a path: nothing, or a file with its content's hash and identity.
struct TFileState {
  bool Exists = false;
  bool Readable = false;
  std::uint64_t Hash = 0;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::string Problem;
};

TFileState StateOf(const std::string& path) {
  TFileState state;
  const std::optional<os::TEntry> entry = os::StatusOf(path);
  if (!entry) return state;
  state.Exists = true;
  state.Device = entry->Status.Device;
  state.Inode = entry->Status.Inode;
  if (entry->Kind != os::TEntryKind::Regular) {
    state.Problem = "it is not a regular file";
    return state;
  }
  try {
    state.Hash = HashBytes(ReadFileBytes(path));
    state.Readable = true;
  } catch (const std::exception& e) {
    state.Problem = e.what();
  }
  return state;
}

bool SameFile(const TFileState& a, const TFileState& b) {
  return a.Exists && b.Exists && a.Device == b.Device && a.Inode == b.Inode;
}

// When the run took another backup name than its intent line says and died before noting it,
// the backup is the first name, in the order names are tried, that is a link of the file itself
// (the file was not yet replaced) or, when the file is missing (claimed without links, the
// original moved there), the one that holds the original.
std::string FindUnnotedBackup(const TJournalEntry& entry, const TFileState& file) {
  for (unsigned attempt = 0; attempt < 10000; ++attempt) {
    const std::string candidate = BackupCandidate(entry.Path, attempt);
    const TFileState backup = StateOf(candidate);
    if (!backup.Exists) {
      if (attempt >= 1) break;
      continue;
    }
    if (file.Exists ? SameFile(file, backup)
                    : backup.Readable && backup.Hash == entry.OriginalHash) {
      return candidate;
    }
  }
  return {};
}

TUndoResult UndoEntry(const TJournalEntry& entry, bool force) {
  TUndoResult result;
  result.Path = entry.Path;
  const auto refuse = [&](std::string reason) {
    result.Status = TUndoStatus::Refused;
    result.Reason = std::move(reason);
    return result;
  };
  const TFileState file = StateOf(entry.Path);
  if (file.Exists && !file.Readable) return refuse("the file cannot be read: " + file.Problem);
  const bool fileIsOriginal = file.Exists && file.Hash == entry.OriginalHash;
  std::string backupPath = entry.Backup;
  TFileState backup = StateOf(backupPath);
  bool backupHoldsOriginal = backup.Readable && backup.Hash == entry.OriginalHash;
  if ((fileIsOriginal && !SameFile(file, backup)) || (!file.Exists && !backupHoldsOriginal)) {
    if (std::string other = FindUnnotedBackup(entry, file); !other.empty()) {
      backupPath = std::move(other);
      backup = StateOf(backupPath);
      backupHoldsOriginal = backup.Readable && backup.Hash == entry.OriginalHash;
    }
  }

  if (fileIsOriginal) {
    // The original is in place: the run died before replacing it, or it was put back meanwhile.
    // Only the backup the run made goes: its link of the file, its copy of it, or after a done
    // line a backup that holds the original.
    if (backup.Exists &&
        (SameFile(file, backup) || ((entry.Done || entry.Copied) && backupHoldsOriginal))) {
      if (os::TError error; !os::Remove(backupPath, error)) {
        return refuse("the backup \"" + backupPath + "\" cannot be removed: " + error.Text);
      }
      result.Status = TUndoStatus::Restored;
      return result;
    }
    result.Status = entry.Done ? TUndoStatus::AlreadyUndone : TUndoStatus::NotChanged;
    return result;
  }
  if (!backup.Exists) {
    return refuse(file.Exists ? "the backup \"" + backupPath + "\" is missing"
                              : "the file and its backup \"" + backupPath + "\" are missing");
  }
  if (!backupHoldsOriginal) {
    return refuse("the backup \"" + backupPath + "\" no longer holds the original content" +
                  (backup.Problem.empty() ? std::string() : " (" + backup.Problem + ")"));
  }
  if (file.Exists && file.Hash != entry.NewHash && !force) {
    return refuse("the file was changed after the run (--force restores it anyway)");
  }
  // One rename puts the original back and takes the backup name away.
  if (os::TError error; !os::Rename(backupPath, entry.Path, error)) {
    return refuse("the backup \"" + backupPath + "\" cannot be renamed: " + error.Text);
  }
  result.Status = TUndoStatus::Restored;
  return result;
}

}  // namespace

std::vector<TUndoResult> UndoRun(const std::string& journalPath, bool force,
                                 const TUndoProgress& progress) {
  const TJournal journal = ReadJournal(journalPath);
  std::vector<TUndoResult> results;
  results.reserve(journal.Files.size());
  if (journal.Undone) {
    for (const auto& entry : journal.Files) {
      results.push_back({entry.Path, TUndoStatus::AlreadyUndone, {}});
    }
    return results;
  }
  // The last committed first: a file that the run replaced twice goes back step by step.
  bool stopped = false;
  for (auto it = journal.Files.rbegin(); it != journal.Files.rend(); ++it) {
    results.push_back(UndoEntry(*it, force));
    if (progress && !progress(results.size(), journal.Files.size()) &&
        std::next(it) != journal.Files.rend()) {
      stopped = true;
      break;
    }
  }
  std::reverse(results.begin(), results.end());
  // A run that was killed left its temporary files in its folders; they are known by the run's
  // host and process id, and only this host can tell whether that process has ended.
  if (!journal.Ended && journal.Pid > 0 && journal.Host == TemporaryHost()) {
    for (const std::string& folder : journal.Folders) RemoveStaleTemporaries(folder, journal.Pid);
  }
  const bool allBack =
      !stopped && std::none_of(results.begin(), results.end(), [](const TUndoResult& r) {
        return r.Status == TUndoStatus::Refused;
      });
  if (allBack) {
    os::TFile file;
    os::TError error;
    const std::string line = "undone\t" + TimeNow(false) + "\n";
    if (!file.Open(journalPath, os::TFile::TOpen::Append, error) ||
        !file.WriteAll(line.data(), line.size(), error) || !file.Close(error)) {
      throw EFileError("Cannot mark the journal \"" + journalPath + "\" as undone. " + error.Text);
    }
  }
  return results;
}

}  // namespace kv
