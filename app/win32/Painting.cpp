#include "app/win32/Painting.h"

#include "app/Controls.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

RECT ToRect(const Rect& r) { return {r.left, r.top, r.left + r.width, r.top + r.height}; }

COLORREF TextColour(const Control& control) {
  if (control.textColour == kSystemButtonText) return GetSysColor(COLOR_BTNTEXT);
  const auto rgb = control.textColour;
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void PaintControl(HDC dc, const Control& control) {
  RECT box = ToRect(PixelRect(control));
  const std::wstring caption = win32::Widen(control.caption);
  SetTextColor(dc, TextColour(control));
  switch (control.kind) {
    case ControlKind::Frame:
      FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
      TextOutW(dc, box.left + 6, box.top, caption.c_str(), static_cast<int>(caption.size()));
      break;
    case ControlKind::Label:
      DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box,
                DT_LEFT | DT_WORDBREAK);
      break;
    case ControlKind::Image:
      FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
      break;
    case ControlKind::CheckBox:
      break;
  }
}

}  // namespace

void PaintWindow(HDC dc) {
  RECT client{0, 0, kClientWidth, kClientHeight};
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  for (const auto& control : ControlTable()) {
    if (control.visible) PaintControl(dc, control);
  }
}

}  // namespace stowlark
