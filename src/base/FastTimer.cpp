// The stopwatch over std::chrono::steady_clock, whose ticks serve as performance-counter counts.
#include "base/FastTimer.h"

#include <chrono>

namespace kv {

using TCounterClock = std::chrono::steady_clock;

const std::int64_t TimerFrequency =
    static_cast<std::int64_t>(TCounterClock::period::den / TCounterClock::period::num);

std::int64_t QueryPerformanceCount() {
  return static_cast<std::int64_t>(TCounterClock::now().time_since_epoch().count());
}

long double TFastTimer::ElapsedSeconds() const {
  return static_cast<long double>(StopCount - StartCount) /
         static_cast<long double>(TimerFrequency);
}

std::int64_t TFastTimer::ElapsedMicroseconds() const {
  return static_cast<std::int64_t>(ElapsedSeconds() * 1000000.0L);
}

}  // namespace kv
