// Two-dimensional coding works on the changing elements of each row: the pixel positions
// where the colour differs from the pixel to the left (left of pixel 0 counts as white).
// Both coders keep the changes of the row above (the reference) and of the current row as
// ascending lists ending in sentinels at the row width, so finding b1 and b2 is a short walk.
#include "faximage/t4_2d.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "faximage/t4_bits.h"
#include "faximage/t4_codes.h"
#include "faximage/t4_encoder.h"

namespace faximage::t4 {

namespace {

constexpr int kSentinels = 4;

// A mode code as a joined entry (bits reversed for the writer, << 5 | length).
constexpr std::uint32_t modeCode(std::string_view s) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < s.size(); ++i) v |= std::uint32_t(s[i] == '1') << i;
  return v << 5 | std::uint32_t(s.size());
}

constexpr std::uint32_t kPass = modeCode("0001");
constexpr std::uint32_t kHorizontal = modeCode("001");
// Vertical modes by a1 - b1 + 3.
constexpr std::uint32_t kVertical[7] = {modeCode("0000010"), modeCode("000010"), modeCode("010"),
                                        modeCode("1"),       modeCode("011"),    modeCode("000011"),
                                        modeCode("0000011")};
constexpr std::uint32_t kEolWord = modeCode("0000000000000001");  // four fill bits, then EOL
constexpr std::uint32_t kEolCode = modeCode("000000000001");
constexpr std::uint32_t kTag1d = modeCode("1");
constexpr std::uint32_t kTag2d = modeCode("0");

// Room one coded row may take: at most 7 bits per pixel in either coding, the EOL and tag,
// and the writer's 8 bytes of slack.
std::size_t maxRowBytes(int width) { return std::size_t(width) + 32; }

// The changes of a row of `width` pixels into out (room for width + kSentinels), followed
// by the sentinels. Returns the number of changes.
int findChanges(std::span<const std::uint8_t> raster, int width, int* out) {
  int n = 0;
  if (!allWhite(raster, (width + 7) / 8)) {
    const int imageWords = (width + 63) / 64;
    const int words = std::min<int>(imageWords, int(raster.size() / 8) + 1);
    std::uint64_t previous = 0;
    for (int k = 0; k < words; ++k) {
      const std::uint64_t x = loadWord(raster, std::size_t(k) * 8);
      std::uint64_t changes = x ^ (x << 1 | previous);
      previous = x >> 63;
      if (k == imageWords - 1) changes &= ~std::uint64_t(0) >> (64 - (width - 64 * k));
      for (; changes; changes &= changes - 1) out[n++] = 64 * k + std::countr_zero(changes);
    }
  }
  std::fill(out + n, out + n + kSentinels, width);
  return n;
}

// Moves i to b1: the first reference change right of a0 whose index has the parity of the
// colour of a0 (even for white). i already has that parity and nothing left of it qualifies.
inline int seekB1(const int* ref, int i, int a0, int width) {
  while (ref[i] <= a0 && ref[i] < width) i += 2;
  return i;
}

// After a vertical mode the colour flips: b1 is ref[i - 1] when that lies right of the new
// a0, otherwise further on.
inline int seekB1AfterFlip(const int* ref, int i, int a0, int width) {
  if (i > 0 && ref[i - 1] > a0) return i - 1;
  return seekB1(ref, i + 1, a0, width);
}

template <bool kChecked>
void putRun(BitWriter<kChecked>& w, bool black, int run) {
  w.putRun(joinedCodes() + (black ? kJoinedCodes : 0), run);
}

template <bool kChecked>
void code1d(BitWriter<kChecked>& w, const int* cur, int n, int width) {
  int last = 0;
  for (int j = 0; j < n; ++j) {
    putRun(w, j & 1, cur[j] - last);
    last = cur[j];
  }
  putRun(w, n & 1, width - last);
}

template <bool kChecked>
void code2d(BitWriter<kChecked>& w, const int* ref, const int* cur, int width) {
  int a0 = -1, colour = 0, i = 0, j = 0;
  while (a0 < width) {
    const int a1 = cur[j], b1 = ref[i], b2 = ref[i + 1];
    if (b2 < a1) {
      w.put(kPass);
      a0 = b2;
      i = seekB1(ref, i + 2, a0, width);
    } else if (a1 - b1 <= 3 && b1 - a1 <= 3) {
      w.put(kVertical[a1 - b1 + 3]);
      a0 = a1;
      colour ^= 1;
      ++j;
      i = seekB1AfterFlip(ref, i, a0, width);
    } else {
      const int a2 = cur[j + 1];
      w.put(kHorizontal);
      putRun(w, colour, a1 - std::max(a0, 0));
      putRun(w, !colour, a2 - a1);
      a0 = a2;
      j += 2;
      i = seekB1(ref, i, a0, width);
    }
  }
}

