// Failures of POSIX calls: errno, strerror's words for it, and the kind callers act on.
#include "platform/Error.h"

#include <cerrno>
#include <cstring>

#include "platform/posix/Errno.h"

namespace kv::os {

namespace {

TErrorKind KindOfErrno(int err) {
  // Some of these values are equal on some systems (ENOTSUP and EOPNOTSUPP on Linux), so they are
  // compared one by one rather than as the cases of a switch.
  if (err == 0) return TErrorKind::None;
  if (err == ENOENT) return TErrorKind::NotFound;
  if (err == EEXIST) return TErrorKind::Exists;
  if (err == ELOOP) return TErrorKind::IsLink;
  if (err == EISDIR) return TErrorKind::IsFolder;
  if (err == ENOTDIR) return TErrorKind::NotFolder;
  if (err == EACCES || err == EPERM) return TErrorKind::Denied;
  if (err == EBUSY || err == ETXTBSY) return TErrorKind::InUse;
  if (err == ENOSPC || err == EDQUOT) return TErrorKind::NoSpace;
  if (err == ESRCH) return TErrorKind::NoSuchProcess;
  if (err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS) return TErrorKind::Unsupported;
  return TErrorKind::Other;
}

}  // namespace

TError ErrnoError(int err) {
  TError error;
  error.Kind = KindOfErrno(err);
  error.Code = err;
  if (err != 0) error.Text = std::strerror(err);
  return error;
}

TError LastError() {
  return ErrnoError(errno);
}

TError ErrorOfKind(TErrorKind kind) {
  switch (kind) {
    case TErrorKind::None:
      return {};
    case TErrorKind::NotFound:
      return ErrnoError(ENOENT);
    case TErrorKind::Exists:
      return ErrnoError(EEXIST);
    case TErrorKind::IsLink:
      return ErrnoError(ELOOP);
    case TErrorKind::IsFolder:
      return ErrnoError(EISDIR);
    case TErrorKind::NotFolder:
      return ErrnoError(ENOTDIR);
    case TErrorKind::Denied:
      return ErrnoError(EACCES);
    case TErrorKind::InUse:
      return ErrnoError(EBUSY);
    case TErrorKind::LinksUnsupported: {
      TError error = ErrnoError(EPERM);
      error.Kind = TErrorKind::LinksUnsupported;
      return error;
    }
    case TErrorKind::Unsupported:
      return ErrnoError(ENOTSUP);
    case TErrorKind::NoSpace:
      return ErrnoError(ENOSPC);
    case TErrorKind::NoSuchProcess:
      return ErrnoError(ESRCH);
    case TErrorKind::Other:
      break;
  }
  return ErrnoError(EIO);
}

}  // namespace kv::os
