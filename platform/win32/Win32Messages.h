#pragma once

#include <windows.h>

#include "platform/MessagePort.h"

namespace stowlark::win32 {

inline constexpr wchar_t kApplicationTitle[] = L"Stowlark";

// Message boxes owned by the program's window, modal to it.
class Win32Messages : public MessagePort {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  // Once the session ends, nobody is left to dismiss a box: none is shown.
  void Silence() { silent_ = true; }
  void ShowMessage(const std::string& prompt, int style,
                   const std::optional<std::string>& title) override;
  bool Ask(const std::string& prompt, const std::string& title) override;

 private:
  HWND owner_ = nullptr;
  bool silent_ = false;
};

}  // namespace stowlark::win32
