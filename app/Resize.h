#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace stowlark {

// Resizes 32-bit premultiplied pixels (row by row, no padding): each new
// pixel is the average of the area of the old picture that it covers, with
// the edge pixels weighed by how much of them it covers. Shrinking a picture
// drawn for the next larger density this way keeps thin lines visible
// instead of dropping every other one.
std::vector<std::uint32_t> ResizeByArea(std::span<const std::uint32_t> pixels, int width,
                                        int height, int newWidth, int newHeight);

}  // namespace stowlark
