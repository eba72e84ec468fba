// Fuzz target: the text page source with both glyph sets.
#include "fuzz_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto ctx = faximage::fuzz::contextFor(data, size);
  faximage::ConvertState state;
  state.setPageWidth(ctx.pageWidth);
  state.setLeftMargin(unsigned(ctx.leftMargin));
  state.LoadFaxFont(ctx.fine ? faximage::kSmallGlyphBytes : faximage::kStandardGlyphBytes,
                    ctx.fine);
  unsigned linesPerPage = size ? data[0] % 8 : 0;
  auto src = faximage::makeTextSource(ctx, state, {linesPerPage, size > 1 ? data[1] % 9u : 4u});
  faximage::fuzz::readAllLines(*src, data, size, state);
  return 0;
}
