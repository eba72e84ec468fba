// The 16 x 16 ordered-dither threshold matrix.
#include "faximage/dither.h"

namespace faximage {

namespace {
std::array<std::array<std::uint8_t, 16>, 16> build() {
  std::array<std::array<std::uint8_t, 16>, 16> m{};
  for (int i0 = 0; i0 < 16; ++i0) {
    for (int j0 = 0; j0 < 16; ++j0) {
      int i = i0, j = j0, v = 0;
      for (int k = 0; k < 4; ++k) {
        v = (2 * v) | (2 * ((i ^ j) & 1)) | (j & 1);
        i /= 2;
        j /= 2;
      }
      m[std::size_t(i0)][std::size_t(j0)] = std::uint8_t(4 * v);
    }
  }
  return m;
}
}  // namespace

const std::array<std::array<std::uint8_t, 16>, 16>& ditherMatrix() {
  static const auto m = build();
  return m;
}

}  // namespace faximage
