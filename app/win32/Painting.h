#pragma once

#include <windows.h>

#include "app/win32/Skin.h"

namespace stowlark {

// Draws the whole client area from the control table, and the focus
// rectangle around `focused` when there is one; WM_PAINT (through a back
// buffer) and WM_PRINTCLIENT both come here.
void PaintWindow(HDC dc, const Skin& skin, const Control* focused);

}  // namespace stowlark
