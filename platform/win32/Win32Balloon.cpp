#include "platform/win32/Win32Balloon.h"

#include <shellapi.h>

#include <algorithm>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"

namespace stowlark::win32 {
namespace {

using NotifyIcon = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAW*);

// shell32 from the system folder, like every library not imported.
BOOL Notify(DWORD message, NOTIFYICONDATAW& data) {
  static const auto notify = SystemFunction<NotifyIcon>(L"shell32.dll", "Shell_NotifyIconW");
  return notify != nullptr && notify(message, &data);
}

// The size Windows XP takes, which every later Windows takes too.
NOTIFYICONDATAW IconData(HWND owner) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = owner;
  data.uID = 1;
  return data;
}

template <std::size_t Size>
void Copy(wchar_t (&into)[Size], const std::string& text) {
  const std::wstring wide = Widen(text);
  const std::size_t length = std::min(wide.size(), Size - 1);
  wide.copy(into, length);
  into[length] = L'\0';
}

}  // namespace

Balloon::~Balloon() {
  if (owner_ == nullptr) return;
  NOTIFYICONDATAW data = IconData(owner_);
  Notify(NIM_DELETE, data);
}

bool Balloon::Show(HWND owner, HICON icon, const std::string& title, const std::string& text) {
  NOTIFYICONDATAW data = IconData(owner);
  data.uFlags = NIF_ICON | NIF_TIP | NIF_INFO;
  data.hIcon = icon;
  data.dwInfoFlags = NIIF_WARNING;
  Copy(data.szTip, title);
  Copy(data.szInfoTitle, title);
  Copy(data.szInfo, text);
  if (!Notify(NIM_ADD, data)) return false;
  owner_ = owner;
  return true;
}

}  // namespace stowlark::win32
