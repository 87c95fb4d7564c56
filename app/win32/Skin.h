#pragma once

#include <windows.h>

#include <optional>

#include "app/Controls.h"
#include "app/win32/Pictures.h"
#include "platform/win32/Handles.h"

namespace stowlark {

// Everything the window is drawn with: its pictures, fonts and cursors.
struct Skin {
  std::optional<DecodedPicture> background, go, minimise, about, close;
  win32::UniqueGdi titleFont, linkFont, barFont, dialogFont;
  HCURSOR hand = nullptr;
  Rect titleBox;  // lblTitle, sized to its caption

  static Skin Load(HINSTANCE instance);
  const DecodedPicture* PictureFor(Picture picture) const;
  HFONT FontFor(FontId font) const;
};

}  // namespace stowlark
