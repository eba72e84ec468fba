// T.4 line encoder: finds the colour changes of a line 64 pixels at a time and writes each
// run as one joined code through a 64-bit accumulator.
#include "faximage/t4_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faximage/t4_codes.h"

namespace faximage::t4 {

namespace {

// Packs codes through a 64-bit accumulator that is stored whole after every code, which
// needs no branch on the bit count. Unchecked, the buffer must have 8 bytes of room past the
// last code byte (see maxLineBytes); checked, bytes beyond `room` are dropped and finish()
// reports 0.
template <bool kChecked>
class BitWriter {
 public:
  BitWriter(std::uint8_t* out, std::size_t room) : out_(out), room_(room) {}

  void put(std::uint32_t joined) {
    acc_ |= std::uint64_t(joinedBits(joined)) << n_;
    n_ += joinedLength(joined);
    store(acc_);
    pos_ += n_ >> 3;
    acc_ >>= n_ & ~7u;
    n_ &= 7;
  }

  void putRun(const std::uint32_t* codes, int run) {
    for (; run > kMaxMakeUp; run -= kMaxMakeUp) put(codes[kMaxMakeUp + 1]);
    put(codes[run]);
  }

  bool aligned() const { return n_ == 0; }

  // Pads with zero bits to the byte boundary (already stored by put) and adds `zeros` bytes.
  // Returns the byte count, or 0 when it does not fit.
  std::size_t finish(int zeros) {
    pos_ += (n_ + 7) >> 3;
    for (; zeros > 0; --zeros, ++pos_)
      if (!kChecked || pos_ < room_) out_[pos_] = 0;
    return kChecked && pos_ > room_ ? 0 : pos_;
  }

 private:
  void store(std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    if (!kChecked || pos_ + 8 <= room_) {
      std::memcpy(out_ + pos_, &v, 8);
      return;
    }
    for (std::size_t i = pos_; i < room_ && i < pos_ + 8; ++i, v >>= 8) out_[i] = std::uint8_t(v);
  }

  std::uint8_t* out_;
  std::size_t room_;
  std::size_t pos_ = 0;
  std::uint64_t acc_ = 0;
  std::uint32_t n_ = 0;
};

constexpr std::uint32_t kEolWord = 0x8000u << 5 | 16;  // fifteen 0 bits, then a 1
constexpr std::uint32_t kEol12 = 0x800u << 5 | 12;     // eleven 0 bits, then a 1

// Room a line record of `width` pixels may need: EOL word, a first white run of 0, at most
// six bits per pixel, the byte padding and 0x00 byte, and the writer's 8 bytes of slack.
std::size_t maxLineBytes(int width) { return std::size_t(24 + 6 * std::int64_t(width)) / 8 + 10; }

// Pixels 8 byte .. 8 byte + 63 of the raster, leftmost in bit 0 (each byte's bits reversed), so
// that the colour changes come out lowest bit first; pixels beyond the raster are white.
std::uint64_t loadWord(std::span<const std::uint8_t> raster, std::size_t byte) {
  std::uint64_t w = 0;
  if (byte + 8 <= raster.size()) {
    std::memcpy(&w, raster.data() + byte, 8);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  } else {
    for (std::size_t i = 0; byte + i < raster.size() && i < 8; ++i)
      w |= std::uint64_t(raster[byte + i]) << (8 * i);
  }
  w = (w >> 1 & 0x5555555555555555) | (w & 0x5555555555555555) << 1;
  w = (w >> 2 & 0x3333333333333333) | (w & 0x3333333333333333) << 2;
  return (w >> 4 & 0x0F0F0F0F0F0F0F0F) | (w & 0x0F0F0F0F0F0F0F0F) << 4;
}

bool allWhite(std::span<const std::uint8_t> raster, int bytes) {
  const std::size_t n = std::min(raster.size(), std::size_t(std::max(bytes, 0)));
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    std::uint64_t w[4];
    std::memcpy(w, raster.data() + i, 32);
    if ((w[0] | w[1] | w[2] | w[3]) != 0) return false;
  }
  std::uint64_t any = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, raster.data() + i, 8);
    any |= w;
  }
  for (; i < n; ++i) any |= raster[i];
  return any == 0;
}

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
