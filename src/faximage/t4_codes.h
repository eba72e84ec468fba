// Modified Huffman code tables of T.4 one-dimensional coding: terminating codes (runs 0 to
// 63), make-up codes (64 to 1728 per colour, 1792 to 2560 shared) and the EOL code.
#pragma once

#include <cstdint>

namespace faximage::t4 {

struct Code {
  std::uint16_t bits;  // code value, first transmitted bit most significant
  std::uint8_t length;
};

inline constexpr int kMaxMakeUp = 2560;
inline constexpr Code kEol{0x001, 12};

// Code for a terminating run (0..63) or a make-up run (a multiple of 64, 64..2560).
// Returns {0, 0} for anything else.
Code whiteCode(int run);
Code blackCode(int run);
inline Code runCode(bool black, int run) { return black ? blackCode(run) : whiteCode(run); }

// The same codes with their bits reversed, so that OR-ing them into a bit accumulator that
// fills from the least significant end sends the first code bit first.
struct RevCode {
  std::uint32_t bits;
  std::uint32_t length;
};
// Index: 0..63 terminating, 64 + k for make-up run 64*(k+1), k = 0..39.
const RevCode* reversedCodes(bool black);

}  // namespace faximage::t4
