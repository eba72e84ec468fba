// The sender's page rows on their way to a line that carries MR or MMR. The send machine
// produces MH lines (white lines, header and text-cover rows, the rows of a BRX page); each
// is decoded and coded again in the line's coding, one coded row at a time, so that every
// MR row can still be filled to the minimum scan-line time like an MH line. With MH on the
// line nothing passes through here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "faxengine/line_coding.h"

namespace faxengine {

class LineRecoder {
 public:
  // Starts a page of `width` pixels in `coding` (MR's K by the resolution). Until then
  // the line is MH and rows are not taken.
  void begin(Coding coding, int width, bool fine);
  Coding coding() const { return coding_; }
  bool recodes() const { return coding_ != Coding::Mh; }
  int width() const { return width_; }

  // One MH line (its EOL and runs) in the line's coding (MH: the line itself); nothing
  // when it holds no row of the page's width. The span lasts until the next call.
  std::span<const std::uint8_t> line(std::span<const std::uint8_t> mh);
  // One raster row (1 black, most significant bit leftmost) in the line's coding. MMR rows
  // are not byte-aligned: their last bits come with the next row or the page's end.
  std::span<const std::uint8_t> row(std::span<const std::uint8_t> raster);
  // The end of the page: RTC (MH: the end-of-page record; MR: tagged) or EOFB (MMR).
  std::span<const std::uint8_t> finish();

 private:
  Coding coding_ = Coding::Mh;
  int width_ = 0;
  std::optional<faximage::t4::PageEncoder> encoder_;
};

}  // namespace faxengine
