#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "app/win32/CommandRun.h"
#include "app/win32/MainWindow.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibrary.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  stowlark::win32::KeepLibrarySearchInSystemFolder();
  // The copy's drive is looked for among every letter, card readers and
  // floppy drives with no disk in them included: Windows is to answer that
  // there is none, not ask the user to insert one.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // Held in every mode for the program's whole life, so that the installer and
  // uninstaller can tell it runs. Another user's copy may hold it, and then
  // creating it fails; that changes nothing for this one.
  const stowlark::win32::UniqueKernelObject running(
      CreateMutexW(nullptr, FALSE, L"Global\\Stowlark.Program"));
  // With the common controls 6 manifest, Windows XP registers the themed
  // control classes (the check boxes' Button among them) only when asked.
  const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const auto arguments = stowlark::ProgramArguments();
  if (arguments.empty()) return stowlark::MainWindow::Run(instance, showCommand);
  return stowlark::RunCommandLine(instance, showCommand, arguments);
}
