#include "app/win32/Choosers.h"

#include <shlobj.h>

#include "app/win32/ResourceIds.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

// Opens the picker on My Computer, where the drives that may hold a backup
// are, rather than on the Desktop.
int CALLBACK StartAtMyComputer(HWND picker, UINT message, LPARAM, LPARAM) {
  using Location = HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*);
  const auto location =
      win32::SystemFunction<Location>(L"shell32.dll", "SHGetSpecialFolderLocation");
  LPITEMIDLIST computer = nullptr;
  if (message == BFFM_INITIALIZED && location != nullptr &&
      SUCCEEDED(location(picker, CSIDL_DRIVES, &computer))) {
    SendMessageW(picker, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(computer));
    CoTaskMemFree(computer);
  }
  return 0;
}

}  // namespace

std::optional<std::string> ChooseFolder(HWND owner, const wchar_t* title, FolderToChoose what) {
  using Browse = LPITEMIDLIST(WINAPI*)(LPBROWSEINFOW);
  using PathOf = BOOL(WINAPI*)(LPCITEMIDLIST, LPWSTR);
  const auto browse = win32::SystemFunction<Browse>(L"shell32.dll", "SHBrowseForFolderW");
  const auto pathOf = win32::SystemFunction<PathOf>(L"shell32.dll", "SHGetPathFromIDListW");
  if (browse == nullptr || pathOf == nullptr) return std::nullopt;
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  if (what == FolderToChoose::Backup) {
    info.ulFlags |= BIF_NONEWFOLDERBUTTON;
    info.lpfn = StartAtMyComputer;
  }
  const LPITEMIDLIST chosen = browse(&info);
  if (chosen == nullptr) return std::nullopt;
  wchar_t path[MAX_PATH] = L"";
  const bool got = pathOf(chosen, path);
  CoTaskMemFree(chosen);
  return got ? std::optional(win32::Narrow(path)) : std::nullopt;
}

}  // namespace stowlark
