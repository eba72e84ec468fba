// A monochrome bitmap: one bit per pixel, the most significant bit of each byte leftmost,
// rows top to bottom at a fixed stride. Which bit value is black is up to the producer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace faximage {

struct MonoBitmap {
  int width = 0;   // pixels
  int height = 0;  // rows
  int stride = 0;  // bytes per row
  std::vector<std::uint8_t> bits;

  MonoBitmap() = default;
  MonoBitmap(int w, int h, std::uint8_t fill = 0)
      : width(w),
        height(h),
        stride((w + 7) / 8),
        bits(std::size_t(stride) * std::size_t(h), fill) {}

  bool empty() const { return width == 0 || height == 0; }
  std::uint8_t* row(int y) { return bits.data() + std::size_t(y) * std::size_t(stride); }
  const std::uint8_t* row(int y) const {
    return bits.data() + std::size_t(y) * std::size_t(stride);
  }
  bool pixel(int x, int y) const { return (row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
  void setPixel(int x, int y, bool on) {
    std::uint8_t m = std::uint8_t(0x80 >> (x & 7));
    if (on)
      row(y)[x >> 3] |= m;
    else
      row(y)[x >> 3] &= std::uint8_t(~m);
  }
};

}  // namespace faximage
