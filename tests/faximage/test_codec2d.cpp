// Two-dimensional coding (MR, MMR) and the transcoder, checked against libtiff in both
// directions: what we code, libtiff decodes to the source page, and what libtiff codes, we
// decode to the source page. Damaged and cut-off streams decode safely to the rows that
// survive.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "faximage/t4_2d.h"
#include "image_util.h"

namespace faximage {
namespace {

using t4::Coding;

std::vector<std::uint8_t> encode(const MonoBitmap& page, Coding coding, int k = t4::kMrFineK) {
  t4::PageEncoder enc(coding, page.width, k);
  for (int y = 0; y < page.height; ++y) enc.addRow({page.row(y), std::size_t(page.stride)});
  enc.finish();
  return {enc.bytes().begin(), enc.bytes().end()};
}

struct Decoded {
  MonoBitmap page;
  t4::PageDecoder::Result result;
  unsigned bad = 0;
};

Decoded decode(std::span<const std::uint8_t> data, Coding coding, int width) {
  Decoded d{MonoBitmap(width, 0), {}, 0};
  t4::PageDecoder dec(coding, width);
  d.result = dec.decodePage(data, [&](const std::uint8_t* line, int bytes) {
    EXPECT_EQ(bytes, d.page.stride);
    d.page.bits.insert(d.page.bits.end(), line, line + bytes);
    ++d.page.height;
    return true;
  });
  d.bad = dec.badLines();
  return d;
}

MonoBitmap randomPage(int width, int rows, std::uint32_t seed) {
  MonoBitmap page(width, rows);
  for (auto& b : page.bits) b = std::uint8_t(test::nextRandom(seed));
  for (int y = 0; y < rows; ++y)  // pixels past the width stay white
    page.row(y)[page.stride - 1] &= std::uint8_t(0xFF << (page.stride * 8 - width));
  return page;
}

// Shapes that exercise every mode: vertical offsets of 0..3 either way and beyond (edges of a
// slanted and a curved stroke), pass modes (a white gap closing under a black bar), runs
// longer than the widest make-up code, a row starting black and a row black to the end.
MonoBitmap shapesPage(int width) {
  MonoBitmap page(width, 120);
  for (int y = 0; y < 120; ++y) {
    for (int x = y * 5; x < y * 5 + 40 && x < width; ++x) page.setPixel(x, y, true);
    const int c = 600 + int(60 * std::sin(y / 9.0));
    for (int x = c; x < c + 3 + y % 4; ++x) page.setPixel(x, y, true);
    if (y % 10 < 5)
      for (int x = 900; x < 960; x += 6) page.setPixel(x, y, true);
    if (y % 10 == 5)
      for (int x = 890; x < 970; ++x) page.setPixel(x, y, true);
    if (y % 17 == 3)
      for (int x = 0; x < width; ++x) page.setPixel(x, y, true);
    if (y % 13 == 1) page.setPixel(0, y, true), page.setPixel(width - 1, y, true);
  }
  return page;
}

// Runs that start, end or cross where one 64-pixel word of a row meets the next (the coders
// work a word at a time), rows ending black at the width, a row like the one above, and
// blank rows after black ones.
MonoBitmap wordEdgesPage(int width) {
  MonoBitmap page(width, 64);
  const auto black = [&](int y, int from, int to) {
    for (int x = std::max(from, 0); x < std::min(to, width); ++x) page.setPixel(x, y, true);
  };
  for (int y = 0; y < page.height; ++y) {
    const int s = y / 8;
    switch (y % 8) {
      case 1:
        for (int k = 64; k <= width; k += 64)
          black(y, k - 1 - s % 2, k - s % 2), black(y, k + s % 3, k + s % 3 + 1);
        break;
      case 2: black(y, 64 + s, width); break;
      case 3: black(y, 0, 64 - s); break;
      case 4: black(y, 0, 64 - s); break;
      case 6:
        for (int k = 64; k < width; k += 64) black(y, k - 2 - s, k + 2 + s);
        break;
      case 7: black(y, 0, 64 * s), black(y, 64 * s + 1, width); break;
      default: break;  // white
    }
  }
  return page;
}

struct NamedPage {
  const char* name;
  MonoBitmap page;
};

const std::vector<NamedPage>& pages() {
  static const std::vector<NamedPage> p = {
      {"text", test::textPage(1728, 400)},
      {"random", randomPage(1728, 60, 7)},
      {"shapes", shapesPage(1728)},
      {"wide shapes", shapesPage(4096)},
      {"odd width", randomPage(1001, 30, 3)},
      {"word edges", wordEdgesPage(1728)},
      {"word edges 2432", wordEdgesPage(2432)},
      {"white", MonoBitmap(2048, 20)}};
  return p;
}

constexpr Coding kCodings[] = {Coding::Mh, Coding::Mr, Coding::Mmr};
const char* name(Coding c) { return c == Coding::Mh ? "MH" : c == Coding::Mr ? "MR" : "MMR"; }

TEST(Codec2d, OurCodingsDecodeToTheSourcePage) {
  for (const auto& [pageName, page] : pages())
    for (Coding c : kCodings)
      for (int k : {1, t4::kMrStandardK, t4::kMrFineK}) {
        SCOPED_TRACE(std::string(pageName) + " " + name(c) + " K=" + std::to_string(k));
        const Decoded d = decode(encode(page, c, k), c, page.width);
        EXPECT_EQ(d.result, t4::PageDecoder::Result::EndOfPage);
        EXPECT_EQ(d.bad, 0u);
        EXPECT_TRUE(d.page.height == page.height && d.page.bits == page.bits);
      }
}

TEST(Codec2d, TwoDimensionalCodingShrinksText) {
  const MonoBitmap& text = pages()[0].page;
  const auto mh = encode(text, Coding::Mh).size();
  EXPECT_LT(encode(text, Coding::Mr, t4::kMrFineK).size(), mh * 3 / 4);
  EXPECT_LT(encode(text, Coding::Mmr).size(), mh * 3 / 5);
}

// --- libtiff ---------------------------------------------------------------------------------

struct TiffCoding {
  Coding ours;
  int compression;
  std::uint32_t group3Options;
};
constexpr TiffCoding kTiffCodings[] = {
    {Coding::Mr, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS},
    {Coding::Mr, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING},
    {Coding::Mmr, COMPRESSION_CCITTFAX4, 0}};

TIFF* openTiff(const std::string& file, const MonoBitmap& page, const TiffCoding& c) {
  TIFF* t = TIFFOpen(file.c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, page.width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, page.height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, c.compression);
  if (c.compression == COMPRESSION_CCITTFAX3)
    TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, c.group3Options);
  TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, page.height);
  return t;
}

