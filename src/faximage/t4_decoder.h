// T.4 one-dimensional decoder: code trees for white and black runs, and a line decoder that
// turns coded bytes into raster lines (1 black, MSB leftmost) delivered to a callback.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace faximage::t4 {

// A binary code tree. Node 0 is the root; each node holds the node reached by a 0 bit and by
// a 1 bit. A leaf has next[0] == kLeaf and next[1] the run length or kEolMark; a node whose
// entries are both 0 is an invalid code. Nodes are numbered depth first, 0 before 1, so the
// node reached by eleven 0 bits is node 11; its 0-entry points back at itself so that any
// number of fill bits before the closing 1 still gives EOL.
struct CodeTree {
  static constexpr std::int16_t kLeaf = -1;
  static constexpr std::int16_t kEolMark = -2;
  static constexpr int kFillNode = 11;
  static constexpr int kMaxDepth = 13;
  struct Node {
    std::int16_t next[2] = {0, 0};
  };
  std::vector<Node> nodes;

  bool isLeaf(int n) const { return nodes[std::size_t(n)].next[0] == kLeaf; }
  bool isInvalid(int n) const {
    return nodes[std::size_t(n)].next[0] == 0 && nodes[std::size_t(n)].next[1] == 0;
  }
  int leafRun(int n) const { return nodes[std::size_t(n)].next[1]; }  // kEolMark for EOL
};

// Built once by walking every bit string up to 13 bits (terminating codes first, then
// make-up codes, then EOL).
const CodeTree& codeTree(bool black);

class LineDecoder {
 public:
  // Receives each accepted line; returning false stops decoding.
  using LineSink = std::function<bool(const std::uint8_t* line, int bytes)>;
  // Told of each line that ends without decoding to the width (optional); bytesConsumed()
  // then gives where it ended.
  using RejectSink = std::function<void()>;

  // exactWidth 0: lines of 216 or 256 whole bytes (1728..1735 or 2048..2055 pixels) are
  // accepted, as BRX readers do. Otherwise only lines of exactly that many pixels.
  explicit LineDecoder(int exactWidth = 0);

  enum class Result { DataEnd, EndOfPage, Stopped };
  // Decodes one page's coded bytes. Runs before the first EOL are ignored; three EOLs with
  // no run between them end the page; an invalid code is counted and 1 bits are skipped up
  // to the next 0 bit. A code cut off by the end of the data is dropped; a complete line
  // at the end of data without a closing EOL is still delivered.
  Result decodePage(std::span<const std::uint8_t> data, const LineSink& sink);

  void setRejectSink(RejectSink s) { reject_ = std::move(s); }

  unsigned invalidCodes() const { return invalid_; }
  unsigned lines() const { return lines_; }
  std::size_t bytesConsumed() const { return consumed_; }  // when the last line was delivered

  static constexpr int kLineBytes = 512;  // room for one line of up to 4096 pixels

 private:
  int acceptedBytes(int bitPos) const;  // bytes delivered for a line of bitPos pixels, or 0
  bool endOfLine(const LineSink& sink, int bitPos, int dirtyEnd);
  Result dataEnd(const LineSink& sink, bool seenEol, int bitPos, int dirtyEnd, std::size_t size);

  int exactWidth_;
  RejectSink reject_;
  std::array<std::uint8_t, kLineBytes + 8> line_{};  // 8 bytes of slack for word writes
  unsigned invalid_ = 0;
  unsigned lines_ = 0;
  std::size_t consumed_ = 0;
};

}  // namespace faximage::t4
