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

struct GifFacts {
  unsigned width, height, paletteSize;
  int transparentIndex;  // -1 when there is none
  int frames;
};

// Walks the blocks of a GIF far enough to read what the window relies on.
GifFacts ReadGif(const std::string& data) {
  EXPECT_EQ(data.substr(0, 6), "GIF89a");
  const auto packed = static_cast<unsigned char>(data.at(10));
  GifFacts facts{Word(data, 6), Word(data, 8), 0, -1, 0};
  std::size_t at = 13;
  if (packed & 0x80) {
    facts.paletteSize = 2u << (packed & 7);
    at += 3 * facts.paletteSize;
  }
  while (at < data.size() && data[at] != 0x3B) {
    if (data[at] == 0x21) {  // extension
      if (static_cast<unsigned char>(data[at + 1]) == 0xF9 && (data[at + 3] & 1)) {
        facts.transparentIndex = static_cast<unsigned char>(data[at + 6]);
      }
      at += 2;
    } else {  // image descriptor, then the LZW code size
      ++facts.frames;
      const auto local = static_cast<unsigned char>(data[at + 9]);
      at += 10 + ((local & 0x80) ? 3 * (2u << (local & 7)) : 0) + 1;
    }
    while (at < data.size() && data[at] != 0) at += 1 + static_cast<unsigned char>(data[at]);
    ++at;
  }
  return facts;
}

std::string NameAt(const std::string& stem, int dpi, const std::string& extension) {
  return stem + (dpi == kDesignDpi ? "" : "-" + std::to_string(dpi)) + "." + extension;
}

// At 96 dots per inch each picture has the size and palette first made; at
// the other densities it is drawn at its size there.
TEST(Pictures, GifsHaveTheirSizesPalettesAndTransparencyAtEveryDensity) {
  struct Expected {
    const char* stem;
    int width, height;
    unsigned palette;
    bool transparent;
  };
  for (const int dpi : kPictureDensities) {
    for (const Expected& e :
         {Expected{"background", 218, 245, 256, false}, Expected{"go", 47, 43, 256, false},
          Expected{"minimise", 19, 18, 256, true}, Expected{"about", 22, 23, 128, true}}) {
      const std::string name = NameAt(e.stem, dpi, "gif");
      const GifFacts facts = ReadGif(Load(name));
      EXPECT_EQ(facts.width, static_cast<unsigned>(ScaleToDpi(e.width, dpi))) << name;
      EXPECT_EQ(facts.height, static_cast<unsigned>(ScaleToDpi(e.height, dpi))) << name;
      if (dpi == kDesignDpi) {
        EXPECT_EQ(facts.paletteSize, e.palette) << name;
      }
      EXPECT_EQ(facts.transparentIndex >= 0, e.transparent) << name;
      EXPECT_EQ(facts.frames, 1) << name;
    }
  }
}

// Icon and cursor files: a directory of one entry, then a bitmap with its mask.
void CheckIconFile(const std::string& data, unsigned type, unsigned size, unsigned bits,
                   unsigned colours) {
  EXPECT_EQ(Word(data, 0), 0u);
  EXPECT_EQ(Word(data, 2), type);
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

// 16 x 16 and 32 x 32 at 96 dots per inch, in proportion at the others.
TEST(Pictures, TheIconAndTheHandCursorHaveTheirSizesAndHotSpotAtEveryDensity) {
  for (const int dpi : kPictureDensities) {
    const auto size = static_cast<unsigned>(ScaleToDpi(16, dpi));
    CheckIconFile(Load(NameAt("stowlark", dpi, "ico")), 1, size, 8, 256);
    // The larger cursors are black and white only.
    const std::string data = Load(NameAt("hand", dpi, "cur"));
    const bool design = dpi == kDesignDpi;
    CheckIconFile(data, 2, 2 * size, design ? 4 : 1, design ? 16 : 2);
    EXPECT_EQ(Word(data, 10), static_cast<unsigned>(ScaleToDpi(13, dpi))) << dpi;
    EXPECT_EQ(Word(data, 12), static_cast<unsigned>(ScaleToDpi(4, dpi))) << dpi;
  }
}

}  // namespace
}  // namespace stowlark
