#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace stowlark {

enum class PictureKind { Gif, Png, Jpeg, Bmp };

struct PictureInfo {
  PictureKind kind;
  int width;
  int height;
};

// How much of a file's start PictureIn reads. A JPEG's size can come after
// its EXIF data, thumbnail included, of up to 64 KB a segment; a file whose
// size lies further in is taken for no picture rather than guessed at.
inline constexpr std::size_t kPictureHeadBytes = 256 * 1024;

// The kind and size of a GIF, PNG, JPEG or BMP, told from the first bytes of
// the file whatever its name, or nothing for any other file and for a header
// that is cut short or contradicts itself.
std::optional<PictureInfo> PictureIn(std::span<const unsigned char> head);

// "48 × 48 pixels".
std::string PixelsLine(const PictureInfo& info);

struct PictureSize {
  int width;
  int height;
};

// The size a picture is shown at in a box: shrunk to fit keeping its shape,
// or a small one enlarged by a whole factor, at most kMostEnlarged, so each
// pixel stays a sharp square.
inline constexpr int kMostEnlarged = 4;
PictureSize FitInside(PictureSize picture, PictureSize box);

}  // namespace stowlark
