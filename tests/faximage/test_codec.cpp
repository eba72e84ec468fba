// The T.4 line encoder and decoder: exact bytes of known lines, code trees, round trips of
// readable pictures, and the decoder's framing rules.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "faximage/brx_format.h"
#include "faximage/convert_state.h"
#include "faximage/t4_codes.h"
#include "faximage/t4_decoder.h"
#include "faximage/t4_encoder.h"
#include "image_util.h"

namespace faximage {
namespace {

using test::fromPicture;
using test::lineToPicture;

std::vector<std::uint8_t> encode(const std::uint8_t* line, std::size_t size, int width,
                                 int margin = 0, bool doubling = false) {
  std::array<std::uint8_t, 4096> out{};
  std::size_t n = t4::encodeLine({line, size}, {width, margin, doubling}, out);
  return {out.begin(), out.begin() + long(n)};
}

// Codes every row of a bitmap as line records, then the end-of-page record.
std::vector<std::uint8_t> encodePage(const MonoBitmap& b, int width) {
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> line(std::size_t(width + 7) / 8);
  for (int y = 0; y < b.height; ++y) {
    std::fill(line.begin(), line.end(), 0);
    std::copy(b.row(y), b.row(y) + std::min<int>(b.stride, int(line.size())), line.begin());
    auto rec = encode(line.data(), line.size(), width);
    data.insert(data.end(), rec.begin(), rec.end());
  }
  data.insert(data.end(), kEndOfPageRecord.begin(), kEndOfPageRecord.end());
  return data;
}

struct Decoded {
  std::vector<std::vector<std::uint8_t>> lines;
  t4::LineDecoder::Result result;
  unsigned invalid = 0;
};

Decoded decode(const std::vector<std::uint8_t>& data, int exactWidth = 0) {
  Decoded d;
  t4::LineDecoder dec(exactWidth);
  d.result = dec.decodePage(data, [&](const std::uint8_t* l, int n) {
    d.lines.emplace_back(l, l + n);
    return true;
  });
  d.invalid = dec.invalidCodes();
  return d;
}

std::vector<std::string> pictureOf(const Decoded& d, int pixels) {
  std::vector<std::string> rows;
  for (const auto& l : d.lines) rows.push_back(lineToPicture(l.data(), pixels));
  return rows;
}

TEST(T4Encoder, KnownLinesHaveTheirExactBytes) {
  std::array<std::uint8_t, 256> white{};
  EXPECT_EQ(encode(white.data(), 216, 1728),
            (std::vector<std::uint8_t>{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}));

  std::array<std::uint8_t, 8> out{};
  ASSERT_EQ(t4::encodeMarginLine(1728, out), 4u);
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 4),
            (std::vector<std::uint8_t>{0x00, 0x28, 0x9B, 0x15}));
  ASSERT_EQ(t4::encodeMarginLine(2048, out), 5u);
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 5),
            (std::vector<std::uint8_t>{0x00, 0x08, 0xC8, 0xAC, 0x00}));

  std::array<std::uint8_t, 12> eop{};
  EXPECT_EQ(ConvertState::EndOfPageCode(eop), 12);
  EXPECT_EQ(eop, kEndOfPageRecord);
  std::array<std::uint8_t, 11> small{};
  EXPECT_EQ(ConvertState::EndOfPageCode(small), 0);
}

TEST(T4Encoder, TooSmallABufferGetsNothingAndAnExactOneTheWholeRecord) {
  std::array<std::uint8_t, 216> line{};
  std::uint32_t seed = 5;
  for (auto& b : line) b = std::uint8_t(test::nextRandom(seed));
  const auto whole = encode(line.data(), line.size(), 1728);
  for (std::size_t room : {std::size_t(0), std::size_t(3), whole.size() - 1, whole.size()}) {
    std::vector<std::uint8_t> out(room);  // exact size, so a write past it shows up under ASan
    const std::size_t n = t4::encodeLine(line, {1728, 0, false}, out);
    if (room < whole.size()) {
      EXPECT_EQ(n, 0u) << room;
    } else {
      ASSERT_EQ(n, whole.size());
      EXPECT_EQ(out, whole);
    }
  }
  std::vector<std::uint8_t> margin(4);
  EXPECT_EQ(t4::encodeMarginLine(1728, margin), 4u);
  EXPECT_EQ(t4::encodeMarginLine(2048, margin), 0u);
}

TEST(T4Encoder, MarginAndDoublingPlaceTheImage) {
  std::array<std::uint8_t, 216> line{};
  line[0] = 0xC0;  // two black pixels at the left edge
  auto d = decode([&] {
    auto rec = encode(line.data(), line.size(), 1728, 50);
    auto twice = encode(line.data(), line.size(), 1728, 50, true);
    rec.insert(rec.end(), twice.begin(), twice.end());
    rec.insert(rec.end(), kEndOfPageRecord.begin(), kEndOfPageRecord.end());
    return rec;
  }());
  ASSERT_EQ(d.lines.size(), 2u);
  EXPECT_EQ(lineToPicture(d.lines[0].data(), 1728), std::string(50, ' ') + "XX");
  EXPECT_EQ(lineToPicture(d.lines[1].data(), 1728), std::string(50, ' ') + "XXXX");
}

