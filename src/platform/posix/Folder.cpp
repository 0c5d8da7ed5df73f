// Folder listings on POSIX: readdir, with the kind of an entry when the file system gives it.
#include "platform/Folder.h"

#include <dirent.h>

#include <cerrno>

namespace kv::os {

struct TFolderListing::TState {
  DIR* Dir = nullptr;
  ~TState() {
    if (Dir) ::closedir(Dir);
  }
};

TFolderListing::TFolderListing() : State(std::make_unique<TState>()) {}

TFolderListing::~TFolderListing() = default;

bool TFolderListing::Open(const std::string& folder, TError& error) {
  if (State->Dir) {
    ::closedir(State->Dir);
    State->Dir = nullptr;
  }
  State->Dir = ::opendir(folder.c_str());
  if (!State->Dir) {
    error = LastError();
    return false;
  }
  error = {};
  return true;
}

bool TFolderListing::Next(std::string& name, std::optional<TEntryKind>& kind, TError& error) {
  error = {};
  if (!State->Dir) return false;
  for (;;) {
    // readdir leaves errno as it was at the end of the listing and sets it on a failure.
    errno = 0;
    const dirent* entry = ::readdir(State->Dir);
    if (!entry) {
      if (errno != 0) error = LastError();
      return false;
    }
    const char* const d = entry->d_name;
    if (d[0] == '.' && (d[1] == '\0' || (d[1] == '.' && d[2] == '\0'))) continue;
    name = d;
    switch (entry->d_type) {
      case DT_REG:
        kind = TEntryKind::Regular;
        break;
      case DT_DIR:
        kind = TEntryKind::Folder;
        break;
      case DT_LNK:
        kind = TEntryKind::Link;
        break;
      case DT_FIFO:
        kind = TEntryKind::Pipe;
        break;
      case DT_SOCK:
        kind = TEntryKind::Socket;
        break;
      case DT_CHR:
      case DT_BLK:
        kind = TEntryKind::Device;
        break;
      case DT_UNKNOWN:
        kind.reset();
        break;  // the file system does not say: ask for it
      default:
        kind = TEntryKind::Other;
        break;
    }
    return true;
  }
}

}  // namespace kv::os