// libtiff codes the page; the raw strip is returned.
std::vector<std::uint8_t> tiffEncode(const std::string& file, const MonoBitmap& page,
                                     const TiffCoding& c) {
  TIFF* t = openTiff(file, page, c);
  MonoBitmap copy = page;
  TIFFWriteEncodedStrip(t, 0, copy.bits.data(), tmsize_t(copy.bits.size()));
  TIFFClose(t);
  t = TIFFOpen(file.c_str(), "r");
  std::vector<std::uint8_t> raw(std::size_t(TIFFRawStripSize(t, 0)));
  raw.resize(std::size_t(TIFFReadRawStrip(t, 0, raw.data(), tmsize_t(raw.size()))));
  TIFFClose(t);
  return raw;
}

// libtiff decodes our coded page held as the strip of a TIFF file.
MonoBitmap tiffDecode(const std::string& file, const MonoBitmap& like, const TiffCoding& c,
                      std::vector<std::uint8_t> coded) {
  TIFF* t = openTiff(file, like, c);
  TIFFWriteRawStrip(t, 0, coded.data(), tmsize_t(coded.size()));
  TIFFClose(t);
  MonoBitmap out(like.width, like.height, 0x55);
  t = TIFFOpen(file.c_str(), "r");
  TIFFReadEncodedStrip(t, 0, out.bits.data(), tmsize_t(out.bits.size()));
  TIFFClose(t);
  if (like.width % 8)  // libtiff leaves the bits past the width as they were
    for (int y = 0; y < out.height; ++y)
      out.row(y)[out.stride - 1] &= std::uint8_t(0xFF << (out.stride * 8 - out.width));
  return out;
}

TEST(Codec2dPeer, LibtiffDecodesOurCoding) {
  test::ScratchDir dir;
  TIFFSetWarningHandler(nullptr);
  for (const auto& [pageName, page] : pages())
    for (const TiffCoding& c : kTiffCodings)
      for (int k : {t4::kMrStandardK, t4::kMrFineK}) {
        SCOPED_TRACE(std::string(pageName) + " " + name(c.ours) + " K=" + std::to_string(k));
        const MonoBitmap back = tiffDecode(dir.path("ours.tif"), page, c, encode(page, c.ours, k));
        EXPECT_TRUE(back.bits == page.bits);
      }
}

TEST(Codec2dPeer, WeDecodeLibtiffCoding) {
  test::ScratchDir dir;
  TIFFSetWarningHandler(nullptr);
  for (const auto& [pageName, page] : pages())
    for (const TiffCoding& c : kTiffCodings) {
      SCOPED_TRACE(std::string(pageName) + " " + name(c.ours) + " options " +
                   std::to_string(c.group3Options));
      const Decoded d = decode(tiffEncode(dir.path("lib.tif"), page, c), c.ours, page.width);
      EXPECT_EQ(d.bad, 0u);
      EXPECT_TRUE(d.page.height == page.height && d.page.bits == page.bits);
    }
}

// --- damage ----------------------------------------------------------------------------------

bool sameRows(const MonoBitmap& a, int fromA, const MonoBitmap& b, int fromB, int rows) {
  return rows >= 0 && fromA + rows <= a.height && fromB + rows <= b.height &&
         std::equal(a.row(fromA), a.row(fromA) + std::size_t(rows) * std::size_t(a.stride),
                    b.row(fromB));
}

