// T.4 decoder: the code trees, a 12/13-bit lookup table derived from each tree plus one for a
// white and a black code together, and the line assembly loop. One table step decodes what
// the tree walk would decode bit by bit.
#include "faximage/t4_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faximage/t4_bits.h"
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
// position): code length in the top 4 bits, then a run length or one of the marks of
// t4_bits.h. White codes are at most 12 bits long, so the white table looks at 12 bits; a
// white string that matches nothing in 12 bits is invalid once 13 bits are taken.
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


struct PairTable {
  std::vector<std::uint16_t> entries;
  PairTable() : entries(std::size_t(1) << kPairWindow) {
    const std::uint16_t* white = table(false).entries.data();
    const std::uint16_t* black = table(true).entries.data();
    for (std::uint32_t w = 0; w < entries.size(); ++w) {
      const int whiteLength = white[w] >> 12, whiteRun = white[w] & 0xFFF;
      if (whiteRun >= 64) continue;
      // The black code must lie within the window; the bits beyond it read as 0.
      const std::uint16_t b = black[w >> whiteLength];
      const int length = whiteLength + (b >> 12), blackRun = b & 0xFFF;
      if (blackRun >= 64 || length > kPairWindow) continue;
      entries[w] = std::uint16_t(blackRun << 10 | whiteRun << 4 | length);
    }
  }
};

}  // namespace

const std::uint16_t* runTable(bool black) { return table(black).entries.data(); }

const std::uint16_t* pairTable() {
  static const PairTable pairs;
  return pairs.entries.data();
}

namespace {

// The code of a line that is one white run of `width` pixels, followed by eleven 0 bits.
struct WhiteLine {
  std::uint64_t pattern;
  int length;
  int width;
};
WhiteLine whiteLine(int width) {
  const std::uint32_t code = joinedCodes()[width];
  return {joinedBits(code), int(joinedLength(code)) + 11, width};
}

// The line being assembled. It lives in a local object (registers), not in members, which the
// byte stores into the line could alias.
struct LineState {
  std::uint8_t* line;
  int limit = -1;  // runs are stored while the line stays within this; none before the first EOL
  int bitPos = 0;
  int dirtyEnd = 0;  // end of the last black run, in bits
  // The line's 64-pixel word `at`, leftmost pixel in the top bit, built here and stored whole
  // when a run goes past it: storing each run into the line would have the next one load
  // bytes that a store still holds, which costs a stall per run in dense pictures.
  std::uint64_t word = 0;
  int at = 0;

  void white(int run) {
    if (bitPos + run <= limit) bitPos += run;
  }
  void black(int run) {
    if (bitPos + run <= limit) {
      if (run > 0) setRun(bitPos, run);
      bitPos += run;
      dirtyEnd = bitPos;
    }
  }
  void pair(int whiteRun, int blackRun) {  // blackRun > 0: a pair code holds no empty run
    if (bitPos + whiteRun + blackRun > limit) {  // as the two single steps would store them
      white(whiteRun);
      black(blackRun);
      return;
    }
    setRun(bitPos + whiteRun, blackRun);
    bitPos += whiteRun + blackRun;
    dirtyEnd = bitPos;
  }
  // Pixels from..from + n - 1 black, n > 0. Words passed over hold white already.
  void setRun(int from, int n) {
    const int to = from + n;
    constexpr std::uint64_t kAll = ~std::uint64_t(0);
    if (from >> 6 != at) {
      store();
      at = from >> 6;
    }
    if ((to - 1) >> 6 == at) {
      word |= (kAll >> (from & 63)) & ~((kAll >> ((to - 1) & 63)) >> 1);
      return;
    }
    word |= kAll >> (from & 63);
    store();
    for (++at; at < to >> 6; ++at) {
      word = kAll;
      store();
    }
    word = (to & 63) ? ~(kAll >> (to & 63)) : 0;
  }
  void store() {
    std::uint64_t w = word;
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
    std::memcpy(line + 8 * at, &w, 8);
    word = 0;
  }
  void newLine() {
    limit = LineDecoder::kLineBytes * 8;
    bitPos = 0;
    dirtyEnd = 0;
    at = 0;
  }
};

}  // namespace

const CodeTree& codeTree(bool black) {
  static const CodeTree white = buildTree(false);
  static const CodeTree blackTree = buildTree(true);
  return black ? blackTree : white;
}

LineDecoder::LineDecoder(int exactWidth) : exactWidth_(std::clamp(exactWidth, 0, kLineBytes * 8)) {}

int LineDecoder::acceptedBytes(int bitPos) const {
  const int bytes = bitPos / 8;
  if (exactWidth_) return bitPos == exactWidth_ ? (exactWidth_ + 7) / 8 : 0;
  return bytes == 216 || bytes == 256 ? bytes : 0;
}

