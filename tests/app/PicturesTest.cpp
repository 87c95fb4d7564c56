#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/Controls.h"
#include "tests/ScratchFolder.h"

namespace stowlark {
namespace {

std::string Load(const std::string& name) {
  return testing_support::ReadFile(std::string(STOWLARK_SOURCE_DIR) + "/app/pictures/" + name);
}

unsigned Word(const std::string& data, std::size_t at) {
  return static_cast<unsigned char>(data.at(at)) | static_cast<unsigned char>(data.at(at + 1)) << 8;
}

// Appended, not joined with +, which GCC 12's optimised build refuses.
std::string NameAt(std::string stem, int dpi, const std::string& extension) {
  if (dpi != kDesignDpi) stem.append("-").append(std::to_string(dpi));
  return stem.append(".").append(extension);
}

// A cursor file: a directory of one entry, then a bitmap with its mask.
void CheckCursorFile(const std::string& data, unsigned size, unsigned bits, unsigned colours) {
  EXPECT_EQ(Word(data, 0), 0u);
  EXPECT_EQ(Word(data, 2), 2u);
  EXPECT_EQ(Word(data, 4), 1u);
  EXPECT_EQ(static_cast<unsigned char>(data[6]), size);
  EXPECT_EQ(static_cast<unsigned char>(data[7]), size);
  const unsigned offset = Word(data, 18);
  EXPECT_EQ(Word(data, offset + 4), size);
  EXPECT_EQ(Word(data, offset + 8), 2 * size);  // colour bits and mask
  EXPECT_EQ(Word(data, offset + 14), bits);
  const unsigned rowBytes = (size * bits + 31) / 32 * 4;
  const unsigned maskBytes = (size + 31) / 32 * 4;
  EXPECT_EQ(data.size(), offset + 40 + 4 * colours + size * (rowBytes + maskBytes));
}

// 32 x 32 at 96 dots per inch, in proportion at the others. The icon's sizes
// are checked in the program file, where Windows reads them.
TEST(Pictures, TheHandCursorHasItsSizeAndHotSpotAtEveryDensity) {
  for (const int dpi : kPictureDensities) {
    const auto size = static_cast<unsigned>(ScaleToDpi(32, dpi));
    // The larger cursors are black and white only.
    const std::string data = Load(NameAt("hand", dpi, "cur"));
    const bool design = dpi == kDesignDpi;
    CheckCursorFile(data, size, design ? 4 : 1, design ? 16 : 2);
    EXPECT_EQ(Word(data, 10), static_cast<unsigned>(ScaleToDpi(13, dpi))) << dpi;
    EXPECT_EQ(Word(data, 12), static_cast<unsigned>(ScaleToDpi(4, dpi))) << dpi;
  }
}

}  // namespace
}  // namespace stowlark
