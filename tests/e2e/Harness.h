#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/Handles.h"

namespace stowlark::e2e {

struct MessageBoxSeen {
  std::wstring title;
  std::wstring text;
  bool hasIcon = false;
};

// Starts the real Stowlark.exe from beside the test program and drives it
// as a user would, through its window and the message boxes it opens.
class RunningStowlark {
 public:
  RunningStowlark();
  RunningStowlark(const RunningStowlark&) = delete;
  RunningStowlark& operator=(const RunningStowlark&) = delete;
  ~RunningStowlark();

  HWND Window() const { return window_; }
  DWORD ProcessId() const { return info_.dwProcessId; }

  void Click(int x, int y);
  // Waits for a message box of the program, reads it and presses OK.
  MessageBoxSeen AnswerMessageBox();
  bool HasMessageBox();
  // Exit code, or STILL_ACTIVE when it has not ended within the time.
  DWORD WaitForExit(DWORD milliseconds);

 private:
  HWND FindBox();

  PROCESS_INFORMATION info_{};
  HWND window_ = nullptr;
};

std::wstring ProgramFolder();

}  // namespace stowlark::e2e
