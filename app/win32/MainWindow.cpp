#include "app/win32/MainWindow.h"

#include <windowsx.h>

#include <memory>

#include "app/win32/Painting.h"

namespace stowlark {

MainWindow::MainWindow(HWND window)
    : window_(window), commands_(window), form_({registry_, messages_, commands_, files_}) {
  messages_.SetOwner(window);
}

int MainWindow::Run(HINSTANCE instance, int showCommand) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
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
    self = new MainWindow(window);
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
      PaintWindow(reinterpret_cast<HDC>(wParam));
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

void MainWindow::OnCreate() { form_.Load(); }

void MainWindow::OnPaint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window_, &paint);
  PaintWindow(dc);
  EndPaint(window_, &paint);
}

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
  const Control* control = HitTest(point.x, point.y);
  const bool hand = control != nullptr && control->cursor == CursorId::Hand;
  SetCursor(LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW));
  return true;
}

}  // namespace stowlark
