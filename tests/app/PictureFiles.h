#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

// Small picture files of each kind, made here byte by byte so that no sample
// file decides what a test sees. Sizes are chosen so that a field read in the
// wrong byte order or from the wrong place gives another number.
namespace stowlark::testing_support {

using Bytes = std::vector<unsigned char>;

inline void Put(Bytes& out, std::initializer_list<int> bytes) {
  for (const int byte : bytes) out.push_back(static_cast<unsigned char>(byte));
}
inline void PutLittle(Bytes& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}
inline void PutBig(Bytes& out, std::uint32_t value, int size) {
  for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A screen of width × height holding one black pixel.
inline Bytes GifFile(int width, int height) {
  Bytes out{'G', 'I', 'F', '8', '9', 'a'};
  PutLittle(out, width, 2);
  PutLittle(out, height, 2);
  Put(out, {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});  // two colours
  Put(out, {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B});
  return out;
}

inline std::uint32_t Crc32(const unsigned char* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

inline void PutChunk(Bytes& out, const char* type, const Bytes& data) {
  PutBig(out, static_cast<std::uint32_t>(data.size()), 4);
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBig(out, Crc32(&out[start], out.size() - start), 4);
}

// Every pixel of one colour, the rows stored unfiltered and uncompressed.
inline Bytes PngFile(int width, int height, std::uint32_t rgb) {
  Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutBig(header, width, 4);
  PutBig(header, height, 4);
  Put(header, {8, 2, 0, 0, 0});  // 8 bits a channel, RGB
  PutChunk(out, "IHDR", header);
  Bytes rows;
  for (int y = 0; y < height; ++y) {
    rows.push_back(0);
    for (int x = 0; x < width; ++x) PutBig(rows, rgb, 3);
  }
  Bytes zlib{0x78, 0x01, 0x01};
  PutLittle(zlib, static_cast<std::uint32_t>(rows.size()), 2);
  PutLittle(zlib, static_cast<std::uint32_t>(~rows.size()), 2);
  zlib.insert(zlib.end(), rows.begin(), rows.end());
  std::uint32_t a = 1, b = 0;
  for (const unsigned char byte : rows) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBig(zlib, b << 16 | a, 4);
  PutChunk(out, "IDAT", zlib);
  PutChunk(out, "IEND", {});
  return out;
}

// 24 bits a pixel, bottom up unless the height is given negative.
inline Bytes BmpFile(int width, int height, std::uint32_t rgb) {
  const int rows = height < 0 ? -height : height;
  const int stride = (width * 3 + 3) / 4 * 4;
  Bytes out{'B', 'M'};
  PutLittle(out, 54 + stride * rows, 4);
  PutLittle(out, 0, 4);
  PutLittle(out, 54, 4);
  PutLittle(out, 40, 4);
  PutLittle(out, width, 4);
  PutLittle(out, static_cast<std::uint32_t>(height), 4);
  PutLittle(out, 1, 2);
  PutLittle(out, 24, 2);
  for (int i = 0; i < 6; ++i) PutLittle(out, 0, 4);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < width; ++x) PutLittle(out, rgb, 3);
    out.resize(out.size() + stride - width * 3, 0);
  }
  return out;
}

// The segments before a baseline frame's scan, with a Huffman table before
// the frame header (read as a frame header, it gives another size), EXIF
// data of appBytes, and a fill byte; then the end, with no scan.
inline Bytes JpegFile(int width, int height, std::size_t appBytes = 0) {
  Bytes out{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  for (; appBytes > 0; appBytes -= std::min<std::size_t>(appBytes, 65533)) {
    const std::size_t size = std::min<std::size_t>(appBytes, 65533);
    Put(out, {0xFF, 0xE1});
    PutBig(out, static_cast<std::uint32_t>(size + 2), 2);
    out.resize(out.size() + size, 0);
  }
  Put(out, {0xFF, 0xC4, 0, 20, 0, 0, 1, 0, 7});
  out.resize(out.size() + 12, 0);
  Put(out, {5, 0xFF, 0xFF, 0xC0, 0, 11, 8});
  PutBig(out, height, 2);
  PutBig(out, width, 2);
  Put(out, {1, 1, 0x11, 0, 0xFF, 0xD9});
  return out;
}

}  // namespace stowlark::testing_support
