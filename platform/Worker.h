#pragma once

#include <functional>

namespace stowlark {

// Runs long work away from the window's thread, so that the window keeps
// painting and answering while it runs.
class Worker {
 public:
  virtual ~Worker() = default;
  // Runs `work` on a thread of its own, then `finished` on the window's
  // thread once `work` has returned. One at a time.
  virtual void Start(std::function<void()> work, std::function<void()> finished) = 0;
};

}  // namespace stowlark
