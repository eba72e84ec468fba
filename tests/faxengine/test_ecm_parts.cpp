// Error correction's parts without a modem: HDLC framing in software (bit stuffing at any
// bit position, the frame check, damaged frames dropped) and the frame bookkeeping of a
// block (cutting a page into frames, the missing-frame map and exactly those frames sent
// again, assembly of frames that arrive out of order or twice).
#include <gtest/gtest.h>

#include <numeric>
#include <string_view>

#include "faxengine/ecm_frames.h"
#include "faxengine/hdlc_bits.h"

using namespace faxengine;
using namespace faxengine::class1;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

// The frames a reader takes from `line`.
std::vector<Bytes> readFrames(const Bytes& line, int* bad = nullptr) {
  std::vector<Bytes> got;
  hdlc::Reader r;
  r.feed(line, [&](std::span<const std::uint8_t> f) { got.emplace_back(f.begin(), f.end()); });
  if (bad) *bad = r.badFrames();
  return got;
}

// `bits` idle 1s before the writer's output, so its frames start at any bit of a byte.
Bytes shifted(const Bytes& line, int bits) {
  Bytes out;
  unsigned acc = (1u << bits) - 1;
  int n = bits;
  for (std::uint8_t b : line) {
    acc |= unsigned(b) << n;
    out.push_back(std::uint8_t(acc));
    acc >>= 8;
  }
  out.push_back(std::uint8_t(acc | (0xFFu << n)));
  return out;
}

TEST(HdlcFraming, TheFrameCheckIsTheStandardCrc16) {
  EXPECT_EQ(hdlc::frameCheck(bytesOf("123456789")), 0x906E);
}

// Octets full of 1s and flag look-alikes come through whole wherever the frames start.
TEST(HdlcFraming, FramesComeBackWholeAtEveryBitPosition) {
  const std::vector<Bytes> frames = {
      {0xFF, 0x03, 0x06, 0x00, 0x7E, 0x7E, 0xFF, 0xFF, 0x1F, 0xF8, 0x3E},
      {0xFF, 0x13, 0x86},
      Bytes(256, 0xFF),
      Bytes(300, 0x7E)};
  hdlc::Writer w;
  w.flags(3);
  for (const Bytes& f : frames) w.frame(f);
  w.flags(2);
  Bytes line = w.take();
  for (int bits = 0; bits < 8; ++bits) EXPECT_EQ(readFrames(shifted(line, bits)), frames) << bits;
}

// A damaged frame (one bit, a lost closing flag, an abort) is dropped and counted; the
// frames around it arrive.
TEST(HdlcFraming, DamagedFramesAreDropped) {
  const Bytes a = {0xFF, 0x03, 0x06, 1, 0x55}, b = Bytes(40, 0xA5), c = {0xFF, 0x13, 0x86};
  hdlc::Writer w;
  w.flags(1);
  w.frame(a);
  w.frame(b);
  w.frame(c);
  Bytes clean = w.take();
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;  // xor mask, or the byte written when `set`
    bool set;
  } cases[] = {{"one bit", 20, 0x08, false}, {"an abort", 20, 0xFF, true}};
  for (const Case& k : cases) {
    Bytes line = clean;
    line[k.at] = k.set ? k.value : std::uint8_t(line[k.at] ^ k.value);
    int bad = 0;
    std::vector<Bytes> got = readFrames(line, &bad);
    EXPECT_EQ(got, (std::vector<Bytes>{a, c})) << k.what;
    EXPECT_EQ(bad, k.set ? 0 : 1) << k.what;  // an aborted frame is not even a frame
  }
}

TEST(EcmBlocks, APageIsCutIntoFramesAndBlocksOf256) {
  Bytes data(256 * 300 + 10);
  std::iota(data.begin(), data.end(), 0);
  ecm::PageFrames page(data, 256);
  ASSERT_EQ(page.blocks(), 2);
  EXPECT_EQ(page.framesIn(0), 256);
  EXPECT_EQ(page.framesIn(1), 45);
  EXPECT_EQ(page.frame(1, 44).size(), 10u);
  Bytes joined;
  for (int b = 0; b < page.blocks(); ++b)
    for (int n = 0; n < page.framesIn(b); ++n)
      joined.insert(joined.end(), page.frame(b, n).begin(), page.frame(b, n).end());
  EXPECT_EQ(joined, data);
  EXPECT_EQ(ecm::PageFrames({}, 256).framesIn(0), 1) << "an empty page is still one frame";
}

// The receiver's map names the frames that did not arrive; the sender sends exactly
// those (the map's bits past the block's end are ignored); the receiver then has them
// all, in order, the first copy of a repeated frame kept.
TEST(EcmBlocks, ThePprMapResendsExactlyTheMissingFrames) {
  const int count = 20;
  auto frame = [](int n) { return Bytes(3, std::uint8_t(n)); };
  ecm::BlockReceived rx;
  for (int n : {19, 0, 1, 3, 4, 6, 7, 8, 9, 10, 11, 12, 14, 15, 16, 17, 18, 0})
    rx.store(n, n == 0 && rx.has(0) ? Bytes{0xEE} : frame(n));
  ecm::FrameMap missing = rx.missing(count);
  EXPECT_FALSE(rx.complete(count));

  // Through the PPR frame as the far end reads it (with its check bytes).
  Bytes ppr = pprFrame(missing);
  ppr.insert(ppr.end(), {0x12, 0x34});
  ecm::FrameMap read = decodePpr(Frame{ppr});
  ecm::mark(read, 200);  // beyond this block
  ecm::BlockToSend tx;
  tx.start(count);
  ASSERT_TRUE(tx.resend(read));
  EXPECT_EQ(tx.pending(), (std::vector<int>{2, 5, 13}));

  for (int n : tx.pending()) rx.store(n, frame(n));
  ASSERT_TRUE(rx.complete(count));
  Bytes page, want;
  rx.appendTo(page, count);
  for (int n = 0; n < count; ++n) want.insert(want.end(), 3, std::uint8_t(n));
  EXPECT_EQ(page, want);
  EXPECT_FALSE(tx.resend(rx.missing(count))) << "nothing left to send";
}

TEST(EcmBlocks, PpsCarriesThePageBlockAndFrameCount) {
  Bytes pps = ppsFrame(std::uint8_t(Fcf::EOP), 258, 3, 256);
  PartialPage p = decodePps(Frame{pps});
  EXPECT_EQ(p.command, std::uint8_t(Fcf::EOP));
  EXPECT_EQ(p.page, 2);  // counted modulo 256
  EXPECT_EQ(p.block, 3);
  EXPECT_EQ(p.frames, 256);
  EXPECT_EQ(decodePps(Frame{ppsFrame(kPpsNull, 0, 0, 1)}).command, kPpsNull);
}

}  // namespace
