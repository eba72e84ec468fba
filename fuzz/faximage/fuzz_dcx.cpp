// Fuzz target: the DCX page source and the line encoder behind it.
#include "fuzz_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto ctx = faximage::fuzz::contextFor(data, size);
  faximage::ConvertState state;
  state.setPageWidth(ctx.pageWidth);
  state.setLeftMargin(unsigned(ctx.leftMargin));
  auto src = faximage::makeDcxSource(ctx);
  faximage::fuzz::readAllLines(*src, data, size, state);
  return 0;
}
