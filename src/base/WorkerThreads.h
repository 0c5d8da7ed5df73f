// A group of worker threads that is told to stop and joined however the scope owning it is left.
#pragma once

#include <functional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace kv {

// The owner's state outlives the workers: when the group goes (a result callback throwing, a
// thread that could not be started, the normal end), `Stop` tells the workers to finish the item
// they hold and leave, and every thread is joined before the owner's state is destroyed.
class TWorkerThreads {
 public:
  explicit TWorkerThreads(std::function<void()> stop) : Stop(std::move(stop)) {}
  TWorkerThreads(const TWorkerThreads&) = delete;
  TWorkerThreads& operator=(const TWorkerThreads&) = delete;
  ~TWorkerThreads() { StopAndJoin(); }

  // Starts up to `count` threads running `work`. When the system refuses one, those started do the
  // work; when it refuses the first and `atLeastOne` is set, the error is thrown.
  void Start(unsigned count, const std::function<void()>& work, bool atLeastOne = true) {
    Threads.reserve(Threads.size() + count);
    for (unsigned t = 0; t < count; ++t) {
      try {
        Threads.emplace_back(work);
      } catch (const std::system_error&) {
        if (Threads.empty() && atLeastOne) throw;
        break;
      }
    }
  }

  std::size_t Size() const { return Threads.size(); }

  void StopAndJoin() noexcept {
    Stop();
    for (auto& thread : Threads) {
      if (thread.joinable()) thread.join();
    }
  }

 private:
  std::function<void()> Stop;
  std::vector<std::thread> Threads;
};

}  // namespace kv
