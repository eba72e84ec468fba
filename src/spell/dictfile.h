// Dictionary files on disk and the node access of one section: through a small
// direct-mapped block cache for the main dictionary, straight from the file for user
// dictionaries (which other copies of the program may grow while we read).
#pragma once

#include "base/fileowner.h"
#include "spell/dictformat.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace spell {

// One open file; the sections of a main dictionary share it.
class DictFile {
 public:
  // Read-only, or read-write for a user dictionary; nullptr when it cannot be opened.
  static std::shared_ptr<DictFile> Open(const std::string& path, bool writable);

  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }
  std::int64_t Size() const;
  // Bytes read at offset: fewer than asked at the end of the file or on an error.
  std::size_t ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t count) const;
  // The offset just past the first 0x1A byte, or -1 when the file has none.
  std::int64_t TextEnd() const;
  // Whether the path now names another file than the one held open (it was replaced).
  bool Replaced() const;

 private:
  DictFile(base::UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}
  base::UniqueFd fd_;
  std::string path_;
};

// Reads the header at offset; false when the file is too short for one.
bool ReadHeader(const DictFile& file, std::int64_t offset, SectionHeader& header);

class Section {
 public:
  // Main dictionary sections read through a cache; user sections straight from the file.
  Section(std::shared_ptr<DictFile> file, std::int64_t headerOffset, const SectionHeader& header,
          bool user);

  // Node n of 1..used; false outside that range or when the file ends before it.
  bool ReadNode(std::uint32_t n, Node& node) {
    if (n == 0 || n > header_.used) return false;
    return cache_.empty() ? ReadDirect(n, node) : ReadCached(n, node);
  }

  // Whether the letters (codes 0..63) spell a word of this section.
  bool Contains(std::string_view codes);

  // A user dictionary's header as the file has it now, reopening the file when another
  // writer replaced it. A header that does not fit the file leaves the section empty.
  void Refresh();

  const SectionHeader& header() const { return header_; }
  std::int64_t headerOffset() const { return headerOffset_; }
  const std::shared_ptr<DictFile>& file() const { return file_; }
  bool user() const { return user_; }

  int handle = -1;  // user dictionaries only

 private:
  struct Block {
    std::int64_t tag = -1;
    std::uint8_t valid = 0;
    std::uint8_t bytes[8 * kNodeSize];
  };
  static constexpr std::size_t kBlocks = 1024;

  bool ReadDirect(std::uint32_t n, Node& node);
  bool ReadCached(std::uint32_t n, Node& node) {
    const std::int64_t start = node0_ + std::int64_t(kNodeSize) * (n & ~7u);
    Block& block = cache_[std::size_t(start >> 3) & (kBlocks - 1)];
    if (block.tag != start) Fill(block, start);
    const std::size_t at = std::size_t(n & 7) * kNodeSize;
    if (at + kNodeSize > block.valid) return false;
    node = DecodeNode(block.bytes + at);
    return true;
  }
  void Fill(Block& block, std::int64_t start);
  // Where each letter first appears in the run of first letters, so a search need not
  // scan that run; main dictionaries only, as user dictionaries change under us.
  void IndexFirstLetters();

  std::shared_ptr<DictFile> file_;
  std::int64_t headerOffset_;
  std::int64_t node0_;  // file offset of node 0: the header's end minus one node
  SectionHeader header_;
  bool user_;
  std::vector<Block> cache_;
  std::array<std::uint32_t, 64> firstLetters_{};
};

// Whether the used nodes of a section whose header ends at headerEnd lie inside a file
// of fileSize bytes, and their count can be addressed by a child index.
bool NodesFit(const SectionHeader& header, std::int64_t headerEnd, std::int64_t fileSize);

}  // namespace spell
