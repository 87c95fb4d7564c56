#pragma once

#include <windows.h>

#include <span>

#include "app/Controls.h"
#include "platform/win32/Handles.h"

namespace stowlark {

// How every label but the title draws its caption.
inline constexpr UINT kLabelFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

// One face, size and weight to try for a font of the window.
struct FontChoice {
  const wchar_t* face;
  int centipoints;
  int weight;
};

// A font of the window and the choices tried for it, in order: the design's
// own first, then the nearest ones that keep every caption whole.
struct FontSpec {
  FontId id;
  bool underline;
  BYTE charset;
  std::span<const FontChoice> choices;
};

const FontSpec& SpecFor(FontId id);

win32::UniqueGdi MakeFont(const FontSpec& wanted, const FontChoice& choice, int dpi);

// A visible label whose caption must fit its box: the title is sized to its
// caption, and labels below the client area never show.
bool ShowsFixedBox(const Control& control);

// Whether the label shows its whole caption within its box at `dpi` in `font`.
bool CaptionFits(HDC dc, HFONT font, const Control& label, int dpi);

// The first choice that the system has under its own name and that fits
// every visible label of the font at `dpi`; the last the system has when
// none fits.
win32::UniqueGdi ChooseFont(const FontSpec& wanted, int dpi);

}  // namespace stowlark
