// Fuzzes the RTF reader: any input must read without fault, and what was read must
// survive the writer and a second read unchanged.
#include "richtext/codec/rtfreader.h"
#include "richtext/codec/rtfwriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  richtext::RtfDocument doc = richtext::ReadRtf(input);
  if (doc.paragraphs.empty()) std::abort();
  std::string rtf = richtext::WriteRtf(doc);
  if (richtext::ReadRtf(rtf) != doc) std::abort();
  return 0;
}
