#include "tests/e2e/Harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/Controls.h"
#include "platform/win32/Handles.h"

namespace stowlark::e2e {
namespace {

constexpr DWORD kPatienceMs = 20000;

// A visible top-level window of the process with this class and title
// (either may be null for any).
HWND WaitForWindow(DWORD process, const wchar_t* className, const wchar_t* title, DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    for (HWND window = FindWindowExW(nullptr, nullptr, className, title); window != nullptr;
         window = FindWindowExW(nullptr, window, className, title)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == process && IsWindowVisible(window)) return window;
    }
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return nullptr;
}

}  // namespace

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The list view reads and writes its item in its own process: the item and
// its text are put there, and read back from there.
std::vector<ListRow> ListViewRows(HWND list, int columns) {
  DWORD process = 0;
  GetWindowThreadProcessId(list, &process);
  const win32::UniqueKernelObject other(
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process));
  constexpr int kLength = 512;
  auto* remote = static_cast<char*>(VirtualAllocEx(other.Get(), nullptr,
                                                   sizeof(LVITEMW) + kLength * sizeof(wchar_t),
                                                   MEM_COMMIT, PAGE_READWRITE));
  if (remote == nullptr) return {};
  std::vector<ListRow> rows(static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
  for (std::size_t row = 0; row < rows.size(); ++row) {
    for (int column = 0; column < columns; ++column) {
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
      item.cchTextMax = kLength;
      wchar_t text[kLength] = L"";
      WriteProcessMemory(other.Get(), remote, &item, sizeof(item), nullptr);
      SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote));
      ReadProcessMemory(other.Get(), remote + sizeof(LVITEMW), text, sizeof(text), nullptr);
      text[kLength - 1] = L'\0';
      rows[row].cells.emplace_back(text);
    }
    rows[row].ticked = (SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) &
                        LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
  }
  VirtualFreeEx(other.Get(), remote, 0, MEM_RELEASE);
  return rows;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items(static_cast<std::size_t>(SendMessageW(combo, CB_GETCOUNT, 0, 0)));
  for (std::size_t item = 0; item < items.size(); ++item) {
    const auto length = static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, item, 0));
    items[item].resize(length + 1);
    SendMessageW(combo, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(items[item].data()));
    items[item].resize(length);
  }
  return items;
}

std::wstring ProgramFolder() {
  // The planted-library test runs the program from a folder of its own.
  if (const wchar_t* folder = _wgetenv(L"STOWLARK_PROGRAM_FOLDER")) return folder;
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

RunningStowlark::RunningStowlark(const std::wstring& arguments) {
  std::wstring command = L"\"" + ProgramFolder() + L"\\Stowlark.exe\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info_)) {
    ADD_FAILURE() << "Stowlark.exe did not start: " << GetLastError();
    return;
  }
  window_ = WaitForWindow(info_.dwProcessId, nullptr, L"Backup/Restore", kPatienceMs);
  if (window_ == nullptr) ADD_FAILURE() << "no window titled Backup/Restore appeared";
  // Painted, so that what a test sees first is the finished window.
  WaitForInputIdle(info_.hProcess, kPatienceMs);
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

int ScreenDpi() {
  // Otherwise Windows would answer 96 and scale what this program sees.
  SetProcessDPIAware();
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

std::vector<std::uint32_t> PixelsOf(const DecodedPicture& picture) {
  BITMAP info;
  GetObjectW(picture.bitmap.Get(), sizeof(info), &info);
  const auto* bits = static_cast<const std::uint32_t*>(info.bmBits);
  return {bits, bits + picture.width * picture.height};
}

Comparison CompareBareSurface(const Capture& shot, const std::vector<std::uint32_t>& background,
                              int dpi) {
  Comparison comparison;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      if (HitTest(x, y, std::nullopt, dpi) != nullptr) continue;
      ++comparison.compared;
      comparison.mismatches += shot.At(x, y) != (background[y * shot.width + x] & 0xFFFFFF);
    }
  }
  return comparison;
}

POINT RunningStowlark::CentreOf(std::string_view name, int dpi) {
  const Rect r = PixelRect(FindControl(name), dpi);
  return {r.left + r.width / 2, r.top + r.height / 2};
}

