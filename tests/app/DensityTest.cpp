#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/Controls.h"
#include "app/Resize.h"

namespace stowlark {
namespace {

TEST(Density, PicturesComeFromTheSameOrTheNextLargerDensityAndHalvesRoundUp) {
  const std::vector<std::pair<int, int>> served{{72, 96},   {96, 96},   {97, 120},  {120, 120},
                                                {121, 144}, {168, 192}, {192, 192}, {288, 192}};
  for (const auto& [dpi, density] : served) EXPECT_EQ(PictureDensityFor(dpi), density) << dpi;
  // The window at 125 % is 272.5 x 306.25 pixels: the pictures drawn for it are 273 x 306.
  EXPECT_EQ(ScaleToDpi(kClientWidth, 120), 273);
  EXPECT_EQ(ScaleToDpi(kClientHeight, 120), 306);
  EXPECT_EQ(ScaleToDpi(kClientHeight, 144), 368);
}

TEST(Density, EveryControlScalesWithTheWindowAndIsFoundWhereItIsDrawn) {
  for (const int dpi : {96, 120, 144, 168, 192}) {
    for (const Control& control : ControlTable()) {
      const Rect at96 = PixelRect(control);
      const Rect r = PixelRect(control, dpi);
      if (dpi == 192) {
        EXPECT_EQ(r, (Rect{2 * at96.left, 2 * at96.top, 2 * at96.width, 2 * at96.height}));
      }
      if (!control.visible || at96.top >= kClientHeight) continue;
      EXPECT_LE(r.left + r.width, ScaleToDpi(kClientWidth, dpi)) << control.name << " at " << dpi;
      EXPECT_LE(r.top + r.height, ScaleToDpi(kClientHeight, dpi)) << control.name << " at " << dpi;
      if (control.kind == ControlKind::Image) {
        const Control* hit = HitTest(r.left + r.width / 2, r.top + r.height / 2, std::nullopt, dpi);
        EXPECT_EQ(hit, &control) << control.name << " at " << dpi;
        EXPECT_EQ(HitTest(r.left + r.width, r.top + r.height / 2, std::nullopt, dpi) == &control,
                  false)
            << control.name << " ends at its edge";
      }
    }
  }
}

std::uint32_t Grey(std::uint32_t level) { return 0xFF000000u | level << 16 | level << 8 | level; }

// The cue goes round each command and stays out of its neighbours' boxes:
// round the first link it once ran through the bar after it.
TEST(Density, TheFocusCueGoesRoundItsCommandAndIntoNoOtherControl) {
  const auto overlap = [](const Rect& a, const Rect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
  };
  for (const int dpi : {96, 120, 144, 168, 192}) {
    for (const Control* command : FocusOrder()) {
      const Rect cue = FocusCue(*command, dpi);
      const Rect own = PixelRect(*command, dpi);
      EXPECT_LT(cue.left, own.left) << command->name << " at " << dpi;
      EXPECT_LT(cue.top, own.top) << command->name << " at " << dpi;
      EXPECT_GE(cue.top + cue.height, own.top + own.height) << command->name << " at " << dpi;
      for (const Control& other : ControlTable()) {
        if (&other == command || !other.visible || other.name == command->container) continue;
        EXPECT_FALSE(overlap(cue, PixelRect(other, dpi)))
            << command->name << "'s cue runs into " << other.name << " at " << dpi;
      }
    }
  }
}

TEST(Density, ShrinkingAveragesTheAreaEachPixelCovers) {
  // 2 to 1: each new pixel is the mean of a 2 x 2 block.
  const std::vector<std::uint32_t> blocks{Grey(0),   Grey(100), Grey(255), Grey(255),
                                          Grey(200), Grey(100), Grey(255), Grey(255)};
  EXPECT_EQ(ResizeByArea(blocks, 4, 2, 2, 1), (std::vector<std::uint32_t>{Grey(100), Grey(255)}));

  // A one-pixel line shrunk from 4 to 3 pixels wide stays visible: each new
  // pixel covers 4/3 old ones, the first a third of the line, the second two.
  const std::vector<std::uint32_t> line{Grey(0), Grey(240), Grey(0), Grey(0)};
  const auto shrunk = ResizeByArea(line, 4, 1, 3, 1);
  ASSERT_EQ(shrunk.size(), 3u);
  EXPECT_EQ(shrunk[0], Grey(60));
  EXPECT_EQ(shrunk[1], Grey(120));
  EXPECT_EQ(shrunk[2], Grey(0));

  // Transparency averages too, and colour never exceeds its alpha.
  const std::vector<std::uint32_t> edge{0x00000000u, 0xFF3050FFu};
  const auto half = ResizeByArea(edge, 2, 1, 1, 1);
  EXPECT_EQ(half, (std::vector<std::uint32_t>{0x80182880u}));
  EXPECT_EQ(ResizeByArea(line, 4, 1, 4, 1), line);
}

}  // namespace
}  // namespace stowlark
