// Damaged inputs of every reader: truncated, oversized, zero-sized, negative-sized and corrupt
// files give their documented error, leave no output file and never read out of bounds.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "faximage/brx_file.h"
#include "faximage/converter.h"
#include "faximage/errors.h"
#include "faximage/line_source.h"
#include "faximage/page_image.h"
#include "faximage/unpacker.h"
#include "image_util.h"

namespace faximage {
namespace {

using Bytes = std::vector<std::uint8_t>;

void set32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}
void set16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = std::uint8_t(v);
  b[at + 1] = std::uint8_t(v >> 8);
}

// Opens the bytes and reads every line; returns the first error.
int readThrough(LineSource& src, const Bytes& bytes) {
  int rc = src.openBytes(bytes);
  for (int guard = 0; rc == 0 && guard < 200000; ++guard) {
    LineBuffer line{};
    LineRead r;
    rc = src.readLine(line, r);
    if (r.endOfPage && !r.morePages) break;
  }
  return rc;
}

struct Case {
  const char* what;
  Bytes bytes;
  int expected;
};

Bytes goodBmp() { return test::makeMonoBmp(test::fromPicture({"X X", " X"})); }
Bytes goodTiff() { return test::makeTiff(test::fromPicture({"X X", " X"}), 32773); }

std::vector<Case> bmpCases() {
  std::vector<Case> c;
  Bytes b = goodBmp();
  c.push_back({"empty", {}, ecBadGraphicsFormat});
  c.push_back({"header cut", Bytes(b.begin(), b.begin() + 30), ecBadGraphicsFormat});
  c.push_back({"pixels cut", Bytes(b.begin(), b.end() - 1), ecDiskRead});
  auto m = b;
  m[0] = 'X';
  c.push_back({"signature", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 18, 0);
  c.push_back({"width 0", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 18, std::uint32_t(-5));
  c.push_back({"width negative", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 18, 1729);
  c.push_back({"width 1729", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 22, std::uint32_t(INT_MIN));
  c.push_back({"height INT_MIN", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 22, 1u << 20);
  c.push_back({"height huge", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 22, 1000);
  c.push_back({"height beyond data", m, ecDiskRead});
  m = b;
  set16(m, 28, 2);
  c.push_back({"2 bits", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 30, 1);
  c.push_back({"RLE", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 46, 100000);
  c.push_back({"palette huge", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 14, 39);
  c.push_back({"info header small", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 14, 0xFFFFFFF0);
  c.push_back({"info header huge", m, ecBadGraphicsFormat});
  m = b;
  set32(m, 10, 0xFFFFFFF0);
  c.push_back({"pixel offset beyond", m, ecDiskRead});
  return c;
}

std::vector<Case> tiffCases() {
  std::vector<Case> c;
  Bytes t = goodTiff();
  // Directory entries start at 10; entry k's value at 10 + 12k + 8.
  auto entryValue = [](int k) { return std::size_t(10 + 12 * k + 8); };
  c.push_back({"empty", {}, ecBadGraphicsFormat});
  c.push_back({"cut in header", Bytes(t.begin(), t.begin() + 6), ecBadGraphicsFormat});
  c.push_back({"cut in directory", Bytes(t.begin(), t.begin() + 40), ecBadGraphicsFormat});
  c.push_back({"cut in data", Bytes(t.begin(), t.end() - 1), ecDiskRead});
  auto m = t;
  m[0] = 'X';
  m[1] = 'X';
  c.push_back({"byte order", m, ecBadGraphicsFormat});
  m = t;
  m[2] = 43;
  c.push_back({"magic", m, ecBadGraphicsFormat});
  m = t;
  set32(m, 4, 0x7FFFFFF0);
  c.push_back({"directory beyond", m, ecBadGraphicsFormat});
  m = t;
  set16(m, 8, 0xFFFF);
  c.push_back({"entry count huge", m, ecBadGraphicsFormat});
  m = t;
  set16(m, 10, 999);
  c.push_back({"no width", m, ecBadGraphicsFormat});
  m = t;
  set32(m, entryValue(0), 0);
  c.push_back({"width 0", m, ecBadGraphicsFormat});
  m = t;
  set32(m, entryValue(0), 40000);
  c.push_back({"width huge", m, ecBadGraphicsFormat});
  m = t;
  set32(m, entryValue(1), 1u << 20);
  c.push_back({"length huge", m, ecBadGraphicsFormat});
  m = t;
  set16(m, entryValue(2), 8);
  c.push_back({"8 bits", m, ecBadGraphicsFormat});
  m = t;
  set16(m, entryValue(3), 4);
  c.push_back({"group 4", m, ecBadGraphicsFormat});
  m = t;
  set32(m, entryValue(5), 0x7FFFFFF0);
  c.push_back({"strip beyond", m, ecDiskRead});
  m = t;
  set32(m, entryValue(7), 1);
  c.push_back({"strips missing", m, ecBadGraphicsFormat});
  m = t;
  set32(m, entryValue(5) - 4, 1000);
  set32(m, entryValue(5), 0x7FFFFF00);
  c.push_back({"offset table beyond", m, ecBadGraphicsFormat});
  m = t;
  set32(m, entryValue(8), 2);
  c.push_back({"PackBits data short", m, ecBadGraphicsFormat});
  return c;
}

Bytes goodPcx() {
  Bytes p(128, 0);
  p[0] = 10, p[2] = 1, p[3] = 1, p[8] = 15, p[10] = 1, p[65] = 1, p[66] = 2;
  p.push_back(0xC4);  // one run of four 0x55 bytes
  p.push_back(0x55);
  return p;
}

std::vector<Case> pcxCases() {
  std::vector<Case> c;
  Bytes p = goodPcx();
  c.push_back({"empty", {}, ecBadGraphicsFormat});
  c.push_back({"header cut", Bytes(p.begin(), p.begin() + 100), ecBadGraphicsFormat});
  auto m = p;
  m[0] = 11;
  c.push_back({"manufacturer", m, ecBadGraphicsFormat});
  m = p;
  m[2] = 0;
  c.push_back({"encoding", m, ecBadGraphicsFormat});
  m = p;
  m[3] = 8;
  c.push_back({"8 bits", m, ecBadGraphicsFormat});
  m = p;
  m[65] = 4;
  c.push_back({"4 planes", m, ecBadGraphicsFormat});
  m = p;
  set16(m, 4, 20);
  c.push_back({"x max below x min", m, ecBadGraphicsFormat});
  m = p;
  set16(m, 6, 5);
  c.push_back({"y max below y min", m, ecBadGraphicsFormat});
  m = p;
  set16(m, 8, 1729);
  c.push_back({"too wide", m, ecBadGraphicsFormat});
  m = p;
  set16(m, 66, 5000);
  c.push_back({"bytes per line huge", m, ecBadGraphicsFormat});
  m = p;
  m.pop_back();
  c.push_back({"data cut: page ends early", m, 0});
  return c;
}

std::vector<Case> dcxCases() {
  std::vector<Case> c;
  Bytes pcx = goodPcx();
  Bytes d(4 + 8, 0);
  set32(d, 0, 987654321);
  set32(d, 4, 12);
  d.insert(d.end(), pcx.begin(), pcx.end());
  c.push_back({"good", d, 0});
  c.push_back({"empty", {}, ecBadGraphicsFormat});
  auto m = d;
  m[0] ^= 1;
  c.push_back({"magic", m, ecBadGraphicsFormat});
  m = d;
  set32(m, 4, 0);
  c.push_back({"no pages", m, ecBadGraphicsFormat});
  m = d;
  set32(m, 4, 0x7FFFFFF0);
  c.push_back({"offset beyond", m, ecBadGraphicsFormat});
  m = d;
  set32(m, 4, 2);
  c.push_back({"offset inside the table", m, ecBadGraphicsFormat});
  m = d;
  m[12] = 11;
  c.push_back({"bad page", m, ecBadGraphicsFormat});
  c.push_back({"table cut", Bytes(d.begin(), d.begin() + 6), ecBadGraphicsFormat});
  Bytes full(4 + 4 * 1024, 0);  // a full table without the closing 0
  set32(full, 0, 987654321);
  for (int i = 0; i < 1024; ++i) set32(full, 4 + 4 * std::size_t(i), std::uint32_t(full.size()));
  full.insert(full.end(), pcx.begin(), pcx.end());
  c.push_back({"1024 pages", full, 0});
  return c;
}

void runCases(std::unique_ptr<LineSource> (*make)(const SourceContext&),
              const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    auto src = make({kNormalWidth, 50, coDoubleWidth | coCenterImage, false});
    EXPECT_EQ(readThrough(*src, c.bytes), c.expected) << c.what;
  }
}

TEST(Malformed, BmpFiles) { runCases(makeBmpSource, bmpCases()); }
TEST(Malformed, TiffFiles) { runCases(makeTiffSource, tiffCases()); }
TEST(Malformed, PcxFiles) { runCases(makePcxSource, pcxCases()); }
TEST(Malformed, DcxFiles) { runCases(makeDcxSource, dcxCases()); }

TEST(Malformed, TextFilesOfAnyBytesConvert) {
  ConvertState font;
  ASSERT_EQ(font.LoadFaxFont(kStandardGlyphBytes, true), 0);
  Bytes binary(5000);
  std::uint32_t seed = 7;
  for (auto& b : binary) b = std::uint8_t(test::nextRandom(seed));
  Bytes longLine(10000, 'x');
  Bytes crOnly(50, '\r');
  Bytes formFeeds(30, '\f');
  Bytes tabs(300, '\t');
  for (const auto& bytes : {binary, longLine, crOnly, formFeeds, tabs}) {
    auto src = makeTextSource({kNormalWidth, 50, 0, true}, font, {60, 4});
    EXPECT_EQ(readThrough(*src, bytes), 0);
  }
  ConvertState none;  // no glyph set loaded
  auto src = makeTextSource({kNormalWidth, 50, 0, true}, none, {60, 4});
  EXPECT_EQ(src->openBytes(longLine), ecFontNotFound);
  EXPECT_EQ(none.LoadFaxFont(17, false), ecFontNotFound);
}

TEST(Malformed, ConverterLeavesNoOutputForBadInput) {
  test::ScratchDir dir;
  struct Input {
    TFaxInputDocumentType type;
    const char* name;
    Bytes bytes;
  };
  const Bytes bmp = goodBmp(), tiff = goodTiff();
  std::vector<Input> inputs = {
      {TFaxInputDocumentType::idBmp, "a.bmp", Bytes(bmp.begin(), bmp.end() - 2)},
      {TFaxInputDocumentType::idTiff, "b.tif", Bytes(tiff.begin(), tiff.begin() + 12)},
      {TFaxInputDocumentType::idPcx, "c.pcx", Bytes(60, 10)},
      {TFaxInputDocumentType::idDcx, "d.dcx", Bytes(3, 0)},
  };
  for (const auto& in : inputs) {
    test::writeFile(dir.path(in.name), in.bytes);
    TFxFaxConverter conv;
    conv.InputDocumentType = in.type;
    conv.SetDocumentFile(dir.path(in.name));
    EXPECT_NE(conv.TryConvertDocument(), 0) << in.name;
    EXPECT_FALSE(std::filesystem::exists(conv.OutputName())) << in.name;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir()), {}), long(inputs.size()));
}

// A valid two-line page, then damage of every kind.
Bytes goodBrx(test::ScratchDir& dir) {
  TFxFaxConverter conv;
  test::writeFile(dir.path("g.txt"), {'h', 'i'});
  conv.InputDocumentType = TFaxInputDocumentType::idText;
  conv.FontType = TFaxFont::ffSmall;
  conv.SetDocumentFile(dir.path("g.txt"));
  EXPECT_EQ(conv.TryConvertDocument(), 0);
  return test::readFile(conv.OutputName());
}

TEST(Malformed, BrxFiles) {
  test::ScratchDir dir;
  Bytes good = goodBrx(dir);
  UnpackSettings s;
  MonoBitmap img;
  BrxReader r;
  ASSERT_EQ(r.openBytes(good), 0);
  ASSERT_EQ(assemblePageImage(r, 1, s, img), 0);
  EXPECT_EQ(img.height, 16);
  std::vector<Case> cases;
  cases.push_back({"empty", {}, ecFaxBadFormat});
  cases.push_back({"header cut", Bytes(good.begin(), good.begin() + 63), ecFaxBadFormat});
  cases.push_back({"page header cut", Bytes(good.begin(), good.begin() + 70), ecFaxBadFormat});
  cases.push_back({"data cut", Bytes(good.begin(), good.begin() + 100), ecFaxBadFormat});
  auto m = good;
  m[5] = 0;
  cases.push_back({"signature", m, ecFaxBadFormat});
  m = good;
  set16(m, 32, 0);
  cases.push_back({"page count 0", m, ecFaxBadFormat});
  m = good;
  set32(m, 34, 0xFFFFFFF0);
  cases.push_back({"first page beyond", m, ecFaxBadFormat});
  m = good;
  set32(m, 64, 0xFFFFFFFF);
  cases.push_back({"image length huge, end of page seen", m, 0});
  m = good;
  set16(m, 80, 0xFFFF);
  cases.push_back({"record length huge", m, ecFaxBadFormat});
  const std::size_t firstRecord = 82, firstLength = std::size_t(good[80] | (good[81] << 8));
  m = good;
  for (std::size_t i = 2; i < firstLength; ++i) m[firstRecord + i] = 0xFF;
  cases.push_back({"garbage codes in a record", m, 0});
  m = good;
  for (std::size_t i = 0; i < firstLength; ++i) m[firstRecord + i] = 0x00;
  cases.push_back({"zero bits in a record", m, 0});
  m = good;
  for (std::size_t i = 82; i < m.size(); ++i) m[i] = 0xFF;
  cases.push_back({"garbage lengths", m, ecFaxBadFormat});
  m = good;
  set16(m, 68, 0);
  cases.push_back({"raw stream", m, 0});
  for (const auto& c : cases) {
    img = MonoBitmap(8, 8);  // a failed assembly must not leave a partial image
    int rc = r.openBytes(c.bytes);
    if (rc == 0) {
      rc = assemblePageImage(r, 1, s, img);
      if (rc != 0) {
        EXPECT_TRUE(img.empty()) << c.what;
      }
    }
    EXPECT_EQ(rc, c.expected) << c.what;
  }
  // Exports of a damaged file leave nothing behind.
  test::writeFile(dir.path("bad.brx"), Bytes(good.begin(), good.begin() + 100));
  TFxFaxUnpacker u;
  u.SetInFileName(dir.path("bad.brx"));
  EXPECT_EQ(u.TryExportPage(1, ExportFormat::Pcx), ecFaxBadFormat);
  EXPECT_FALSE(std::filesystem::exists(dir.path("bad.PCX")));
}

}  // namespace
}  // namespace faximage