bool LineDecoder::endOfLine(const LineSink& sink, int bitPos, int dirtyEnd) {
  if (bitPos == 0) return true;
  bool keepGoing = true;
  if (const int len = acceptedBytes(bitPos)) {
    if (exactWidth_ && (exactWidth_ & 7))
      line_[std::size_t(len - 1)] &= std::uint8_t(0xFF << (8 - (exactWidth_ & 7)));
    ++lines_;
    if (sink) keepGoing = sink(line_.data(), len);
  } else if (reject_) {
    reject_();
  }
  // Only black runs wrote into the line; clear up to the end of the last one.
  if (dirtyEnd > 0) std::memset(line_.data(), 0, std::size_t(dirtyEnd + 7) / 8);
  return keepGoing;
}

LineDecoder::Result LineDecoder::dataEnd(const LineSink& sink, bool seenEol, int bitPos,
                                         int dirtyEnd, std::size_t size) {
  // Data that ends without an EOL after the last line (a TIFF strip, a cut-off page) still
  // yields that line when it is complete.
  consumed_ = size;
  if (seenEol) endOfLine(sink, bitPos, dirtyEnd);
  return Result::DataEnd;
}

LineDecoder::Result LineDecoder::decodePage(std::span<const std::uint8_t> data,
                                            const LineSink& sink) {
  line_.fill(0);
  invalid_ = 0;
  lines_ = 0;
  consumed_ = 0;
  const std::uint16_t* const white = table(false).entries.data();
  const std::uint16_t* const black = table(true).entries.data();
  const std::uint16_t* const pairs = pairTable();
  const WhiteLine whiteLines[] = {whiteLine(1728), whiteLine(2048)};
  BitReader in(data);
  LineState s{line_.data()};
  int eols = 0;
  std::uint16_t e = 0;

  // Two states, one per colour; each decodes one code, or a white and a black code, per step.
  // Lines start white.
white:
  if (in.count() < kBlackWindow) in.refill();
  if (const std::uint16_t pair = pairs[in.bits() & ((1u << kPairWindow) - 1)];
      pair != 0 && (pair & 15) <= in.count()) {
    in.skip(pair & 15);
    s.pair((pair >> 4) & 63, pair >> 10);
    eols = 0;
    goto white;
  }
  e = white[in.bits() & ((1u << kWhiteWindow) - 1)];
  if ((e >> 12) > in.count()) goto dataEnd;  // a code cut off by the end of the data
  in.skip(e >> 12);
  if ((e & 0xFFF) <= t4::kMaxMakeUp) {
    s.white(e & 0xFFF);
    eols = 0;
    if ((e & 0xFFF) < 64) goto black;
    goto white;
  }
  if ((e & 0xFFF) == kInvalidMark) {
    ++invalid_;
    if (!in.skipOnes()) goto dataEnd;
    goto white;
  }
  goto eol;

black:
  if (in.count() < kBlackWindow) in.refill();
  e = black[in.bits() & ((1u << kBlackWindow) - 1)];
  if ((e >> 12) > in.count()) goto dataEnd;
  in.skip(e >> 12);
  if ((e & 0xFFF) <= t4::kMaxMakeUp) {
    s.black(e & 0xFFF);
    eols = 0;
    if ((e & 0xFFF) < 64) goto white;
    goto black;
  }
  if ((e & 0xFFF) == kInvalidMark) {
    ++invalid_;
    if (!in.skipOnes()) goto dataEnd;
    goto black;
  }

eol:  // e is an EOL, or eleven 0 bits of one
  if ((e & 0xFFF) == kFillMark && !in.skipFill()) goto dataEnd;
  consumed_ = in.consumed();
  if (s.dirtyEnd > 0) s.store();
  if (!endOfLine(sink, s.bitPos, s.dirtyEnd)) return Result::Stopped;
  s.newLine();
  if (++eols >= 3) return Result::EndOfPage;
  // Blank lines are common: one white run of a fax width and the eleven 0 bits of the next
  // EOL are taken with one compare, where the steps would decode two white codes and the fill.
  if (in.count() < 32) in.refill();
  for (const WhiteLine& w : whiteLines) {
    if (!in.take(w.pattern, w.length)) continue;
    // This blank line and the ones like it after it, each to the 1 that ends its EOL: the
    // line is white already and nothing else changes from one to the next.
    const int bytes = acceptedBytes(w.width);
    do {
      if (!in.skipFill()) {
        s.white(w.width);
        goto dataEnd;
      }
      consumed_ = in.consumed();
      if (bytes) {
        ++lines_;
        if (sink && !sink(line_.data(), bytes)) return Result::Stopped;
      }
      eols = 1;
      if (in.count() < 32) in.refill();
    } while (in.take(w.pattern, w.length));
    break;
  }
  goto white;

dataEnd:
  s.store();
  return this->dataEnd(sink, s.limit >= 0, s.bitPos, s.dirtyEnd, data.size());
}

}  // namespace faximage::t4
