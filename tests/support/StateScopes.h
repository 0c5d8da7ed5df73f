// Scopes that set a piece of process-wide state for one test and put the earlier value back
// afterwards, however the test ends.
#pragma once

#include <cstdint>

#include "base/DocumentText.h"
#include "legacy/LoadState.h"

namespace kv::test {

// The legacy version of the load or save in progress.
class TVersionScope {
 public:
  explicit TVersionScope(int version) : Saved(LoadState().LegacyVersion) {
    LoadState().LegacyVersion = static_cast<std::uint8_t>(version);
  }
  ~TVersionScope() { LoadState().LegacyVersion = Saved; }
  TVersionScope(const TVersionScope&) = delete;
  TVersionScope& operator=(const TVersionScope&) = delete;

 private:
  std::uint8_t Saved;
};

// The legacy version and the current report (none unless given).
class TStateScope {
 public:
  explicit TStateScope(int version, TkvReport* report = nullptr)
      : Version(version), SavedReport(LoadState().CurrentReport) {
    LoadState().CurrentReport = report;
  }
  ~TStateScope() { LoadState().CurrentReport = SavedReport; }
  TStateScope(const TStateScope&) = delete;
  TStateScope& operator=(const TStateScope&) = delete;

 private:
  TVersionScope Version;
  TkvReport* SavedReport;
};

// The decimal separator of floating-point values in documents.
class TSeparatorScope {
 public:
  explicit TSeparatorScope(char separator) : Saved(DocumentDecimalSeparator()) {
    SetDocumentDecimalSeparator(separator);
  }
  ~TSeparatorScope() { SetDocumentDecimalSeparator(Saved); }
  TSeparatorScope(const TSeparatorScope&) = delete;
  TSeparatorScope& operator=(const TSeparatorScope&) = delete;

 private:
  char Saved;
};

}  // namespace kv::test
