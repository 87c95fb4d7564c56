#include "app/win32/Painting.h"

#include "app/win32/Fonts.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

RECT ToRect(const Rect& r) { return {r.left, r.top, r.left + r.width, r.top + r.height}; }

COLORREF TextColour(const Control& control) {
  if (control.textColour == kSystemButtonText) return GetSysColor(COLOR_BTNTEXT);
  const auto rgb = control.textColour;
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// White inside, the thin 3-D group-box border, the caption set into its top edge.
void PaintFrame(HDC dc, const Control& frame, RECT box, const std::wstring& caption, int dpi) {
  FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  RECT border = box;
  border.top += metrics.tmHeight / 2;
  DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(255, 255, 255));
  SetTextColor(dc, TextColour(frame));
  TextOutW(dc, box.left + ScaleToDpi(6, dpi), box.top, caption.c_str(),
           static_cast<int>(caption.size()));
  SetBkMode(dc, TRANSPARENT);
}

void PaintLabel(HDC dc, const Control& label, RECT box, const std::wstring& caption) {
  if (label.background == Background::ButtonFace) {
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  }
  SetTextColor(dc, TextColour(label));
  const UINT format =
      label.name == "lblTitle" ? DT_LEFT | DT_SINGLELINE | DT_NOPREFIX : kLabelFormat;
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box, format);
}

void PaintControl(HDC dc, const Control& control, const Skin& skin) {
  const Rect where = control.name == "lblTitle" ? skin.titleBox : PixelRect(control, skin.dpi);
  const RECT box = ToRect(where);
  const std::wstring caption = win32::Widen(control.caption);
  const win32::Selection font(dc, skin.FontFor(control.font));
  switch (control.kind) {
    case ControlKind::Frame:
      PaintFrame(dc, control, box, caption, skin.dpi);
      break;
    case ControlKind::Label:
      PaintLabel(dc, control, box, caption);
      break;
    case ControlKind::Image:
      if (const auto* picture = skin.PictureFor(control.picture)) {
        DrawPicture(dc, *picture, where.left, where.top);
      }
      break;
    case ControlKind::CheckBox:
      break;  // real check boxes, hidden
  }
}

// Dotted and inverted, so that it shows on every colour of the skin; in high
// contrast, in the colour the user chose for what is selected.
void PaintFocus(HDC dc, const Control& control, int dpi) {
  RECT box = ToRect(FocusCue(control, dpi));
  HIGHCONTRASTW contrast{sizeof(contrast), 0, nullptr};
  if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
      (contrast.dwFlags & HCF_HIGHCONTRASTON)) {
    FrameRect(dc, &box, GetSysColorBrush(COLOR_HIGHLIGHT));
  } else {
    DrawFocusRect(dc, &box);
  }
}

}  // namespace

void PaintWindow(HDC dc, const Skin& skin, const Control* focused) {
  if (skin.background) {
    DrawPicture(dc, *skin.background, 0, 0);
  } else {
    RECT client{0, 0, ScaleToDpi(kClientWidth, skin.dpi), ScaleToDpi(kClientHeight, skin.dpi)};
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  }
  SetBkMode(dc, TRANSPARENT);
  for (const auto& control : ControlTable()) {
    if (control.visible) PaintControl(dc, control, skin);
  }
  if (focused != nullptr) PaintFocus(dc, *focused, skin.dpi);
}

}  // namespace stowlark
