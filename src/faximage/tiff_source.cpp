// TIFF page source: the first image of a bilevel TIFF, uncompressed or PackBits, in strips.
//
// | offset | size | field                                                      |
// |--------|------|------------------------------------------------------------|
// | 0      | 2    | byte order "II" (little-endian) or "MM" (big-endian)       |
// | 2      | 2    | 42                                                         |
// | 4      | 4    | offset of the first image directory                        |
// Directory: 2-byte entry count, then 12-byte entries (tag, type, count, value or offset).
// Tags used: 256 width, 257 length, 258 bits per sample, 259 compression, 262 photometric,
// 266 fill order, 273 strip offsets, 278 rows per strip, 279 strip byte counts.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "faximage/errors.h"
#include "faximage/line_source.h"

namespace faximage {

namespace {

constexpr int kMaxRows = 65535;
constexpr std::uint32_t kMaxWidth = kLineBufferBytes * 8;
constexpr std::uint32_t kMaxEntries = 4096;

std::uint8_t reverseBits(std::uint8_t b) {
  b = std::uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = std::uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return std::uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

struct Entry {
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint64_t valueAt = 0;  // file offset of the first value
};

class TiffSource : public LineSource {
 public:
  explicit TiffSource(const SourceContext& ctx) : ctx_(ctx) {}

  int openBytes(std::span<const std::uint8_t> bytes) override {
    data_.assign(bytes.begin(), bytes.end());
    if (data_.size() < 8) return ecBadGraphicsFormat;
    bool big;
    if (data_[0] == 'I' && data_[1] == 'I')
      big = false;
    else if (data_[0] == 'M' && data_[1] == 'M')
      big = true;
    else
      return ecBadGraphicsFormat;
    base::ByteReader v(data_, big);
    if (v.u16(2) != 42) return ecBadGraphicsFormat;
    std::uint64_t ifd = v.u32(4);
    std::uint32_t n = v.u16(ifd);
    if (!v.ok() || n > kMaxEntries || !v.has(ifd + 2, std::uint64_t(n) * 12))
      return ecBadGraphicsFormat;
    Entry width, length, bps, compression, photometric, fill, offsets, rps, counts;
    for (std::uint32_t i = 0; i < n; ++i) {
      std::uint64_t e = ifd + 2 + 12 * std::uint64_t(i);
      Entry en{v.u16(e + 2), v.u32(e + 4), 0};
      std::uint64_t size = std::uint64_t(en.count) * typeSize(en.type);
      en.valueAt = size <= 4 ? e + 8 : v.u32(e + 8);
      switch (v.u16(e)) {
        case 256: width = en; break;
        case 257: length = en; break;
        case 258: bps = en; break;
        case 259: compression = en; break;
        case 262: photometric = en; break;
        case 266: fill = en; break;
        case 273: offsets = en; break;
        case 278: rps = en; break;
        case 279: counts = en; break;
        default: break;
      }
    }
    if (!width.count || !length.count || !offsets.count) return ecBadGraphicsFormat;
    std::uint32_t w = value(v, width, 0), h = value(v, length, 0);
    if (value(v, bps, 1) != 1) return ecBadGraphicsFormat;
    std::uint32_t comp = value(v, compression, 1);
    if (comp != 1 && comp != 32773) return ecBadGraphicsFormat;
    if (w == 0 || w > kMaxWidth || h > kMaxRows || !v.ok()) return ecBadGraphicsFormat;
    width_ = int(w);
    height_ = int(h);
    packBits_ = comp == 32773;
    invert_ = value(v, photometric, 0) != 0;
    reverse_ = value(v, fill, 1) == 2;
    rowBytes_ = (width_ + 7) / 8;
    std::uint32_t perStrip = value(v, rps, h);
    rowsPerStrip_ = perStrip == 0 || perStrip > h ? std::max<std::uint32_t>(h, 1) : perStrip;
    std::uint64_t strips = (std::uint64_t(h) + rowsPerStrip_ - 1) / rowsPerStrip_;
    if (strips > offsets.count || (counts.count && strips > counts.count))
      return ecBadGraphicsFormat;
    for (std::uint64_t s = 0; s < strips; ++s) {
      std::uint64_t rows = std::min<std::uint64_t>(rowsPerStrip_, h - s * rowsPerStrip_);
      std::uint64_t start = value(v, offsets, 0, std::uint32_t(s));
      std::uint64_t size =
          counts.count ? value(v, counts, 0, std::uint32_t(s)) : rows * std::uint64_t(rowBytes_);
      if (!packBits_) size = std::max<std::uint64_t>(size, rows * std::uint64_t(rowBytes_));
      if (!v.ok()) return ecBadGraphicsFormat;
      if (!v.has(start, size)) return ecDiskRead;
      strips_.push_back({start, size});
    }
    placement_ = computePlacement(width_, ctx_);
    bytesToConvert_ = long(rowBytes_) * height_;
    row_.assign(std::size_t(rowBytes_), 0);
    return ecOK;
  }

  int readLine(LineBuffer& line, LineRead& r) override {
    if (next_ >= height_) {
      r.endOfPage = true;
      r.morePages = false;
      return ecOK;
    }
    int rc = fillRow();
    if (rc != ecOK) return rc;
    for (auto& b : row_) {
      if (reverse_) b = reverseBits(b);
      if (invert_) b = std::uint8_t(~b);
    }
    r.length = placeRow(row_.data(), width_, line);
    bytesConverted_ += rowBytes_;
    ++next_;
    return ecOK;
  }

 private:
  struct Strip {
    std::uint64_t start, size;
  };

  static std::uint64_t typeSize(std::uint16_t type) {
    switch (type) {
      case 1:
      case 2:
      case 6:
      case 7: return 1;
      case 3:
      case 8: return 2;
      case 4:
      case 9:
      case 11:
      case 13: return 4;
      default: return 8;
    }
  }
  // Value k of an entry holding bytes, shorts or longs; `fallback` when absent.
  static std::uint32_t value(base::ByteReader& v, const Entry& e, std::uint32_t fallback,
                             std::uint32_t k = 0) {
    if (e.count == 0 || k >= e.count) return fallback;
    switch (e.type) {
      case 1: return v.u8(e.valueAt + k);
      case 3: return v.u16(e.valueAt + 2 * std::uint64_t(k));
      case 4: return v.u32(e.valueAt + 4 * std::uint64_t(k));
      default: return fallback;
    }
  }

  int fillRow() {
    std::size_t strip = std::size_t(std::uint32_t(next_) / rowsPerStrip_);
    std::uint32_t inStrip = std::uint32_t(next_) % rowsPerStrip_;
    const Strip& s = strips_[strip];
    if (!packBits_) {
      std::memcpy(row_.data(),
                  data_.data() + s.start + std::uint64_t(inStrip) * std::uint64_t(rowBytes_),
                  std::size_t(rowBytes_));
      return ecOK;
    }
    if (inStrip == 0) {
      pbPos_ = s.start;
      pbEnd_ = s.start + s.size;
      literal_ = repeat_ = 0;
    }
    return unpackBitsRow();
  }

  // PackBits: n 0..127 copies n+1 bytes, n -1..-127 repeats the next byte 1-n times, -128 is
  // nothing. Runs may cross rows; a strip that ends before the row is full is corrupt.
  int unpackBitsRow() {
    int filled = 0;
    while (filled < rowBytes_) {
      if (literal_ > 0) {
        if (pbPos_ >= pbEnd_) return ecBadGraphicsFormat;
        row_[std::size_t(filled++)] = data_[std::size_t(pbPos_++)];
        --literal_;
      } else if (repeat_ > 0) {
        row_[std::size_t(filled++)] = repeatByte_;
        --repeat_;
      } else {
        if (pbPos_ >= pbEnd_) return ecBadGraphicsFormat;
        auto n = std::int8_t(data_[std::size_t(pbPos_++)]);
        if (n >= 0) {
          literal_ = n + 1;
        } else if (n != -128) {
          if (pbPos_ >= pbEnd_) return ecBadGraphicsFormat;
          repeatByte_ = data_[std::size_t(pbPos_++)];
          repeat_ = 1 - n;
        }
      }
    }
    return ecOK;
  }

  SourceContext ctx_;
  std::vector<std::uint8_t> data_;
  std::vector<Strip> strips_;
  std::vector<std::uint8_t> row_;
  int width_ = 0, height_ = 0, rowBytes_ = 0;
  std::uint32_t rowsPerStrip_ = 1;
  bool packBits_ = false, invert_ = false, reverse_ = false;
  int next_ = 0;
  std::uint64_t pbPos_ = 0, pbEnd_ = 0;
  int literal_ = 0, repeat_ = 0;
  std::uint8_t repeatByte_ = 0;
};

}  // namespace

std::unique_ptr<LineSource> makeTiffSource(const SourceContext& ctx) {
  return std::make_unique<TiffSource>(ctx);
}

}  // namespace faximage
