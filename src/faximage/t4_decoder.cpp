// T.4 decoder: the code trees, a 13-bit lookup table derived from each tree, and the line
// assembly loop. One table step decodes what the tree walk would decode bit by bit.
#include "faximage/t4_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faximage/t4_codes.h"

namespace faximage::t4 {

namespace {

// Run length for the bit string (value, length) in one colour, or -1; EOL gives kEolMark.
int matchCode(bool black, std::uint32_t value, int length) {
  for (int run = 0; run < 64; ++run) {
    Code c = runCode(black, run);
    if (c.length == length && c.bits == value) return run;
  }
  for (int run = 64; run <= kMaxMakeUp; run += 64) {
    Code c = runCode(black, run);
    if (c.length == length && c.bits == value) return run;
  }
  if (length == kEol.length && value == kEol.bits) return CodeTree::kEolMark;
  return -1;
}

int addNode(CodeTree& t, bool black, std::uint32_t value, int length) {
  int index = int(t.nodes.size());
  t.nodes.emplace_back();
  int run = length > 0 ? matchCode(black, value, length) : -1;
  if (run != -1) {
    t.nodes[std::size_t(index)].next[0] = CodeTree::kLeaf;
    t.nodes[std::size_t(index)].next[1] = std::int16_t(run);
    return index;
  }
  if (length == CodeTree::kMaxDepth) return index;  // matches nothing: invalid
  std::int16_t zero = index == CodeTree::kFillNode
                          ? std::int16_t(index)
                          : std::int16_t(addNode(t, black, value << 1, length + 1));
  std::int16_t one = std::int16_t(addNode(t, black, (value << 1) | 1, length + 1));
  t.nodes[std::size_t(index)].next[0] = zero;
  t.nodes[std::size_t(index)].next[1] = one;
  return index;
}

CodeTree buildTree(bool black) {
  CodeTree t;
  t.nodes.reserve(512);
  addNode(t, black, 0, 0);
  return t;
}

// One entry per 13-bit window (first bit in the least significant position).
enum Kind : std::uint8_t { kRun, kEolCode, kFill, kInvalid };
struct Entry {
  std::uint8_t kind;
  std::uint8_t length;
  std::uint16_t run;
};
constexpr int kWindow = CodeTree::kMaxDepth;

struct Table {
  std::array<Entry, 1 << kWindow> entries;
  explicit Table(const CodeTree& t) {
    for (std::uint32_t w = 0; w < entries.size(); ++w) {
      int node = 0;
      Entry e{kInvalid, std::uint8_t(kWindow), 0};
      for (int d = 0; d < kWindow; ++d) {
        node = t.nodes[std::size_t(node)].next[(w >> d) & 1];
        if (node == CodeTree::kFillNode) {
          e = {kFill, std::uint8_t(d + 1), 0};
          break;
        }
        if (t.isLeaf(node)) {
          int run = t.leafRun(node);
          e = run == CodeTree::kEolMark ? Entry{kEolCode, std::uint8_t(d + 1), 0}
                                        : Entry{kRun, std::uint8_t(d + 1), std::uint16_t(run)};
          break;
        }
      }
      entries[w] = e;
    }
  }
};

const Table& table(bool black) {
  static const Table white(codeTree(false));
  static const Table blackTable(codeTree(true));
  return black ? blackTable : white;
}

void setBits(std::uint8_t* line, int pos, int n) {
  int end = pos + n;
  int a = pos >> 3, b = end >> 3;
  if (a == b) {
    line[a] |= std::uint8_t((0xFF >> (pos & 7)) & ~(0xFF >> (end & 7)));
    return;
  }
  line[a] |= std::uint8_t(0xFF >> (pos & 7));
  std::memset(line + a + 1, 0xFF, std::size_t(b - a - 1));
  if (end & 7) line[b] |= std::uint8_t(~(0xFF >> (end & 7)));
}

}  // namespace

const CodeTree& codeTree(bool black) {
  static const CodeTree white = buildTree(false);
  static const CodeTree blackTree = buildTree(true);
  return black ? blackTree : white;
}

LineDecoder::LineDecoder(int exactWidth) : exactWidth_(std::clamp(exactWidth, 0, kLineBytes * 8)) {}

bool LineDecoder::endOfLine(const LineSink& sink) {
  bool keepGoing = true;
  if (bitPos_ > 0) {
    int bytes = bitPos_ / 8;
    bool accept = exactWidth_ ? bitPos_ == exactWidth_ : (bytes == 216 || bytes == 256);
    if (accept) {
      int len = exactWidth_ ? (exactWidth_ + 7) / 8 : bytes;
      if (exactWidth_ && (exactWidth_ & 7)) line_[std::size_t(len - 1)] &= std::uint8_t(0xFF << (8 - (exactWidth_ & 7)));
      ++lines_;
      if (sink) keepGoing = sink(line_.data(), len);
    }
    std::memset(line_.data(), 0, std::min<std::size_t>(kLineBytes, std::size_t(bytes) + 1));
    bitPos_ = 0;
  }
  return keepGoing;
}

LineDecoder::Result LineDecoder::decodePage(std::span<const std::uint8_t> data,
                                            const LineSink& sink) {
  line_.fill(0);
  bitPos_ = 0;
  invalid_ = 0;
  lines_ = 0;
  consumed_ = 0;
  const Entry* tables[2] = {table(false).entries.data(), table(true).entries.data()};
  const std::uint8_t* p = data.data();
  const std::size_t size = data.size();
  std::size_t pos = 0;
  std::uint64_t buf = 0;
  int nbits = 0;
  int colour = 0;
  int eols = 0;
  bool seenEol = false;
  bool skipping = false;
  const int lineBits = kLineBytes * 8;
  // Data that ends without an EOL after the last line (a TIFF strip, a cut-off page) still
  // yields that line when it is complete.
  auto dataEnd = [&] {
    consumed_ = size;
    if (seenEol) endOfLine(sink);
    return Result::DataEnd;
  };

  auto consume = [&](int n) {
    buf >>= n;
    nbits -= n;
  };
  auto onEol = [&]() -> bool {
    consumed_ = pos - std::size_t(nbits / 8);
    bool go = endOfLine(sink);
    colour = 0;
    ++eols;
    seenEol = true;
    return go;
  };

  for (;;) {
    if (nbits <= 56) {
      if (pos + 8 <= size) {
        std::uint64_t w;
        std::memcpy(&w, p + pos, 8);
        if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
        int take = (63 - nbits) >> 3;
        buf |= (take == 8 ? w : (w & ((std::uint64_t(1) << (take * 8)) - 1))) << nbits;
        pos += std::size_t(take);
        nbits += take * 8;
      } else {
        while (nbits <= 56 && pos < size) {
          buf |= std::uint64_t(p[pos++]) << nbits;
          nbits += 8;
        }
      }
      if (nbits == 0) return dataEnd();
    }
    if (skipping) {
      int ones = std::countr_one(buf);
      if (ones >= nbits) {
        consume(nbits);
        continue;
      }
      consume(ones);
      skipping = false;
    }
    const Entry e = tables[colour][buf & ((1u << kWindow) - 1)];
    if (e.length > nbits) return dataEnd();  // a code cut off by the end of the data
    consume(e.length);
    switch (e.kind) {
      case kRun: {
        if (seenEol && bitPos_ + e.run <= lineBits) {
          if (colour) setBits(line_.data(), bitPos_, e.run);
          bitPos_ += e.run;
        }
        if (e.run < 64) colour ^= 1;
        eols = 0;
        break;
      }
      case kEolCode:
        if (!onEol()) return Result::Stopped;
        if (eols >= 3) return Result::EndOfPage;
        break;
      case kFill: {
        // Any further 0 bits, then the 1 that closes the EOL.
        for (;;) {
          int zeros = buf ? std::countr_zero(buf) : 64;
          if (zeros < nbits) {
            consume(zeros + 1);
            break;
          }
          consume(nbits);
          while (nbits <= 56 && pos < size) {
            buf |= std::uint64_t(p[pos++]) << nbits;
            nbits += 8;
          }
          if (nbits == 0) return dataEnd();
        }
        if (!onEol()) return Result::Stopped;
        if (eols >= 3) return Result::EndOfPage;
        break;
      }
      default:  // invalid code
        ++invalid_;
        skipping = true;
        break;
    }
  }
}

}  // namespace faximage::t4
