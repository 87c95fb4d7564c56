#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "app/win32/PicturePreview.h"
#include "tests/app/PictureFiles.h"

namespace stowlark {
namespace {

using testing_support::Bytes;

constexpr std::uint32_t kColour = 0x2080C0;

TEST(PicturePreview, DecodesEachKindsSizeAndDrawsItsColourScaledToFit) {
  const GdiPlus gdiPlus;
  const Bytes png = testing_support::PngFile(3, 2, kColour);
  const Bytes bmp = testing_support::BmpFile(3, 2, kColour);
  for (const auto& whole :
       {gdiPlus.Decode(png), gdiPlus.Decode(bmp), PictureDecoder::DecodeWithOle(bmp)}) {
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->width, 3);
    EXPECT_EQ(whole->height, 2);
  }
  const std::string text = "BM is no bitmap here";
  EXPECT_FALSE(
      PreviewOf(gdiPlus, {reinterpret_cast<const BYTE*>(text.data()), text.size()}, {12, 12}));

  const auto preview = PreviewOf(gdiPlus, png, {12, 12});
  ASSERT_TRUE(preview.has_value());
  EXPECT_EQ(PixelsLine(preview->info), "3 \xC3\x97 2 pixels");
  EXPECT_EQ(preview->picture.width, 12);
  EXPECT_EQ(preview->picture.height, 8);
  // Drawn in the middle of a white box of 12 × 12 at (2, 2): rows 4 to 11.
  std::uint32_t* pixels = nullptr;
  const auto canvas = BlankPicture(16, 16, pixels);
  ASSERT_TRUE(canvas.has_value());
  std::fill(pixels, pixels + 16 * 16, 0xFFFFFFFFu);
  const win32::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  {
    const win32::Selection selected(dc.Get(), canvas->bitmap.Get());
    DrawPreview(dc.Get(), *preview, {2, 2, 14, 14});
    GdiFlush();
  }
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= 2 && x < 14 && y >= 4 && y < 12;
      EXPECT_EQ(pixels[y * 16 + x] & 0xFFFFFF, inside ? kColour : 0xFFFFFFu) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace stowlark
