#pragma once

#include <windows.h>

#include "platform/WindowPort.h"

namespace stowlark::win32 {

class Win32Window : public WindowPort {
 public:
  explicit Win32Window(HWND window) : window_(window) {}
  void ReleaseCapture() override;
  void SendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
  void Minimise() override;
  void Close() override;
  void ShellExecute(const std::string& operation, const std::string& file,
                    const std::string& parameters, const std::string& directory,
                    int showCommand) override;

 private:
  HWND window_;
};

}  // namespace stowlark::win32
