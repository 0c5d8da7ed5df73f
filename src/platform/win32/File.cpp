// Files on Windows: handles opened with CreateFileW that share reading, writing and deleting,
// identity from the handle's file information (volume serial number and file index), renames
// with MoveFileExW, hard links with CreateHardLinkW.
#include "platform/File.h"

#include <algorithm>

#include "platform/Path.h"
#include "platform/win32/Win32.h"

namespace kv::os {

namespace win32 {

HANDLE OpenShared(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
  return CreateFileW(SystemPath(path).c_str(), access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                     flags, nullptr);
}

bool IsLinkTag(DWORD tag) {
  return IsReparseTagNameSurrogate(tag);
}

long long UnixNanoseconds(const FILETIME& time) {
  // 100 ns ticks from 1601-01-01 to 1970-01-01.
  constexpr long long EpochTicks = 116444736000000000LL;
  const long long ticks = static_cast<long long>(
      (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - EpochTicks) * 100;
}

}  // namespace win32

namespace {

using win32::ErrorOf;
using win32::THandle;

HANDLE AsHandle(std::intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

// The status of an open handle. A reparse point (opened itself, not followed) is a Link when
// it stands for another name.
bool StatusOfHandle(HANDLE handle, TEntry& entry, TError& error) {
  const DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) {
    error = LastError();
    return false;
  }
  entry = TEntry{};
  if (type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) {
    entry.Kind = type == FILE_TYPE_PIPE ? TEntryKind::Pipe : TEntryKind::Device;
    entry.Status.Permissions = 0666;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) {
    error = LastError();
    return false;
  }
  TFileStatus& status = entry.Status;
  status.Device = info.dwVolumeSerialNumber;
  status.Inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  status.Size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                          info.nFileSizeLow);
  status.ModifiedNs = win32::UnixNanoseconds(info.ftLastWriteTime);
  status.Permissions = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    FILE_ATTRIBUTE_TAG_INFO tag;
    // A reparse point whose tag cannot be told is taken for a link: never followed by mistake.
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) ||
        win32::IsLinkTag(tag.ReparseTag)) {
      entry.Kind = TEntryKind::Link;
      return true;
    }
  }
  entry.Kind =
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? TEntryKind::Folder : TEntryKind::Regular;
  return true;
}

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(win32::SystemPath(path).c_str());
}

