// The stopwatch for per-file timings: readings of a monotonic performance counter and their
// difference in seconds and microseconds.
#pragma once

#include <cstdint>

namespace kv {

// Performance-counter counts per second.
extern const std::int64_t TimerFrequency;

// Reads the performance counter.
std::int64_t QueryPerformanceCount();

class TFastTimer {
 public:
  void Start() { StartCount = QueryPerformanceCount(); }
  void Stop() { StopCount = QueryPerformanceCount(); }
  // (stop - start) in seconds, as an 80-bit extended value.
  long double ElapsedSeconds() const;
  // ElapsedSeconds x 1 000 000, truncated toward zero.
  std::int64_t ElapsedMicroseconds() const;

 private:
  std::int64_t StartCount = 0;
  std::int64_t StopCount = 0;
};

}  // namespace kv
