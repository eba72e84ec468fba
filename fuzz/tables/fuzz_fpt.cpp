// Feeds arbitrary bytes to the FPT memo reader and reads the memos that the header and
// the first blocks point at.
#include "tables/errors.h"
#include "tables/fptfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tables;
  try {
    FptFile fpt;
    fpt.open(BlockFile::fromMemory(std::vector<std::uint8_t>(data, data + size), "fuzz.fpt"));
    for (std::uint32_t block = 0; block < 64; ++block) {
      try {
        fpt.read(block);
      } catch (const TableError&) {
      }
    }
    fpt.read(fpt.nextFree());
  } catch (const TableError&) {
  }
  return 0;
}
