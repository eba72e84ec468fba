// Page sources read as raster lines: BMP (mono, top-down, colour), TIFF, PCX, DCX and text.
#include <gtest/gtest.h>

#include "faximage/dither.h"
#include "faximage/errors.h"
#include "faximage/line_source.h"
#include "image_util.h"

namespace faximage {
namespace {

using test::fromPicture;
using test::lineToPicture;

struct Pages {
  std::vector<std::vector<std::string>> pages;
  int rc = 0;
};

// Reads every page of a source as pictures `pixels` wide.
Pages readAll(LineSource& src, std::span<const std::uint8_t> bytes, int pixels = 64) {
  Pages out;
  out.rc = src.openBytes(bytes);
  if (out.rc) return out;
  out.pages.emplace_back();
  for (int guard = 0; guard < 100000; ++guard) {
    LineBuffer line{};
    LineRead r;
    out.rc = src.readLine(line, r);
    if (out.rc) return out;
    if (r.endOfPage) {
      if (!r.morePages) return out;
      out.pages.emplace_back();
      continue;
    }
    out.pages.back().push_back(lineToPicture(line.data(), pixels));
  }
  return out;
}

const std::vector<std::string> kPicture = {
    "X        X", " X      X", "  XXXXXX", "", "XXXXXXXXXXXXXXXXX",
};

SourceContext plain() { return {1728, 0, 0, true}; }

TEST(BmpSource, MonochromeBottomUpAndTopDown) {
  auto img = fromPicture(kPicture);
  for (bool topDown : {false, true}) {
    auto src = makeBmpSource(plain());
    auto r = readAll(*src, test::makeMonoBmp(img, topDown));
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_EQ(r.pages[0], kPicture) << topDown;
    EXPECT_EQ(src->bytesToConvert(), 3 * 5);
  }
}

TEST(BmpSource, PaletteWithWhiteFirstKeepsTheImageTheRightWayRound) {
  auto img = fromPicture(kPicture);
  auto bmp = test::makeMonoBmp(img);
  // Swap the palette and invert the bits: the same image described the other way round.
  std::swap_ranges(bmp.begin() + 54, bmp.begin() + 58, bmp.begin() + 58);
  for (std::size_t i = 62; i < bmp.size(); ++i) bmp[i] = std::uint8_t(~bmp[i]);
  auto src = makeBmpSource(plain());
  auto r = readAll(*src, bmp);
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.pages[0], kPicture);
}

TEST(BmpSource, ColourBitmapsAreDitheredByTheMatrix) {
  const auto& m = ditherMatrix();
  EXPECT_EQ(m[0][0], 0);
  int maxValue = 0;
  for (const auto& row : m)
    for (auto v : row) maxValue = std::max<int>(maxValue, v);
  EXPECT_EQ(maxValue, 124);
  auto img = fromPicture(kPicture);
  for (int bits : {24, 32}) {
    auto src = makeBmpSource(plain());
    auto r = readAll(*src, test::makeColourBmp(img, 0x000000, 0xFFFFFF, bits));
    ASSERT_EQ(r.rc, 0) << bits;
    EXPECT_EQ(r.pages[0], kPicture) << bits;
  }
  // Mid gray: black exactly where the matrix value reaches the gray level.
  MonoBitmap all(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) all.setPixel(x, y, true);
  auto src = makeBmpSource(plain());
  auto r = readAll(*src, test::makeColourBmp(all, 0x3C3C3C, 0xFFFFFF), 16);  // gray 60
  ASSERT_EQ(r.rc, 0);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(r.pages[0][std::size_t(y)].size() > std::size_t(x) &&
                    r.pages[0][std::size_t(y)][std::size_t(x)] == 'X',
                ditherBlack(x, y, 60));
}

TEST(BmpSource, PaletteBitmapsOfFourAndEightBits) {
  // 3 x 2 pixels: palette 0 black, 1 white, 2 dark gray (gray 30), 3 light gray (gray 200).
  for (int bits : {4, 8}) {
    std::vector<std::uint8_t> b = {'B',
                                   'M',
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   54 + 16,
                                   0,
                                   0,
                                   0,
                                   40,
                                   0,
                                   0,
                                   0,
                                   3,
                                   0,
                                   0,
                                   0,
                                   2,
                                   0,
                                   0,
                                   0,
                                   1,
                                   0,
                                   std::uint8_t(bits),
                                   0};
    b.resize(54, 0);
    b[46] = 4;  // four palette entries
    for (std::uint8_t g : {0, 255, 30, 200}) b.insert(b.end(), {g, g, g, 0});
    auto row = [&](int a, int c, int d) {
      if (bits == 4)
        b.insert(b.end(), {std::uint8_t(a << 4 | c), std::uint8_t(d << 4), 0, 0});
      else
        b.insert(b.end(), {std::uint8_t(a), std::uint8_t(c), std::uint8_t(d), 0});
    };
    row(2, 2, 3);  // bottom row first
    row(0, 1, 0);
    auto src = makeBmpSource(plain());
    auto r = readAll(*src, b, 3);
    ASSERT_EQ(r.rc, 0) << bits;
    EXPECT_EQ(r.pages[0][0], "X X");
    // Row 1 (y = 1): dark gray is black where the matrix reaches 30; light gray is white.
    std::string expect;
    for (int x = 0; x < 2; ++x) expect += ditherBlack(x, 1, 30) ? 'X' : ' ';
    while (!expect.empty() && expect.back() == ' ') expect.pop_back();
    EXPECT_EQ(r.pages[0][1], expect) << bits;
  }
}

TEST(TiffSource, UncompressedAndPackBitsInBothByteOrders) {
  auto img = fromPicture(kPicture);
  for (int comp : {1, 32773})
    for (bool big : {false, true}) {
      auto src = makeTiffSource(plain());
      auto r = readAll(*src, test::makeTiff(img, comp, big));
      ASSERT_EQ(r.rc, 0) << comp << big;
      EXPECT_EQ(r.pages[0], kPicture);
    }
  auto tiff = test::makeTiff(img, 4);
  EXPECT_EQ(makeTiffSource(plain())->openBytes(tiff), ecBadGraphicsFormat);
}

TEST(TiffSource, PhotometricOneIsInverted) {
  auto img = fromPicture(kPicture);
  auto tiff = test::makeTiff(img);
  // Entry 5 (262) value at 8 + 2 + 4 * 12 + 8.
  tiff[8 + 2 + 4 * 12 + 8] = 1;
  for (std::size_t i = tiff.size() - std::size_t(img.stride * img.height); i < tiff.size(); ++i)
    tiff[i] = std::uint8_t(~tiff[i]);
  auto src = makeTiffSource(plain());
  auto r = readAll(*src, tiff);
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.pages[0], kPicture);
}