// A white row below a white row (blank space, most of many pages) is one V0 at its end.
template <bool kChecked>
inline void codeRow2d(BitWriter<kChecked>& w, const int* ref, const int* cur, int width) {
  if (cur[0] == width && ref[0] == width)
    w.put(kVertical[3]);
  else
    code2d(w, ref, cur, width);
}

// --- decoding -------------------------------------------------------------------------------

enum Mode : std::uint8_t { mV0 = 3, mPass = 7, mHorizontal, mExtension, mZeros, mNone };

// Mode and code length for each 7-bit window of the next bits (first bit lowest); vertical
// modes are 0..6 (a1 - b1 + 3).
struct ModeTable {
  std::uint8_t mode[128] = {};
  std::uint8_t length[128] = {};
  constexpr ModeTable() {
    const std::pair<std::string_view, Mode> codes[] = {
        {"1", mV0},
        {"011", Mode(4)},
        {"010", Mode(2)},
        {"001", mHorizontal},
        {"0001", mPass},
        {"000011", Mode(5)},
        {"000010", Mode(1)},
        {"0000011", Mode(6)},
        {"0000010", Mode(0)},
        {"0000001", mExtension},
        {"0000000", mZeros}};
    for (unsigned w = 0; w < 128; ++w) {
      mode[w] = mNone;
      for (const auto& [bits, m] : codes) {
        bool match = true;
        for (std::size_t b = 0; b < bits.size(); ++b)
          match = match && ((w >> b) & 1) == unsigned(bits[b] == '1');
        if (match) {
          mode[w] = m;
          length[w] = std::uint8_t(bits.size());
          break;
        }
      }
    }
  }
};

// At namespace scope and built by the compiler, so that the hot loops address the tables
// directly instead of keeping pointers to them in registers.
constexpr ModeTable kModes;

// Vertical modes are most of the codes of text and of dithered pictures, and two of them fit
// in 12 bits nearly always. Per 12-bit window: the first code's length (0 when it is not a
// vertical mode) and mode in bits 0-2 and 3-5, the second's in bits 6-8 and 9-11 (length 0
// when there is no second vertical code within the window).
inline constexpr int kVerticalWindow = 12;
struct VerticalPairs {
  std::uint16_t entry[1 << kVerticalWindow] = {};
  constexpr VerticalPairs() {
    const ModeTable& m = kModes;
    for (unsigned w = 0; w < (1u << kVerticalWindow); ++w) {
      const unsigned first = m.mode[w & 127], firstLength = m.length[w & 127];
      entry[w] = 0;
      if (first >= mPass) continue;
      const unsigned rest = w >> firstLength;  // bits past the window read as 0
      const unsigned second = m.mode[rest & 127], secondLength = m.length[rest & 127];
      unsigned e = firstLength | first << 3;
      if (second < mPass && firstLength + secondLength <= kVerticalWindow)
        e |= (secondLength | second << 3) << 6;
      entry[w] = std::uint16_t(e);
    }
  }
};

constexpr VerticalPairs kVerticalPairs;

// The tables a row decode uses, looked up once per page.
struct Tables {
  const std::uint16_t* runs[2] = {runTable(false), runTable(true)};
  const std::uint16_t* pairs = pairTable();
};

enum class Row { Complete, Invalid, CutOff };

// The changes a row decodes to, kept while the row stays within its width.
struct Changes {
  int* at;
  int n = 0;
  int width;
  void push(int x) {
    if (x < width) at[n++] = x;
  }
};

// One run of `colour` (make-up codes, then a terminating code) added to pos.
[[gnu::always_inline]] inline Row readRun(BitReader& in, const std::uint16_t* table, int window, int& pos, int width) {
  for (;;) {
    if (in.count() < CodeTree::kMaxDepth) in.refill();
    const std::uint16_t e = table[in.bits() & ((1u << window) - 1)];
    const int length = e >> 12, run = e & 0xFFF;
    if (run > kMaxMakeUp) return Row::Invalid;  // invalid code or an EOL inside the row
    if (length > in.count()) return Row::CutOff;
    in.skip(length);
    pos += run;
    if (pos > width) return Row::Invalid;
    if (run < 64) return Row::Complete;
  }
}

