#include <gtest/gtest.h>

#include <optional>

#include "app/Controls.h"
#include "app/win32/Fonts.h"
#include "app/win32/Pictures.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/Com.h"
#include "platform/win32/Text.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

// The pictures as this test program decodes them from the same resources.
class Decoded {
 public:
  explicit Decoded(int resourceId) {
    picture_ = PictureDecoder().Decode(GetModuleHandleW(nullptr), resourceId);
    if (!picture_) return;
    BITMAP info;
    GetObjectW(picture_->bitmap.Get(), sizeof(info), &info);
    pixels_ = static_cast<const std::uint32_t*>(info.bmBits);
  }
  bool Ok() const { return pixels_ != nullptr; }
  int Width() const { return picture_->width; }
  int Height() const { return picture_->height; }
  std::uint32_t At(int x, int y) const { return pixels_[y * picture_->width + x]; }
  bool Opaque(int x, int y) const { return (At(x, y) >> 24) == 0xFF; }
  std::uint32_t Colour(int x, int y) const { return At(x, y) & 0xFFFFFF; }

 private:
  std::optional<DecodedPicture> picture_;
  const std::uint32_t* pixels_ = nullptr;
};

int Luminance(std::uint32_t rgb) {
  return (299 * ((rgb >> 16) & 0xFF) + 587 * ((rgb >> 8) & 0xFF) + 114 * (rgb & 0xFF)) / 1000;
}

class SkinTest : public StowlarkFixture {
 protected:
  void SetUp() override {
    StowlarkFixture::SetUp();
    ASSERT_NE(program_.Window(), nullptr);
    // Wait for the first paint: the panel's outline is then on the screen.
    const DWORD start = GetTickCount();
    do {
      Sleep(100);
      shot_ = program_.CaptureClient();
    } while (shot_.At(12, 150) != background_.Colour(12, 150) && GetTickCount() - start < 10000);
    Sleep(200);
    shot_ = program_.CaptureClient();
  }

  // Every pixel of the picture where it is opaque, and the background where not.
  // Returns how many of its pixels are transparent, or -1 when it cannot be compared.
  int ExpectPictureAt(std::string_view control, int resourceId) {
    const Decoded picture(resourceId);
    const Rect r = PixelRect(FindControl(control));
    if (!picture.Ok() || picture.Width() != r.width || picture.Height() != r.height) {
      ADD_FAILURE() << control << ": the picture is missing or not the control's size";
      return -1;
    }
    int mismatches = 0, transparent = 0;
    for (int y = 0; y < r.height; ++y) {
      for (int x = 0; x < r.width; ++x) {
        const bool opaque = picture.Opaque(x, y);
        transparent += !opaque;
        const std::uint32_t expected =
            opaque ? picture.Colour(x, y) : background_.Colour(r.left + x, r.top + y);
        mismatches += shot_.At(r.left + x, r.top + y) != expected;
      }
    }
    EXPECT_EQ(mismatches, 0) << control;
    return transparent;
  }

  int DarkPixelsIn(std::string_view control) {
    const Rect r = PixelRect(FindControl(control));
    int dark = 0;
    for (int y = r.top; y < r.top + r.height; ++y) {
      for (int x = r.left; x < r.left + r.width; ++x) dark += Luminance(shot_.At(x, y)) < 130;
    }
    return dark;
  }

