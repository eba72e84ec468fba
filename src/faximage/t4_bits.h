// Bit-level helpers shared by the T.4 coders: the coded-bit reader and writer (bits least
// significant first within each byte).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "faximage/t4_codes.h"

namespace faximage::t4 {

// Reads coded bits least significant first through a 64-bit buffer. While 8 bytes remain
// ahead, a refill is one unaligned load whatever the bit count; the last bytes come one at a
// time. Bits above the count are zero or the true bits that follow.
class BitReader {
 public:
  explicit BitReader(std::span<const std::uint8_t> data)
      : p_(data.data()), end_(data.data() + data.size()), begin_(data.data()) {}

  // At least 56 bits while the data lasts.
  void refill() {
    if (end_ - p_ >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p_, 8);
      if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
      buf_ |= w << n_;
      p_ += (63 - n_) >> 3;
      n_ |= 56;
    } else {
      for (; n_ <= 56 && p_ < end_; n_ += 8) buf_ |= std::uint64_t(*p_++) << n_;
    }
  }

  std::uint64_t bits() const { return buf_; }
  int count() const { return n_; }
  void skip(int n) {
    buf_ >>= n;
    n_ -= n;
  }
  std::size_t consumed() const { return std::size_t(p_ - begin_) - std::size_t(n_ / 8); }

  // Takes the next `length` bits (at most 63) when they are `pattern`.
  bool take(std::uint64_t pattern, int length) {
    if (n_ < length || (buf_ & ((std::uint64_t(1) << length) - 1)) != pattern) return false;
    skip(length);
    return true;
  }

  // Skips 1 bits up to the next 0 bit (after an invalid code); false at the end of the data.
  bool skipOnes() {
    for (;;) {
      if (n_ == 0) {
        refill();
        if (n_ == 0) return false;
      }
      const int ones = std::countr_one(buf_);
      if (ones < n_) {
        skip(ones);
        return true;
      }
      buf_ = 0;
      n_ = 0;
    }
  }

  // Skips to just past the next EOL (eleven or more 0 bits, then a 1), counted across byte
  // boundaries; false at the end of the data.
  bool skipToEol() {
    int zeros = 0;
    for (;;) {
      if (n_ == 0) {
        refill();
        if (n_ == 0) return false;
      }
      const int run = std::countr_zero(buf_);
      if (run >= n_) {
        zeros += n_;
        buf_ = 0;
        n_ = 0;
        continue;
      }
      skip(run + 1);
      if (zeros + run >= 11) return true;
      zeros = 0;
    }
  }

  // Any further 0 bits, then the 1 that closes an EOL; false at the end of the data.
  bool skipFill() {
    for (;;) {
      const int zeros = buf_ ? std::countr_zero(buf_) : 64;
      if (zeros < n_) {
        skip(zeros + 1);
        return true;
      }
      buf_ = 0;
      n_ = 0;
      refill();
      if (n_ == 0) return false;
    }
  }

 private:
  const std::uint8_t* p_;  // next byte to load
  const std::uint8_t* end_;
  const std::uint8_t* begin_;
  std::uint64_t buf_ = 0;
  int n_ = 0;
};

// Packs codes through a 64-bit accumulator that is stored whole after every code, which
// needs no branch on the bit count. Unchecked, the buffer must have 8 bytes of room past the
// last code byte (see maxLineBytes); checked, bytes beyond `room` are dropped and finish()
// reports 0.
template <bool kChecked>
class BitWriter {
 public:
  BitWriter(std::uint8_t* out, std::size_t room) : out_(out), room_(room) {}
  // Continues after `bits` bits (fewer than 8) left over from an earlier writer, held in
  // `acc`; they are written again at out[0].
  BitWriter(std::uint8_t* out, std::size_t room, std::uint64_t acc, std::uint32_t bits)
      : out_(out), room_(room), acc_(acc), n_(bits) {}

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
  std::size_t bytes() const { return pos_; }         // whole bytes written
  std::uint64_t pending() const { return acc_; }     // bits past them
  std::uint32_t pendingCount() const { return n_; }  // how many (fewer than 8)

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

// The line decoder's run tables (t4_decoder.cpp). One 16-bit entry per window of the next
// bits, first bit in the least significant position: code length << 12 | run length, or one
// of the marks below.
inline constexpr std::uint16_t kInvalidMark = 0xFFD;
inline constexpr std::uint16_t kFillMark = 0xFFE;  // eleven 0 bits: more fill, then the EOL's 1
inline constexpr std::uint16_t kEolMarkValue = 0xFFF;
inline constexpr int kWhiteWindow = 12;
inline constexpr int kBlackWindow = 13;
const std::uint16_t* runTable(bool black);

// A white terminating code followed by a black one, both within the next 12 bits: most of the
// runs of text and of dithered pictures. One lookup decodes both; entry = black run << 10 |
// white run << 4 | bit count of the two codes, or 0 when the window holds no such pair.
inline constexpr int kPairWindow = 12;
const std::uint16_t* pairTable();

// Pixels 8 byte .. 8 byte + 63 of the raster, leftmost in bit 0 (each byte's bits reversed), so
// that the colour changes come out lowest bit first; pixels beyond the raster are white.
inline std::uint64_t loadWord(std::span<const std::uint8_t> raster, std::size_t byte) {
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

inline bool allWhite(std::span<const std::uint8_t> raster, int bytes) {
  const std::size_t n = std::min(raster.size(), std::size_t(std::max(bytes, 0)));
  const std::uint8_t* p = raster.data();
  std::size_t i = 0;
  // Four separate words: a 32-byte array would be copied to the stack and loaded back.
  for (; i + 32 <= n; i += 32) {
    std::uint64_t a, b, c, d;
    std::memcpy(&a, p + i, 8);
    std::memcpy(&b, p + i + 8, 8);
    std::memcpy(&c, p + i + 16, 8);
    std::memcpy(&d, p + i + 24, 8);
    if ((a | b | c | d) != 0) return false;
  }
  std::uint64_t any = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    any |= w;
  }
  for (; i < n; ++i) any |= p[i];
  return any == 0;
}

}  // namespace faximage::t4
