#include "app/win32/MainWindow.h"

#include <shlobj.h>
#include <windowsx.h>

#include <memory>
#include <optional>

#include "app/Accessible.h"
#include "app/win32/Choosers.h"
#include "app/win32/CommandRun.h"
#include "app/win32/Painting.h"
#include "app/win32/ResourceIds.h"
#include "app/win32/RestoreDialog.h"
#include "platform/win32/Com.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

constexpr UINT kRunFromCommandLine = WM_APP + 3;
constexpr UINT kTellOfAutomaticBackup = WM_APP + 4;
constexpr UINT kOpenOfferedBackup = WM_APP + 5;
// The system menu's Minimize under a command of the window's own: the system
// greys its own for a window without a minimise box.
constexpr UINT kMinimiseCommand = 0x0010;
constexpr UINT kDailyBackupCommand = 0x0020;
constexpr UINT kCopyToCommand = 0x0030;
constexpr UINT kStopCopyingCommand = 0x0040;
constexpr UINT kRestoreFromCommand = 0x0050;
constexpr UINT kEarlierVersionCommand = 0x0060;
constexpr UINT kOpenFolderCommand = 0x0070;

// The window's own items of its menu, below the system's (which start at 0xF000).
bool IsOwnCommand(WPARAM command) {
  const UINT which = command & 0xFFF0;
  return which >= kMinimiseCommand && which <= kOpenFolderCommand;
}

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// Windows 10 gives each window the density of its monitor; before it, one
// density serves the whole screen.
int WindowDpi(HWND window) {
  using Function = UINT(WINAPI*)(HWND);
  const auto forWindow = reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const UINT dpi = forWindow != nullptr ? forWindow(window) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : ScreenDpi();
}

}  // namespace

MainWindow::MainWindow(HWND window, HINSTANCE instance, const CommandRun* command)
    : window_(window),
      instance_(instance),
      skin_(Skin::Load(instance, WindowDpi(window))),
      commands_(window),
      worker_(window, kCopyDone, kProgressTickMs),
      taskbar_(window),
      form_(
          {registry_, messages_, commands_, files_, lock_, worker_, taskbar_, clock_, scheduler_}),
      command_(command) {
  messages_.SetOwner(window);
  form_.OnCopyingChanged([this] { AnnounceAvailability(window_); });
  if (command_ == nullptr) {
    // Opened once the run that offered it has ended, box and all.
    form_.OnBackupOffered([this](const RestoreSource& source) {
      offered_ = source;
      PostMessageW(window_, kOpenOfferedBackup, 0, 0);
    });
    return;
  }
  form_.LimitRuns({command_->line.accounts, command_->line.preview, command_->line.automatic,
                   command_->line.from, command_->line.asOf, command_->line.items});
  form_.BeforeRun([this] { return command_->Starting(); });
  form_.OnRunEnded([this](const Outcome& outcome) {
    exitCode_ = command_->Ended(outcome);
    runEnded_ = true;
  });
}

