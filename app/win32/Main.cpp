#include <windows.h>

#include "app/win32/MainWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return stowlark::MainWindow::Run(instance, showCommand);
}
