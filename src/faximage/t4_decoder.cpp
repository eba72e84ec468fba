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

// One 16-bit entry per window of the next bits (first bit in the least significant
// position): code length in the top 4 bits, then a run length or one of the marks below.
// White codes are at most 12 bits long, so the white table looks at 12 bits; a white string
// that matches nothing in 12 bits is invalid once 13 bits are taken.
constexpr std::uint16_t kInvalidMark = 0xFFD;
constexpr std::uint16_t kFillMark = 0xFFE;  // eleven 0 bits: more fill, then the EOL's 1
constexpr std::uint16_t kEolMarkValue = 0xFFF;
constexpr int kWhiteWindow = 12;
constexpr int kBlackWindow = CodeTree::kMaxDepth;

std::uint16_t entry(int length, int value) { return std::uint16_t((length << 12) | value); }

struct Table {
  std::vector<std::uint16_t> entries;
  Table(const CodeTree& t, int window) : entries(std::size_t(1) << window) {
    for (std::uint32_t w = 0; w < entries.size(); ++w) {
      int node = 0;
      std::uint16_t e = entry(CodeTree::kMaxDepth, kInvalidMark);
      for (int d = 0; d < window; ++d) {
        node = t.nodes[std::size_t(node)].next[(w >> d) & 1];
        if (node == CodeTree::kFillNode) {
          // Eleven 0 bits; with the closing 1 in view this is a plain 12-bit EOL.
          e = (d + 1 < window && ((w >> (d + 1)) & 1)) ? entry(d + 2, kEolMarkValue)
                                                       : entry(d + 1, kFillMark);
          break;
        }
        if (t.isLeaf(node)) {
          int run = t.leafRun(node);
          e = entry(d + 1, run == CodeTree::kEolMark ? kEolMarkValue : run);
          break;
        }
      }
      entries[w] = e;
    }
  }
};

const Table& table(bool black) {
  static const Table white(codeTree(false), kWhiteWindow);
  static const Table blackTable(codeTree(true), kBlackWindow);
  return black ? blackTable : white;
}

// Sets n bits from bit pos (MSB first). The line has 8 bytes of slack past its end, so short
// runs are one 64-bit read-modify-write.
void setBits(std::uint8_t* line, int pos, int n) {
  if (n <= 0) return;
  const int skip = pos & 7;
  std::uint8_t* at = line + (pos >> 3);
  if (skip + n <= 64) {
    std::uint64_t w;
    std::memcpy(&w, at, 8);
    std::uint64_t bits =
        (~std::uint64_t(0) >> skip) & ~(skip + n == 64 ? 0 : ~std::uint64_t(0) >> (skip + n));
    if constexpr (std::endian::native == std::endian::little) bits = __builtin_bswap64(bits);
    w |= bits;
    std::memcpy(at, &w, 8);
    return;
  }
  int end = pos + n;
  int a = pos >> 3, b = end >> 3;
  line[a] |= std::uint8_t(0xFF >> skip);
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
      if (exactWidth_ && (exactWidth_ & 7))
        line_[std::size_t(len - 1)] &= std::uint8_t(0xFF << (8 - (exactWidth_ & 7)));
      ++lines_;
      if (sink) keepGoing = sink(line_.data(), len);
    }
    // Only black runs wrote into the line; clear up to the end of the last one.
    if (dirtyEnd_ > 0) std::memset(line_.data(), 0, std::size_t(dirtyEnd_ + 7) / 8);
    dirtyEnd_ = 0;
    bitPos_ = 0;
  }
  return keepGoing;
}