// A white run and then a black one (the horizontal mode of a white a0, or two runs of a
// one-dimensional row), as one pair code where it can.
[[gnu::always_inline]] inline Row readRuns(BitReader& in, const Tables& t, int colour, int& a1, int& a2, int width) {
  if (colour == 0) {
    if (in.count() < kPairWindow) in.refill();
    const std::uint16_t pair = t.pairs[in.bits() & ((1u << kPairWindow) - 1)];
    if (pair != 0 && (pair & 15) <= in.count()) {
      in.skip(pair & 15);
      a1 += (pair >> 4) & 63;
      a2 = a1 + (pair >> 10);
      return a2 <= width ? Row::Complete : Row::Invalid;
    }
  }
  Row r = readRun(in, t.runs[colour], colour ? kBlackWindow : kWhiteWindow, a1, width);
  if (r != Row::Complete) return r;
  a2 = a1;
  return readRun(in, t.runs[!colour], colour ? kWhiteWindow : kBlackWindow, a2, width);
}

[[gnu::always_inline]] inline Row rows1d(BitReader& in, const Tables& t, Changes& c) {
  int pos = 0;
  for (;;) {
    int a1 = pos, a2 = pos;
    const Row r = readRuns(in, t, 0, a1, a2, c.width);
    if (r != Row::Complete) {
      // A row may end after its white run.
      return r == Row::Invalid && a1 == c.width && a2 == a1 ? Row::Complete : r;
    }
    if (a1 == c.width) return a2 == a1 ? Row::Complete : Row::Invalid;
    if (a2 == pos) return Row::Invalid;  // two empty runs: no progress
    c.push(a1);
    c.push(a2);
    pos = a2;
    if (pos == c.width) return Row::Complete;
  }
}

// Decodes a 2-D row against the reference changes `ref`, which have -1 at ref[-1] (so that
// b1 can step back without a bounds check) and sentinels at the width after them. b points at
// b1 throughout; the colour of a0 is the parity of the changes so far, as every mode but the
// last one of the row adds one change (vertical) or two (horizontal) or none (pass).
[[gnu::always_inline]] inline Row rows2d(BitReader& in, const Tables& t, const int* ref,
                                         Changes& c) {
  const int width = c.width;
  int* const first = c.at;
  int* out = first;
  const int* b = ref;
  int a0 = -1;
  const auto end = [&](Row r) {
    c.n = int(out - first);
    return r;
  };
  for (;;) {
    // Vertical modes, one or two per lookup, until another mode comes (an inner loop of its
    // own, so that b stays in a register).
    for (;;) {
      if (in.count() < kVerticalWindow + 2) in.refill();
      unsigned e = kVerticalPairs.entry[in.bits() & ((1u << kVerticalWindow) - 1)];
      if (!(e & 7)) break;
      do {
        const int length = int(e & 7);
        if (length > in.count()) return end(Row::CutOff);
        in.skip(length);
        const int a1 = *b + int(e >> 3 & 7) - 3;
        if (a1 <= a0 || a1 > width) return end(Row::Invalid);
        if (a1 == width) return end(Row::Complete);
        *out++ = a1;
        a0 = a1;
        // b1 of the other colour: the change before b1 when it lies right of a0, otherwise
        // the one after it or further on.
        if (b[-1] > a0) {
          --b;
        } else {
          ++b;
          while (*b <= a0) b += 2;
        }
        e >>= 6;
      } while (e & 7);
    }
    const unsigned w = unsigned(in.bits() & 127);
    const int mode = kModes.mode[w];
    if (mode >= mExtension) return end(in.count() < 7 ? Row::CutOff : Row::Invalid);
    if (kModes.length[w] > in.count()) return end(Row::CutOff);
    in.skip(kModes.length[w]);
    if (mode == mPass) {
      if (b[1] >= width) return end(Row::Invalid);
      a0 = b[1];
      b += 2;
    } else {
      int a1 = std::max(a0, 0), a2 = 0;
      const Row r = readRuns(in, t, int(out - first) & 1, a1, a2, width);
      if (r != Row::Complete) return end(r);
      if (a2 <= a0) return end(Row::Invalid);  // no progress
      if (a1 < width) *out++ = a1;
      if (a2 == width) return end(Row::Complete);
      *out++ = a2;
      a0 = a2;
    }
    while (*b <= a0) b += 2;
  }
}

