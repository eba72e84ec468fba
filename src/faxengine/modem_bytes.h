// Control bytes of the modem's data streams.
#pragma once

#include <cstdint>


namespace faxengine {

inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kXon = 0x11;
inline constexpr std::uint8_t kDc2 = 0x12;
inline constexpr std::uint8_t kXoff = 0x13;

}  // namespace faxengine