LineDecoder::Result LineDecoder::decodePage(std::span<const std::uint8_t> data,
                                            const LineSink& sink) {
  line_.fill(0);
  dirtyEnd_ = 0;
  bitPos_ = 0;
  invalid_ = 0;
  lines_ = 0;
  consumed_ = 0;
  const std::uint16_t* const white = table(false).entries.data();
  const std::uint16_t* const black = table(true).entries.data();
  const std::uint8_t* p = data.data();
  const std::size_t size = data.size();
  std::size_t pos = 0;
  std::uint64_t buf = 0;
  int nbits = 0;
  int eols = 0;
  bool seenEol = false;
  const int lineBits = kLineBytes * 8;
  std::uint16_t e = 0;

  // Data that ends without an EOL after the last line (a TIFF strip, a cut-off page) still
  // yields that line when it is complete.
  auto dataEnd = [&] {
    consumed_ = size;
    if (seenEol) endOfLine(sink);
    return Result::DataEnd;
  };
  // Tops the bit buffer up to at least 56 bits while data lasts; bits above nbits stay 0.
  auto refill = [&] {
    if (pos + 8 <= size) {
      std::uint64_t w;
      std::memcpy(&w, p + pos, 8);
      if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
      int take = (63 - nbits) >> 3;
      buf |= (w & (~std::uint64_t(0) >> (64 - take * 8))) << nbits;
      pos += std::size_t(take);
      nbits += take * 8;
    } else {
      while (nbits <= 56 && pos < size) {
        buf |= std::uint64_t(p[pos++]) << nbits;
        nbits += 8;
      }
    }
  };
  // Skips 1 bits up to the next 0 bit (after an invalid code); false at the end of the data.
  auto skipOnes = [&] {
    for (;;) {
      if (nbits == 0) {
        refill();
        if (nbits == 0) return false;
      }
      int ones = std::countr_one(buf);
      if (ones < nbits) {
        buf >>= ones;
        nbits -= ones;
        return true;
      }
      buf = 0;
      nbits = 0;
    }
  };
  // Any further 0 bits, then the 1 that closes an EOL; false at the end of the data.
  auto skipFill = [&] {
    for (;;) {
      int zeros = buf ? std::countr_zero(buf) : 64;
      if (zeros < nbits) {
        buf >>= zeros + 1;
        nbits -= zeros + 1;
        return true;
      }
      buf = 0;
      nbits = 0;
      refill();
      if (nbits == 0) return false;
    }
  };

  // Two states, one per colour; each decodes one code per step. Lines start white.
white:
  if (nbits < kBlackWindow) {
    refill();
    if (nbits == 0) return dataEnd();
  }
  e = white[buf & ((1u << kWhiteWindow) - 1)];
  if ((e >> 12) > nbits) return dataEnd();  // a code cut off by the end of the data
  buf >>= e >> 12;
  nbits -= e >> 12;
  if ((e & 0xFFF) <= t4::kMaxMakeUp) {
    const int run = e & 0xFFF;
    if (seenEol && bitPos_ + run <= lineBits) bitPos_ += run;
    eols = 0;
    if (run < 64) goto black;
    goto white;
  }
  goto special;

black:
  if (nbits < kBlackWindow) {
    refill();
    if (nbits == 0) return dataEnd();
  }
  e = black[buf & ((1u << kBlackWindow) - 1)];
  if ((e >> 12) > nbits) return dataEnd();
  buf >>= e >> 12;
  nbits -= e >> 12;
  if ((e & 0xFFF) <= t4::kMaxMakeUp) {
    const int run = e & 0xFFF;
    if (seenEol && bitPos_ + run <= lineBits) {
      setBits(line_.data(), bitPos_, run);
      bitPos_ += run;
      dirtyEnd_ = bitPos_;
    }
    eols = 0;
    if (run < 64) goto white;
    goto black;
  }
  if ((e & 0xFFF) == kInvalidMark) {
    ++invalid_;
    if (!skipOnes()) return dataEnd();
    goto black;
  }
  goto special;

special:
  if ((e & 0xFFF) == kInvalidMark) {
    ++invalid_;
    if (!skipOnes()) return dataEnd();
    goto white;
  }
  if ((e & 0xFFF) == kFillMark && !skipFill()) return dataEnd();
  consumed_ = pos - std::size_t(nbits / 8);
  if (!endOfLine(sink)) return Result::Stopped;
  seenEol = true;
  if (++eols >= 3) return Result::EndOfPage;
  goto white;
}

}  // namespace faximage::t4
