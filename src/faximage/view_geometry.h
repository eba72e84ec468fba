// Plain geometry of the fax viewer control: scaled sizes, quarter turns of a page bitmap,
// the marked block and the scroll ranges. No Qt, so the rules are tested without a display.
#pragma once

#include "faximage/mono_bitmap.h"

namespace faximage {

// Lines of a page the viewer keeps; a taller received page is cut here.
inline constexpr int kMaxViewLines = 8192;

struct ViewScale {
  unsigned hMul = 1, hDiv = 1, vMul = 1, vDiv = 1;
  bool identity() const { return hMul == hDiv && vMul == vDiv; }
};

// A pair whose two values are equal, or that holds a 0, becomes 1/1.
ViewScale normaliseScale(ViewScale s);

// v * mul / div in integer arithmetic; a divisor of 0 counts as 1.
int scaleExtent(int v, unsigned mul, unsigned div);
// The inverse: a scaled coordinate back on the page (v * div / mul).
int unscaleExtent(int v, unsigned mul, unsigned div);

// Turns the bitmap by `turns` quarter turns clockwise (any integer; taken mod 4). A quarter
// turn makes the old top row the new right-hand column, so width and height swap.
MonoBitmap rotateQuarterTurns(const MonoBitmap& in, int turns);

struct ViewRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};

// The rectangle spanned by two corners, normalised and clipped to a page of w x h.
ViewRect markBetween(int x0, int y0, int x1, int y1, int w, int h);

// The largest scroll position: the part of the page beyond the client area, 0 when it fits.
int scrollMaximum(int scaledExtentOfPage, int clientExtent);

// The block `r` of a page as a bitmap of its own.
MonoBitmap cropBitmap(const MonoBitmap& in, const ViewRect& r);

}  // namespace faximage
