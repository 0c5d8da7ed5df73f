// The conversion context of a test, with the load state a test sets on it. Every report, page and
// object a test makes belongs to a context; a test makes its own, so nothing it sets outlives it.
#pragma once

#include <cstdint>

#include "legacy/Context.h"
#include "legacy/Report.h"

namespace kv::test {

// A context whose load in progress is of a file version and, when given, of a report.
class TTestContext : public TConversionContext {
 public:
  explicit TTestContext(int version = 25, TkvReport* report = nullptr) {
    Load.LegacyVersion = static_cast<std::uint8_t>(version);
    Load.CurrentReport = report;
  }
};

}  // namespace kv::test
