// Spelling dictionary files: the byte layout, written once for the reader, the user
// dictionary writer and the builder.
//
// A file starts with free text that is never interpreted, ended by the byte 0x1A. One or
// more sections follow, each a header and its nodes:
//
// | Offset | Size      | Meaning                                                        |
// |--------|-----------|----------------------------------------------------------------|
// | 0      | 4         | used nodes                                                     |
// | 4      | 4         | node slots; the next section's header follows the last slot    |
// | 8      | 4         | words                                                          |
// | 12     | 1         | kind: non-zero in a main dictionary, 0 in a user dictionary    |
// | 13     | 4         | user dictionary: file offset of this header (unused on reading) |
// | 17     | 3 x slots | nodes 1 .. slots                                               |
//
// All numbers are little-endian. A node is 3 bytes:
//
// | Offset | Size | Meaning                                                             |
// |--------|------|---------------------------------------------------------------------|
// | 0      | 2    | child index: first node of the child run; 0 none, 65000 free slot   |
// | 2      | 1    | bits 0-5 letter code, 0x40 last node of its run, 0x80 a word ends   |
//
// Nodes are numbered from 1 within their section; the run of first letters starts at
// node 1, and a run is the nodes from its first to the first one flagged last. A main
// dictionary may have several sections (another is read while 21 or more bytes remain
// after one); a user dictionary has one.
#pragma once

#include <cstdint>

namespace spell {

constexpr std::uint8_t kTextEnd = 0x1A;
constexpr int kHeaderSize = 17;
constexpr int kNodeSize = 3;
constexpr int kMinSectionRest = 21;  // bytes that must remain for another main section

constexpr std::uint16_t kFreeChild = 65000;
constexpr std::uint8_t kLetterBits = 0x3F;
constexpr std::uint8_t kLastSibling = 0x40;
constexpr std::uint8_t kWordEnd = 0x80;

struct SectionHeader {
  std::uint32_t used = 0;
  std::uint32_t slotCount = 0;  // not "slots", which Qt defines as a macro
  std::uint32_t words = 0;
  std::uint8_t kind = 0;
  std::uint32_t offset = 0;
};

struct Node {
  std::uint16_t child = 0;
  std::uint8_t flags = 0;

  std::uint8_t code() const { return flags & kLetterBits; }
  bool last() const { return flags & kLastSibling; }
  bool wordEnd() const { return flags & kWordEnd; }
  // A child run to descend into (free slots of a user dictionary have none).
  bool hasChildren() const { return child != 0 && child != kFreeChild; }
};

inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

inline void WriteLe32(std::uint32_t v, std::uint8_t* p) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

inline SectionHeader DecodeHeader(const std::uint8_t* p) {
  return {ReadLe32(p), ReadLe32(p + 4), ReadLe32(p + 8), p[12], ReadLe32(p + 13)};
}

inline void EncodeHeader(const SectionHeader& h, std::uint8_t* p) {
  WriteLe32(h.used, p);
  WriteLe32(h.slotCount, p + 4);
  WriteLe32(h.words, p + 8);
  p[12] = h.kind;
  WriteLe32(h.offset, p + 13);
}

inline Node DecodeNode(const std::uint8_t* p) { return {std::uint16_t(p[0] | p[1] << 8), p[2]}; }

inline void EncodeNode(const Node& n, std::uint8_t* p) {
  p[0] = std::uint8_t(n.child);
  p[1] = std::uint8_t(n.child >> 8);
  p[2] = n.flags;
}

}  // namespace spell
