// The built-in fax font: 16384 bytes, the small 12 x 8 glyph set (16 bytes a glyph) followed
// by the standard 20 x 16 set (48 bytes a glyph); rows top to bottom, MSB leftmost, 1 black.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace faximage {

inline constexpr std::size_t kFaxFontBytes = 16384;
inline constexpr std::size_t kSmallSetOffset = 0;
inline constexpr std::size_t kStandardSetOffset = 4096;

std::span<const std::uint8_t, kFaxFontBytes> faxFontResource();

}  // namespace faximage
