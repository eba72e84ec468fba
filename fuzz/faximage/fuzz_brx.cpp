// Fuzz target: the BRX reader, the T.4 decoder and page-image assembly with the display
// adjustments, on the first pages of a file.
#include <cstddef>
#include <cstdint>
#include <span>

#include "faximage/brx_file.h"
#include "faximage/page_image.h"
#include "faximage/t4_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  faximage::t4::LineDecoder raw(size ? data[0] % 64 * 64 : 0);
  raw.decodePage(bytes, [](const std::uint8_t*, int n) { return n > 0 && n <= 512; });

  faximage::BrxReader reader;
  if (reader.openBytes(bytes) != 0) return 0;
  std::uint8_t k = data[size - 1];
  faximage::UnpackSettings s;
  s.autoScale = faximage::TAutoScaleMode(k % 3);
  if (k & 4) s.whitespaceFrom = 5, s.whitespaceTo = 2;
  if (k & 8) s.horizDiv = 3, s.vertMult = 2;
  s.invert = k & 16;
  for (unsigned page = 1; page <= 3 && int(page) <= reader.pageCount(); ++page) {
    faximage::MonoBitmap img;
    faximage::assemblePageImage(reader, page, s, img);
    if (!img.empty() && img.bits.size() != std::size_t(img.stride) * std::size_t(img.height))
      __builtin_trap();
  }
  return 0;
}
