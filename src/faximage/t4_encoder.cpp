// T.4 line encoder: finds runs a byte or a word at a time and packs codes least
// significant bit first through a 64-bit accumulator.
#include "faximage/t4_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faximage/t4_codes.h"

namespace faximage::t4 {

namespace {

class BitWriter {
 public:
  explicit BitWriter(std::span<std::uint8_t> out) : out_(out) {}

  void put(std::uint32_t bits, std::uint32_t length) {
    acc_ |= std::uint64_t(bits) << n_;
    n_ += length;
    total_ += length;
    if (n_ >= 32) {
      if (pos_ + 4 > out_.size()) {
        overflow_ = true;
        pos_ = 0;
      }
      std::uint8_t* p = out_.data() + pos_;
      p[0] = std::uint8_t(acc_);
      p[1] = std::uint8_t(acc_ >> 8);
      p[2] = std::uint8_t(acc_ >> 16);
      p[3] = std::uint8_t(acc_ >> 24);
      pos_ += 4;
      acc_ >>= 32;
      n_ -= 32;
    }
  }

  void putRun(const RevCode* table, int run) {
    while (run > kMaxMakeUp) {
      const RevCode& c = table[64 + kMaxMakeUp / 64 - 1];
      put(c.bits, c.length);
      run -= kMaxMakeUp;
    }
    if (run >= 64) {
      const RevCode& c = table[64 + run / 64 - 1];
      put(c.bits, c.length);
      run &= 63;
    }
    put(table[run].bits, table[run].length);
  }

  // Pads with zero bits to the byte boundary and writes the bytes still held.
  // Returns the total byte count, or 0 on overflow.
  std::size_t finish() {
    while (n_ > 0) {
      if (pos_ >= out_.size()) return 0;
      out_[pos_++] = std::uint8_t(acc_);
      acc_ >>= 8;
      n_ = n_ > 8 ? n_ - 8 : 0;
    }
    return overflow_ ? 0 : pos_;
  }

  std::size_t bitCount() const { return total_; }

  bool putByte(std::uint8_t b) {
    if (pos_ >= out_.size()) return false;
    out_[pos_++] = b;
    return true;
  }

 private:
  std::span<std::uint8_t> out_;
  std::size_t pos_ = 0;
  std::uint64_t acc_ = 0;
  std::uint32_t n_ = 0;
  std::size_t total_ = 0;
  bool overflow_ = false;
};

// Up to 64 pixels from `pos` (a multiple of 8 apart from pos & 7 shift), leftmost in the top
// bit; pixels beyond the buffer read as white.
std::uint64_t loadBits(std::span<const std::uint8_t> buf, int byte) {
  std::uint64_t w = 0;
  if (std::size_t(byte) + 8 <= buf.size()) {
    std::memcpy(&w, buf.data() + byte, 8);
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
  } else {
    for (int i = 0; i < 8 && std::size_t(byte + i) < buf.size(); ++i)
      w |= std::uint64_t(buf[std::size_t(byte + i)]) << (56 - 8 * i);
  }
  return w;
}

// First pixel at or after pos (below end) whose colour differs from `black`; end if none.
int findChange(std::span<const std::uint8_t> buf, int pos, int end, bool black) {
  const int limit = std::min(end, int(buf.size()) * 8);
  while (pos < limit) {
    const int skip = pos & 7;
    std::uint64_t w = loadBits(buf, pos >> 3);
    if (black) w = ~w;
    w <<= skip;
    const int valid = 64 - skip;
    if (w) {
      int lz = std::countl_zero(w);
      if (lz < valid) return std::min(pos + lz, black ? limit : end);
    }
    pos += valid;
  }
  return black ? std::min(pos, limit) : end;
}

bool allWhite(std::span<const std::uint8_t> raster, int bytes) {
  std::size_t n = std::min(raster.size(), std::size_t(std::max(bytes, 0)));
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, raster.data() + i, 8);
    if (w) return false;
  }
  for (; i < n; ++i)
    if (raster[i]) return false;
  return true;
}

}  // namespace

std::size_t encodeLine(std::span<const std::uint8_t> raster, const LineLayout& layout,
                       std::span<std::uint8_t> out) {
  const int width = std::max(layout.pageWidth, 1);
  const int margin = std::clamp(layout.leftMargin, 0, width);
  const RevCode* white = reversedCodes(false);
  const RevCode* black = reversedCodes(true);
  BitWriter w(out);
  w.put(0x8000, 16);  // EOL word: fifteen 0 bits, then a 1
  if (allWhite(raster, width / 8)) {
    w.putRun(white, width);
  } else {
    const int scale = layout.doubling ? 2 : 1;
    const int image = (width - margin) / scale;
    int pos = 0;      // image pixel
    int written = 0;  // coded pixels
    bool isBlack = false;
    while (pos < image || written < width) {
      int next = findChange(raster, pos, image, isBlack);
      int run = (next - pos) * scale;
      if (written == 0) run += margin;
      if (next >= image) run = width - written;  // the last run reaches the line's end
      w.putRun(isBlack ? black : white, run);
      written += run;
      pos = next;
      isBlack = !isBlack;
    }
  }
  std::size_t n = w.finish();
  if (n == 0 || !w.putByte(0)) return 0;
  return n + 1;
}

std::size_t encodeMarginLine(int pageWidth, std::span<std::uint8_t> out) {
  BitWriter w(out);
  w.put(0x800, 12);  // EOL: eleven 0 bits, then a 1
  w.putRun(reversedCodes(false), std::max(pageWidth, 1));
  const bool aligned = w.bitCount() % 8 == 0;
  std::size_t n = w.finish();
  if (n != 0 && aligned) {  // code that ends on a byte boundary gets one 0x00 byte more
    if (!w.putByte(0)) return 0;
    ++n;
  }
  return n;
}

}  // namespace faximage::t4
