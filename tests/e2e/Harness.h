#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/win32/Pictures.h"
#include "platform/win32/Handles.h"

namespace stowlark::e2e {

// Pixels as 0xRRGGBB, row by row.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// The screen's pixels in a rectangle of screen coordinates.
Capture CaptureScreen(const RECT& area);
// A capture as a BMP file, for people to look at; no test reads it.
void SaveBitmap(const Capture& shot, const std::wstring& path);

// The screen's density as a program that lays itself out for it sees it.
int ScreenDpi();

// A decoded picture's pixels, row by row, as premultiplied 0xAARRGGBB.
std::vector<std::uint32_t> PixelsOf(const DecodedPicture& picture);

struct Comparison {
  int compared = 0;
  int mismatches = 0;
};
// Every pixel of the shot that no control covers at `dpi`, against the same
// pixel of the background (alpha aside).
Comparison CompareBareSurface(const Capture& shot, const std::vector<std::uint32_t>& background,
                              int dpi);

// Real input through the system, in screen coordinates.
void MovePointer(int x, int y);
void PressLeft();
void ReleaseLeft();
// True once the window holds the keyboard focus, which may come late.
bool WaitForFocus(HWND window);
// True once `done` is, asked every tenth of a second for up to `seconds`.
bool WaitFor(const std::function<bool()>& done, int seconds);
// A key pressed and released, with a modifier (VK_SHIFT, VK_MENU) held if given.
void PressKey(WORD key, WORD modifier = 0);
// Alt+Space, then the item's key once the window's menu is open, which a
// loaded machine may open late; false if it never opened.
bool ChooseFromWindowMenu(WORD key);
// Text typed on the keyboard, a character at a time.
void TypeText(std::wstring_view text);

// The system's folder picker of a program, driven by keys: what its box
// below the tree shows is the folder chosen there.
class FolderPicker {
 public:
  explicit FolderPicker(HWND picker);
  bool Found() const { return chosen_ != nullptr; }
  std::wstring Chosen() const;
  // True once the folder chosen shows as `name` (ends with it: a drive
  // without a label shows as " (C:)"), within `seconds`.
  bool Shows(const std::wstring& name, int seconds = 20) const;
  // From the filled tree, My Computer's drive at `letter`, chosen by arrows.
  bool ChooseDrive(wchar_t letter) const;

 private:
  HWND chosen_ = nullptr;
};

struct MessageBoxSeen {
  std::wstring title;
  std::wstring text;
  bool hasIcon = false;
};

// Starts the real Stowlark.exe from beside the test program and drives it
// as a user would, through its window and the message boxes it opens.
class RunningStowlark {
 public:
  // With arguments, as a command line gives them.
  explicit RunningStowlark(const std::wstring& arguments = L"");
  RunningStowlark(const RunningStowlark&) = delete;
  RunningStowlark& operator=(const RunningStowlark&) = delete;
  ~RunningStowlark();

  HWND Window() const { return window_; }
  DWORD ProcessId() const { return info_.dwProcessId; }

  // The middle of a control of the table at a density, the screen's if not given.
  static POINT CentreOf(std::string_view name, int dpi = ScreenDpi());
  // Clicks the middle of a control of the table.
  void ClickControl(std::string_view name, int dpi = ScreenDpi());
  // Presses at a client point and moves the pointer by (40, 20) with real
  // input before releasing; returns how far the window moved.
  POINT Drag(int x, int y);
  // Tells the window, as the system does when it moves to a monitor of
  // another density, to show at `dpi` in a rectangle of that size.
  void SendDpiChanged(int dpi);
  // The client area as it shows on the screen.
  Capture CaptureClient();
  POINT ClientOrigin() const;
  // Waits for a message box of the program, reads it and presses OK, or
  // the key given, as a user answers a question.
  MessageBoxSeen AnswerMessageBox(WORD key = 0);
  // Waits for a dialog of the program (a box, a picker); null if none came.
  HWND WaitForDialog();
  // Waits for a window of the program of that title, of any class.
  HWND WaitForWindowTitled(const wchar_t* title);
  bool HasMessageBox();
  // Exit code, or STILL_ACTIVE when it has not ended within the time.
  DWORD WaitForExit(DWORD milliseconds);

 private:
  PROCESS_INFORMATION info_{};
  HWND window_ = nullptr;
};

std::wstring ProgramFolder();
std::wstring TextOf(HWND window);

// What a list view of another process shows: each row's cells and whether
// its check box is ticked.
struct ListRow {
  std::vector<std::wstring> cells;
  bool ticked = false;
};
std::vector<ListRow> ListViewRows(HWND list, int columns);
std::vector<std::wstring> ComboItems(HWND combo);

}  // namespace stowlark::e2e
