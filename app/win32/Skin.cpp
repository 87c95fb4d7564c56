#include "app/win32/Skin.h"

#include "app/win32/ResourceIds.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontInstalled(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  const HDC screen = GetDC(nullptr);
  bool found = false;
  EnumFontFamiliesExW(screen, &wanted, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

// Points to pixels at 96 dots per inch, in hundredths of a point.
int PixelHeight(int centipoints) { return -MulDiv(centipoints, 96, 7200); }

win32::UniqueGdi MakeFont(const std::wstring& face, int centipoints, int weight, bool underline,
                          BYTE charset) {
  return win32::UniqueGdi(CreateFontW(PixelHeight(centipoints), 0, 0, 0, weight, FALSE, underline,
                                      FALSE, charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str()));
}

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
  // Tahoma is Verdana's narrower sibling by the same designer and ships with
  // every Windows and with Wine, so the layout keeps its look without Verdana.
  const std::wstring verdana = FontInstalled(L"Verdana") ? L"Verdana" : L"Tahoma";
  skin.titleFont = MakeFont(verdana, 975, FW_BOLD, false, ANSI_CHARSET);
  skin.linkFont = MakeFont(verdana, 825, FW_BOLD, true, ANSI_CHARSET);
  skin.barFont = MakeFont(verdana, 825, FW_BOLD, false, ANSI_CHARSET);
  skin.dialogFont = MakeFont(L"MS Sans Serif", 825, FW_NORMAL, false, DEFAULT_CHARSET);
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
