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

// Each run 0..kMaxMakeUp as one code (the make-up code, if any, then the terminating code)
// with its bits reversed, so that OR-ing it into an accumulator that fills from the least
// significant end sends the first code bit first. Entry = reversed bits << 5 | bit count
// (at most 25 bits). Entry kMaxMakeUp + 1 is the make-up code of kMaxMakeUp alone, repeated
// ahead of longer runs. The white table comes first, the black one kJoinedCodes entries later.
inline constexpr int kJoinedCodes = kMaxMakeUp + 2;
const std::uint32_t* joinedCodes();
inline constexpr std::uint32_t joinedLength(std::uint32_t entry) { return entry & 31; }
inline constexpr std::uint32_t joinedBits(std::uint32_t entry) { return entry >> 5; }

}  // namespace faximage::t4
