#pragma once

#include <windows.h>

#include <optional>

#include "platform/win32/Handles.h"

namespace stowlark {

// A picture decoded to 32-bit premultiplied BGRA, so GIF transparency can be
// drawn with AlphaBlend.
struct DecodedPicture {
  win32::UniqueGdi bitmap;
  int width = 0;
  int height = 0;
};

// Decodes a GIF or JPEG carried as an RCDATA resource, with the Windows
// Imaging Component. Needs COM on the calling thread.
std::optional<DecodedPicture> DecodePicture(HINSTANCE instance, int resourceId);

void DrawPicture(HDC dc, const DecodedPicture& picture, int x, int y);

}  // namespace stowlark
