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
    if (picture_) pixels_ = PixelsOf(*picture_);
  }
  bool Ok() const { return !pixels_.empty(); }
  int Width() const { return picture_->width; }
  int Height() const { return picture_->height; }
  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }
  std::uint32_t At(int x, int y) const { return pixels_[y * picture_->width + x]; }
  bool Opaque(int x, int y) const { return (At(x, y) >> 24) == 0xFF; }
  std::uint32_t Colour(int x, int y) const { return At(x, y) & 0xFFFFFF; }

 private:
  std::optional<DecodedPicture> picture_;
  std::vector<std::uint32_t> pixels_;
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
    const int x = ScaleToDpi(12, dpi_), y = ScaleToDpi(150, dpi_);
    const DWORD start = GetTickCount();
    do {
      Sleep(100);
      shot_ = program_.CaptureClient();
    } while ((shot_.width <= x || shot_.At(x, y) != background_.Colour(x, y)) &&
             GetTickCount() - start < 10000);
    Sleep(200);
    shot_ = program_.CaptureClient();
    SaveBitmap(shot_, ProgramFolder() + L"\\window-" + std::to_wstring(dpi_) + L"dpi.bmp");
  }

  // Every pixel of the picture where it is opaque, and the background where not.
  // Returns how many of its pixels are transparent, or -1 when it cannot be compared.
  int ExpectPictureAt(std::string_view control, int id) {
    const Decoded picture(ResourceFor(id, dpi_));
    const Rect r = PixelRect(FindControl(control), dpi_);
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
    const Rect r = PixelRect(FindControl(control), dpi_);
    int dark = 0;
    for (int y = r.top; y < r.top + r.height; ++y) {
      for (int x = r.left; x < r.left + r.width; ++x) dark += Luminance(shot_.At(x, y)) < 130;
    }
    return dark;
  }

  // Draws the caption in `font` over what lies beneath the label and
  // compares that with the screen.
  bool DrawnIn(const Control& label, HFONT font) {
    const Rect r = PixelRect(label, dpi_);
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
  int dpi_ = ScreenDpi();
  RunningStowlark program_;
  Capture shot_;
  Decoded background_{ResourceFor(IDR_BACKGROUND, dpi_)};
};

TEST_F(SkinTest, TheBackgroundShowsWhereNoControlCoversItAndFramesAreWhite) {
  ASSERT_TRUE(background_.Ok());
  ASSERT_EQ(shot_.width, ScaleToDpi(kClientWidth, dpi_));
  ASSERT_EQ(shot_.height, ScaleToDpi(kClientHeight, dpi_));
  ASSERT_EQ(std::pair(background_.Width(), background_.Height()),
            std::pair(shot_.width, shot_.height));
  const Comparison bare = CompareBareSurface(shot_, background_.Pixels(), dpi_);
  EXPECT_EQ(bare.mismatches, 0);
  EXPECT_GT(bare.compared, shot_.width * shot_.height / 3);
  const auto at = [&](int x, int y) { return shot_.At(ScaleToDpi(x, dpi_), ScaleToDpi(y, dpi_)); };
  EXPECT_LT(Luminance(at(12, 150)), 120) << "the panel's outline is dark blue";
  EXPECT_LT(Luminance(at(200, 235)), 120) << "the grip dots are dark";
  for (std::string_view frame : {"Frame1", "Frame2"}) {
    const Rect r = PixelRect(FindControl(frame), dpi_);
    const int inset = ScaleToDpi(5, dpi_);
    EXPECT_EQ(shot_.At(r.left + inset, r.top + r.height - inset), 0xFFFFFFu)
        << frame << " is white inside";
    EXPECT_EQ(shot_.At(r.left + r.width - inset, r.top + 3 * inset), 0xFFFFFFu) << frame;
    EXPECT_EQ(shot_.At(r.left + r.width / 2, r.top + r.height - inset), 0xFFFFFFu) << frame;
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
// in that one its whole caption must fit its box. Where two choices draw
// the same pixels (a bar in bold and in regular may), either is what shows.
TEST_F(SkinTest, EveryCaptionIsWholeInTheFontItIsDrawnIn) {
  const HDC screen = GetDC(nullptr);
  int checked = 0;
  for (const Control& label : ControlTable()) {
    if (!ShowsFixedBox(label)) continue;
    const FontSpec& wanted = SpecFor(label.font);
    std::optional<bool> fits;
    for (const FontChoice& choice : wanted.choices) {
      const win32::UniqueGdi font = MakeFont(wanted, choice, dpi_);
      if (DrawnIn(label, static_cast<HFONT>(font.Get()))) {
        fits = fits.value_or(false) ||
               CaptionFits(screen, static_cast<HFONT>(font.Get()), label, dpi_);
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
    const POINT centre = RunningStowlark::CentreOf(control);
    return cursorAt(centre.x, centre.y);
  };
  // Wine gives each process its own handle for the arrow, so the arrow here is
  // what the program shows over the bare title band. The hand is the
  // program's own cursor, not the system's; its hot spot is checked where the
  // cursor file is.
  const HCURSOR arrow = cursorOver("lblTitle");
  EXPECT_EQ(cursorAt(ScaleToDpi(150, dpi_), ScaleToDpi(25, dpi_)), arrow);
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
void CheckSameFromWicAndOle(const PictureDecoder& decoder, int id) {
  const auto data = ResourceBytes(GetModuleHandleW(nullptr), id);
  const auto wic = decoder.DecodeWithWic(data);
  const auto ole = PictureDecoder::DecodeWithOle(data);
  ASSERT_TRUE(wic && ole) << id;
  ASSERT_EQ(std::pair(ole->width, ole->height), std::pair(wic->width, wic->height)) << id;
  EXPECT_TRUE(PixelsOf(*ole) == PixelsOf(*wic)) << id;
}

TEST(PictureDecoder, WhereWicIsMissingOleDecodesEveryPictureToTheSamePixels) {
  const win32::ComApartment com;
  const PictureDecoder decoder;
  for (const int density : kPictureDensities) {
    for (const int picture : {IDR_BACKGROUND, IDR_GO, IDR_MINIMISE, IDR_ABOUT, IDR_CLOSE}) {
      CheckSameFromWicAndOle(decoder, ResourceFor(picture, density));
    }
  }
}
}  // namespace
}  // namespace stowlark::e2e
