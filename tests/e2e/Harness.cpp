#include "tests/e2e/Harness.h"

#include <gtest/gtest.h>

namespace stowlark::e2e {
namespace {

constexpr DWORD kPatienceMs = 20000;

struct Search {
  DWORD process;
  const wchar_t* className;
  const wchar_t* title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t buffer[256] = {};
  if (process != search.process || !IsWindowVisible(window)) return TRUE;
  if (search.className != nullptr) {
    GetClassNameW(window, buffer, 256);
    if (std::wstring(buffer) != search.className) return TRUE;
  }
  if (search.title != nullptr) {
    GetWindowTextW(window, buffer, 256);
    if (std::wstring(buffer) != search.title) return TRUE;
  }
  search.found = window;
  return FALSE;
}

HWND WaitForWindow(DWORD process, const wchar_t* className, const wchar_t* title, DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    Search search{process, className, title};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return nullptr;
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

RunningStowlark::RunningStowlark() {
  std::wstring command = L"\"" + ProgramFolder() + L"\\Stowlark.exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info_)) {
    ADD_FAILURE() << "Stowlark.exe did not start: " << GetLastError();
    return;
  }
  window_ = WaitForWindow(info_.dwProcessId, nullptr, L"Backup/Restore", kPatienceMs);
  if (window_ == nullptr) ADD_FAILURE() << "no window titled Backup/Restore appeared";
}

RunningStowlark::~RunningStowlark() {
  if (info_.hProcess == nullptr) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, kPatienceMs);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

void RunningStowlark::Click(int x, int y) {
  const LPARAM where = MAKELPARAM(x, y);
  PostMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageW(window_, WM_LBUTTONUP, 0, where);
}

HWND RunningStowlark::FindBox() {
  return WaitForWindow(info_.dwProcessId, L"#32770", nullptr, kPatienceMs);
}

bool RunningStowlark::HasMessageBox() {
  return WaitForWindow(info_.dwProcessId, L"#32770", nullptr, 0) != nullptr;
}

MessageBoxSeen RunningStowlark::AnswerMessageBox() {
  const HWND box = FindBox();
  if (box == nullptr) {
    ADD_FAILURE() << "no message box appeared";
    return {};
  }
  MessageBoxSeen seen{TextOf(box), {}, false};
  // A message box keeps its prompt in the static control 0xFFFF and its
  // icon in control 0x0440.
  seen.text = TextOf(GetDlgItem(box, 0xFFFF));
  const HWND icon = GetDlgItem(box, 0x0440);
  seen.hasIcon =
      icon != nullptr && IsWindowVisible(icon) && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  const DWORD start = GetTickCount();
  while (IsWindow(box) && GetTickCount() - start < kPatienceMs) Sleep(20);
  return seen;
}

DWORD RunningStowlark::WaitForExit(DWORD milliseconds) {
  WaitForSingleObject(info_.hProcess, milliseconds);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

}  // namespace stowlark::e2e
