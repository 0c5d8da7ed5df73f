// The error of a POSIX call, shared by the POSIX sources of the platform layer.
#pragma once

#include "platform/Error.h"

namespace kv::os {

// A failure from an errno value: its kind, the value and strerror's words for it.
TError ErrnoError(int err);

}  // namespace kv::os
