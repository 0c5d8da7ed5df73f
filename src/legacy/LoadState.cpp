#include "legacy/LoadState.h"

namespace kv {

TLoadState& LoadState() {
  thread_local TLoadState state;
  return state;
}

}  // namespace kv
