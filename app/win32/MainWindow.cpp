#include "app/win32/MainWindow.h"

#include <windowsx.h>

#include <memory>

#include "app/win32/Painting.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/Com.h"
#include "platform/win32/Text.h"

namespace stowlark {

MainWindow::MainWindow(HWND window, HINSTANCE instance)
    : window_(window),
      skin_(Skin::Load(instance)),
      commands_(window),
      form_({registry_, messages_, commands_, files_, lock_}) {
  messages_.SetOwner(window);
  form_.SetTitleBox(skin_.titleBox);
}

int MainWindow::Run(HINSTANCE instance, int showCommand) {
  const win32::ComApartment com;  // the pictures are decoded through COM
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  windowClass.hIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_STOWLARK), IMAGE_ICON, 32, 32, LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_STOWLARK), IMAGE_ICON, 16, 16, LR_SHARED));
  if (!RegisterClassExW(&windowClass)) return 1;

  const int left = (GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
  const HWND window =
      CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, kWindowCaption, WS_POPUP | WS_SYSMENU, left,
                      top, kClientWidth, kClientHeight, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, showCommand);

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
    self = new MainWindow(window, create->hInstance);
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
    case WM_SETCURSOR:
      if (OnSetCursor(lParam)) return TRUE;
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::OnCreate() {
  // The two check boxes exist as real controls, but hidden and disabled, so
  // they neither show nor take a click or the focus.
  for (const char* name : {"chkBackup", "chkRestore"}) {
    const Control& control = FindControl(name);
    const Rect box = PixelRect(control);
    const HWND check = CreateWindowExW(0, L"BUTTON", win32::Widen(control.caption).c_str(),
                                       WS_CHILD | BS_AUTOCHECKBOX, box.left, box.top, box.width,
                                       box.height, window_, nullptr, nullptr, nullptr);
    EnableWindow(check, FALSE);
  }
  form_.Load();
}

// Drawn into a back buffer first, so a drag or a restore never flickers.
void MainWindow::OnPaint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window_, &paint);
  const win32::UniqueMemoryDc buffer(CreateCompatibleDC(dc));
  const win32::UniqueGdi bitmap(CreateCompatibleBitmap(dc, kClientWidth, kClientHeight));
  {
    const win32::Selection selected(buffer.Get(), bitmap.Get());
    PaintWindow(buffer.Get(), skin_);
    BitBlt(dc, 0, 0, kClientWidth, kClientHeight, buffer.Get(), 0, 0, SRCCOPY);
  }
  EndPaint(window_, &paint);
}

void MainWindow::OnPrintClient(HDC dc) { PaintWindow(dc, skin_); }

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
  SetCursor(hand ? skin_.hand : LoadCursorW(nullptr, IDC_ARROW));
  return true;
}

}  // namespace stowlark
