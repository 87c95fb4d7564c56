#include "app/win32/Skin.h"

#include "app/win32/Fonts.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

Rect MeasureTitle(HFONT font) {
  const Control& title = FindControl("lblTitle");
  const Rect stored = PixelRect(title);
  const std::wstring caption = win32::Widen(title.caption);
  const HDC screen = GetDC(nullptr);
  SIZE extent{};
  {
    const win32::Selection selected(screen, font);
    GetTextExtentPoint32W(screen, caption.c_str(), static_cast<int>(caption.size()), &extent);
  }
  ReleaseDC(nullptr, screen);
  return {stored.left, stored.top, extent.cx, extent.cy};
}

}  // namespace

Skin Skin::Load(HINSTANCE instance) {
  Skin skin;
  const PictureDecoder decoder;
  skin.background = decoder.Decode(instance, IDR_BACKGROUND);
  skin.go = decoder.Decode(instance, IDR_GO);
  skin.minimise = decoder.Decode(instance, IDR_MINIMISE);
  skin.about = decoder.Decode(instance, IDR_ABOUT);
  skin.close = decoder.Decode(instance, IDR_CLOSE);
  skin.titleFont = ChooseFont(SpecFor(FontId::VerdanaTitle));
  skin.linkFont = ChooseFont(SpecFor(FontId::VerdanaLink));
  skin.barFont = ChooseFont(SpecFor(FontId::VerdanaBar));
  skin.dialogFont = ChooseFont(SpecFor(FontId::Default));
  skin.hand = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_HAND_POINTER));
  skin.titleBox = MeasureTitle(static_cast<HFONT>(skin.titleFont.Get()));
  return skin;
}

const DecodedPicture* Skin::PictureFor(Picture picture) const {
  const std::optional<DecodedPicture>* found = nullptr;
  switch (picture) {
    case Picture::Go:
      found = &go;
      break;
    case Picture::Minimise:
      found = &minimise;
      break;
    case Picture::About:
      found = &about;
      break;
    case Picture::Close:
      found = &close;
      break;
    case Picture::None:
      return nullptr;
  }
  return found->has_value() ? &found->value() : nullptr;
}

HFONT Skin::FontFor(FontId font) const {
  switch (font) {
    case FontId::VerdanaTitle:
      return static_cast<HFONT>(titleFont.Get());
    case FontId::VerdanaLink:
      return static_cast<HFONT>(linkFont.Get());
    case FontId::VerdanaBar:
      return static_cast<HFONT>(barFont.Get());
    case FontId::Default:
      break;
  }
  return static_cast<HFONT>(dialogFont.Get());
}

}  // namespace stowlark
