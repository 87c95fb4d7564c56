#pragma once

#include <windows.h>

namespace stowlark {

// Draws the whole client area; WM_PAINT and WM_PRINTCLIENT both come here.
void PaintWindow(HDC dc);

}  // namespace stowlark
