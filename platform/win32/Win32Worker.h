#pragma once

#include <windows.h>

#include <functional>

#include "platform/Worker.h"
#include "platform/win32/Handles.h"

namespace stowlark::win32 {

// Runs the work on a thread of its own. When it returns, `doneMessage` is
// posted to the window, whose handler calls Finish; while it runs, the
// window gets a timer message every `tickMs`.
class Win32Worker : public Worker {
 public:
  static constexpr UINT_PTR kTimerId = 1;

  Win32Worker(HWND window, UINT doneMessage, UINT tickMs);
  Win32Worker(const Win32Worker&) = delete;
  Win32Worker& operator=(const Win32Worker&) = delete;
  ~Win32Worker() override;

  void Start(std::function<void()> work, std::function<void()> finished) override;
  // On the window's thread, at the done message: runs `finished`, once.
  void Finish();
  // True when no work runs, or once it has returned within `milliseconds`.
  bool WaitForWork(DWORD milliseconds);
  DWORD ElapsedMs() const { return GetTickCount() - started_; }

 private:
  static DWORD WINAPI ThreadMain(void* self);

  HWND window_;
  UINT doneMessage_;
  UINT tickMs_;
  std::function<void()> work_;
  std::function<void()> finished_;
  UniqueFile thread_;
  DWORD started_ = 0;
};

}  // namespace stowlark::win32
