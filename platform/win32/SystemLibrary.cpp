#include "platform/win32/SystemLibrary.h"

#include <string>

namespace stowlark::win32 {

void KeepLibrarySearchInSystemFolder() {
  SetDllDirectoryW(L"");
  using Restrict = BOOL(WINAPI*)(DWORD);
  const auto restrict = reinterpret_cast<Restrict>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (restrict != nullptr) restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L"\\" + name;
  return LoadLibraryW(path.c_str());
}

}  // namespace stowlark::win32
