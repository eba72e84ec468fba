// Image placement on the fax line, shared by the image sources, and the whole-file open.
#include <algorithm>
#include <cstring>

#include "faximage/errors.h"
#include "faximage/file_io.h"
#include "faximage/line_source.h"

namespace faximage {

Placement computePlacement(int w, const SourceContext& ctx) {
  Placement p;
  const int W = ctx.pageWidth, M = ctx.leftMargin;
  p.doubling = (ctx.options & coDoubleWidth) && !ctx.fine && W - M >= 2 * w;
  p.dropLines = (ctx.options & coHalfHeight) && !ctx.fine && !p.doubling;
  if ((ctx.options & coCenterImage) && W - w > 15)
    p.centerBytes = std::max(0, p.doubling ? (W - 2 * w) / 32 : (W - w) / 16);
  return p;
}

int LineSource::open(const std::string& name) {
  std::vector<std::uint8_t> bytes;
  int rc = readWholeFile(name, bytes);
  if (rc != ecOK) return rc;
  return openBytes(bytes);
}

int LineSource::placeRow(const std::uint8_t* row, int imageWidth, LineBuffer& line) const {
  const int rowBytes = (imageWidth + 7) / 8;
  const int offset = std::min(placement_.centerBytes, kLineBufferBytes);
  const int n = std::clamp(rowBytes, 0, kLineBufferBytes - offset);
  if (n > 0) std::memcpy(line.data() + offset, row, std::size_t(n));
  if (n == rowBytes && (imageWidth & 7))
    line[std::size_t(offset + n - 1)] &= std::uint8_t(0xFF << (8 - (imageWidth & 7)));
  return offset + n;
}

}  // namespace faximage
