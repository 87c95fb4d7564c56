#pragma once

#include <cstdint>
#include <string>

namespace stowlark {

// SW_SHOWNORMAL: a folder opened in Explorer shows as a window of its own.
inline constexpr int kShowNormal = 1;

// What the window commands need of the windowing system and the shell.
class WindowPort {
 public:
  virtual ~WindowPort() = default;
  virtual void ReleaseCapture() = 0;
  virtual void SendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual void Minimise() = 0;
  virtual void Close() = 0;
  virtual void ShellExecute(const std::string& operation, const std::string& file,
                            const std::string& parameters, const std::string& directory,
                            int showCommand) = 0;
};

}  // namespace stowlark
