// Report conversion on a pool of threads, outcomes handed on in list order.
#include "writer/ReportPool.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "base/WorkerThreads.h"
#include "legacy/Context.h"

namespace kv {

unsigned ReportPoolThreads(unsigned threads, std::size_t count) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = std::min(threads, 64u);
  return static_cast<unsigned>(std::clamp<std::size_t>(count, 1, threads));
}

void ConvertReportsInOrder(std::size_t count, const TReportPoolOptions& options,
                           const TReportJob& job, const TReportResult& onResult) {
  const unsigned threads = ReportPoolThreads(options.Threads, count);
  if (threads <= 1) {
    // One thread: everything on the calling thread, with one context for the whole run.
    TConversionContext context(options.CodePage, options.DecimalSeparator);
    TReportHost host(context);
    for (std::size_t i = 0; i < count; ++i) {
      TConversionOutcome outcome = job(host, i);
      if (!onResult(i, outcome)) return;
    }
    return;
  }

  struct TSlot {
    bool Ready = false;
    TConversionOutcome Outcome;
    std::exception_ptr Error;
  };
  std::vector<TSlot> slots(count);
  std::mutex mutex;
  // Threads are woken only when there is something for them: a worker when the window gains
  // room, the calling thread when the report it waits for is ready. Waking every thread on every
  // report costs more than a small report's conversion on machines with few processors.
  std::condition_variable roomMade;
  std::condition_variable resultReady;
  std::size_t nextJob = 0;
  std::size_t handedOn = 0;
  // The calling thread waits for runs of reports, not for each one: until every report from
  // awaitFrom to awaitTo is ready (awaitFrom == count: it does not wait).
  std::size_t awaitFrom = count;
  std::size_t awaitTo = count;
  unsigned waitingWorkers = 0;
  bool stopping = false;
  // Reports converted but not yet handed on are held in memory; this bounds how many.
  const std::size_t window = 4 * static_cast<std::size_t>(threads);

  const auto work = [&] {
    // The context and host of this thread, for every report it converts.
    TConversionContext context(options.CodePage, options.DecimalSeparator);
    TReportHost host(context);
    for (;;) {
      std::size_t index = 0;
      {
        std::unique_lock lock(mutex);
        const auto mayGo = [&] {
          return stopping || nextJob >= count || nextJob < handedOn + window;
        };
        if (!mayGo()) {
          ++waitingWorkers;
          roomMade.wait(lock, mayGo);
          --waitingWorkers;
        }
        if (stopping || nextJob >= count) return;
        index = nextJob++;
      }
      TConversionOutcome outcome;
      std::exception_ptr error;
      try {
        outcome = job(host, index);
      } catch (...) {
        error = std::current_exception();
      }
      bool wake = false;
      {
        std::lock_guard lock(mutex);
        slots[index].Outcome = std::move(outcome);
        slots[index].Error = error;
        slots[index].Ready = true;
        if (awaitFrom <= index && index <= awaitTo) {
          wake = true;
          for (std::size_t i = awaitFrom; i <= awaitTo && wake; ++i) wake = slots[i].Ready;
        }
      }
      if (wake) resultReady.notify_one();
    }
  };

  TWorkerThreads pool([&] {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    roomMade.notify_all();
  });
  pool.Start(threads, work);

  // Reports are taken in runs: every one ready in list order, under one lock.
  std::vector<TSlot> run;
  std::size_t next = 0;
  while (next < count) {
    run.clear();
    {
      std::unique_lock lock(mutex);
      // After a stop only the reports already started are still to come.
      if (stopping && next >= nextJob) return;
      if (!slots[next].Ready) {
        // A run as long as two reports per thread, within the reports that will be started.
        const std::size_t last =
            std::min({next + 2 * static_cast<std::size_t>(threads), handedOn + window, count}) - 1;
        const std::size_t to = stopping ? std::min(last, nextJob - 1) : last;
        awaitFrom = next;
        awaitTo = to;
        resultReady.wait(lock, [&] {
          for (std::size_t i = next; i <= to; ++i) {
            if (!slots[i].Ready) return false;
          }
          return true;
        });
        awaitFrom = awaitTo = count;
      }
      for (std::size_t i = next; i < count && slots[i].Ready; ++i) {
        run.push_back(std::move(slots[i]));
        slots[i] = TSlot{};
      }
    }
    for (TSlot& slot : run) {
      if (slot.Error) std::rethrow_exception(slot.Error);
      const bool goOn = onResult(next, slot.Outcome);
      ++next;
      if (!goOn) {
        // No report is started after a stop; those in hand are still handed on.
        {
          std::lock_guard lock(mutex);
          stopping = true;
        }
        roomMade.notify_all();
      }
    }
    bool wake = false;
    {
      std::lock_guard lock(mutex);
      handedOn = next;
      wake = waitingWorkers > 0;
    }
    if (wake) roomMade.notify_all();
  }
}

}  // namespace kv
