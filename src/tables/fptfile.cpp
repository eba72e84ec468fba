// Reading and appending memos in FPT files.
#include "tables/fptfile.h"

#include <vector>

#include "base/bytes.h"
#include "tables/errors.h"

namespace tables {

void FptFile::create(const std::string& path, std::uint32_t blockSize) {
  std::vector<std::uint8_t> h(kHeaderSize, 0);
  base::putBe32(&h[0], (kHeaderSize + blockSize - 1) / blockSize);
  base::putBe16(&h[6], blockSize);
  BlockFile f = BlockFile::create(path);
  f.write(0, h.data(), h.size());
  f.sync();
}

void FptFile::open(BlockFile file) {
  file_ = std::move(file);
  std::uint8_t h[8];
  file_.readExact(0, h, sizeof h, err::kBadFpt);
  blockSize_ = base::be16(&h[6]);
  nextFree_ = base::be32(&h[0]);
  // Some writers store block sizes below 32 as multiples of 1 KiB; we only accept the
  // plain byte count, which every FoxPro 2.x writer uses.
  if (blockSize_ < 32) fail(err::kBadFpt, path(), "block size " + std::to_string(blockSize_));
  std::uint64_t first = (kHeaderSize + blockSize_ - 1) / blockSize_;
  std::uint64_t blocksInFile = (file_.size() + blockSize_ - 1) / blockSize_;
  if (nextFree_ < first) nextFree_ = std::uint32_t(first);
  // A next-free word behind the end of the file would make us leave a hole; one before
  // it would make us overwrite memos, so the file size wins.
  if (nextFree_ < blocksInFile) nextFree_ = std::uint32_t(blocksInFile);
}

std::string FptFile::read(std::uint32_t block) const {
  if (block == 0) return {};
  std::uint64_t first = (kHeaderSize + blockSize_ - 1) / blockSize_;
  std::uint64_t off = std::uint64_t(block) * blockSize_;
  std::uint64_t size = file_.size();
  if (block < first || off + 8 > size)
    fail(err::kBadFpt, path(), "memo pointer " + std::to_string(block) + " outside the file");
  std::uint8_t h[8];
  file_.readExact(off, h, 8, err::kBadFpt);
  std::uint32_t len = base::be32(&h[4]);
  if (len > size - off - 8)
    fail(err::kBadFpt, path(), "memo at block " + std::to_string(block) + " runs past the end");
  std::string s(len, '\0');
  file_.readExact(off + 8, s.data(), len, err::kBadFpt);
  return s;
}

std::uint32_t FptFile::write(const std::string& data) {
  if (data.empty()) return 0;
  std::uint64_t need = (8 + data.size() + blockSize_ - 1) / blockSize_;
  if (std::uint64_t(nextFree_) + need > 0xFFFFFFFFull / blockSize_)
    fail(err::kIo, path(), "memo file full");
  std::vector<std::uint8_t> buf(std::size_t(need * blockSize_), 0);
  base::putBe32(&buf[0], 1);
  base::putBe32(&buf[4], std::uint32_t(data.size()));
  std::copy(data.begin(), data.end(), buf.begin() + 8);
  std::uint32_t block = nextFree_;
  // The memo first, then the header that accounts for it.
  file_.write(std::uint64_t(block) * blockSize_, buf.data(), buf.size());
  std::uint8_t h[4];
  base::putBe32(h, std::uint32_t(block + need));
  file_.write(0, h, 4);
  nextFree_ = std::uint32_t(block + need);
  return block;
}

}  // namespace tables
