// Plain geometry of the fax viewer control.
#include "faximage/view_geometry.h"

#include <algorithm>
#include <cstdint>

namespace faximage {

ViewScale normaliseScale(ViewScale s) {
  if (s.hMul == s.hDiv || !s.hMul || !s.hDiv) s.hMul = s.hDiv = 1;
  if (s.vMul == s.vDiv || !s.vMul || !s.vDiv) s.vMul = s.vDiv = 1;
  return s;
}

int scaleExtent(int v, unsigned mul, unsigned div) {
  return int(std::int64_t(v) * std::int64_t(mul ? mul : 1) / std::int64_t(div ? div : 1));
}

int unscaleExtent(int v, unsigned mul, unsigned div) { return scaleExtent(v, div, mul); }

MonoBitmap rotateQuarterTurns(const MonoBitmap& in, int turns) {
  turns = ((turns % 4) + 4) % 4;
  if (turns == 0) return in;
  const bool swap = turns != 2;
  MonoBitmap out(swap ? in.height : in.width, swap ? in.width : in.height);
  for (int y = 0; y < in.height; ++y) {
    const std::uint8_t* row = in.row(y);
    for (int x = 0; x < in.width; ++x) {
      if (!((row[x >> 3] >> (7 - (x & 7))) & 1)) continue;
      switch (turns) {
        case 1: out.setPixel(in.height - 1 - y, x, true); break;
        case 2: out.setPixel(in.width - 1 - x, in.height - 1 - y, true); break;
        default: out.setPixel(y, in.width - 1 - x, true); break;
      }
    }
  }
  return out;
}

ViewRect markBetween(int x0, int y0, int x1, int y1, int w, int h) {
  ViewRect r{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
  r.left = std::clamp(r.left, 0, w);
  r.right = std::clamp(r.right, 0, w);
  r.top = std::clamp(r.top, 0, h);
  r.bottom = std::clamp(r.bottom, 0, h);
  return r;
}

int scrollMaximum(int scaledExtentOfPage, int clientExtent) {
  return std::max(0, scaledExtentOfPage - clientExtent);
}

MonoBitmap cropBitmap(const MonoBitmap& in, const ViewRect& r) {
  MonoBitmap out(std::max(0, r.width()), std::max(0, r.height()));
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x)
      if (in.pixel(r.left + x, r.top + y)) out.setPixel(x, y, true);
  return out;
}

}  // namespace faximage
