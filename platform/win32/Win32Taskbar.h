#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <shobjidl.h>

#include "platform/TaskbarPort.h"
#include "platform/win32/Com.h"

namespace stowlark::win32 {

// The window's taskbar button through ITaskbarList3, which came with
// Windows 7; where there is none, every call does nothing. Needs COM on the
// window's thread.
class Win32Taskbar : public TaskbarPort {
 public:
  explicit Win32Taskbar(HWND window) : window_(window) {}
  void ShowProgress(std::uint64_t done, std::uint64_t total) override;
  void ShowError() override;
  void Clear() override;

 private:
  ITaskbarList3* List();

  HWND window_;
  ComPtr<ITaskbarList3> list_;
  bool asked_ = false;
  bool usable_ = false;
};

}  // namespace stowlark::win32