void RunningStowlark::ClickControl(std::string_view name, int dpi) {
  const POINT centre = CentreOf(name, dpi);
  const LPARAM where = MAKELPARAM(centre.x, centre.y);
  PostMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageW(window_, WM_LBUTTONUP, 0, where);
}

POINT RunningStowlark::Drag(int x, int y) {
  RECT before;
  GetWindowRect(window_, &before);
  MovePointer(before.left + x, before.top + y);
  PressLeft();
  for (int step = 1; step <= 4; ++step) {
    MovePointer(before.left + x + 10 * step, before.top + y + 5 * step);
  }
  ReleaseLeft();
  Sleep(300);
  RECT after;
  GetWindowRect(window_, &after);
  return {after.left - before.left, after.top - before.top};
}

// The suggested rectangle travels by pointer, so it is written into the
// program's own memory first.
void RunningStowlark::SendDpiChanged(int dpi) {
  RECT frame;
  GetWindowRect(window_, &frame);
  frame.right = frame.left + ScaleToDpi(kClientWidth, dpi);
  frame.bottom = frame.top + ScaleToDpi(kClientHeight, dpi);
  void* remote = VirtualAllocEx(info_.hProcess, nullptr, sizeof(frame), MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(remote, nullptr);
  ASSERT_TRUE(WriteProcessMemory(info_.hProcess, remote, &frame, sizeof(frame), nullptr));
  DWORD_PTR result = 0;
  EXPECT_NE(
      SendMessageTimeoutW(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                          reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, kPatienceMs, &result),
      0);
  VirtualFreeEx(info_.hProcess, remote, 0, MEM_RELEASE);
}

bool RunningStowlark::HasMessageBox() {
  return WaitForWindow(info_.dwProcessId, L"#32770", nullptr, 0) != nullptr;
}

FolderPicker::FolderPicker(HWND picker) {
  for (HWND edit = FindWindowExW(picker, nullptr, L"Edit", nullptr); edit != nullptr;
       edit = FindWindowExW(picker, edit, L"Edit", nullptr)) {
    if (IsWindowVisible(edit)) chosen_ = edit;
  }
}

std::wstring FolderPicker::Chosen() const {
  wchar_t shown[MAX_PATH] = L"";
  SendMessageW(chosen_, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(shown));
  return shown;
}

bool FolderPicker::Shows(const std::wstring& name, int seconds) const {
  return WaitFor([&] { return Chosen().ends_with(name); }, seconds);
}

bool FolderPicker::ChooseDrive(wchar_t letter) const {
  const std::wstring drive = std::wstring(L"(") + letter + L":)";
  if (!Shows(L"Desktop")) return false;
  TypeText(L"My Computer");
  if (!Shows(L"My Computer")) return false;
  // Into My Computer (Right opens it, or goes into it where it is open),
  // then down its drives.
  PressKey(VK_RIGHT);
  if (Chosen() == L"My Computer") PressKey(VK_RIGHT);
  for (int step = 0; step < 8 && !Chosen().ends_with(drive); ++step) PressKey(VK_DOWN);
  return Shows(drive, 2);
}

HWND RunningStowlark::WaitForDialog() {
  return WaitForWindow(info_.dwProcessId, L"#32770", nullptr, kPatienceMs);
}

HWND RunningStowlark::WaitForWindowTitled(const wchar_t* title) {
  return WaitForWindow(info_.dwProcessId, nullptr, title, kPatienceMs);
}

MessageBoxSeen RunningStowlark::AnswerMessageBox(WORD key) {
  const HWND box = WaitForWindow(info_.dwProcessId, L"#32770", nullptr, kPatienceMs);
  if (box == nullptr) {
    ADD_FAILURE() << "no message box appeared";
    return {};
  }
  // A message box keeps its prompt in the static control 0xFFFF and its
  // icon in control 0x0440.
  const HWND icon = GetDlgItem(box, 0x0440);
  const MessageBoxSeen seen{
      TextOf(box), TextOf(GetDlgItem(box, 0xFFFF)),
      icon != nullptr && IsWindowVisible(icon) && SendMessageW(icon, STM_GETICON, 0, 0) != 0};
  if (key != 0) {
    WaitForFocus(box);
    PressKey(key);
  } else {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  const DWORD start = GetTickCount();
  while (IsWindow(box) && GetTickCount() - start < kPatienceMs) Sleep(20);
  return seen;
}

Capture CaptureScreen(const RECT& area) {
  Capture capture{area.right - area.left, area.bottom - area.top, {}};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const HDC screen = GetDC(nullptr);
  win32::UniqueMemoryDc dc(CreateCompatibleDC(screen));
  win32::UniqueGdi bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    // Wine cannot hand a device context to another process, so PrintWindow
    // comes back empty there; the screen shows what the window painted.
    const win32::Selection selected(dc.Get(), bitmap.Get());
    BitBlt(dc.Get(), 0, 0, capture.width, capture.height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
  }
  ReleaseDC(nullptr, screen);
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  capture.pixels.assign(pixels, pixels + capture.width * capture.height);
  for (auto& pixel : capture.pixels) pixel &= 0xFFFFFF;
  return capture;
}

void SaveBitmap(const Capture& shot, const std::wstring& path) {
  const auto size = static_cast<DWORD>(shot.pixels.size() * 4);
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(file) + sizeof(BITMAPINFOHEADER)) + size,
                        0, 0, sizeof(file) + sizeof(BITMAPINFOHEADER)};
  BITMAPINFOHEADER info{sizeof(info), shot.width, -shot.height, 1, 32, BI_RGB, size, 0, 0, 0, 0};
  const win32::UniqueFile out(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(out.Get(), &file, sizeof(file), &written, nullptr);
  WriteFile(out.Get(), &info, sizeof(info), &written, nullptr);
  WriteFile(out.Get(), shot.pixels.data(), size, &written, nullptr);
}

Capture RunningStowlark::CaptureClient() {
  RECT client;
  GetClientRect(window_, &client);
  const POINT origin = ClientOrigin();
  OffsetRect(&client, origin.x, origin.y);
  return CaptureScreen(client);
}

POINT RunningStowlark::ClientOrigin() const {
  POINT origin{0, 0};
  ClientToScreen(window_, &origin);
  return origin;
}

namespace {

void SendMouse(DWORD flags, int x = 0, int y = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  SendInput(1, &input, sizeof(input));
  Sleep(100);
}

}  // namespace

void MovePointer(int x, int y) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y); }
void PressLeft() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void ReleaseLeft() { SendMouse(MOUSEEVENTF_LEFTUP); }