TEST(T4Encoder, OnlyTheImageAreaAfterTheMarginIsCoded) {
  std::array<std::uint8_t, 216> line{};
  line[215] = 0xFF;  // beyond width - margin: not coded
  line[209] = 0x04;  // pixel 1677, the last one of the image area
  auto rec = encode(line.data(), line.size(), 1728, 50);
  rec.insert(rec.end(), kEndOfPageRecord.begin(), kEndOfPageRecord.end());
  auto d = decode(rec);
  ASSERT_EQ(d.lines.size(), 1u);
  EXPECT_EQ(lineToPicture(d.lines[0].data(), 1728), std::string(1727, ' ') + "X");
}

TEST(T4CodeTrees, HoldEveryCodeAndLoopOnFillBits) {
  for (bool black : {false, true}) {
    const auto& t = t4::codeTree(black);
    EXPECT_LE(t.nodes.size(), 307u) << (black ? "black" : "white");
    EXPECT_EQ(t.nodes[11].next[0], 11);
    // Walking each code from the root ends at a leaf holding its run.
    for (int run = 0; run <= 2560; run = run < 63 ? run + 1 : (run == 63 ? 64 : run + 64)) {
      auto c = t4::runCode(black, run);
      int node = 0;
      for (int i = c.length - 1; i >= 0; --i)
        node = t.nodes[std::size_t(node)].next[(c.bits >> i) & 1];
      ASSERT_TRUE(t.isLeaf(node)) << run;
      EXPECT_EQ(t.leafRun(node), run);
    }
  }
}

TEST(T4Codec, PictureRoundTrip) {
  const std::vector<std::string> picture = {
      "",
      "  XXXX      X   X    XXXXX",
      " X    X     X   X    X",
      " X          XXXXX    XXX",
      " X    X     X   X    X",
      "  XXXX      X   X    XXXXX",
      "X",
      "                                                                   X",
  };
  auto page = fromPicture(picture);
  MonoBitmap wide(1728, page.height);
  for (int y = 0; y < page.height; ++y)
    std::copy(page.row(y), page.row(y) + page.stride, wide.row(y));
  auto d = decode(encodePage(wide, 1728));
  EXPECT_EQ(d.result, t4::LineDecoder::Result::EndOfPage);
  EXPECT_EQ(pictureOf(d, 80), picture);
  for (const auto& l : d.lines) EXPECT_EQ(l.size(), 216u);
}

TEST(T4Codec, DenseRandomCheckerboardAndBlankLinesRoundTrip) {
  for (int width : {1728, 2048}) {
    MonoBitmap page(width, 64);
    std::uint32_t seed = 12345;
    for (int y = 0; y < page.height; ++y)
      for (int i = 0; i < page.stride; ++i)
        page.row(y)[i] = y < 2   ? (y ? 0x55 : 0xAA)
                         : y % 9 ? std::uint8_t(test::nextRandom(seed))
                                 : 0;  // blank lines among them
    auto d = decode(encodePage(page, width));
    ASSERT_EQ(int(d.lines.size()), page.height);
    for (int y = 0; y < page.height; ++y)
      ASSERT_TRUE(
          std::equal(d.lines[std::size_t(y)].begin(), d.lines[std::size_t(y)].end(), page.row(y)))
          << y;
    EXPECT_EQ(d.invalid, 0u);
  }
}

TEST(T4Codec, EveryRunLengthUpTo2560RoundTrips) {
  const int width = 2560;
  MonoBitmap page(width, width + 1);
  for (int r = 0; r <= width; ++r)
    for (int x = r; x < width; ++x) page.setPixel(x, r, true);  // white r, then black 2560 - r
  auto d = decode(encodePage(page, width), width);
  ASSERT_EQ(int(d.lines.size()), page.height);
  for (int y = 0; y < page.height; ++y)
    ASSERT_TRUE(
        std::equal(d.lines[std::size_t(y)].begin(), d.lines[std::size_t(y)].end(), page.row(y)))
        << y;
}

TEST(T4Codec, LinesOfAnyWidthKeepTheirLastPixels) {
  // Widths that are not whole bytes or whole 64-pixel words: the last pixels are coded too.
  for (int width : {7, 100, 1730}) {
    MonoBitmap page(width, 3);
    page.setPixel(width - 1, 0, true);
    for (int x = width / 2; x < width; ++x) page.setPixel(x, 1, true);
    for (int x = 0; x < width; x += 2) page.setPixel(x, 2, true);
    auto d = decode(encodePage(page, width), width);
    ASSERT_EQ(d.lines.size(), 3u) << width;
    for (int y = 0; y < 3; ++y)
      EXPECT_TRUE(
          std::equal(d.lines[std::size_t(y)].begin(), d.lines[std::size_t(y)].end(), page.row(y)))
          << width << " row " << y;
  }
}

