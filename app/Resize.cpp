#include "app/Resize.h"

#include <algorithm>
#include <array>

namespace stowlark {
namespace {

struct Share {
  int from;
  double weight;
};

// For each new pixel along one axis, the old pixels it covers and how much
// of each, adding up to one.
std::vector<std::vector<Share>> Shares(int size, int newSize) {
  std::vector<std::vector<Share>> shares(static_cast<std::size_t>(newSize));
  const double step = static_cast<double>(size) / newSize;
  for (int i = 0; i < newSize; ++i) {
    const double begin = i * step;
    const double end = begin + step;
    for (int from = static_cast<int>(begin); from < size && from < end; ++from) {
      const double covered = std::min<double>(end, from + 1) - std::max<double>(begin, from);
      if (covered > 0) shares[static_cast<std::size_t>(i)].push_back({from, covered / step});
    }
  }
  return shares;
}

}  // namespace

std::vector<std::uint32_t> ResizeByArea(std::span<const std::uint32_t> pixels, int width,
                                        int height, int newWidth, int newHeight) {
  const auto columns = Shares(width, newWidth);
  const auto rows = Shares(height, newHeight);
  std::vector<std::uint32_t> resized(static_cast<std::size_t>(newWidth) * newHeight);
  for (int y = 0; y < newHeight; ++y) {
    for (int x = 0; x < newWidth; ++x) {
      std::array<double, 4> sum{};
      for (const Share& row : rows[static_cast<std::size_t>(y)]) {
        for (const Share& column : columns[static_cast<std::size_t>(x)]) {
          const std::uint32_t pixel =
              pixels[static_cast<std::size_t>(row.from) * width + column.from];
          for (int channel = 0; channel < 4; ++channel) {
            sum[channel] += ((pixel >> (8 * channel)) & 0xFF) * row.weight * column.weight;
          }
        }
      }
      std::uint32_t value = 0;
      for (int channel = 0; channel < 4; ++channel) {
        const auto byte = static_cast<std::uint32_t>(std::clamp(sum[channel] + 0.5, 0.0, 255.0));
        value |= byte << (8 * channel);
      }
      resized[static_cast<std::size_t>(y) * newWidth + x] = value;
    }
  }
  return resized;
}

}  // namespace stowlark