std::vector<std::uint8_t> pcxOf(const MonoBitmap& b) {
  std::vector<std::uint8_t> o(128, 0);
  o[0] = 10, o[1] = 5, o[2] = 1, o[3] = 1;
  o[8] = std::uint8_t(b.width - 1), o[9] = std::uint8_t((b.width - 1) >> 8);
  o[10] = std::uint8_t(b.height - 1), o[11] = std::uint8_t((b.height - 1) >> 8);
  o[65] = 1, o[66] = std::uint8_t(b.stride);
  for (int y = 0; y < b.height; ++y)
    for (int i = 0; i < b.stride; ++i) {
      std::uint8_t v = std::uint8_t(~b.row(y)[i]);
      if (v >= 0xC0) o.push_back(0xC1);
      o.push_back(v);
    }
  return o;
}

TEST(PcxSource, DecodesRunsAndInvertsBits) {
  auto img = fromPicture(kPicture);
  auto src = makePcxSource(plain());
  auto r = readAll(*src, pcxOf(img));
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.pages[0], kPicture);
  // A count that runs past the end of a row goes on into the next.
  std::vector<std::uint8_t> pcx(128, 0);
  pcx[0] = 10, pcx[2] = 1, pcx[3] = 1, pcx[8] = 7, pcx[10] = 2, pcx[65] = 1, pcx[66] = 1;
  pcx.insert(pcx.end(), {0xC2, 0x0F, 0xC1, 0xFF});
  auto src2 = makePcxSource(plain());
  auto r2 = readAll(*src2, pcx);
  ASSERT_EQ(r2.rc, 0);
  EXPECT_EQ(r2.pages[0], (std::vector<std::string>{"XXXX", "XXXX", ""}));
}

