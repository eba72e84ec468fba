// Minimum scan-line time: the shortest time a receiver needs per coded line, by the
// scan-time index that capability and session reports carry. Lines shorter than
// minBytesPerLine are padded with zero fill bits before they go to the modem: every MH
// line, and every MR line, one- or two-dimensional alike. MMR pages go only in error
// correction frames, which the receiver takes whole, and MMR rows have no EOL that fill
// could stand before: they get none.
#pragma once

#include "faximage/t4_2d.h"

namespace faxengine {

// Milliseconds per line by scan-time index 0..7, for normal and for fine resolution.
inline constexpr int kScanMs[8][2] = {{0, 0},   {5, 5},   {10, 5},  {10, 10},
                                      {20, 10}, {20, 20}, {40, 20}, {40, 40}};

constexpr int minBytesPerLine(int scanIndex, bool fine, int bps) {
  if (scanIndex < 0 || scanIndex > 7) return 0;
  return kScanMs[scanIndex][fine ? 1 : 0] * bps / 8000;
}

constexpr int minBytesPerLine(int scanIndex, bool fine, int bps, faximage::t4::Coding coding) {
  return coding == faximage::t4::Coding::Mmr ? 0 : minBytesPerLine(scanIndex, fine, bps);
}

}  // namespace faxengine
