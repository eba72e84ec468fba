// Independent peers: libtiff's fax2tiff decodes the page data we write into exactly the
// source image, and Group 3 one-dimensional data that libtiff writes decodes with ours into
// exactly its source image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "base/bytes.h"
#include "faximage/brx_file.h"
#include "faximage/converter.h"
#include "faximage/line_source.h"
#include "faximage/t4_decoder.h"
#include "faximage/t4_encoder.h"
#include "image_util.h"

namespace faximage {
namespace {

bool haveTools() {
  return std::system("command -v fax2tiff >/dev/null 2>&1 && command -v tiffcp >/dev/null 2>&1") ==
         0;
}

int run(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

struct Page {
  std::string name;
  MonoBitmap image;
};

// The pages both directions check: text, dense noise, every run length, long runs, wide, all
// white.
std::vector<Page> peerPages(test::ScratchDir& dir) {
  std::vector<Page> pages;
  {  // a text page as the converter draws it
    TFxFaxConverter conv;
    std::string text;
    for (int i = 0; i < 40; ++i)
      text += "Line " + std::to_string(i) + ": The quick brown fox, 0123456789 {}[]!?\n";
    test::writeFile(dir.path("t.txt"), {text.begin(), text.end()});
    conv.InputDocumentType = TFaxInputDocumentType::idText;
    conv.Resolution = TFaxResolution::frHigh;
    conv.SetDocumentFile(dir.path("t.txt"));
    EXPECT_EQ(conv.TryConvertDocument(), 0);
    BrxReader r;
    BrxPage p;
    EXPECT_EQ(r.openFile(conv.OutputName()), 0);
    EXPECT_EQ(r.page(1, p), 0);
    MonoBitmap img(1728, 0);
    t4::LineDecoder dec;
    std::vector<std::uint8_t> joined;
    forEachLineRecord(p.data, [&](auto rec) {
      return joined.insert(joined.end(), rec.begin(), rec.end()), true;
    });
    dec.decodePage(joined, [&](const std::uint8_t* l, int n) {
      img.bits.insert(img.bits.end(), l, l + n);
      ++img.height;
      return true;
    });
    pages.push_back({"text", std::move(img)});
  }
  {
    MonoBitmap img(1728, 300);
    std::uint32_t seed = 99;
    for (auto& b : img.bits) b = std::uint8_t(test::nextRandom(seed));
    for (int i = 0; i < img.stride; ++i) img.row(0)[i] = 0x55;  // one-pixel checkerboard row
    std::fill(img.row(1), img.row(2), 0xFF);                    // an all-black row
    pages.push_back({"noise", std::move(img)});
  }
  {
    MonoBitmap img(2560, 2561);
    for (int r = 0; r <= 2560; ++r)
      for (int x = r; x < 2560; ++x) img.setPixel(x, r, true);
    pages.push_back({"runs", std::move(img)});
  }
  {  // runs longer than the longest make-up code, and runs across every 64-pixel word edge
    MonoBitmap img(4096, 5);
    auto black = [&](int y, int from, int to) {
      for (int x = from; x < to; ++x) img.setPixel(x, y, true);
    };
    black(0, 0, 4096);
    black(1, 3000, 4096);
    black(2, 1, 4095);
    for (int x = 63; x < 4096; x += 64) black(3, x, x + 2);
    for (int x = 64; x < 4096; x += 128) black(4, x, x + 64);
    pages.push_back({"long", std::move(img)});
  }
  {
    MonoBitmap img(2048, 64);
    for (int y = 0; y < 64; ++y)
      for (int x = y; x < 2048; x += 3 + y) img.setPixel(x, y, true);
    pages.push_back({"wide", std::move(img)});
  }
  pages.push_back({"white", MonoBitmap(1728, 50)});
  return pages;
}

std::vector<std::uint8_t> encodeRaw(const MonoBitmap& img) {
  std::vector<std::uint8_t> out;
  std::array<std::uint8_t, 4096> buf{};
  for (int y = 0; y < img.height; ++y) {
    auto n = t4::encodeLine({img.row(y), std::size_t(img.stride)}, {img.width, 0, false}, buf);
    out.insert(out.end(), buf.begin(), buf.begin() + long(n));
  }
  out.insert(out.end(), kEndOfPageRecord.begin(), kEndOfPageRecord.end());
  return out;
}

// Rows of a bilevel uncompressed TIFF, read with our own TIFF source.
MonoBitmap readTiffRows(const std::string& file, int width) {
  auto src = makeTiffSource({kNormalWidth, 0, 0, true});
  MonoBitmap img(width, 0);
  EXPECT_EQ(src->openBytes(test::readFile(file)), 0);
  for (;;) {
    LineBuffer line{};
    LineRead r;
    if (src->readLine(line, r) != 0 || r.endOfPage) break;
    img.bits.insert(img.bits.end(), line.begin(), line.begin() + img.stride);
    ++img.height;
  }
  return img;
}

// The raw bytes of every strip of a TIFF.
std::vector<std::uint8_t> stripBytes(const std::vector<std::uint8_t>& tiff) {
  base::ByteReader v(tiff, tiff.size() > 1 && tiff[0] == 'M');
  std::uint32_t ifd = v.u32(4);
  std::uint16_t n = v.u16(ifd);
  std::vector<std::uint32_t> offsets, counts;
  for (int i = 0; i < n; ++i) {
    std::uint64_t e = ifd + 2 + 12u * unsigned(i);
    std::uint16_t tag = v.u16(e), type = v.u16(e + 2);
    std::uint32_t count = v.u32(e + 4);
    std::uint64_t at = count * (type == 3 ? 2u : 4u) <= 4 ? e + 8 : v.u32(e + 8);
    for (std::uint32_t k = 0; k < count && (tag == 273 || tag == 279); ++k) {
      std::uint32_t val = type == 3 ? v.u16(at + 2 * k) : v.u32(at + 4 * k);
      (tag == 273 ? offsets : counts).push_back(val);
    }
  }
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < offsets.size() && i < counts.size(); ++i)
    out.insert(out.end(), tiff.begin() + offsets[i], tiff.begin() + offsets[i] + counts[i]);
  return out;
}

bool sameRows(const MonoBitmap& a, const MonoBitmap& b, int rows, std::string& where) {
  for (int y = 0; y < rows; ++y)
    if (!std::equal(a.row(y), a.row(y) + a.stride, b.row(y))) {
      where = "row " + std::to_string(y);
      return false;
    }
  return true;
}

TEST(Peers, Fax2TiffDecodesOurPageDataIntoTheSourceImage) {
  if (!haveTools()) GTEST_SKIP() << "libtiff-tools not installed";
  test::ScratchDir dir;
  for (const auto& page : peerPages(dir)) {
    SCOPED_TRACE(page.name);
    std::string raw = dir.path(page.name + ".g3"), g3 = dir.path(page.name + ".tif"),
                plain = dir.path(page.name + "-plain.tif");
    test::writeFile(raw, encodeRaw(page.image));
    ASSERT_EQ(run("fax2tiff -X " + std::to_string(page.image.width) + " -o " + g3 + " " + raw), 0);
    ASSERT_EQ(run("tiffcp -c none " + g3 + " " + plain), 0);
    auto back = readTiffRows(plain, page.image.width);
    ASSERT_GE(back.height, page.image.height);  // fax2tiff may add white rows at the end
    std::string where;
    EXPECT_TRUE(sameRows(page.image, back, page.image.height, where)) << where;
  }
}

TEST(Peers, OurDecoderReadsLibtiffGroup3OneDimensionalData) {
  if (!haveTools()) GTEST_SKIP() << "libtiff-tools not installed";
  test::ScratchDir dir;
  for (const auto& page : peerPages(dir)) {
    if (page.name == "noise") continue;  // its checkerboard row is one libtiff cannot code back
    SCOPED_TRACE(page.name);
    std::string src = dir.path(page.name + "-src.tif"), g3 = dir.path(page.name + "-g3.tif");
    test::writeFile(src, test::makeTiff(page.image));
    ASSERT_EQ(run("tiffcp -f lsb2msb -c g3:1d:fill " + src + " " + g3), 0);
    auto data = stripBytes(test::readFile(g3));
    ASSERT_FALSE(data.empty());
    MonoBitmap back(page.image.width, 0);
    t4::LineDecoder dec(page.image.width);
    dec.decodePage(data, [&](const std::uint8_t* l, int n) {
      back.bits.insert(back.bits.end(), l, l + n);
      ++back.height;
      return true;
    });
    ASSERT_EQ(back.height, page.image.height);
    EXPECT_EQ(dec.invalidCodes(), 0u);
    std::string where;
    EXPECT_TRUE(sameRows(page.image, back, page.image.height, where)) << where;
  }
}

}  // namespace
}  // namespace faximage