TEST(DcxSource, EachTableEntryIsAPage) {
  auto a = fromPicture({"X", " X"});
  auto b = fromPicture({"XX"});
  std::vector<std::uint8_t> dcx(4 + 4 * 3, 0);
  dcx[0] = 0xB1, dcx[1] = 0x68, dcx[2] = 0xDE, dcx[3] = 0x3A;
  auto pa = pcxOf(a), pb = pcxOf(b);
  std::uint32_t offA = std::uint32_t(dcx.size()), offB = offA + std::uint32_t(pa.size());
  for (int i = 0; i < 4; ++i) dcx[std::size_t(4 + i)] = std::uint8_t(offA >> (8 * i));
  for (int i = 0; i < 4; ++i) dcx[std::size_t(8 + i)] = std::uint8_t(offB >> (8 * i));
  dcx.insert(dcx.end(), pa.begin(), pa.end());
  dcx.insert(dcx.end(), pb.begin(), pb.end());
  auto src = makeDcxSource(plain());
  auto r = readAll(*src, dcx);
  ASSERT_EQ(r.rc, 0);
  ASSERT_EQ(r.pages.size(), 2u);
  EXPECT_EQ(r.pages[0], (std::vector<std::string>{"X", " X"}));
  EXPECT_EQ(r.pages[1], (std::vector<std::string>{"XX"}));
}

TEST(Placement, DoublingCentringAndLineDropping) {
  SourceContext ctx{1728, 50, coDoubleWidth | coCenterImage, false};
  auto p = computePlacement(800, ctx);
  EXPECT_TRUE(p.doubling);
  EXPECT_FALSE(p.dropLines);
  EXPECT_EQ(p.centerBytes, (1728 - 1600) / 32);
  p = computePlacement(900, ctx);  // 1678 < 1800: no doubling
  EXPECT_FALSE(p.doubling);
  EXPECT_EQ(p.centerBytes, (1728 - 900) / 16);
  ctx.options = coHalfHeight;
  EXPECT_TRUE(computePlacement(900, ctx).dropLines);
  EXPECT_EQ(computePlacement(900, ctx).centerBytes, 0);
  ctx.fine = true;
  ctx.options = coDoubleWidth | coHalfHeight | coCenterImage;
  p = computePlacement(1720, ctx);
  EXPECT_FALSE(p.doubling || p.dropLines);
  EXPECT_EQ(p.centerBytes, 0);  // W - w is not above 15
}

TEST(TextRows, RenderTextRowUsesEachGlyphRowTwiceWhenFine) {
  ConvertState font;
  ASSERT_EQ(font.LoadFaxFont(kStandardGlyphBytes, true), 0);
  EXPECT_EQ(font.glyphWidth(), 20);
  EXPECT_EQ(font.glyphHeight(), 32);
  LineBuffer a{}, b{}, none{};
  font.RenderTextRow("EE", 9, a);
  font.RenderTextRow("EE", 10, b);
  EXPECT_EQ(a, b);
  std::string pic = lineToPicture(a.data(), 40);
  pic.resize(40, ' ');
  EXPECT_EQ(pic.substr(0, 20), pic.substr(20));  // each character exactly the glyph width
  font.RenderTextRow("EE", 0, none);
  font.RenderTextRow("EE", 33, none);
  EXPECT_EQ(none, LineBuffer{});
  // Characters that do not fit the line are left out.
  std::array<std::uint8_t, 3> tiny{};
  font.RenderTextRow("EEEE", 9, tiny);
  EXPECT_NE(tiny[0], 0);
}

TEST(TextSource, DrawsGlyphRowsAndSplitsPages) {
  ConvertState font;
  ASSERT_EQ(font.LoadFaxFont(kSmallGlyphBytes, false), 0);
  std::string text = "I\n\tI\fL\n";
  auto src = makeTextSource(plain(), font, {60, 0});
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  auto r = readAll(*src, bytes, 80);
  ASSERT_EQ(r.rc, 0);
  ASSERT_EQ(r.pages.size(), 2u);
  ASSERT_EQ(r.pages[0].size(), 16u);
  ASSERT_EQ(r.pages[1].size(), 8u);
  // The tab moved the second I by four cells of 12 pixels.
  std::size_t first = r.pages[0][3].find('X'), second = r.pages[0][8 + 3].find('X');
  EXPECT_EQ(second, first + 48);
  EXPECT_NE(r.pages[1][3].find('X'), std::string::npos);
}

}  // namespace
}  // namespace faximage