// The row decoders work on copies of the reader and the change list: the stores into the
// list could otherwise alias both, which would then be reloaded after every change.
Row decode1d(BitReader& in, const Tables& t, Changes& c) {
  BitReader reader = in;
  Changes changes = c;
  const Row r = rows1d(reader, t, changes);
  in = reader;
  c = changes;
  return r;
}

Row decode2d(BitReader& in, const Tables& t, const int* ref, Changes& c) {
  BitReader reader = in;
  Changes changes = c;
  const Row r = rows2d(reader, t, ref, changes);
  in = reader;
  c = changes;
  return r;
}

// Writes a whole row from its changes, 64 pixels at a time (whole words, so `line` needs
// room up to the next multiple of 8 bytes). Each change flips the colour from its pixel on:
// the changes of a word are marked in a register, and a running XOR across the word turns
// the marks into pixels, carried from word to word. The changes ascend, so each word is done
// once the next change lies beyond it.
void fillRow(std::uint8_t* line, const int* c, int n, int width) {
  const int words = (width + 63) >> 6;
  std::uint64_t marks = 0;
  std::uint64_t carry = 0;  // all ones when the pixel before the word is black
  int k = 0;
  const auto store = [&] {
    std::uint64_t x = marks;
    x ^= x >> 1;
    x ^= x >> 2;
    x ^= x >> 4;
    x ^= x >> 8;
    x ^= x >> 16;
    x ^= x >> 32;
    x ^= carry;
    carry = std::uint64_t(0) - (x & 1);
    if (k == words - 1 && (width & 63)) x &= ~(~std::uint64_t(0) >> (width & 63));
    if constexpr (std::endian::native == std::endian::little) x = __builtin_bswap64(x);
    std::memcpy(line + 8 * k, &x, 8);
    marks = 0;
    ++k;
  };
  const auto mark = [](int x) { return (std::uint64_t(1) << 63) >> (x & 63); };
  for (int j = 0; j < n;) {
    // Two changes at a time while both lie in the word at hand (the second there means the
    // first is as well), as they mostly do in dithered pictures.
    for (; j + 1 < n && c[j + 1] >> 6 == k; j += 2) marks ^= mark(c[j]) ^ mark(c[j + 1]);
    if (j == n) break;
    const int word = c[j] >> 6;
    while (k < word) store();
    marks ^= mark(c[j++]);
  }
  while (k < words) store();
}

// Next bits are an EOL (eleven 0 bits; valid row data never holds as many).
bool atEol(BitReader& in) {
  if (in.count() < 12) in.refill();
  return in.count() >= 12 && (in.bits() & 0x7FF) == 0;
}

// Only 0 bits (padding) remain.
bool onlyPadding(BitReader& in) {
  in.refill();
  return in.count() < 12 && (in.count() == 0 || (in.bits() & ((1u << in.count()) - 1)) == 0);
}

// Blank space in MR: a row that is white like the one above, as a tagged V0 or a tagged
// one-dimensional white run across the row, followed by the EOL of the next row.
class WhiteRows {
 public:
  explicit WhiteRows(int width) {
    if (width > kMaxMakeUp) return;  // no single code for the run
    const std::uint32_t code = joinedCodes()[width];
    oneD_ = std::uint64_t(joinedBits(code)) << 1 | 1;
    oneDLength_ = int(joinedLength(code)) + 1;
  }

  // Bits the next row and the EOL after it take when the row is such a white row, else 0.
  // A V0 row counts only below a row that decoded well.
  int rowLength(const BitReader& in, bool soundReference) const {
    const std::uint64_t bits = in.bits();
    int length = 0;
    if (soundReference && (bits & 3) == 2)
      length = 2;
    else if (oneDLength_ && (bits & ((std::uint64_t(1) << oneDLength_) - 1)) == oneD_)
      length = oneDLength_;
    if (length == 0) return 0;
    const int zeros = std::countr_zero(bits >> length | std::uint64_t(1) << (63 - length));
    return zeros >= 11 && length + zeros < in.count() ? length + zeros + 1 : 0;
  }

 private:
  std::uint64_t oneD_ = 0;  // tag and white run, first bit lowest
  int oneDLength_ = 0;
};

}  // namespace

// --- encoder --------------------------------------------------------------------------------

PageEncoder::PageEncoder(Coding coding, int width, int k)
    : coding_(coding), width_(std::clamp(width, 1, kMaxCodedWidth)), k_(std::max(k, 1)) {
  ref_.assign(std::size_t(width_ + kSentinels), width_);
  cur_.assign(std::size_t(width_ + kSentinels), width_);
}

