// Feeds arbitrary bytes to the CDX reader: tag directory, tag headers and every tree.
#include "tables/cdxfile.h"
#include "tables/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tables;
  try {
    BlockFile f = BlockFile::fromMemory(std::vector<std::uint8_t>(data, data + size), "fuzz.cdx");
    auto tags = readCdx(f, 1u << 20, [](const std::string& e) -> char {
      return e.empty() ? 0 : (e[0] == 'N' ? 1 : ' ');
    });
    std::vector<const CdxTag*> valid;
    for (const auto& t : tags)
      if (t.entriesValid) valid.push_back(&t);
    buildCdx(valid);  // what was read can be written again
  } catch (const TableError&) {
  }
  return 0;
}
