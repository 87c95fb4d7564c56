#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <string>

#include "app/frmBackup.h"

namespace stowlark {

// The tips of the two GO pictures: when the last backup was made, and which
// backup a restore brings back. Shown when the pointer rests on one, or the
// keyboard's focus is on one; always beside the window, never over it, so
// that its pictures show as drawn.
class CommandTips {
 public:
  CommandTips(HWND window, frmBackup& form);
  CommandTips(const CommandTips&) = delete;
  CommandTips& operator=(const CommandTips&) = delete;

  // Where the two pictures now are, after the window's layout changed.
  void Place();
  // Shows the tip of the command the focus is on, where it is one with a
  // tip and the focus is to be seen; else hides it.
  void FollowFocus(const Control* focused);
  // The tooltip's questions; true with `result` set for those it answers.
  bool OnNotify(const NMHDR& header, LRESULT& result);

 private:
  const Control& ToolControl(UINT_PTR tool) const;
  void MoveBeside(const Control& control);

  HWND window_;
  frmBackup& form_;
  HWND tip_;
  const Control* focused_ = nullptr;
  std::wstring text_;
};

}  // namespace stowlark
