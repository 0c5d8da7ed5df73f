// The results of the window's runs, as the rows of its lists hold them, in the forms a user saves
// them in: JSON with the fields and totals that kv3conv prints with --json, and CSV with one line
// per file under a header of the same field names.
#pragma once

#include <string>

#include "app/FileList.h"

namespace kv {

// codePage: that of the messages and notes of report rows.
// The project list after a source run; journal: the run's journal (empty when it wrote none).
std::string SourceResultsJson(const TFileList& list, const std::string& journal);
std::string SourceResultsCsv(const TFileList& list);
// The report list after a report run.
std::string ReportResultsJson(const TFileList& list, int codePage);
std::string ReportResultsCsv(const TFileList& list, int codePage);

}  // namespace kv
