// Error diffusion (the Floyd-Steinberg weights 7, 3, 5, 1 in sixteenths) and thresholds.
#include "base/bilevel.h"

#include <algorithm>
#include <vector>

namespace base {
namespace {

constexpr int kNearBlack = 16;    // at or below: black, no error passed on
constexpr int kNearWhite = 239;   // at or above: white, no error passed on
constexpr int kMidLow = 48;       // mid-grey for the line-art test
constexpr int kMidHigh = 207;
constexpr int kLineArtMidShare = 5;  // line art: at most one pixel in five is mid-grey

}  // namespace

bool LooksLikeLineArt(const GreyPlane& g) {
  long long mid = 0;
  for (int y = 0; y < g.height; ++y) {
    const std::uint8_t* row = g.pixels + y * g.stride;
    for (int x = 0; x < g.width; ++x) mid += row[x] >= kMidLow && row[x] <= kMidHigh;
  }
  return mid * kLineArtMidShare <= (long long)g.width * g.height;
}

void DiffuseToBlackAndWhite(const GreyPlane& g) {
  if (g.width <= 0) return;
  // Errors of this row and the next, in sixteenths, with one guard cell at each end.
  std::vector<int> here(std::size_t(g.width) + 2), next(std::size_t(g.width) + 2);
  for (int y = 0; y < g.height; ++y) {
    std::uint8_t* row = g.pixels + y * g.stride;
    const bool leftToRight = (y & 1) == 0;
    const int step = leftToRight ? 1 : -1;
    std::fill(next.begin(), next.end(), 0);
    for (int i = 0; i < g.width; ++i) {
      const int x = leftToRight ? i : g.width - 1 - i;
      const std::size_t c = std::size_t(x) + 1;
      const int original = row[x];
      if (original <= kNearBlack || original >= kNearWhite) {
        row[x] = original <= kNearBlack ? 0 : 255;
        continue;
      }
      const int value = std::clamp(original + here[c] / 16, 0, 255);
      const int out = value < 128 ? 0 : 255;
      const int error = value - out;
      row[x] = std::uint8_t(out);
      here[std::size_t(int(c) + step)] += error * 7;
      next[std::size_t(int(c) - step)] += error * 3;
      next[c] += error * 5;
      next[std::size_t(int(c) + step)] += error;
    }
    std::swap(here, next);
  }
}

void ThresholdToBlackAndWhite(const GreyPlane& g) {
  for (int y = 0; y < g.height; ++y) {
    std::uint8_t* row = g.pixels + y * g.stride;
    for (int x = 0; x < g.width; ++x) row[x] = row[x] < 128 ? 0 : 255;
  }
}

void MakeBlackAndWhite(const GreyPlane& g) {
  if (LooksLikeLineArt(g))
    ThresholdToBlackAndWhite(g);
  else
    DiffuseToBlackAndWhite(g);
}

}  // namespace base
