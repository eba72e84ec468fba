// T.4 decoder: the code trees, a 12/13-bit lookup table derived from each tree plus one for a
// white and a black code together, and the line assembly loop. One table step decodes what
// the tree walk would decode bit by bit.
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

// A white terminating code followed by a black one, both within the next 12 bits: most of the
// runs of text and of dithered pictures. One lookup decodes both; entry = black run << 10 |
// white run << 4 | bit count of the two codes, or 0 when the window holds no such pair.
constexpr int kPairWindow = 12;

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

const std::uint16_t* pairTable() {
  static const PairTable pairs;
  return pairs.entries.data();
}

// Sets n bits from bit pos (MSB first). The line has 8 bytes of slack past its end, so a run
// of up to 57 bits is one 64-bit read-modify-write.
void setBits(std::uint8_t* line, int pos, int n) {
  const int skip = pos & 7;
  std::uint8_t* at = line + (pos >> 3);
  if (n <= 57) {
    std::uint64_t w;
    std::memcpy(&w, at, 8);
    std::uint64_t bits = ~(~std::uint64_t(0) >> n) >> skip;  // n top bits, moved right by skip
    if constexpr (std::endian::native == std::endian::little) bits = __builtin_bswap64(bits);
    w |= bits;
    std::memcpy(at, &w, 8);
    return;
  }
  const int end = pos + n;
  const int a = pos >> 3, b = end >> 3;
  line[a] |= std::uint8_t(0xFF >> skip);
  std::memset(line + a + 1, 0xFF, std::size_t(b - a - 1));
  if (end & 7) line[b] |= std::uint8_t(~(0xFF >> (end & 7)));
}

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

  void white(int run) {
    if (bitPos + run <= limit) bitPos += run;
  }
  void black(int run) {
    if (bitPos + run <= limit) {
      setBits(line, bitPos, run);
      bitPos += run;
      dirtyEnd = bitPos;
    }
  }
  void pair(int whiteRun, int blackRun) {
    if (bitPos + whiteRun + blackRun > limit) {  // as the two single steps would store them
      white(whiteRun);
      black(blackRun);
      return;
    }
    setBits(line, bitPos + whiteRun, blackRun);
    bitPos += whiteRun + blackRun;
    dirtyEnd = bitPos;
  }
  void newLine() {
    limit = LineDecoder::kLineBytes * 8;
    bitPos = 0;
    dirtyEnd = 0;
  }
};

// Reads coded bits least significant first through a 64-bit buffer. While 8 bytes remain
// ahead, a refill is one unaligned load whatever the bit count; the last bytes come one at a
// time. Bits above the count are zero or the true bits that follow.
class BitReader {
 public:
  explicit BitReader(std::span<const std::uint8_t> data) : p_(data.data()), size_(data.size()) {}

  // At least 56 bits while the data lasts.
  void refill() {
    if (pos_ + 8 <= size_) {
      std::uint64_t w;
      std::memcpy(&w, p_ + pos_, 8);
      if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
      buf_ |= w << n_;
      pos_ += (63 - n_) >> 3;
      n_ |= 56;
    } else {
      for (; n_ <= 56 && pos_ < size_; n_ += 8) buf_ |= std::uint64_t(p_[pos_++]) << n_;
    }
  }

  std::uint64_t bits() const { return buf_; }
  int count() const { return n_; }
  void skip(int n) {
    buf_ >>= n;
    n_ -= n;
  }
  std::size_t consumed() const { return pos_ - std::size_t(n_ / 8); }

  // Takes the next `length` bits (at most 63) when they are `pattern`.
  bool take(std::uint64_t pattern, int length) {
    if (n_ < length || (buf_ & ((std::uint64_t(1) << length) - 1)) != pattern) return false;
    skip(length);
    return true;
  }

  // Skips 1 bits up to the next 0 bit (after an invalid code); false at the end of the data.
  bool skipOnes() {
    for (;;) {
      if (n_ == 0) {
        refill();
        if (n_ == 0) return false;
      }
      const int ones = std::countr_one(buf_);
      if (ones < n_) {
        skip(ones);
        return true;
      }
      buf_ = 0;
      n_ = 0;
    }
  }

  // Any further 0 bits, then the 1 that closes an EOL; false at the end of the data.
  bool skipFill() {
    for (;;) {
      const int zeros = buf_ ? std::countr_zero(buf_) : 64;
      if (zeros < n_) {
        skip(zeros + 1);
        return true;
      }
      buf_ = 0;
      n_ = 0;
      refill();
      if (n_ == 0) return false;
    }
  }

 private:
  const std::uint8_t* p_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::uint64_t buf_ = 0;
  int n_ = 0;
};

}  // namespace

const CodeTree& codeTree(bool black) {
  static const CodeTree white = buildTree(false);
  static const CodeTree blackTree = buildTree(true);
  return black ? blackTree : white;
}

LineDecoder::LineDecoder(int exactWidth) : exactWidth_(std::clamp(exactWidth, 0, kLineBytes * 8)) {}

bool LineDecoder::endOfLine(const LineSink& sink, int bitPos, int dirtyEnd) {
  if (bitPos == 0) return true;
  bool keepGoing = true;
  const int bytes = bitPos / 8;
  const bool accept = exactWidth_ ? bitPos == exactWidth_ : (bytes == 216 || bytes == 256);
  if (accept) {
    const int len = exactWidth_ ? (exactWidth_ + 7) / 8 : bytes;
    if (exactWidth_ && (exactWidth_ & 7))
      line_[std::size_t(len - 1)] &= std::uint8_t(0xFF << (8 - (exactWidth_ & 7)));
    ++lines_;
    if (sink) keepGoing = sink(line_.data(), len);
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
  if (!endOfLine(sink, s.bitPos, s.dirtyEnd)) return Result::Stopped;
  s.newLine();
  if (++eols >= 3) return Result::EndOfPage;
  // Blank lines are common: one white run of a fax width and the eleven 0 bits of the next
  // EOL are taken with one compare, where the steps would decode two white codes and the fill.
  if (in.count() < 32) in.refill();
  for (const WhiteLine& w : whiteLines) {
    if (in.take(w.pattern, w.length)) {
      s.white(w.width);
      eols = 0;
      e = kFillMark;
      goto eol;
    }
  }
  goto white;

dataEnd:
  return this->dataEnd(sink, s.limit >= 0, s.bitPos, s.dirtyEnd, data.size());
}

}  // namespace faximage::t4