// Packs bit strings (first bit first) into bytes least significant bit first.
std::vector<std::uint8_t> bits(const std::string& s) {
  std::vector<std::uint8_t> out((s.size() + 7) / 8, 0);
  int n = 0;
  for (char c : s) {
    if (c != '0' && c != '1') continue;
    if (c == '1') out[std::size_t(n / 8)] |= std::uint8_t(1 << (n % 8));
    ++n;
  }
  out.resize(std::size_t(n + 7) / 8);
  return out;
}

const std::string kEolBits = "000000000001";
const std::string kWhite1728 =
    "010011011"
    "00110101";

TEST(T4Decoder, AcceptsOnlyWholeLinesOf216Or256Bytes) {
  // 1727 pixels (white 1664 + 63), 1729 (1728 + black 1), 2055 and 1700: only the 216- and
  // 256-byte lines are kept.
  std::string s = kEolBits +
                  "011000"
                  "00110100" +
                  kEolBits + kWhite1728 + "010" + kEolBits +
                  "000000010011"
                  "00110101"
                  "00011"
                  "00110101" +
                  "0000" + kEolBits +
                  "011000"
                  "00100100" +
                  kEolBits + kEolBits + kEolBits;
  auto d = decode(bits(s));
  ASSERT_EQ(d.lines.size(), 2u);
  EXPECT_EQ(d.lines[0].size(), 216u);
  EXPECT_EQ(d.lines[1].size(), 256u);
  EXPECT_EQ(d.result, t4::LineDecoder::Result::EndOfPage);
}

TEST(T4Decoder, FramingRules) {
  // Runs before the first EOL are ignored; fill zeros of any length before an EOL's 1; two
  // EOLs in a row are an empty line, not the end; three end the page.
  std::string s = kWhite1728 + kEolBits + kWhite1728 + "0000000000000000000000000001" + kWhite1728 +
                  kEolBits + kEolBits + kWhite1728 + kEolBits + kEolBits + kEolBits + kWhite1728;
  auto d = decode(bits(s));
  EXPECT_EQ(d.lines.size(), 3u);
  EXPECT_EQ(d.result, t4::LineDecoder::Result::EndOfPage);
  // Data without an end-of-page sequence ends at its end.
  auto e = decode(bits(kEolBits + kWhite1728 + kEolBits));
  EXPECT_EQ(e.lines.size(), 1u);
  EXPECT_EQ(e.result, t4::LineDecoder::Result::DataEnd);
}

TEST(T4Decoder, InvalidCodeIsCountedAndDecodingResumes) {
  // Thirteen bits that match no white code, then 1 bits skipped up to the next 0.
  std::string s = kEolBits +
                  "0000000011111"
                  "111" +
                  kEolBits + kWhite1728 + kEolBits + kEolBits + kEolBits;
  auto d = decode(bits(s));
  EXPECT_EQ(d.invalid, 1u);
  EXPECT_EQ(d.lines.size(), 1u);
}

TEST(T4Decoder, EveryCutOfAPageYieldsTheLinesWhoseCodesItHoldsWhole) {
  // Dense and sparse lines, each ending in one black pixel, so that the line's last code ends
  // in the byte before its record's 0x00 byte: cut before that byte, the line is not
  // delivered; cut after it, it is.
  MonoBitmap page(1728, 12);
  std::uint32_t seed = 77;
  for (int y = 0; y < page.height; ++y) {
    for (int i = 0; i < page.stride; ++i) {
      const std::uint8_t r = std::uint8_t(test::nextRandom(seed));
      page.row(y)[i] = y % 3 == 0 ? std::uint8_t(r & 0x11) : r;
    }
    page.row(y)[page.stride - 1] = 0x01;
  }
  std::vector<std::uint8_t> data;
  std::vector<std::size_t> lastCodeByte;
  for (int y = 0; y < page.height; ++y) {
    auto rec = encode(page.row(y), std::size_t(page.stride), 1728);
    data.insert(data.end(), rec.begin(), rec.end());
    lastCodeByte.push_back(data.size() - 2);
  }
  for (std::size_t cut = 0; cut <= data.size(); ++cut) {
    auto d = decode({data.begin(), data.begin() + long(cut)});
    const auto whole = std::count_if(lastCodeByte.begin(), lastCodeByte.end(),
                                     [&](std::size_t b) { return b < cut; });
    ASSERT_EQ(long(d.lines.size()), whole) << "cut " << cut;
    for (std::size_t y = 0; y < d.lines.size(); ++y)
      ASSERT_TRUE(std::equal(d.lines[y].begin(), d.lines[y].end(), page.row(int(y))))
          << "cut " << cut << " line " << y;
  }
}

TEST(T4Decoder, StopsWhenTheSinkSaysSo) {
  MonoBitmap page(1728, 5);
  auto data = encodePage(page, 1728);
  t4::LineDecoder dec;
  int seen = 0;
  auto r = dec.decodePage(data, [&](const std::uint8_t*, int) { return ++seen < 2; });
  EXPECT_EQ(r, t4::LineDecoder::Result::Stopped);
  EXPECT_EQ(seen, 2);
}

}  // namespace
}  // namespace faximage
