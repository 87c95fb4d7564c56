#include "app/win32/Fonts.h"

#include <cwchar>

#include "platform/win32/Text.h"

namespace stowlark {
namespace {

// MS Sans Serif's scalable successor, then Tahoma, which every Windows since
// 2000 and Wine have; smaller where a larger size would cut a caption, as
// the rounding of glyphs to whole pixels makes text wider at some densities.
constexpr FontChoice kDialogFaces[] = {{L"MS Sans Serif", 825, FW_NORMAL},
                                       {L"Microsoft Sans Serif", 825, FW_NORMAL},
                                       {L"Tahoma", 825, FW_NORMAL},
                                       {L"Tahoma", 750, FW_NORMAL},
                                       {L"Tahoma", 700, FW_NORMAL}};
// Tahoma is Verdana's narrower sibling by the same designer.
constexpr FontChoice kTitleFaces[] = {{L"Verdana", 975, FW_BOLD}, {L"Tahoma", 975, FW_BOLD}};
constexpr FontChoice kLinkFaces[] = {{L"Verdana", 825, FW_BOLD}, {L"Tahoma", 825, FW_BOLD}};
constexpr FontChoice kBarFaces[] = {
    {L"Verdana", 825, FW_BOLD}, {L"Tahoma", 825, FW_BOLD}, {L"Tahoma", 825, FW_NORMAL}};

constexpr FontSpec kSpecs[] = {{FontId::Default, false, DEFAULT_CHARSET, kDialogFaces},
                               {FontId::VerdanaTitle, false, ANSI_CHARSET, kTitleFaces},
                               {FontId::VerdanaLink, true, ANSI_CHARSET, kLinkFaces},
                               {FontId::VerdanaBar, false, ANSI_CHARSET, kBarFaces}};

// Hundredths of a point to pixels, as a character height.
int PixelHeight(int centipoints, int dpi) { return -MulDiv(centipoints, dpi, 7200); }

}  // namespace

bool ShowsFixedBox(const Control& control) {
  return control.kind == ControlKind::Label && control.visible && control.name != "lblTitle" &&
         PixelRect(control).top < kClientHeight;
}

const FontSpec& SpecFor(FontId id) {
  for (const auto& wanted : kSpecs) {
    if (wanted.id == id) return wanted;
  }
  return kSpecs[0];
}

win32::UniqueGdi MakeFont(const FontSpec& wanted, const FontChoice& choice, int dpi) {
  return win32::UniqueGdi(CreateFontW(PixelHeight(choice.centipoints, dpi), 0, 0, 0, choice.weight,
                                      FALSE, wanted.underline, FALSE, wanted.charset,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_SWISS, choice.face));
}

bool CaptionFits(HDC dc, HFONT font, const Control& label, int dpi) {
  const win32::Selection selected(dc, font);
  const Rect box = PixelRect(label, dpi);
  const std::wstring caption = win32::Widen(label.caption);
  RECT needed{0, 0, box.width, 0};
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &needed,
            kLabelFormat | DT_CALCRECT);
  return needed.right <= box.width && needed.bottom <= box.height;
}

win32::UniqueGdi ChooseFont(const FontSpec& wanted, int dpi) {
  const HDC screen = GetDC(nullptr);
  win32::UniqueGdi chosen;
  for (const FontChoice& choice : wanted.choices) {
    win32::UniqueGdi font = MakeFont(wanted, choice, dpi);
    wchar_t face[LF_FACESIZE] = {};
    {
      const win32::Selection selected(screen, font.Get());
      GetTextFaceW(screen, LF_FACESIZE, face);
    }
    // Asked for a face it lacks, the system hands out a look-alike.
    if (_wcsicmp(face, choice.face) != 0) continue;
    bool fits = true;
    for (const Control& control : ControlTable()) {
      if (control.font == wanted.id && ShowsFixedBox(control)) {
        fits = fits && CaptionFits(screen, static_cast<HFONT>(font.Get()), control, dpi);
      }
    }
    chosen = std::move(font);
    if (fits) break;
  }
  ReleaseDC(nullptr, screen);
  // Where the system has none of the faces, its own look-alike for the first.
  return chosen ? std::move(chosen) : MakeFont(wanted, wanted.choices.front(), dpi);
}

}  // namespace stowlark
