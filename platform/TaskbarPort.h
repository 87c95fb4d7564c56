#pragma once

#include <cstdint>

namespace stowlark {

// The program's button on the taskbar, where the system can show how far a
// long piece of work has come. Where it cannot (before Windows 7, or with no
// taskbar), each call does nothing.
class TaskbarPort {
 public:
  virtual ~TaskbarPort() = default;
  virtual void ShowProgress(std::uint64_t done, std::uint64_t total) = 0;
  virtual void ShowError() = 0;
  virtual void Clear() = 0;
};

}  // namespace stowlark
