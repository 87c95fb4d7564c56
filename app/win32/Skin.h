#pragma once

#include <windows.h>

#include <optional>

#include "app/Controls.h"
#include "app/win32/Pictures.h"
#include "platform/win32/Handles.h"

namespace stowlark {

// Everything the window is drawn with at one screen density: its pictures,
// fonts, cursor and icon.
struct Skin {
  int dpi = kDesignDpi;
  std::optional<DecodedPicture> background, go, minimise, about, close;
  win32::UniqueGdi titleFont, linkFont, barFont, dialogFont;
  win32::UniqueCursor hand;
  win32::UniqueIcon smallIcon;
  Rect titleBox;  // lblTitle, sized to its caption

  static Skin Load(HINSTANCE instance, int dpi);
  const DecodedPicture* PictureFor(Picture picture) const;
  HFONT FontFor(FontId font) const;
};

}  // namespace stowlark
