// T.4 line encoder: finds the colour changes of a line 64 pixels at a time and writes each
// run as one joined code through a 64-bit accumulator.
#include "faximage/t4_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faximage/t4_bits.h"
#include "faximage/t4_codes.h"

namespace faximage::t4 {

namespace {

constexpr std::uint32_t kEolWord = 0x8000u << 5 | 16;  // fifteen 0 bits, then a 1
constexpr std::uint32_t kEol12 = 0x800u << 5 | 12;     // eleven 0 bits, then a 1

// Room a line record of `width` pixels may need: EOL word, a first white run of 0, at most
// six bits per pixel, the byte padding and 0x00 byte, and the writer's 8 bytes of slack.
std::size_t maxLineBytes(int width) { return std::size_t(24 + 6 * std::int64_t(width)) / 8 + 10; }

struct Geometry {
  int width;   // coded pixels
  int margin;  // white coded pixels ahead of image pixel 0
  int shift;   // 1 when every image pixel is coded twice
  int image;   // image pixels coded
};

// Codes one line record: the EOL word, then the runs, where every colour change of the image
// ends the run before it and the last run reaches the end of the coded line. The writer stays
// local so that its state lives in registers, not behind the byte stores.
template <bool kChecked>
std::size_t codeLine(std::span<const std::uint8_t> raster, const Geometry& g,
                     std::span<std::uint8_t> out) {
  const std::uint32_t* codes = joinedCodes();
  int colour = 0;  // offset of the current colour's codes
  int last = 0;    // coded pixel where the current run began
  BitWriter<kChecked> w(out.data(), out.size());
  w.put(kEolWord);
  if (!allWhite(raster, int((std::int64_t(g.image) + 7) / 8))) {
    // Past the raster all is white: no change after the word holding its end.
    const std::int64_t imageWords = (std::int64_t(g.image) + 63) / 64;
    const int words = int(std::min<std::int64_t>(imageWords, raster.size() / 8 + 1));
    std::uint64_t previous = 0;  // the pixel left of the word, in bit 0
    for (int k = 0; k < words; ++k) {
      const std::uint64_t x = loadWord(raster, std::size_t(k) * 8);
      std::uint64_t changes = x ^ (x << 1 | previous);
      previous = x >> 63;
      if (k == imageWords - 1) changes &= ~std::uint64_t(0) >> (64 - (g.image - 64 * k));
      for (; changes; changes &= changes - 1) {
        const int coded = g.margin + ((64 * k + std::countr_zero(changes)) << g.shift);
        w.putRun(codes + colour, coded - last);
        last = coded;
        colour ^= kJoinedCodes;
      }
    }
  }
  w.putRun(codes + colour, g.width - last);
  return w.finish(1);
}

template <bool kChecked>
std::size_t codeMarginLine(int width, std::span<std::uint8_t> out) {
  BitWriter<kChecked> w(out.data(), out.size());
  w.put(kEol12);
  w.putRun(joinedCodes(), width);
  // Code that ends on a byte boundary gets one 0x00 byte more.
  return w.finish(w.aligned() ? 1 : 0);
}

}  // namespace

std::size_t encodeLine(std::span<const std::uint8_t> raster, const LineLayout& layout,
                       std::span<std::uint8_t> out) {
  Geometry g;
  g.width = std::max(layout.pageWidth, 1);
  g.margin = std::clamp(layout.leftMargin, 0, g.width);
  g.shift = layout.doubling ? 1 : 0;
  g.image = (g.width - g.margin) >> g.shift;
  return out.size() >= maxLineBytes(g.width) ? codeLine<false>(raster, g, out)
                                             : codeLine<true>(raster, g, out);
}

std::size_t encodeMarginLine(int pageWidth, std::span<std::uint8_t> out) {
  const int width = std::max(pageWidth, 1);
  return out.size() >= maxLineBytes(width) ? codeMarginLine<false>(width, out)
                                           : codeMarginLine<true>(width, out);
}

}  // namespace faximage::t4