int MainWindow::Run(HINSTANCE instance, int showCommand, const CommandRun* command) {
  const win32::ComApartment com;  // the pictures are decoded through COM
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  // At the sizes the system shows, which grow with the screen's density.
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_STOWLARK),
                                                    IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_STOWLARK),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  if (!RegisterClassExW(&windowClass)) return 1;

  const int dpi = ScreenDpi();
  const int width = ScaleToDpi(kClientWidth, dpi);
  const int height = ScaleToDpi(kClientHeight, dpi);
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  const HWND window = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, kWindowCaption,
                                      WS_POPUP | WS_SYSMENU, left, top, width, height, nullptr,
                                      nullptr, instance, const_cast<CommandRun*>(command));
  if (window == nullptr) return 1;
  ShowWindow(window, showCommand);
  PostMessageW(window, command != nullptr ? kRunFromCommandLine : kTellOfAutomaticBackup, 0, 0);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    self = new MainWindow(window, create->hInstance,
                          static_cast<const CommandRun*>(create->lpCreateParams));
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    delete self;
    self = nullptr;
  }
  return self != nullptr ? self->Handle(message, wParam, lParam)
                         : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_PRINTCLIENT:
      OnPrintClient(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      OnButtonDown(MouseButton::Left, lParam);
      return 0;
    case WM_RBUTTONDOWN:
      OnButtonDown(MouseButton::Right, lParam);
      return 0;
    case WM_MBUTTONDOWN:
      OnButtonDown(MouseButton::Middle, lParam);
      return 0;
    case WM_LBUTTONUP:
      OnButtonUp(MouseButton::Left, lParam);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(wParam, lParam);
      return 0;
    case WM_SETFOCUS:
      // The system announces the window; a reader should hear the command.
      AnnounceFocus(window_, form_.Focused());
      InvalidateRect(window_, nullptr, FALSE);
      if (tips_) tips_->FollowFocus(FocusToShow());
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(window_, nullptr, FALSE);
      if (tips_) tips_->FollowFocus(nullptr);
      return 0;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (tips_ && tips_->OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
      break;
    }
    case WM_UPDATEUISTATE:
      OnUpdateUiState(wParam);
      break;
    case WM_GETOBJECT:
      if (static_cast<LONG>(lParam) != OBJID_CLIENT) break;
      return ClientAccessible::Answer(window_, form_, accessible_, wParam);
    case kRunCommand:
      OnRunCommand(wParam);
      return 0;
    case WM_SYSCHAR:
      if (wParam != L' ') break;
      OpenSystemMenu();
      return 0;
    case WM_SYSCOMMAND:
      if (!IsOwnCommand(wParam)) break;
      OnSystemCommand(wParam & 0xFFF0);
      return 0;
    case WM_INITMENUPOPUP:
      if (reinterpret_cast<HMENU>(wParam) != GetSystemMenu(window_, FALSE)) break;
      OnInitSystemMenu(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(lParam)) return TRUE;
      break;
    case WM_TIMER:
      form_.OnProgressTick(worker_.ElapsedMs());
      return 0;
    case kCopyDone:
      OnCopyDone();
      return 0;
    case kRunFromCommandLine:
      OnRunFromCommandLine();
      return 0;
    case kTellOfAutomaticBackup:
      form_.TellOfUnfinishedAutomaticBackup();
      return 0;
    case kOpenOfferedBackup:
      OpenRestoreDialog(RestoreFocus::From, std::exchange(offered_, std::nullopt));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      form_.StopCopy();
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) OnEndSession();
      return 0;
    case WM_DESTROY:
      if (accessible_) accessible_->Detach();
      PostQuitMessage(exitCode_);
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::OnCreate() {
  // The two check boxes exist as real controls, but hidden and disabled, so
  // they neither show nor take a click or the focus.
  HWND* check = checkBoxes_;
  for (const char* name : {"chkBackup", "chkRestore"}) {
    *check =
        CreateWindowExW(0, L"BUTTON", win32::Widen(FindControl(name).caption).c_str(),
                        WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 0, 0, window_, nullptr, nullptr, nullptr);
    EnableWindow(*check++, FALSE);
  }
  // A monitor of its own density may have taken the window from the start.
  RECT frame;
  GetWindowRect(window_, &frame);
  const int width = ScaleToDpi(kClientWidth, skin_.dpi);
  const int height = ScaleToDpi(kClientHeight, skin_.dpi);
  SetWindowPos(window_, nullptr, (frame.left + frame.right - width) / 2,
               (frame.top + frame.bottom - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  ApplySkin();
  tips_.emplace(window_, form_);
  MakeSystemMenu();
  // Focus cues stay hidden until the keyboard is used, unless the user
  // asked to see them always.
  BOOL cuesAlways = FALSE;
  SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cuesAlways, 0);
  hideFocus_ = !cuesAlways;
  form_.Load();
}

// Alt+Space opens a menu that moves, minimises and closes the window, in the
// system's own words.
void MainWindow::MakeSystemMenu() {
  const HMENU menu = GetSystemMenu(window_, FALSE);
  for (const UINT command : {SC_RESTORE, SC_SIZE, SC_MAXIMIZE}) {
    DeleteMenu(menu, command, MF_BYCOMMAND);
  }
  wchar_t text[64] = L"Mi&nimize";
  GetMenuStringW(menu, SC_MINIMIZE, text, 64, MF_BYCOMMAND);
  ModifyMenuW(menu, SC_MINIMIZE, MF_BYCOMMAND | MF_STRING, kMinimiseCommand, text);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kDailyBackupCommand, L"&Back up every day");
  AppendMenuW(menu, MF_STRING, kCopyToCommand, L"Also copy &to\x2026");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kRestoreFromCommand, L"Restore &from\x2026");
  AppendMenuW(menu, MF_STRING, kEarlierVersionCommand, L"Restore an &earlier version\x2026");
  AppendMenuW(menu, MF_STRING, kOpenFolderCommand, L"&Open backup folder");
}

