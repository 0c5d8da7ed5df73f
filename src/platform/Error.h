// What a failed system call said, in a form both systems share.
#pragma once

#include <string>

namespace kv::os {

// The kinds of failure callers act on; everything else is Other and is only reported.
enum class TErrorKind {
  None,
  NotFound,          // no such file or folder
  Exists,            // the name is taken
  IsLink,            // a link was met where none may be followed
  IsFolder,          // a folder where a file was expected
  NotFolder,         // a file where a folder was expected
  Denied,            // permission denied
  InUse,             // another program holds the file open without sharing it
  LinksUnsupported,  // the file system has no hard links (or no more for this file)
  Unsupported,       // the call is not supported here (a rename that never replaces, say)
  NoSpace,           // the disk or a quota is full
  NoSuchProcess,
  Other,
};

// A failure: its kind, the system's own code (errno, or the Windows error code) and the system's
// own words for it, in UTF-8.
struct TError {
  TErrorKind Kind = TErrorKind::None;
  long Code = 0;
  std::string Text;

  explicit operator bool() const { return Kind != TErrorKind::None; }
  bool Is(TErrorKind kind) const { return Kind == kind; }
};

// The error the last failed system call of this thread left (errno, or GetLastError()).
TError LastError();
// A failure of that kind in the system's own words, for a failure the program finds itself (a
// folder where a file was to be read, every temporary name taken).
TError ErrorOfKind(TErrorKind kind);

}  // namespace kv::os