  // Draws the caption in `font` over what lies beneath the label and
  // compares that with the screen.
  bool DrawnIn(const Control& label, HFONT font) {
    const Rect r = PixelRect(label);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), r.width, -r.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const win32::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    const win32::UniqueGdi bitmap(
        CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const bool inFrame = !label.container.empty();  // frames are white inside
    for (int y = 0; y < r.height; ++y) {
      for (int x = 0; x < r.width; ++x) {
        pixels[y * r.width + x] = inFrame ? 0xFFFFFF : background_.Colour(r.left + x, r.top + y);
      }
    }
    const win32::Selection selectedBitmap(dc.Get(), bitmap.Get());
    const win32::Selection selectedFont(dc.Get(), font);
    const auto rgb = label.textColour;
    SetTextColor(dc.Get(), rgb == kSystemButtonText
                               ? GetSysColor(COLOR_BTNTEXT)
                               : RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF));
    SetBkMode(dc.Get(), TRANSPARENT);
    RECT box{0, 0, r.width, r.height};
    const std::wstring caption = win32::Widen(label.caption);
    DrawTextW(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &box, kLabelFormat);
    GdiFlush();
    for (int y = 0; y < r.height; ++y) {
      for (int x = 0; x < r.width; ++x) {
        if ((pixels[y * r.width + x] & 0xFFFFFF) != shot_.At(r.left + x, r.top + y)) return false;
      }
    }
    return true;
  }

  win32::ComApartment com_;
  RunningStowlark program_;
  Capture shot_;
  Decoded background_{IDR_BACKGROUND};
};

TEST_F(SkinTest, TheBackgroundShowsWhereNoControlCoversItAndFramesAreWhite) {
  ASSERT_TRUE(background_.Ok());
  ASSERT_EQ(shot_.width, 218);
  ASSERT_EQ(shot_.height, 245);
  const std::vector<POINT> known{
      {12, 150},  {12, 60},                            // the panel's outline
      {60, 36},   {150, 36},                           // the line under the title band
      {15, 209},  {150, 209},                          // the line over the footer band
      {210, 227}, {205, 231}, {200, 235}, {211, 236},  // grip dots
      {5, 100},   {213, 120}, {196, 200},              // frame, edge, margin stripes
  };
  for (const POINT& p : known) {
    EXPECT_EQ(shot_.At(p.x, p.y), background_.Colour(p.x, p.y)) << p.x << "," << p.y;
  }
  EXPECT_LT(Luminance(shot_.At(12, 150)), 120) << "the outline is dark blue";
  EXPECT_LT(Luminance(shot_.At(200, 235)), 120) << "the grip dots are dark";
  for (std::string_view frame : {"Frame1", "Frame2"}) {
    const Rect r = PixelRect(FindControl(frame));
    EXPECT_EQ(shot_.At(r.left + 4, r.top + r.height - 5), 0xFFFFFFu) << frame << " is white inside";
    EXPECT_EQ(shot_.At(r.left + r.width - 5, r.top + 12), 0xFFFFFFu) << frame;
    EXPECT_EQ(shot_.At(r.left + 90, r.top + r.height - 5), 0xFFFFFFu) << frame;
  }
}

TEST_F(SkinTest, PicturesAreDrawnUnscaledWithTheirTransparency) {
  EXPECT_EQ(ExpectPictureAt("imgBackup", IDR_GO), 0);
  EXPECT_EQ(ExpectPictureAt("imgRestore", IDR_GO), 0);
  EXPECT_EQ(ExpectPictureAt("Image1", IDR_CLOSE), 0);
  EXPECT_GT(ExpectPictureAt("imgMinimize", IDR_MINIMISE), 8) << "the corners show the background";
  EXPECT_GT(ExpectPictureAt("Image2", IDR_ABOUT), 40) << "the background shows around the bubble";
}

TEST_F(SkinTest, LabelsShowTheirTextAndHiddenControlsShowNothing) {
  for (std::string_view label : {"lblTitle", "Label5", "Label6", "Label4", "Label3", "Label7"}) {
    EXPECT_GT(DarkPixelsIn(label), 3) << label;
  }
  // The check boxes are real, hidden and disabled; the storage labels lie
  // below the client area, which is the whole window (checked where the
  // window's size is).
  for (const wchar_t* caption : {L"To Floppy", L"From Floppy"}) {
    const HWND box = FindWindowExW(program_.Window(), nullptr, L"Button", caption);
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(IsWindowVisible(box));
    EXPECT_FALSE(IsWindowEnabled(box));
  }
}

