// Shared body of the page-source fuzz targets: open the bytes, read every line of every page
// and code each line, as a conversion would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "faximage/convert_state.h"
#include "faximage/line_source.h"

namespace faximage::fuzz {

inline void readAllLines(LineSource& src, const std::uint8_t* data, std::size_t size,
                         ConvertState& state) {
  if (src.openBytes(std::span<const std::uint8_t>(data, size)) != 0) return;
  for (int lines = 0; lines < 100000; ++lines) {
    LineBuffer line{};
    LineRead r;
    if (src.readLine(line, r) != 0) return;
    if (r.endOfPage) {
      if (!r.morePages) return;
      continue;
    }
    if (r.length < 0 || r.length > kLineBufferBytes) __builtin_trap();
    state.setDoubling(src.placement().doubling);
    if (state.EncodeLine(line) == 0) __builtin_trap();
  }
}

inline SourceContext contextFor(const std::uint8_t* data, std::size_t size) {
  // The last byte picks the page width, resolution and options, so the fuzzer reaches them.
  std::uint8_t k = size ? data[size - 1] : 0;
  SourceContext ctx;
  ctx.pageWidth = (k & 1) ? 2048 : 1728;
  ctx.fine = k & 2;
  ctx.options = (k >> 2) & 7;
  ctx.leftMargin = (k & 0x20) ? 50 : 0;
  return ctx;
}

}  // namespace faximage::fuzz
