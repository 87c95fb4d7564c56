#include <gtest/gtest.h>

#include <string>

#include "app/PictureInfo.h"
#include "tests/ScratchFolder.h"
#include "tests/app/PictureFiles.h"

namespace stowlark {
namespace {

using testing_support::Bytes;

std::optional<PictureInfo> InFile(const testing_support::ScratchFolder& folder,
                                  const std::string& name, const Bytes& bytes) {
  const auto path = (folder.Path() / name).string();
  testing_support::WriteFile(path, std::string(bytes.begin(), bytes.end()));
  const std::string read = testing_support::ReadFile(path);
  return PictureIn({reinterpret_cast<const unsigned char*>(read.data()), read.size()});
}

std::optional<PictureInfo> In(const Bytes& bytes) { return PictureIn(bytes); }

void ExpectPicture(const std::optional<PictureInfo>& info, PictureKind kind, int width,
                   int height) {
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->kind, kind);
  EXPECT_EQ(info->width, width);
  EXPECT_EQ(info->height, height);
}

// Told by content: the same bytes under a messenger's .dat name, and cut
// short anywhere inside the header, which then is no picture.
TEST(PictureInfo, EachKindByItsContentWhateverItsNameAndNotWhenCutShort) {
  struct Case {
    const char* name;
    Bytes bytes;
    PictureKind kind;
    std::size_t header;  // bytes up to the end of what gives the size
  };
  const Case cases[] = {
      {"smile.gif", testing_support::GifFile(300, 2), PictureKind::Gif, 13},
      {"photo.png", testing_support::PngFile(3, 2, 0x2080C0), PictureKind::Png, 33},
      {"photo.jpg", testing_support::JpegFile(300, 2), PictureKind::Jpeg, 53},
      {"photo.bmp", testing_support::BmpFile(300, 2, 0x2080C0), PictureKind::Bmp, 54},
  };
  const testing_support::ScratchFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int width = c.kind == PictureKind::Png ? 3 : 300;
    ExpectPicture(InFile(folder, c.name, c.bytes), c.kind, width, 2);
    ExpectPicture(InFile(folder, "emoticon.dat", c.bytes), c.kind, width, 2);
    for (std::size_t size = 2; size < c.header; ++size) {
      EXPECT_FALSE(In(Bytes(c.bytes.begin(), c.bytes.begin() + size))) << size;
    }
  }
  const std::string text = "GIF is a kind of picture, this is a text.";
  EXPECT_FALSE(InFile(folder, "notes.gif", Bytes(text.begin(), text.end())));
  EXPECT_FALSE(In({}));
}

TEST(PictureInfo, BmpTopDownAndInTheOldCoreHeader) {
  ExpectPicture(In(testing_support::BmpFile(3, -258, 0)), PictureKind::Bmp, 3, 258);
  Bytes core{'B', 'M', 26, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0, 12, 0, 0, 0};
  testing_support::Put(core, {0x2C, 1, 2, 0, 1, 0, 24, 0});
  ExpectPicture(In(core), PictureKind::Bmp, 300, 2);
  core[22] = 2;  // two planes: no bitmap Windows draws
  EXPECT_FALSE(In(core));
}

TEST(PictureInfo, ZeroSizesAndChunksOrSegmentsOutOfPlaceAreNoPicture) {
  EXPECT_FALSE(In(testing_support::GifFile(0, 2)));
  EXPECT_FALSE(In(testing_support::PngFile(3, 0, 0)));
  EXPECT_FALSE(In(testing_support::JpegFile(0, 2)));
  EXPECT_FALSE(In(testing_support::BmpFile(0, 2, 0)));
  Bytes png = testing_support::PngFile(3, 2, 0);
  std::copy_n("tEXt", 4, &png[12]);
  EXPECT_FALSE(In(png));
  Bytes jpeg = testing_support::JpegFile(300, 2);
  jpeg[5] = 60;  // the first segment runs past the end
  EXPECT_FALSE(In(jpeg));
  jpeg = testing_support::JpegFile(300, 2);
  jpeg[3] = 0xDA;  // a scan before any frame header
  EXPECT_FALSE(In(jpeg));
}

// EXIF data with a thumbnail before the frame header is found within the
// bytes the caller reads; beyond them, the file is not guessed at.
TEST(PictureInfo, JpegSizeAfterLargeExifOnlyWithinTheHead) {
  ExpectPicture(In(testing_support::JpegFile(640, 480, 65533 * 2)), PictureKind::Jpeg, 640, 480);
  EXPECT_FALSE(In(testing_support::JpegFile(640, 480, kPictureHeadBytes)));
}

TEST(PictureInfo, PixelsLineAndFitting) {
  EXPECT_EQ(PixelsLine({PictureKind::Png, 48, 1024}), "48 \xC3\x97 1024 pixels");
  struct Fit {
    PictureSize picture, box, shown;
  };
  const Fit fits[] = {
      {{3, 2}, {12, 12}, {12, 8}},      // enlarged four times, no more
      {{3, 2}, {100, 100}, {12, 8}},    //
      {{16, 16}, {40, 100}, {32, 32}},  // twice: three times is too wide
      {{4000, 3000}, {200, 200}, {200, 150}},
      {{3000, 4000}, {200, 200}, {150, 200}},
      {{1000, 1}, {100, 100}, {100, 1}},  // never less than a pixel
      {{201, 100}, {200, 200}, {200, 100}},
  };
  for (const Fit& fit : fits) {
    const PictureSize shown = FitInside(fit.picture, fit.box);
    EXPECT_EQ(shown.width, fit.shown.width) << fit.picture.width << "x" << fit.picture.height;
    EXPECT_EQ(shown.height, fit.shown.height) << fit.picture.width << "x" << fit.picture.height;
  }
}

}  // namespace
}  // namespace stowlark