// Rows of the source coded wholly in the first `bytes` bytes.
int rowsBefore(const MonoBitmap& page, Coding c, int k, std::size_t bytes) {
  t4::PageEncoder enc(c, page.width, k);
  int rows = 0;
  for (; rows < page.height; ++rows) {
    enc.addRow({page.row(rows), std::size_t(page.stride)});
    if (enc.bytes().size() + 1 >= bytes) break;
  }
  return rows;
}

TEST(Codec2dDamage, DamagedMrDropsRowsUntilTheNextOneDimensionalRowAndGoesOn) {
  // libtiff's coding as well as ours: peers put the EOLs differently.
  test::ScratchDir dir;
  const MonoBitmap& page = pages()[0].page;
  for (std::uint32_t options : {0u, std::uint32_t(GROUP3OPT_FILLBITS)}) {
    auto data = tiffEncode(dir.path("lib.tif"), page,
                           {Coding::Mr, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | options});
    for (std::size_t at : {data.size() / 3, data.size() / 2}) {
      auto bad = data;
      for (std::size_t i = at; i < at + 6; ++i) bad[i] ^= 0xA5;
      const Decoded d = decode(bad, Coding::Mr, page.width);
      EXPECT_GT(d.bad, 0u);
      const int lost = page.height - d.page.height;
      // Everything but a few rows around the damage comes through, in place.
      EXPECT_GE(lost, 1);
      EXPECT_LE(lost, 12);
      const int tail = 150;  // rows well after the damage
      EXPECT_TRUE(sameRows(d.page, d.page.height - tail, page, page.height - tail, tail));
    }
  }
}

TEST(Codec2dDamage, DamagedMmrStopsAndKeepsTheRowsBefore) {
  const MonoBitmap& page = pages()[0].page;
  const auto data = encode(page, Coding::Mmr);
  const std::size_t at = data.size() / 2;
  auto bad = data;
  for (std::size_t i = at; i < at + 4; ++i) bad[i] = 0;  // eight 0 bits and more: never valid
  const Decoded d = decode(bad, Coding::Mmr, page.width);
  EXPECT_EQ(d.result, t4::PageDecoder::Result::Damaged);
  const int good = rowsBefore(page, Coding::Mmr, 0, at);
  EXPECT_GE(d.page.height, good);
  EXPECT_TRUE(sameRows(d.page, 0, page, 0, good));
  EXPECT_LT(d.page.height, page.height);
}

TEST(Codec2dDamage, CutOffAndGarbledStreamsNeverDeliverWrongWidthsOrCrash) {
  const MonoBitmap page = randomPage(1728, 12, 11);
  std::uint32_t seed = 5;
  for (Coding c : {Coding::Mr, Coding::Mmr}) {
    const auto data = encode(page, c, t4::kMrStandardK);
    for (std::size_t cut = 0; cut < data.size(); cut += 97) {
      const Decoded d = decode({data.data(), cut}, c, page.width);
      const int good = rowsBefore(page, c, t4::kMrStandardK, cut);
      EXPECT_TRUE(sameRows(d.page, 0, page, 0, std::min(good, d.page.height)));
      EXPECT_LE(d.page.height, good + 1);
    }
    for (int round = 0; round < 40; ++round) {
      auto bad = data;
      for (int i = 0; i < 20; ++i)
        bad[test::nextRandom(seed) % bad.size()] = std::uint8_t(test::nextRandom(seed));
      decode(bad, c, page.width);  // each row's width is checked in decode()
    }
  }
}

TEST(Codec2d, TranscodingKeepsThePageAndDropsWhatWasDamaged) {
  const MonoBitmap& page = pages()[0].page;
  const auto mh = encode(page, Coding::Mh);
  std::vector<std::uint8_t> line, stored;
  for (Coding to : {Coding::Mr, Coding::Mmr}) {
    SCOPED_TRACE(name(to));
    auto r = t4::transcodePage(mh, Coding::Mh, to, page.width, t4::kMrStandardK, line);
    EXPECT_EQ(r.lines, unsigned(page.height));
    r = t4::transcodePage(line, to, Coding::Mh, page.width, 0, stored);
    EXPECT_EQ(r.end, t4::PageDecoder::Result::EndOfPage);
    const Decoded d = decode(stored, Coding::Mh, page.width);
    EXPECT_TRUE(d.page.bits == page.bits);
  }
  std::fill_n(line.begin() + long(line.size() / 2), 4, 0);
  const auto r = t4::transcodePage(line, Coding::Mmr, Coding::Mh, page.width, 0, stored);
  EXPECT_EQ(r.end, t4::PageDecoder::Result::Damaged);
  EXPECT_LT(r.lines, unsigned(page.height));
  EXPECT_EQ(decode(stored, Coding::Mh, page.width).page.height, int(r.lines));
}

}  // namespace
}  // namespace faximage
