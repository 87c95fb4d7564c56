// The yardstick for Stowlark's start-up: a program that only registers a
// class and shows a 218 x 245 window, built with the same compiler and flags.
#include <windows.h>

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, w, l);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  WNDCLASSEXW type{};
  type.cbSize = sizeof(type);
  type.lpfnWndProc = WindowProc;
  type.hInstance = instance;
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  type.lpszClassName = L"MinimalWindow";
  RegisterClassExW(&type);
  const HWND window = CreateWindowExW(0, L"MinimalWindow", L"Minimal", WS_POPUP, 100, 100, 218, 245,
                                      nullptr, nullptr, instance, nullptr);
  ShowWindow(window, showCommand);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
