// Report conversion on several threads at once. Each thread has a conversion context and a report
// host of its own, so conversions never share any state; outcomes are handed on in the order of
// the list on the calling thread, as a run on one thread would hand them on. Used by kv3conv
// report and by the window's report run.
#pragma once

#include <cstddef>
#include <functional>

#include "writer/Conversion.h"
#include "writer/ReportHost.h"

namespace kv {

struct TReportPoolOptions {
  // Threads that convert side by side (0: one per processor); never more than there are reports.
  unsigned Threads = 0;
  // The code page of the reports' texts and the decimal separator of their documents, for every
  // thread's context.
  int CodePage = 1252;
  char DecimalSeparator = '.';
};

// The threads a pool with this setting uses for count reports.
unsigned ReportPoolThreads(unsigned threads, std::size_t count);

// Converts report index on a thread's host (any thread of the pool; the host's context belongs to
// that thread for the length of the call). An exception it raises is handed on in its report's
// place.
using TReportJob = std::function<TConversionOutcome(TReportHost& host, std::size_t index)>;
// Takes the outcome of report index on the calling thread, in list order. Returning false stops
// the run: no report is started after that; those already started (other threads had them in
// hand) are finished and still handed on, in order, so that every document written is told of;
// what onResult returns for them no longer matters.
using TReportResult = std::function<bool(std::size_t index, TConversionOutcome& outcome)>;

// Converts count reports with job and hands each outcome to onResult in list order. An exception
// from job or onResult ends the run once the other threads have finished the reports in hand, and
// reaches the caller.
void ConvertReportsInOrder(std::size_t count, const TReportPoolOptions& options,
                           const TReportJob& job, const TReportResult& onResult);

}  // namespace kv
