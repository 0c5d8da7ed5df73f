// Folder listings on Windows with FindFirstFileW and FindNextFileW, which tell each entry's kind
// without another query.
#include "platform/Folder.h"

#include "platform/Path.h"
#include "platform/win32/Win32.h"

namespace kv::os {

struct TFolderListing::TState {
  HANDLE Find = INVALID_HANDLE_VALUE;  // closed with FindClose, never CloseHandle
  WIN32_FIND_DATAW Data{};
  bool HavePending = false;  // Data holds an entry not handed out yet

  ~TState() { Close(); }
  void Close() {
    if (Find != INVALID_HANDLE_VALUE) FindClose(Find);
    Find = INVALID_HANDLE_VALUE;
  }
};

TFolderListing::TFolderListing() : State(std::make_unique<TState>()) {}
TFolderListing::~TFolderListing() = default;

bool TFolderListing::Open(const std::string& folder, TError& error) {
  State->Close();
  State->HavePending = false;
  const std::wstring pattern = win32::SystemPath(Join(folder.empty() ? "." : folder, "*"));
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &State->Data,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    const DWORD attributes = GetFileAttributesW(win32::SystemPath(folder).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      // The root of a drive has no "." and "..": nothing matches in an empty one.
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && code == ERROR_FILE_NOT_FOUND) return true;
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = win32::ErrorOf(code, TErrorKind::NotFolder);
        return false;
      }
    }
    error = win32::ErrorOf(code);
    return false;
  }
  State->Find = find;
  State->HavePending = true;
  return true;
}

bool TFolderListing::Next(std::string& name, std::optional<TEntryKind>& kind, TError& error) {
  for (;;) {
    if (State->Find == INVALID_HANDLE_VALUE) return false;
    if (!State->HavePending) {
      if (!FindNextFileW(State->Find, &State->Data)) {
        const DWORD code = GetLastError();
        State->Close();
        if (code == ERROR_NO_MORE_FILES) return false;
        error = win32::ErrorOf(code);
        return false;
      }
    }
    State->HavePending = false;
    const std::wstring_view found = State->Data.cFileName;
    if (found == L"." || found == L"..") continue;
    name = win32::Narrow(found);
    const DWORD attributes = State->Data.dwFileAttributes;
    // For a reparse point the listing gives its tag in dwReserved0.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && win32::IsLinkTag(State->Data.dwReserved0)) {
      kind = TEntryKind::Link;
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      kind = TEntryKind::Folder;
    } else {
      kind = TEntryKind::Regular;
    }
    return true;
  }
}

}  // namespace kv::os