std::uint8_t* PageEncoder::room(std::size_t bytes) {
  if (buf_.size() < used_ + bytes) [[unlikely]]
    buf_.resize(std::max(buf_.size() * 2, used_ + bytes));
  return buf_.data() + used_;
}

void PageEncoder::addRow(std::span<const std::uint8_t> raster) {
  const std::size_t need = maxRowBytes(width_);
  if (coding_ == Coding::Mh) {
    used_ += encodeLine(raster, {width_, 0, false}, {room(need), need});
    ++rows_;
    return;
  }
  const int n = findChanges(raster, width_, cur_.data());
  BitWriter<false> w(room(need), need, pendingBits_, pendingCount_);
  if (coding_ == Coding::Mr) {
    w.put(kEolWord);
    const bool oneD = untilOneD_ == 0;
    untilOneD_ = (oneD ? k_ : untilOneD_) - 1;
    w.put(oneD ? kTag1d : kTag2d);
    if (oneD)
      code1d(w, cur_.data(), n, width_);
    else
      codeRow2d(w, ref_.data(), cur_.data(), width_);
    used_ += w.finish(0);
  } else {
    codeRow2d(w, ref_.data(), cur_.data(), width_);
    used_ += w.bytes();
    pendingBits_ = w.pending();
    pendingCount_ = w.pendingCount();
  }
  std::swap(ref_, cur_);
  ++rows_;
}

void PageEncoder::finish() {
  const std::size_t need = 32;
  BitWriter<false> w(room(need), need, pendingBits_, pendingCount_);
  for (int i = 0; i < (coding_ == Coding::Mmr ? 2 : 6); ++i) {
    w.put(kEolCode);
    if (coding_ == Coding::Mr) w.put(kTag1d);
  }
  used_ += w.finish(0);
  pendingBits_ = 0;
  pendingCount_ = 0;
}

// --- decoder --------------------------------------------------------------------------------

PageDecoder::PageDecoder(Coding coding, int width)
    : coding_(coding), width_(std::clamp(width, 1, kMaxCodedWidth)) {}

void PageDecoder::damaged(std::size_t end) {
  rowEnd_ = end;
  if (damage_) damage_();
}

bool PageDecoder::deliver(const LineSink& sink) {
  // A row like the one above (common in text and blank space) is already in the line.
  const bool same = curCount_ == refCount_ &&
                    std::equal(cur_.begin() + 1, cur_.begin() + 1 + curCount_, ref_.begin() + 1);
  if (!same || lines_ == 0) fillRow(line_.data(), cur_.data() + 1, curCount_, width_);
  refCount_ = curCount_;
  std::swap(ref_, cur_);
  ++lines_;
  return !sink || sink(line_.data(), (width_ + 7) / 8);
}

PageDecoder::Result PageDecoder::decodePage(std::span<const std::uint8_t> data,
                                            const LineSink& sink) {
  lines_ = 0;
  bad_ = 0;
  rowEnd_ = 0;
  if (coding_ == Coding::Mh) {
    LineDecoder dec(width_);
    LineSink tracked = sink;
    if (damage_) {  // where each row ends is wanted only with the damaged rows
      dec.setRejectSink([&] { damaged(dec.bytesConsumed()); });
      tracked = [&](const std::uint8_t* line, int bytes) {
        rowEnd_ = dec.bytesConsumed();
        return !sink || sink(line, bytes);
      };
    }
    const LineDecoder::Result r = dec.decodePage(data, tracked);
    lines_ = dec.lines();
    bad_ = dec.invalidCodes();
    return r == LineDecoder::Result::EndOfPage ? Result::EndOfPage
           : r == LineDecoder::Result::Stopped ? Result::Stopped
                                               : Result::DataEnd;
  }
  // Damaged data may give two changes per pixel (empty runs); -1 goes ahead of them and the
  // sentinels follow. The page starts below a white row.
  ref_.resize(std::size_t(1 + 2 * width_ + 2 * kSentinels));
  cur_.resize(ref_.size());
  ref_[0] = cur_[0] = -1;
  std::fill_n(ref_.begin() + 1, kSentinels, width_);
  line_.assign(std::size_t((width_ + 63) / 64 * 8), 0);
  refCount_ = 0;
  return coding_ == Coding::Mr ? decodeMr(data, sink) : decodeMmr(data, sink);
}