// The menu as things stand when it opens: the daily backup's check mark,
// and an item to stop copying while a place away from this disk is set.
void MainWindow::OnInitSystemMenu(HMENU menu) {
  CheckMenuItem(menu, kDailyBackupCommand,
                MF_BYCOMMAND | (form_.DailyBackupOn(ProgramPath()) ? MF_CHECKED : MF_UNCHECKED));
  DeleteMenu(menu, kStopCopyingCommand, MF_BYCOMMAND);
  const CopySetting setting = form_.CopyPlaceNow();
  if (const auto& place = setting.place) {
    const std::string name = place->label.empty() ? "" : " (" + place->label + ")";
    InsertMenuW(menu, kRestoreFromCommand, MF_BYCOMMAND | MF_STRING, kStopCopyingCommand,
                win32::Widen("Sto&p copying to " + place->path + name).c_str());
  } else if (setting.unreadable) {
    // Where to is not known, but the copy can still be turned off.
    InsertMenuW(menu, kRestoreFromCommand, MF_BYCOMMAND | MF_STRING, kStopCopyingCommand,
                L"Sto&p copying to another place");
  }
}

void MainWindow::OnSystemCommand(WPARAM command) {
  switch (command) {
    case kMinimiseCommand:
      ShowWindow(window_, SW_MINIMIZE);
      break;
    case kDailyBackupCommand:
      form_.ToggleDailyBackup(ProgramPath());
      break;
    case kCopyToCommand:
      if (const auto folder =
              ChooseFolder(window_,
                           L"Choose where every backup is also copied: a folder on a USB stick, "
                           L"another drive or a network folder.")) {
        form_.CopyTo(win32::UniversalPath(*folder));
      }
      break;
    case kStopCopyingCommand:
      form_.CopyTo(std::nullopt);
      break;
    case kRestoreFromCommand:
      OpenRestoreDialog(RestoreFocus::From, std::nullopt);
      break;
    case kEarlierVersionCommand:
      OpenRestoreDialog(RestoreFocus::AsItWas, std::nullopt);
      break;
    case kOpenFolderCommand:
      form_.OpenBackupFolder();
      break;
  }
}

void MainWindow::OpenRestoreDialog(RestoreFocus focus, std::optional<RestoreSource> source) {
  if (form_.Copying()) return;
  auto [search, messengerFolder] = form_.LookingForBackups();
  const auto choice =
      ShowRestoreDialog(window_, files_, clock_,
                        {std::move(search), std::move(messengerFolder), std::move(source), focus});
  if (choice) form_.RestoreChosen(*choice);
}

// Alt+Space: the window has no title bar for the system to open its menu
// under (some systems then open none), so it opens at the window's corner.
void MainWindow::OpenSystemMenu() {
  RECT frame;
  GetWindowRect(window_, &frame);
  const auto chosen = static_cast<WPARAM>(TrackPopupMenu(
      GetSystemMenu(window_, FALSE), TPM_RETURNCMD, frame.left, frame.top, 0, window_, nullptr));
  if (chosen != 0) SendMessageW(window_, WM_SYSCOMMAND, chosen, 0);
}

// The system tells the window to show or hide its focus cues (Windows does
// when Alt or Tab is pressed anywhere in it).
void MainWindow::OnUpdateUiState(WPARAM change) {
  if (HIWORD(change) & UISF_HIDEFOCUS) {
    if (LOWORD(change) == UIS_SET) hideFocus_ = true;
    if (LOWORD(change) == UIS_CLEAR) hideFocus_ = false;
    InvalidateRect(window_, nullptr, FALSE);
    tips_->FollowFocus(FocusToShow());
  }
}

// The key that says the keyboard is in use shows the focus cues; Enter and
// Space held down run their command once.
void MainWindow::OnKeyDown(WPARAM key, LPARAM flags) {
  const bool repeat = (flags & 0x40000000) != 0;
  const std::optional<Key> which = key == VK_TAB      ? std::optional(Key::Tab)
                                   : key == VK_RETURN ? std::optional(Key::Enter)
                                   : key == VK_SPACE  ? std::optional(Key::Space)
                                                      : std::nullopt;
  if (!which || (repeat && *which != Key::Tab)) return;
  hideFocus_ = false;
  if (form_.OnKeyDown(*which, GetKeyState(VK_SHIFT) < 0)) AnnounceFocus(window_, form_.Focused());
  if (*which == Key::Tab) InvalidateRect(window_, nullptr, FALSE);
  tips_->FollowFocus(FocusToShow());
}

