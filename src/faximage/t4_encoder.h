// T.4 one-dimensional line encoder: raster lines (1 black, MSB leftmost) to coded line
// records. Works on caller buffers only and returns byte counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace faximage::t4 {

struct LineLayout {
  int pageWidth = 1728;   // pixels of the coded line
  int leftMargin = 0;     // white pixels ahead of the image (at most pageWidth)
  bool doubling = false;  // every image pixel written twice across
};

// Codes one line as a line-record body: the 16-bit EOL word, runs alternating white and
// black from white adding up to pageWidth, zero bits to the byte boundary, one 0x00 byte.
// Raster bytes beyond the span count as white. Returns the byte count, or 0 when `out` is
// too small.
std::size_t encodeLine(std::span<const std::uint8_t> raster, const LineLayout& layout,
                       std::span<std::uint8_t> out);

// A top-margin blank line: 12-bit EOL, one white run of pageWidth, zero bits to the byte
// boundary, and one 0x00 byte more when that leaves exactly 32 bits (4 bytes for 1728, 5 for
// 2048). Returns the byte count, or 0 when `out` is too small.
std::size_t encodeMarginLine(int pageWidth, std::span<std::uint8_t> out);

}  // namespace faximage::t4