PageDecoder::Result PageDecoder::decodeMr(std::span<const std::uint8_t> data,
                                          const LineSink& sink) {
  BitReader in(data);
  const Tables tables;
  if (!in.skipToEol()) return Result::DataEnd;
  bool soundReference = true;  // the row above decoded well (the page starts below white)
  int eols = 1;
  const WhiteRows white(width_);
  for (;;) {
    if (in.count() < 40) in.refill();
    if (in.count() < 1) return Result::DataEnd;
    if (refCount_ == 0) {  // the line holds a white row
      const int length = white.rowLength(in, soundReference);
      if (length > 0) {
        in.skip(length);
        rowEnd_ = in.consumed();
        soundReference = true;
        eols = 1;
        ++lines_;
        if (sink && !sink(line_.data(), (width_ + 7) / 8)) return Result::Stopped;
        continue;
      }
    }
    const bool oneD = in.bits() & 1;
    in.skip(1);
    if (atEol(in)) {  // an empty row: part of the end of the page, or ignored
      if (!in.skipFill()) return Result::DataEnd;
      if (++eols >= 3) return Result::EndOfPage;
      continue;
    }
    eols = 0;
    Changes c{cur_.data() + 1, 0, width_};
    Row r = Row::Invalid;
    if (oneD)
      r = decode1d(in, tables, c);
    else if (soundReference && refCount_ == 0 && (in.bits() & 1))  // V0 below a white row
      in.skip(1), r = Row::Complete;
    else if (soundReference)
      r = decode2d(in, tables, ref_.data() + 1, c);
    curCount_ = c.n;
    std::fill_n(cur_.begin() + 1 + c.n, kSentinels, width_);
    if (r == Row::Complete) {
      if (atEol(in)) {
        if (!in.skipFill()) return Result::DataEnd;
        soundReference = true;
        rowEnd_ = in.consumed();
        if (!deliver(sink)) return Result::Stopped;
        eols = 1;
        continue;
      }
      if (onlyPadding(in)) {  // the last row of data that ends without an EOL
        rowEnd_ = data.size();
        return deliver(sink) ? Result::DataEnd : Result::Stopped;
      }
    }
    if (r == Row::CutOff) return Result::DataEnd;
    ++bad_;
    soundReference = false;
    const bool more = in.skipToEol();
    damaged(more ? in.consumed() : data.size());
    if (!more) return Result::DataEnd;
    eols = 1;
  }
}

PageDecoder::Result PageDecoder::decodeMmr(std::span<const std::uint8_t> data,
                                           const LineSink& sink) {
  BitReader in(data);
  const Tables tables;
  for (;;) {
    if (atEol(in)) {  // EOFB is two EOLs; a lone one is damage
      if (in.skipFill() && atEol(in)) return Result::EndOfPage;
      ++bad_;
      damaged(in.consumed());
      return Result::Damaged;
    }
    if (refCount_ == 0 && in.count() > 0 && (in.bits() & 1)) {
      // Below a white row each 1 bit (V0 at the end of the row) is one more white row, and
      // the line already holds one.
      const int rows = std::min(std::countr_one(in.bits()), in.count());
      in.skip(rows);
      rowEnd_ = in.consumed();
      for (int n = 0; n < rows; ++n) {
        ++lines_;
        if (sink && !sink(line_.data(), (width_ + 7) / 8)) return Result::Stopped;
      }
      continue;
    }
    Changes c{cur_.data() + 1, 0, width_};
    const Row r = decode2d(in, tables, ref_.data() + 1, c);
    curCount_ = c.n;
    std::fill_n(cur_.begin() + 1 + c.n, kSentinels, width_);
    if (r == Row::CutOff || (r == Row::Invalid && onlyPadding(in))) return Result::DataEnd;
    if (r == Row::Invalid) {
      ++bad_;
      damaged(in.consumed());
      return Result::Damaged;
    }
    rowEnd_ = in.consumed();
    if (!deliver(sink)) return Result::Stopped;
  }
}

TranscodeResult transcodePage(std::span<const std::uint8_t> in, Coding from, Coding to, int width,
                              int k, std::vector<std::uint8_t>& out) {
  PageEncoder enc(to, width, k);
  PageDecoder dec(from, width);
  TranscodeResult result;
  result.end = dec.decodePage(in, [&](const std::uint8_t* line, int bytes) {
    enc.addRow({line, std::size_t(bytes)});
    return true;
  });
  enc.finish();
  result.lines = enc.rows();
  result.badLines = dec.badLines();
  out.assign(enc.bytes().begin(), enc.bytes().end());
  return result;
}

}  // namespace faximage::t4
