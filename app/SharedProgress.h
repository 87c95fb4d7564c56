#pragma once

#include <atomic>
#include <cstdint>

#include "backup/Progress.h"

namespace stowlark {

// The one thing the copy's thread and the window's thread share while a copy
// runs: how far it has come, written by the copy, and whether to stop,
// written by the window.
class SharedProgress : public CopyProgress {
 public:
  void Report(const Tally& done, const Tally& planned) override {
    planned_.store(planned.bytes);
    done_.store(done.bytes);
  }
  bool StopRequested() override { return stop_.load(); }

  void RequestStop() { stop_.store(true); }
  void Reset() {
    done_.store(0);
    planned_.store(0);
    stop_.store(false);
  }
  std::uint64_t DoneBytes() const { return done_.load(); }
  std::uint64_t PlannedBytes() const { return planned_.load(); }

 private:
  std::atomic<std::uint64_t> done_{0};
  std::atomic<std::uint64_t> planned_{0};
  std::atomic<bool> stop_{false};
};

}  // namespace stowlark
