#include "app/win32/Skin.h"

#include "app/win32/Fonts.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

Rect MeasureTitle(HFONT font, int dpi) {
  const Control& title = FindControl("lblTitle");
  const Rect stored = PixelRect(title, dpi);
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

// The picture drawn for the density that serves `dpi`, resized by area to
// its size at `dpi` where that density is another.
std::optional<DecodedPicture> LoadPicture(const PictureDecoder& decoder, HINSTANCE instance, int id,
                                          int dpi) {
  const int density = PictureDensityFor(dpi);
  auto picture = decoder.Decode(instance, ResourceFor(id, density));
  if (!picture || density == dpi) return picture;
  const auto designed = [density](int pixels) {
    return (pixels * kDesignDpi + density / 2) / density;
  };
  return Resized(*picture, ScaleToDpi(designed(picture->width), dpi),
                 ScaleToDpi(designed(picture->height), dpi));
}

// The cursor is drawn for 96 dots per inch at 32 x 32; at a density between
// those drawn for, the system shrinks the next larger.
HCURSOR LoadHand(HINSTANCE instance, int dpi) {
  const int size = ScaleToDpi(32, dpi);
  const int id = ResourceFor(IDC_HAND_POINTER, PictureDensityFor(dpi));
  return static_cast<HCURSOR>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_CURSOR, size, size, 0));
}

// The system picks the icon's image nearest the title bar's size at `dpi`.
HICON LoadSmallIcon(HINSTANCE instance, int dpi) {
  const int size = ScaleToDpi(16, dpi);
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_STOWLARK), IMAGE_ICON, size, size, 0));
}

}  // namespace

Skin Skin::Load(HINSTANCE instance, int dpi) {
  Skin skin;
  skin.dpi = dpi;
  const PictureDecoder decoder;
  skin.background = LoadPicture(decoder, instance, IDR_BACKGROUND, dpi);
  skin.go = LoadPicture(decoder, instance, IDR_GO, dpi);
  skin.minimise = LoadPicture(decoder, instance, IDR_MINIMISE, dpi);
  skin.about = LoadPicture(decoder, instance, IDR_ABOUT, dpi);
  skin.close = LoadPicture(decoder, instance, IDR_CLOSE, dpi);
  skin.titleFont = ChooseFont(SpecFor(FontId::VerdanaTitle), dpi);
  skin.linkFont = ChooseFont(SpecFor(FontId::VerdanaLink), dpi);
  skin.barFont = ChooseFont(SpecFor(FontId::VerdanaBar), dpi);
  skin.dialogFont = ChooseFont(SpecFor(FontId::Default), dpi);
  skin.hand = win32::UniqueCursor(LoadHand(instance, dpi));
  skin.smallIcon = win32::UniqueIcon(LoadSmallIcon(instance, dpi));
  skin.titleBox = MeasureTitle(static_cast<HFONT>(skin.titleFont.Get()), dpi);
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
