#include "platform/win32/Win32Messages.h"

#include "platform/win32/Text.h"

namespace stowlark::win32 {

void Win32Messages::ShowMessage(const std::string& prompt, int style,
                                const std::optional<std::string>& title) {
  if (silent_) return;
  const std::wstring caption = title ? Widen(*title) : kApplicationTitle;
  MessageBoxW(owner_, Widen(prompt).c_str(), caption.c_str(), static_cast<UINT>(style));
}

bool Win32Messages::Ask(const std::string& prompt, const std::string& title) {
  if (silent_) return false;
  return MessageBoxW(owner_, Widen(prompt).c_str(), Widen(title).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES;
}

}  // namespace stowlark::win32
