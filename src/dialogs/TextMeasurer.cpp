// The process-wide text measurer.
#include "dialogs/TextMeasurer.h"

#include <atomic>

namespace kv {

namespace {
std::atomic<const TTextMeasurer*> Installed{nullptr};
}  // namespace

void InstallTextMeasurer(const TTextMeasurer* measurer) {
  Installed.store(measurer, std::memory_order_release);
}

const TTextMeasurer* TextMeasurer() {
  return Installed.load(std::memory_order_acquire);
}

}  // namespace kv
