// Little- and big-endian integers in byte buffers. The free functions read and write at
// a pointer the caller has checked (fixed-size headers); ByteReader checks every read
// against the end of its bytes, for parsers of outside input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace base {

inline std::uint16_t le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
inline std::uint16_t be16(const std::uint8_t* p) { return std::uint16_t((p[0] << 8) | p[1]); }
inline std::uint32_t be32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
         std::uint32_t(p[3]);
}
inline void putLe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
inline void putLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
inline void putBe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v >> 8);
  p[1] = std::uint8_t(v);
}
inline void putBe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (24 - 8 * i));
}

// A read past the end gives 0 and marks the reader as short, so a parser checks ok()
// once after a group of reads.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes, bool bigEndian = false)
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
    return big_ ? be16(p) : le16(p);
  }
  std::uint32_t u32(std::uint64_t at) {
    if (!has(at, 4)) return fail();
    const std::uint8_t* p = b_.data() + at;
    return big_ ? be32(p) : le32(p);
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

}  // namespace base
