#pragma once

#include <windows.h>

#include "platform/MessagePort.h"

namespace stowlark::win32 {

inline constexpr wchar_t kApplicationTitle[] = L"Stowlark";

// Message boxes owned by the program's window, modal to it.
class Win32Messages : public MessagePort {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  void ShowMessage(const std::string& prompt, int style,
                   const std::optional<std::string>& title) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace stowlark::win32
