#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "app/win32/CommandRun.h"
#include "app/win32/MainWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  // With the common controls 6 manifest, Windows XP registers the themed
  // control classes (the check boxes' Button among them) only when asked.
  const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const auto arguments = stowlark::ProgramArguments();
  if (arguments.empty()) return stowlark::MainWindow::Run(instance, showCommand);
  return stowlark::RunCommandLine(instance, showCommand, arguments);
}