void PressKey(WORD key, WORD modifier) {
  INPUT inputs[4]{};
  UINT count = 0;
  for (const auto& [virtualKey, flags] : {std::pair<WORD, DWORD>{modifier, 0},
                                          {key, 0},
                                          {key, KEYEVENTF_KEYUP},
                                          {modifier, KEYEVENTF_KEYUP}}) {
    if (virtualKey == 0) continue;
    inputs[count].type = INPUT_KEYBOARD;
    inputs[count].ki = {virtualKey, 0, flags, 0, 0};
    ++count;
  }
  SendInput(count, inputs, sizeof(INPUT));
  Sleep(150);
}

bool ChooseFromWindowMenu(WORD key) {
  PressKey(VK_SPACE, VK_MENU);
  if (!WaitFor([] { return FindWindowW(L"#32768", nullptr) != nullptr; }, 10)) return false;
  PressKey(key);
  return true;
}

void TypeText(std::wstring_view text) {
  for (const wchar_t character : text) {
    INPUT inputs[2]{};
    for (INPUT& input : inputs) {
      input.type = INPUT_KEYBOARD;
      input.ki = {0, character, KEYEVENTF_UNICODE, 0, 0};
    }
    inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    Sleep(50);
  }
  Sleep(150);
}

// True once the window holds the keyboard focus, which may come late.
bool WaitForFocus(HWND window) {
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  const DWORD start = GetTickCount();
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  while (GetGUIThreadInfo(thread, &info), info.hwndFocus != window) {
    if (GetTickCount() - start > 5000) return false;
    Sleep(50);
  }
  return true;
}

bool WaitFor(const std::function<bool()>& done, int seconds) {
  for (int tries = seconds * 10; tries > 0; --tries, Sleep(100)) {
    if (done()) return true;
  }
  return done();
}

DWORD RunningStowlark::WaitForExit(DWORD milliseconds) {
  WaitForSingleObject(info_.hProcess, milliseconds);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

}  // namespace stowlark::e2e
