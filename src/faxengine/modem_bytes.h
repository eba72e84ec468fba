// Control bytes of the modem's data streams, and the protocol's time-outs in ticks.
#pragma once

#include <cstdint>

#include "faxengine/ticks.h"

namespace faxengine {

inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kXon = 0x11;
inline constexpr std::uint8_t kDc2 = 0x12;
inline constexpr std::uint8_t kXoff = 0x13;

namespace timeouts {
inline constexpr Ticks kReply = 182;     // 10 s: any command's reply
inline constexpr Ticks kAfterFdt = 546;  // 30 s: "AT+FDT" until the modem is ready for data
inline constexpr Ticks kPage = 1092;     // 60 s: page data and the exchange after a page
inline constexpr Ticks kXonWait = 18;    // 1 s: the XON a Class 2 modem sends after CONNECT
inline constexpr Ticks kAnswer = 1092;   // 60 s: from "ATA" to the connection report
inline constexpr Ticks kBaudSettle = 9;  // before a change of the port's speed
}  // namespace timeouts

// Pauses in milliseconds.
inline constexpr int kCommandPauseMs = 100;      // before every command
inline constexpr int kShortCommandPauseMs = 40;  // before the Class 1 data/frame commands
inline constexpr int kEscapeGuardMs = 1000;      // around "+++" and after "ATH"
inline constexpr int kLineDropMs = 500;          // DTR and RTS low, then high again

}  // namespace faxengine
