#pragma once

#include <windows.h>

#include "app/frmBackup.h"
#include "app/win32/Accessibility.h"
#include "app/win32/CommandTips.h"
#include "app/win32/RestoreDialog.h"
#include "app/win32/Skin.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32CopyLock.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Messages.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Scheduler.h"
#include "platform/win32/Win32Taskbar.h"
#include "platform/win32/Win32Window.h"
#include "platform/win32/Win32Worker.h"

namespace stowlark {

inline constexpr wchar_t kWindowClass[] = L"StowlarkBackupRestore";
inline constexpr wchar_t kWindowCaption[] = L"Backup/Restore";
// For the window of a run, with or without a face: the message that a copy
// has returned, and how often its progress is looked at.
inline constexpr UINT kCopyDone = WM_APP + 1;
inline constexpr UINT kProgressTickMs = 100;
// The system ends a program soon after the session does: the copy gets this
// long to finish the file in hand.
inline constexpr DWORD kEndSessionWaitMs = 1500;

struct CommandRun;

// The Win32 face of frmBackup; one instance per window, attached to it.
class MainWindow {
 public:
  // With a command, the window runs it as if GO had been clicked, writes
  // its lines as it ends, closes once its box is dismissed, and returns its
  // exit code.
  static int Run(HINSTANCE instance, int showCommand, const CommandRun* command = nullptr);

 private:
  MainWindow(HWND window, HINSTANCE instance, const CommandRun* command);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  void OnCreate();
  void OnDpiChanged(int dpi, const RECT& suggested);
  void ApplySkin();
  void OnPaint();
  void OnPrintClient(HDC dc);
  const Control* FocusToShow() const;
  void OnKeyDown(WPARAM key, LPARAM flags);
  void OnUpdateUiState(WPARAM change);
  void OnRunCommand(WPARAM child);
  // Screen readers hear when a command starts or ends a copy.
  void MakeSystemMenu();
  void OnInitSystemMenu(HMENU menu);
  void OpenSystemMenu();
  void OnButtonDown(MouseButton button, LPARAM lParam);
  void OnButtonUp(MouseButton button, LPARAM lParam);
  bool OnSetCursor(LPARAM lParam);
  void OnClose();
  void OnCopyDone();
  void OnRunFromCommandLine();
  void OnSystemCommand(WPARAM command);
  void OpenRestoreDialog(RestoreFocus focus, std::optional<RestoreSource> source);
  [[noreturn]] void OnEndSession();

  HWND window_;
  HINSTANCE instance_;
  Skin skin_;
  HWND checkBoxes_[2] = {};
  win32::Win32Registry registry_;
  win32::Win32Messages messages_;
  win32::Win32Window commands_;
  win32::Win32FileSystem files_;
  win32::Win32CopyLock lock_;
  win32::Win32Worker worker_;
  win32::Win32Taskbar taskbar_;
  win32::Win32Clock clock_;
  win32::Win32Scheduler scheduler_;
  frmBackup form_;
  bool closeAfterCopy_ = false;
  bool runEnded_ = false;  // the command line's run, with its lines written
  const CommandRun* command_;
  int exitCode_ = 0;
  bool hideFocus_ = true;  // until the keyboard is used
  win32::ComPtr<ClientAccessible> accessible_;
  std::optional<CommandTips> tips_;
  std::optional<RestoreSource> offered_;  // until the dialog opens on it
};

}  // namespace stowlark
