// CDX compound index file: a tag directory and one compact B-tree per tag, in 512-byte
// pages. All offsets are byte offsets, multiples of 512.
//
// Tag header (1024 bytes; the file header at 0 is the directory's own tag header):
//   off size meaning
//     0    4  root node offset, LE
//     4    4  free-page list head, LE (0 or -1: none; next pointer in a free page's first 4 bytes)
//     8    4  update counter, LE
//    12    2  key length, LE (10 for the directory)
//    14    1  options: 0x01 unique, 0x08 has FOR, 0x20 compact, 0x40 compound, 0x80 structural
//    15    1  signature (1)
//   502    2  order, LE: 0 ascending, 1 descending
//   504    2  key expression length with its NUL, LE
//   506    2  FOR expression length with its NUL, LE (1 when none)
//   508    2  reserved
//   510    2  key expression length with its NUL, LE
//   512  512  expression pool: key expression NUL, then FOR expression NUL
// Node (512 bytes), every level:
//     0    2  attributes, LE: 0 interior, 1 root, 2 leaf, 3 root leaf
//     2    2  key count, LE
//     4    4  left sibling, LE (-1 none)
//     8    4  right sibling, LE (-1 none)
// Interior node from 12: count x (key bytes, record BE32, child offset BE32); the key and
// record are those of the child's last entry.
// Leaf node (compact):
//    12    2  free bytes, LE = 488 - count x entry size - stored key bytes
//    14    4  record-number mask, LE       18  1  duplicate-count mask
//    19    1  trailing-count mask          20  1  record-number bits
//    21    1  duplicate-count bits         22  1  trailing-count bits
//    23    1  bytes per entry
//    24      count entries, each an LE integer: record | dup << recBits | trail <<
//    (recBits+dupBits)
//  ..512    key bytes, packed backwards from the end of the page; an entry stores
//           keyLength - dup - trail bytes: key = previous key[0..dup) + stored + trail x pad,
//           pad being a blank for text keys and 0x00 for numeric and date keys.
// The directory's keys are tag names (10 bytes, blank padded, sorted) and its record
// numbers are the offsets of the tags' headers; users number tags by header offset.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/blockfile.h"

namespace tables {

constexpr std::uint32_t kCdxPage = 512;

// One tag in file form: its definition and its entries sorted by (key, record).
struct CdxTag {
  std::string name;
  std::string keyExpr;
  std::string forExpr;
  bool descending = false;
  int keyLength = 0;
  char padByte = ' ';              // trailing character compressed away in leaves
  std::vector<std::uint8_t> keys;  // keyLength bytes per entry
  std::vector<std::uint32_t> recs;
  bool entriesValid = false;  // false when the tree could not be read
  std::string problem;        // why not
};

// Reads the directory and every tag header. A tag whose tree is damaged comes back with
// entriesValid false (and the reason); a damaged directory or header throws err::kBadCdx.
// padFor tells the pad byte for a key expression (0 when the expression is unknown).
// maxRec bounds the record numbers.
std::vector<CdxTag> readCdx(const BlockFile& file, std::uint32_t maxRec,
                            const std::function<char(const std::string&)>& padFor);

// The whole file for the given tags (in creation order).
std::vector<std::uint8_t> buildCdx(const std::vector<const CdxTag*>& tags);

}  // namespace tables
