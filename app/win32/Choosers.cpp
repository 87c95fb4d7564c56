#include "app/win32/Choosers.h"

#include <shlobj.h>

#include "app/win32/ResourceIds.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

INT_PTR CALLBACK RestorePointProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND list = GetDlgItem(dialog, IDC_RESTORE_POINTS);
  switch (message) {
    case WM_INITDIALOG:
      for (const auto& point :
           *reinterpret_cast<const std::vector<frmBackup::RestorePoint>*>(lParam)) {
        SendMessageW(list, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(win32::Widen(point.words).c_str()));
      }
      SendMessageW(list, LB_SETCURSEL, 0, 0);
      SetFocus(list);
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_RESTORE_POINTS && HIWORD(wParam) == LBN_DBLCLK) wParam = IDOK;
      if (LOWORD(wParam) == IDOK) {
        EndDialog(dialog, SendMessageW(list, LB_GETCURSEL, 0, 0) + 1);
      } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
      }
      return TRUE;
  }
  return FALSE;
}

}  // namespace

std::optional<std::string> ChooseFolder(HWND owner, const wchar_t* title) {
  using Browse = LPITEMIDLIST(WINAPI*)(LPBROWSEINFOW);
  using PathOf = BOOL(WINAPI*)(LPCITEMIDLIST, LPWSTR);
  const auto browse = win32::SystemFunction<Browse>(L"shell32.dll", "SHBrowseForFolderW");
  const auto pathOf = win32::SystemFunction<PathOf>(L"shell32.dll", "SHGetPathFromIDListW");
  if (browse == nullptr || pathOf == nullptr) return std::nullopt;
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  const LPITEMIDLIST chosen = browse(&info);
  if (chosen == nullptr) return std::nullopt;
  wchar_t path[MAX_PATH] = L"";
  const bool got = pathOf(chosen, path);
  CoTaskMemFree(chosen);
  return got ? std::optional(win32::Narrow(path)) : std::nullopt;
}

std::optional<frmBackup::RestorePoint> ChooseRestorePoint(
    HWND owner, const std::vector<frmBackup::RestorePoint>& points) {
  const INT_PTR chosen =
      DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_RESTORE_POINT), owner,
                      RestorePointProc, reinterpret_cast<LPARAM>(&points));
  if (chosen < 1 || static_cast<std::size_t>(chosen) > points.size()) return std::nullopt;
  return points[static_cast<std::size_t>(chosen) - 1];
}

}  // namespace stowlark
