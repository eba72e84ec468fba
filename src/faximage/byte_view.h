// Bounds-checked little- and big-endian reads from a byte span; a read past the end gives 0
// and marks the view as short, so parsers check once after a group of reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace faximage {

class ByteView {
 public:
  explicit ByteView(std::span<const std::uint8_t> bytes, bool bigEndian = false)
      : b_(bytes), big_(bigEndian) {}

  std::size_t size() const { return b_.size(); }
  bool ok() const { return ok_; }
  bool has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= b_.size() && count <= b_.size() - offset;
  }
  std::uint8_t u8(std::uint64_t at) {
    if (!has(at, 1)) return fail();
    return b_[std::size_t(at)];
  }
  std::uint16_t u16(std::uint64_t at) {
    if (!has(at, 2)) return fail();
    const std::uint8_t* p = b_.data() + at;
    return std::uint16_t(big_ ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8));
  }
  std::uint32_t u32(std::uint64_t at) {
    if (!has(at, 4)) return fail();
    std::uint32_t a = u16(at), b = u16(at + 2);
    return big_ ? (a << 16) | b : a | (b << 16);
  }
  std::int32_t i32(std::uint64_t at) { return std::int32_t(u32(at)); }
  std::span<const std::uint8_t> bytes() const { return b_; }

 private:
  std::uint8_t fail() {
    ok_ = false;
    return 0;
  }
  std::span<const std::uint8_t> b_;
  bool big_;
  bool ok_ = true;
};

}  // namespace faximage
