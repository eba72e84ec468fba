// Fuzz target: the T.4 line coder both ways. For any raster, layout and output room the
// encoder either reports 0 (room too small) or writes a record that decodes to the raster as
// the layout places it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "faximage/t4_decoder.h"
#include "faximage/t4_encoder.h"

namespace {

bool pixel(std::span<const std::uint8_t> bits, int x) {
  return std::size_t(x >> 3) < bits.size() && (bits[std::size_t(x >> 3)] >> (7 - (x & 7))) & 1;
}

// The one line a record decodes to, or an empty vector.
std::vector<std::uint8_t> decodeOne(std::span<const std::uint8_t> record, int width) {
  std::vector<std::uint8_t> line;
  int lines = 0;
  faximage::t4::LineDecoder dec(width);
  dec.decodePage(record, [&](const std::uint8_t* l, int n) {
    line.assign(l, l + n);
    return ++lines, true;
  });
  if (lines != 1 || dec.invalidCodes() != 0) __builtin_trap();
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  const int width = 1 + (data[0] | data[1] << 8) % 4096;  // the decoder's widest line
  const int margin = (data[2] | data[3] << 8) % (width + 1);
  const bool doubling = data[4] & 1;
  const std::size_t room = (data[5] & 0x80) ? data[5] & 0x7F : 4096;
  const std::span<const std::uint8_t> raster(data + 6, size - 6);

  std::vector<std::uint8_t> out(room);
  const std::size_t n = faximage::t4::encodeLine(raster, {width, margin, doubling}, out);
  if (n == 0) {
    if (room == 4096) __builtin_trap();  // every line of up to 4096 pixels fits in 4096 bytes
  } else {
    const auto line = decodeOne({out.data(), n}, width);
    // Coded pixels past the image (an odd one left by doubling) continue its last run.
    const int image = (width - margin) >> (doubling ? 1 : 0);
    for (int x = 0; x < width; ++x) {
      const int p = std::min((x - margin) >> (doubling ? 1 : 0), image - 1);
      const bool expected = x >= margin && p >= 0 && pixel(raster, p);
      if (pixel(line, x) != expected) __builtin_trap();
    }
  }
  const std::size_t m = faximage::t4::encodeMarginLine(width, out);
  if (m != 0)
    for (std::uint8_t b : decodeOne({out.data(), m}, width))
      if (b != 0) __builtin_trap();
  return 0;
}
