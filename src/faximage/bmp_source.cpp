// BMP page source: 1-, 4-, 8-, 16-, 24- and 32-bit uncompressed bitmaps (bit fields for 16
// and 32 bits). Bitmaps that are not monochrome are dithered row by row as they are read.
//
// | offset | size | field (file header, then information header)                 |
// |--------|------|--------------------------------------------------------------|
// | 0      | 2    | "BM"                                                         |
// | 10     | 4    | offset of the pixel data                                     |
// | 14     | 4    | information header size (40, or 108/124 for later versions)  |
// | 18     | 4    | width in pixels (signed)                                     |
// | 22     | 4    | height in rows (signed; negative for top-down rows)          |
// | 28     | 2    | bits per pixel                                               |
// | 30     | 4    | compression: 0 none, 3 bit fields                            |
// | 46     | 4    | palette entries used (0: 2^bits)                             |
// | 54     | 12   | red, green, blue masks when compression is 3                 |
// Palette: 4 bytes (blue, green, red, 0) per entry after the information header.
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "faximage/dither.h"
#include "faximage/errors.h"
#include "faximage/line_source.h"

namespace faximage {

namespace {

constexpr int kMaxRows = 65535;

struct Mask {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  static Mask of(std::uint32_t m) {
    Mask r;
    r.mask = m;
    if (m) {
      r.shift = std::countr_zero(m);
      r.bits = std::popcount(m);
    }
    return r;
  }
  int value(std::uint32_t px) const {  // scaled to 0..255
    if (!mask) return 0;
    std::uint32_t v = (px & mask) >> shift;
    std::uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    return int(std::uint64_t(v) * 255 / max);
  }
};

class BmpSource : public LineSource {
 public:
  explicit BmpSource(const SourceContext& ctx) : ctx_(ctx) {}

  int openBytes(std::span<const std::uint8_t> bytes) override {
    data_.assign(bytes.begin(), bytes.end());
    base::ByteReader v(data_);
    if (v.size() < 54 || v.u8(0) != 'B' || v.u8(1) != 'M') return ecBadGraphicsFormat;
    std::uint32_t pixelOffset = v.u32(10);
    std::uint32_t headerSize = v.u32(14);
    std::int32_t width = v.i32(18);
    std::int32_t height = v.i32(22);
    bpp_ = v.u16(28);
    std::uint32_t compression = v.u32(30);
    std::uint32_t colours = v.u32(46);
    if (headerSize < 40 || width <= 0 || width > ctx_.pageWidth) return ecBadGraphicsFormat;
    if (height == INT32_MIN || std::abs(height) > kMaxRows) return ecBadGraphicsFormat;
    if (!(bpp_ == 1 || bpp_ == 4 || bpp_ == 8 || bpp_ == 16 || bpp_ == 24 || bpp_ == 32))
      return ecBadGraphicsFormat;
    if (compression == 3 && (bpp_ == 16 || bpp_ == 32)) {
      if (!v.has(54, 12)) return ecBadGraphicsFormat;
      red_ = Mask::of(v.u32(54));
      green_ = Mask::of(v.u32(58));
      blue_ = Mask::of(v.u32(62));
    } else if (compression == 0) {
      if (bpp_ == 16) {
        red_ = Mask::of(0x7C00), green_ = Mask::of(0x03E0), blue_ = Mask::of(0x001F);
      } else {
        red_ = Mask::of(0xFF0000), green_ = Mask::of(0x00FF00), blue_ = Mask::of(0x0000FF);
      }
    } else {
      return ecBadGraphicsFormat;
    }
    if (bpp_ <= 8 && !readPalette(v, 14 + std::uint64_t(headerSize), colours))
      return ecBadGraphicsFormat;
    width_ = width;
    height_ = std::abs(height);
    topDown_ = height < 0;
    stride_ = ((std::uint64_t(width_) * bpp_ + 31) / 32) * 4;
    if (!v.has(pixelOffset, stride_ * std::uint64_t(height_))) return ecDiskRead;
    pixels_ = pixelOffset;
    placement_ = computePlacement(width_, ctx_);
    bytesToConvert_ = long((width_ + 7) / 8) * height_;
    row_.assign(std::size_t((width_ + 7) / 8), 0);
    return ecOK;
  }

  int readLine(LineBuffer& line, LineRead& r) override {
    if (next_ >= height_) {
      r.endOfPage = true;
      r.morePages = false;
      return ecOK;
    }
    buildRow(next_);
    r.length = placeRow(row_.data(), width_, line);
    bytesConverted_ += long(row_.size());
    ++next_;
    return ecOK;
  }

 private:
  bool readPalette(base::ByteReader& v, std::uint64_t at, std::uint32_t used) {
    std::uint32_t n = used ? used : (1u << bpp_);
    if (n > 256) return false;
    if (!v.has(at, std::uint64_t(n) * 4)) return false;
    gray_.assign(256, 0);
    for (std::uint32_t i = 0; i < n; ++i) {
      int b = v.u8(at + 4 * i), g = v.u8(at + 4 * i + 1), r = v.u8(at + 4 * i + 2);
      gray_[i] = std::uint8_t((r + g + b) / 3);
    }
    // Index 0 is black unless the palette plainly says it is the lighter colour.
    invertMono_ = !(bpp_ == 1 && n >= 2 && gray_[0] > gray_[1]);
    return true;
  }

  void buildRow(int y) {
    int fileRow = topDown_ ? y : height_ - 1 - y;
    const std::uint8_t* src = data_.data() + pixels_ + stride_ * std::uint64_t(fileRow);
    std::fill(row_.begin(), row_.end(), 0);
    if (bpp_ == 1) {
      for (std::size_t i = 0; i < row_.size(); ++i)
        row_[i] = invertMono_ ? std::uint8_t(~src[i]) : src[i];
      return;
    }
    for (int x = 0; x < width_; ++x) {
      if (ditherBlack(x, y, grayAt(src, x)))
        row_[std::size_t(x >> 3)] |= std::uint8_t(0x80 >> (x & 7));
    }
  }

  int grayAt(const std::uint8_t* src, int x) const {
    switch (bpp_) {
      case 4: return gray_[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
      case 8: return gray_[src[x]];
      case 16: return rgbGray(base::le16(src + 2 * x));
      case 24: return (src[3 * x] + src[3 * x + 1] + src[3 * x + 2]) / 3;
      default: return rgbGray(base::le32(src + 4 * x));
    }
  }
  int rgbGray(std::uint32_t px) const {
    return (red_.value(px) + green_.value(px) + blue_.value(px)) / 3;
  }

  SourceContext ctx_;
  std::vector<std::uint8_t> data_;
  std::vector<std::uint8_t> gray_;
  std::vector<std::uint8_t> row_;
  Mask red_, green_, blue_;
  int bpp_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool topDown_ = false;
  bool invertMono_ = true;
  std::uint64_t stride_ = 0;
  std::uint64_t pixels_ = 0;
  int next_ = 0;
};

}  // namespace

std::unique_ptr<LineSource> makeBmpSource(const SourceContext& ctx) {
  return std::make_unique<BmpSource>(ctx);
}

}  // namespace faximage