// Which of its font's choices each label is drawn in is read off the screen;
// in that one its whole caption must fit its box.
TEST_F(SkinTest, EveryCaptionIsWholeInTheFontItIsDrawnIn) {
  const HDC screen = GetDC(nullptr);
  int checked = 0;
  for (const Control& label : ControlTable()) {
    if (!ShowsFixedBox(label)) continue;
    const FontSpec& wanted = SpecFor(label.font);
    std::optional<bool> fits;
    for (const FontChoice& choice : wanted.choices) {
      const win32::UniqueGdi font = MakeFont(wanted, choice);
      if (DrawnIn(label, static_cast<HFONT>(font.Get()))) {
        fits = CaptionFits(screen, static_cast<HFONT>(font.Get()), label);
        break;
      }
    }
    ASSERT_TRUE(fits.has_value()) << label.name << " is drawn in none of its font's choices";
    EXPECT_TRUE(*fits) << label.name << " does not show its whole caption";
    ++checked;
  }
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(checked, 5);
}

TEST_F(SkinTest, TheHandShowsOverTheGoPicturesOnly) {
  const POINT origin = program_.ClientOrigin();
  const auto cursorAt = [&](int x, int y) {
    MovePointer(origin.x + x, origin.y + y);
    MovePointer(origin.x + x + 1, origin.y + y);
    CURSORINFO info{};
    info.cbSize = sizeof(info);
    GetCursorInfo(&info);
    return info.hCursor;
  };
  const auto cursorOver = [&](std::string_view control) {
    const Rect r = PixelRect(FindControl(control));
    return cursorAt(r.left + r.width / 2, r.top + r.height / 2);
  };
  // Wine gives each process its own handle for the arrow, so the arrow here is
  // what the program shows over the bare title band. The hand is the
  // program's own cursor, not the system's; its hot spot is checked where the
  // cursor file is.
  const HCURSOR arrow = cursorOver("lblTitle");
  EXPECT_EQ(cursorAt(150, 25), arrow);
  const HCURSOR hand = cursorOver("imgBackup");
  EXPECT_NE(hand, arrow);
  EXPECT_NE(hand, LoadCursorW(nullptr, IDC_HAND));
  EXPECT_EQ(cursorOver("imgRestore"), hand);
  for (std::string_view control : {"Label4", "Label7", "Frame1", "Image2", "Label5"}) {
    EXPECT_EQ(cursorOver(control), arrow) << control;
  }
}

// Wine's OLE decodes through WIC itself, so WIC cannot be taken away here to
// make the program fall back; the fallback is run directly instead.
TEST(PictureDecoder, WhereWicIsMissingOleDecodesEveryPictureToTheSamePixels) {
  const win32::ComApartment com;
  const PictureDecoder decoder;
  for (const int id : {IDR_BACKGROUND, IDR_GO, IDR_MINIMISE, IDR_ABOUT, IDR_CLOSE}) {
    const auto data = ResourceBytes(GetModuleHandleW(nullptr), id);
    const auto wic = decoder.DecodeWithWic(data);
    const auto ole = PictureDecoder::DecodeWithOle(data);
    ASSERT_TRUE(wic && ole) << id;
    ASSERT_EQ(std::pair(ole->width, ole->height), std::pair(wic->width, wic->height)) << id;
    const auto pixels = [](const DecodedPicture& picture) {
      BITMAP info;
      GetObjectW(picture.bitmap.Get(), sizeof(info), &info);
      const auto* bits = static_cast<const std::uint32_t*>(info.bmBits);
      return std::vector<std::uint32_t>(bits, bits + picture.width * picture.height);
    };
    EXPECT_TRUE(pixels(*ole) == pixels(*wic)) << id;
  }
}

}  // namespace
}  // namespace stowlark::e2e
