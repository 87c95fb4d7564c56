#include "platform/win32/Win32Window.h"

#include <shellapi.h>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"

namespace stowlark::win32 {

void Win32Window::ReleaseCapture() { ::ReleaseCapture(); }

void Win32Window::SendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  ::SendMessageW(window_, message, wParam, lParam);
}

void Win32Window::Minimise() { ::ShowWindow(window_, SW_MINIMIZE); }

// Posted, so that the window outlives the click handler that asked for it.
void Win32Window::Close() { ::PostMessageW(window_, WM_CLOSE, 0, 0); }

// The shell is loaded on the first link clicked, not at start-up, where it
// would cost three libraries that most runs never use.
void Win32Window::ShellExecute(const std::string& operation, const std::string& file,
                               const std::string& parameters, const std::string& directory,
                               int showCommand) {
  using Function = decltype(&::ShellExecuteW);
  const auto execute = SystemFunction<Function>(L"shell32.dll", "ShellExecuteW");
  if (execute == nullptr) return;
  execute(window_, Widen(operation).c_str(), Widen(file).c_str(), Widen(parameters).c_str(),
          Widen(directory).c_str(), showCommand);
}

}  // namespace stowlark::win32