bool IsFolderAt(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::optional<TEntry> StatusOf(const std::string& path, TFollow follow, TError* error) {
  // Only the attributes are asked for: such an open never meets another program's sharing.
  const DWORD flags =
      FILE_FLAG_BACKUP_SEMANTICS | (follow == TFollow::No ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  THandle file(win32::OpenShared(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, flags));
  TError problem;
  TEntry entry;
  if (!file.Valid()) {
    problem = LastError();
  } else if (StatusOfHandle(file.Get(), entry, problem)) {
    return entry;
  }
  if (error) *error = problem;
  return std::nullopt;
}

TFile::~TFile() {
  TError ignored;
  Close(ignored);
}

TFile::TFile(TFile&& other) noexcept : Handle(other.Handle) {
  other.Handle = -1;
}

TFile& TFile::operator=(TFile&& other) noexcept {
  if (this != &other) {
    TError ignored;
    Close(ignored);
    Handle = other.Handle;
    other.Handle = -1;
  }
  return *this;
}

bool TFile::Open(const std::string& path, TOpen how, TError& error, unsigned permissions) {
  TError ignored;
  Close(ignored);
  DWORD access = 0;
  DWORD disposition = OPEN_EXISTING;
  // Folders open too (FILE_FLAG_BACKUP_SEMANTICS), so that the caller sees what it opened.
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  switch (how) {
    case TOpen::Read:
      access = GENERIC_READ;
      break;
    case TOpen::ReadRegular:
      access = GENERIC_READ;
      flags |= FILE_FLAG_OPEN_REPARSE_POINT;
      break;
    case TOpen::CreateNew:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = CREATE_NEW;
      flags = (permissions & 0222) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
      break;
    case TOpen::CreateNewAppend:
    case TOpen::Append:
      // Without FILE_WRITE_DATA every write goes to the end of the file, as with O_APPEND.
      access = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
      if (how == TOpen::CreateNewAppend) {
        disposition = CREATE_NEW;
        flags = (permissions & 0222) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
      }
      break;
  }
  HANDLE handle = win32::OpenShared(path, access, disposition, flags);
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastError();
    // Opening a folder for writing is refused as access denied; say what it is.
    if (error.Is(TErrorKind::Denied) && disposition == OPEN_EXISTING && IsFolderAt(path)) {
      error.Kind = TErrorKind::IsFolder;
    }
    return false;
  }
  Handle = reinterpret_cast<std::intptr_t>(handle);
  if (how == TOpen::ReadRegular) {
    // The link itself was opened; like O_NOFOLLOW, refuse it.
    TEntry entry;
    if (StatusOfHandle(handle, entry, error) && entry.Kind == TEntryKind::Link) {
      error = ErrorOfKind(TErrorKind::IsLink);
      Close(ignored);
      return false;
    }
  }
  return true;
}

bool TFile::IsOpen() const {
  return Handle != -1;
}

std::int64_t TFile::Read(char* data, std::size_t size, TError& error) {
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  DWORD read = 0;
  if (!ReadFile(AsHandle(Handle), data, chunk, &read, nullptr)) {
    const DWORD code = GetLastError();
    // The writer of a pipe closed its end: the end of the input.
    if (code == ERROR_BROKEN_PIPE) return 0;
    error = ErrorOf(code);
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(AsHandle(Handle), &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      error.Kind = TErrorKind::IsFolder;
    }
    return -1;
  }
  return read;
}

bool TFile::WriteAll(const char* data, std::size_t size, TError& error) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(AsHandle(Handle), data, chunk, &written, nullptr)) {
      error = LastError();
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool TFile::Sync(TError& error, bool metadata) {
  // FlushFileBuffers writes the content and the file system's records of the file alike.
  if (!FlushFileBuffers(AsHandle(Handle))) {
    error = LastError();
    return false;
  }
  return true;
}

bool TFile::Status(TEntry& entry, TError& error) const {
  return StatusOfHandle(AsHandle(Handle), entry, error);
}

bool TFile::SetOwner(std::uint32_t owner, std::uint32_t group, TError& error) {
  if ((owner == 0 || owner == UnchangedId) && (group == 0 || group == UnchangedId)) return true;
  error = TError{TErrorKind::Unsupported, 0, "files have no POSIX owner on Windows"};
  return false;
}

bool TFile::SetPermissions(unsigned permissions, TError& error) {
  FILE_BASIC_INFO info;
  if (!GetFileInformationByHandleEx(AsHandle(Handle), FileBasicInfo, &info, sizeof info)) {
    error = LastError();
    return false;
  }
  DWORD attributes = info.FileAttributes;
  if (permissions & 0222) {
    attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  } else {
    attributes |= FILE_ATTRIBUTE_READONLY;
  }
  if (attributes == info.FileAttributes) return true;
  // Times of zero leave the times as they are.
  FILE_BASIC_INFO change{};
  change.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  if (!SetFileInformationByHandle(AsHandle(Handle), FileBasicInfo, &change, sizeof change)) {
    error = LastError();
    return false;
  }
  return true;
}

bool TFile::Close(TError& error) {
  if (Handle == -1) return true;
  const bool closed = CloseHandle(AsHandle(Handle));
  Handle = -1;
  if (!closed) {
    error = LastError();
    return false;
  }
  return true;
}

bool Link(const std::string& from, const std::string& to, TError& error) {
  if (CreateHardLinkW(win32::SystemPath(to).c_str(), win32::SystemPath(from).c_str(), nullptr)) {
    return true;
  }
  const DWORD code = GetLastError();
  // FAT, exFAT and many network shares answer that the call is not theirs; NTFS has a limit of
  // links per file.
  if (code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED ||
      code == ERROR_TOO_MANY_LINKS) {
    error = ErrorOf(code, TErrorKind::LinksUnsupported);
  } else {
    error = ErrorOf(code);
  }
  return false;
}

bool Rename(const std::string& from, const std::string& to, TError& error) {
  if (MoveFileExW(win32::SystemPath(from).c_str(), win32::SystemPath(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  error = LastError();
  return false;
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to, TError& error) {
  if (MoveFileExW(win32::SystemPath(from).c_str(), win32::SystemPath(to).c_str(),
                  MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  error = LastError();
  return false;
}

bool Remove(const std::string& path, TError& error) {
  const std::wstring name = win32::SystemPath(path);
  if (DeleteFileW(name.c_str())) return true;
  const DWORD code = GetLastError();
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES) {
    // A link to a folder (a symbolic link or a junction) goes as a folder does, without what it
    // leads to.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      if (RemoveDirectoryW(name.c_str())) return true;
      error = LastError();
      return false;
    }
    // The read-only attribute keeps a file from being deleted, which on POSIX systems only the
    // folder decides: take it away first, and put it back when the file stays.
    if ((attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        SetFileAttributesW(name.c_str(),
                           attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
      if (DeleteFileW(name.c_str())) return true;
      error = LastError();
      SetFileAttributesW(name.c_str(), attributes);
      return false;
    }
  }
  error = ErrorOf(code);
  if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error.Kind = TErrorKind::IsFolder;
  }
  return false;
}

bool MakeFolder(const std::string& path, TError& error, unsigned permissions) {
  if (CreateDirectoryW(win32::SystemPath(path).c_str(), nullptr)) return true;
  error = LastError();
  return false;
}

bool SyncFolder(const std::string& folder) {
  return true;
}

bool FolderWritable(const std::string& folder) {
  // Whether the user may create files there is for the folder's access list to say, which only
  // trying tells: a hidden file that goes when closed, under a name no other caller uses.
  const std::string base = Join(folder.empty() ? "." : folder, ".kv-write-probe-") +
                           std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetCurrentThreadId()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    THandle probe(CreateFileW(
        win32::SystemPath(base + std::to_string(attempt)).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
        nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (probe.Valid()) return true;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  return false;
}

}  // namespace kv::os
