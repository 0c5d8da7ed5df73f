// The state of the legacy load or save in progress. It belongs to a conversion context
// (Context.h), so that two conversions with two contexts cannot disturb each other; within a
// context one load or save runs at a time, as the file format's readers expect.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

class TkvReport;
class TkvPage;

struct TLoadState {
  // Version of the legacy file being read or written.
  std::uint8_t LegacyVersion = 25;
  // The report being loaded or saved, and the page the current object record belongs to.
  TkvReport* CurrentReport = nullptr;
  TkvPage* CurrentPage = nullptr;
  // Add-in class names not found during this load, each followed by a carriage return.
  bool MissingClassFlag = false;
  std::string MissingClasses;
  // True only while the run-time engine prepares a report (never during conversion).
  bool PreparingFlag = false;
};

}  // namespace kv
