// Ordered dithering of colour pixels to black and white with a 16 x 16 threshold matrix.
#pragma once

#include <array>
#include <cstdint>

namespace faximage {

// Entry (i, j) is 4 * v, v built from the low bits of i and j four times over; 0 to 124.
const std::array<std::array<std::uint8_t, 16>, 16>& ditherMatrix();

// True when the pixel at (x, y) of gray level (red + green + blue) / 3 becomes black.
inline bool ditherBlack(int x, int y, int gray) {
  return ditherMatrix()[std::size_t(x & 15)][std::size_t(y & 15)] >= gray;
}

}  // namespace faximage