// Asked for while the window was enabled, it may arrive after a box has
// disabled it, inside the box's own message loop.
void MainWindow::OnRunCommand(WPARAM child) {
  const auto children = AccessibleChildren();
  if (child < 1 || child > children.size() || !IsWindowEnabled(window_)) return;
  form_.RunCommand(FindControl(children[child - 1].control));
}

const Control* MainWindow::FocusToShow() const {
  return !hideFocus_ && GetFocus() == window_ ? &form_.Focused() : nullptr;
}

// The system suggests where the window goes on a monitor of another density;
// everything is laid out and drawn anew for it.
void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  skin_ = Skin::Load(instance_, dpi);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ApplySkin();
  InvalidateRect(window_, nullptr, FALSE);
}

void MainWindow::ApplySkin() {
  form_.SetLayout(skin_.dpi, skin_.titleBox);
  HWND* check = checkBoxes_;
  for (const char* name : {"chkBackup", "chkRestore"}) {
    const Rect box = PixelRect(FindControl(name), skin_.dpi);
    MoveWindow(*check++, box.left, box.top, box.width, box.height, FALSE);
  }
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(skin_.smallIcon.Get()));
  if (tips_) tips_->Place();
}

// Drawn into a back buffer first, so a drag or a restore never flickers.
void MainWindow::OnPaint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window_, &paint);
  RECT client;
  GetClientRect(window_, &client);
  const win32::UniqueMemoryDc buffer(CreateCompatibleDC(dc));
  const win32::UniqueGdi bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
  {
    const win32::Selection selected(buffer.Get(), bitmap.Get());
    PaintWindow(buffer.Get(), skin_, FocusToShow());
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
  }
  EndPaint(window_, &paint);
}

void MainWindow::OnPrintClient(HDC dc) { PaintWindow(dc, skin_, FocusToShow()); }

void MainWindow::OnButtonDown(MouseButton button, LPARAM lParam) {
  // Captured so that the release arrives even off the control; a drag
  // releases it again before the system's move loop starts.
  SetCapture(window_);
  form_.OnMouseDown(button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

void MainWindow::OnButtonUp(MouseButton button, LPARAM lParam) {
  if (GetCapture() == window_) ReleaseCapture();
  form_.OnMouseUp(button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

bool MainWindow::OnSetCursor(LPARAM lParam) {
  if (LOWORD(lParam) != HTCLIENT) return false;
  POINT point;
  GetCursorPos(&point);
  ScreenToClient(window_, &point);
  const Control* control = form_.ControlAt(point.x, point.y);
  const bool hand = control != nullptr && control->cursor == CursorId::Hand;
  if (form_.Copying()) {
    SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
  } else {
    SetCursor(hand ? skin_.hand.Get() : LoadCursorW(nullptr, IDC_ARROW));
  }
  return true;
}

// Closing in the middle of a copy waits for the file in hand; the box then
// says what was and was not copied, and the window closes after it.
void MainWindow::OnClose() {
  if (!form_.Copying()) {
    DestroyWindow(window_);
    return;
  }
  closeAfterCopy_ = true;
  form_.StopCopy();
}

// A run refused at once has shown its box by the time this returns; the
// window of a command line closes once the box is dismissed.
void MainWindow::OnRunFromCommandLine() {
  form_.RunCommand(command_->Go());
  if (runEnded_) DestroyWindow(window_);
}

void MainWindow::OnCopyDone() {
  worker_.Finish();
  if (closeAfterCopy_ || runEnded_) DestroyWindow(window_);
}

// The session ends: the copy stops after the file in hand and ends as any
// other, its lines written, but without a box; the program ends before the
// system would end it. A run that had ended keeps its own exit code, and a
// run not yet begun counts as stopped before it copied anything.
void MainWindow::OnEndSession() {
  messages_.Silence();
  form_.StopCopy();
  if (worker_.WaitForWork(kEndSessionWaitMs)) worker_.Finish();
  if (command_ == nullptr) ExitProcess(0);
  if (!runEnded_ && !form_.Copying()) {
    exitCode_ = command_->Ended({"", kStyleInformation, "", RunResult::Stopped});
    runEnded_ = true;
  }
  ExitProcess(runEnded_ ? exitCode_ : ExitCode(RunResult::Stopped));
}

}  // namespace stowlark
