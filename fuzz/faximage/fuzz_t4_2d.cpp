// Fuzz target: the two-dimensional decoders (MR and MMR) on any bytes. Every delivered row
// has exactly the width asked for, its bits past the width are white, and coding the
// delivered rows again in the same coding decodes to the same rows.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "faximage/t4_2d.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  using faximage::t4::Coding;
  const Coding coding = data[0] & 1 ? Coding::Mmr : Coding::Mr;
  const int width = 1 + (data[1] | data[2] << 8) % faximage::t4::kMaxCodedWidth;
  const std::span<const std::uint8_t> coded(data + 3, size - 3);
  const int bytes = (width + 7) / 8;

  std::vector<std::uint8_t> rows;
  faximage::t4::PageDecoder dec(coding, width);
  dec.decodePage(coded, [&](const std::uint8_t* line, int n) {
    if (n != bytes) __builtin_trap();
    if ((width & 7) && (line[n - 1] & (0xFF >> (width & 7)))) __builtin_trap();
    rows.insert(rows.end(), line, line + n);
    return rows.size() < (std::size_t(1) << 22);
  });

  faximage::t4::PageEncoder enc(coding, width, 1 + data[0] % 4);
  for (std::size_t r = 0; r < rows.size(); r += std::size_t(bytes))
    enc.addRow({rows.data() + r, std::size_t(bytes)});
  enc.finish();
  std::vector<std::uint8_t> again;
  faximage::t4::PageDecoder check(coding, width);
  const auto result = check.decodePage(enc.bytes(), [&](const std::uint8_t* line, int n) {
    again.insert(again.end(), line, line + n);
    return true;
  });
  if (result != faximage::t4::PageDecoder::Result::EndOfPage || again != rows) __builtin_trap();
  return 0;
}
