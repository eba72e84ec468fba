// FPT memo file: a 512-byte header, then memos in whole blocks.
//
// Header (512 bytes):
//   off size meaning
//     0    4  next free block, BE32 (the block after the last one used)
//     4    2  unused
//     6    2  block size in bytes, BE16 (we write 64)
//     8  504  unused (writers may keep their own data here; ignored)
// Memo at block b, from byte b * block size:
//     0    4  type, BE32 (1 text, 0 picture)
//     4    4  length of the data, BE32
//     8    n  data; the rest of the last block is padding
// A memo pointer in the DBF is the block number as 10 right-justified ASCII digits
// (a 4-byte LE integer in the later table version); blanks or 0 mean "no memo".
#pragma once

#include <cstdint>
#include <string>

#include "tables/blockfile.h"

namespace tables {

class FptFile {
 public:
  static constexpr std::uint32_t kHeaderSize = 512;
  static constexpr std::uint32_t kDefaultBlockSize = 64;

  static void create(const std::string& path, std::uint32_t blockSize = kDefaultBlockSize);
  // Reads and checks the header; malformed input throws err::kBadFpt.
  void open(BlockFile file);
  void close() { file_.close(); }
  bool isOpen() const { return file_.isOpen(); }
  const std::string& path() const { return file_.path(); }
  std::uint32_t blockSize() const { return blockSize_; }
  std::uint32_t nextFree() const { return nextFree_; }

  // The memo at a block; block 0 is the empty memo. Pointers past the end, into the
  // header or with a length running past the end throw err::kBadFpt.
  std::string read(std::uint32_t block) const;
  // Stores a memo in new blocks at the end (never over an existing memo, so a record
  // that still points at the old memo stays intact) and returns its block; "" gives 0.
  std::uint32_t write(const std::string& data);

 private:
  BlockFile file_;
  std::uint32_t blockSize_ = kDefaultBlockSize;
  std::uint32_t nextFree_ = 0;
};

}  // namespace tables
