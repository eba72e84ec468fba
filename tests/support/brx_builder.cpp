// Builds small BRX files from bitmaps through our own line coder and file writer.
#include "brx_builder.h"

#include <algorithm>
#include <array>

#include "faximage/brx_file.h"
#include "faximage/convert_state.h"

namespace faximage::test {

int writeBrx(const std::string& path, const std::vector<BitmapPage>& pages,
             std::string_view senderId, std::uint32_t fileDate) {
  BrxWriter w;
  if (int rc = w.create(path)) return rc;
  ConvertState st;
  st.setPageWidth(kNormalWidth);
  std::array<std::uint8_t, kLineBufferBytes> line{};
  for (const BitmapPage& p : pages) {
    if (int rc = w.beginPage(std::uint16_t((p.fine ? pfFine : 0) | pfLineLengths))) return rc;
    for (int y = 0; y < p.image.height; ++y) {
      line.fill(0);
      std::copy(p.image.row(y), p.image.row(y) + p.image.stride, line.begin());
      st.EncodeLine(line);
      if (int rc = w.addLineRecord(st.coded())) return rc;
    }
    if (int rc = w.endPage()) return rc;
  }
  return w.finish(senderId, fileDate);
}

}  // namespace faximage::test
