#include "app/PictureInfo.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace stowlark {
namespace {

using Bytes = std::span<const unsigned char>;

std::uint32_t Little(Bytes data, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | data[at + i];
  return value;
}

std::uint32_t Big(Bytes data, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | data[at + i];
  return value;
}

bool StartsWith(Bytes data, const char* magic, std::size_t size) {
  return data.size() >= size && std::memcmp(data.data(), magic, size) == 0;
}

std::optional<PictureInfo> Sized(PictureKind kind, std::uint32_t width, std::uint32_t height) {
  constexpr std::uint32_t kMost = 0x7FFFFFFF;
  if (width == 0 || height == 0 || width > kMost || height > kMost) return std::nullopt;
  return PictureInfo{kind, static_cast<int>(width), static_cast<int>(height)};
}

// The logical screen descriptor, which every GIF has in full before its
// first colour table.
std::optional<PictureInfo> GifIn(Bytes data) {
  if (data.size() < 13) return std::nullopt;
  return Sized(PictureKind::Gif, Little(data, 6, 2), Little(data, 8, 2));
}

// IHDR must be the first chunk, and all 13 bytes of it with its CRC.
std::optional<PictureInfo> PngIn(Bytes data) {
  if (data.size() < 33 || Big(data, 8, 4) != 13 || std::memcmp(&data[12], "IHDR", 4) != 0) {
    return std::nullopt;
  }
  return Sized(PictureKind::Png, Big(data, 16, 4), Big(data, 20, 4));
}

// The 12-byte core header of OS/2 and the first Windows, or any of the later
// ones, which all begin as BITMAPINFOHEADER; a negative height is a picture
// stored top down.
std::optional<PictureInfo> BmpIn(Bytes data) {
  if (data.size() < 18) return std::nullopt;
  const std::uint32_t header = Little(data, 14, 4);
  if (header == 12) {
    if (data.size() < 26 || Little(data, 22, 2) != 1) return std::nullopt;
    return Sized(PictureKind::Bmp, Little(data, 18, 2), Little(data, 20, 2));
  }
  if (header < 40 || header > 124 || data.size() < 14 + header || Little(data, 26, 2) != 1) {
    return std::nullopt;
  }
  const auto height = static_cast<std::int32_t>(Little(data, 22, 4));
  const std::uint32_t rows =
      height < 0 ? 0u - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
  return Sized(PictureKind::Bmp, Little(data, 18, 4), rows);
}

bool IsFrameStart(unsigned marker) {
  // C4 (DHT), C8 (JPG) and CC (DAC) share the range but carry no size.
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool StandsAlone(unsigned marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// Walks the segments to the first frame header; the scan's data or the end
// of the picture before it means the file is broken.
std::optional<PictureInfo> JpegIn(Bytes data) {
  std::size_t at = 2;
  while (at < data.size()) {
    if (data[at] != 0xFF) return std::nullopt;
    while (at < data.size() && data[at] == 0xFF) ++at;  // fill bytes
    if (at == data.size()) return std::nullopt;
    const unsigned marker = data[at++];
    if (StandsAlone(marker)) continue;
    if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || at + 2 > data.size()) {
      return std::nullopt;
    }
    const std::size_t length = Big(data, at, 2);
    if (length < 2 || at + length > data.size()) return std::nullopt;
    if (IsFrameStart(marker)) {
      if (length < 8) return std::nullopt;
      return Sized(PictureKind::Jpeg, Big(data, at + 5, 2), Big(data, at + 3, 2));
    }
    at += length;
  }
  return std::nullopt;
}

// value × numerator / denominator, rounded, and never less than one pixel.
int Scaled(int value, int numerator, int denominator) {
  const std::int64_t product = std::int64_t{value} * numerator;
  return static_cast<int>(std::max<std::int64_t>(1, (product + denominator / 2) / denominator));
}

}  // namespace

std::optional<PictureInfo> PictureIn(Bytes head) {
  head = head.first(std::min(head.size(), kPictureHeadBytes));
  if (StartsWith(head, "GIF87a", 6) || StartsWith(head, "GIF89a", 6)) return GifIn(head);
  if (StartsWith(head, "\x89PNG\r\n\x1A\n", 8)) return PngIn(head);
  if (StartsWith(head, "\xFF\xD8", 2)) return JpegIn(head);
  if (StartsWith(head, "BM", 2)) return BmpIn(head);
  return std::nullopt;
}

std::string PixelsLine(const PictureInfo& info) {
  return std::to_string(info.width) + " \u00D7 " + std::to_string(info.height) + " pixels";
}

PictureSize FitInside(PictureSize picture, PictureSize box) {
  if (picture.width <= 0 || picture.height <= 0 || box.width <= 0 || box.height <= 0) {
    return {0, 0};
  }
  const int factor =
      std::min({box.width / picture.width, box.height / picture.height, kMostEnlarged});
  if (factor >= 1) return {picture.width * factor, picture.height * factor};
  // Compared as cross products, so that no rounding decides which side binds.
  if (std::int64_t{picture.width} * box.height >= std::int64_t{picture.height} * box.width) {
    return {box.width, Scaled(picture.height, box.width, picture.width)};
  }
  return {Scaled(picture.width, box.height, picture.height), box.height};
}

}  // namespace stowlark
