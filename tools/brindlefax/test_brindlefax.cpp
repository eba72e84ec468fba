// brindlefax end to end: a text file, a colour BMP and a TIFF convert into BRX files that
// export turns back into the expected images; info and error reporting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "commands.h"
#include "test_commands.h"
#include "faximage/convert_state.h"
#include "image_util.h"

namespace {

using faximage::MonoBitmap;
namespace test = faximage::test;

using brindlefax::test::readPbm;
using brindlefax::test::run;

// True when `page` shows `img` with its top-left pixel at (x0, 0) and white elsewhere.
::testing::AssertionResult shows(const MonoBitmap& page, const MonoBitmap& img, int x0) {
  if (page.height != img.height) return ::testing::AssertionFailure() << "height " << page.height;
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x) {
      bool want = x >= x0 && x - x0 < img.width && img.pixel(x - x0, y);
      if (page.pixel(x, y) != want)
        return ::testing::AssertionFailure() << "pixel " << x << "," << y;
    }
  return ::testing::AssertionSuccess();
}

const std::vector<std::string> kPicture = {"XXXX    XXXX", "X  X    X", "XXXX    XXX", "X       X",
                                           "X       XXXX"};

TEST(Brindlefax, ColourBmpAndTiffRoundTrip) {
  test::ScratchDir dir;
  auto img = test::fromPicture(kPicture);
  test::writeFile(dir.path("in.bmp"), test::makeColourBmp(img, 0x000000, 0xFFFFFF));
  test::writeFile(dir.path("in.tif"), test::makeTiff(img, 32773, true));
  for (const char* in : {"in.bmp", "in.tif"}) {
    SCOPED_TRACE(in);
    auto c = run(brindlefax::runConvert,
                 {dir.path(in), "-o", dir.path("out.brx"), "--fine", "--no-center"});
    ASSERT_EQ(c.code, 0) << c.err;
    EXPECT_NE(c.out.find("1 page"), std::string::npos);
    auto e =
        run(brindlefax::runExport, {dir.path("out.brx"), "-f", "pbm", "-o", dir.path("out.pbm")});
    ASSERT_EQ(e.code, 0) << e.err;
    EXPECT_TRUE(shows(test::readPbm(dir.path("out.pbm")), img, 50));
  }
}

TEST(Brindlefax, TextRoundTripAndInfo) {
  test::ScratchDir dir;
  test::writeFile(dir.path("memo.txt"), {'F', 'a', 'x', '\n', 'O', 'K'});
  auto c = run(brindlefax::runConvert,
               {dir.path("memo.txt"), "--fine", "--left-margin", "40", "--station", "BRINDLE 1"});
  ASSERT_EQ(c.code, 0) << c.err;
  const std::string brx = dir.path("memo.BRX");
  auto e = run(brindlefax::runExport, {brx, "-p", "1", "-f", "pbm"});
  ASSERT_EQ(e.code, 0) << e.err;
  // The expected page: the two text lines drawn with the standard glyphs at fine resolution.
  faximage::ConvertState font;
  ASSERT_EQ(font.LoadFaxFont(faximage::kStandardGlyphBytes, true), 0);
  MonoBitmap expect(1728, 64);
  for (int row = 1; row <= 32; ++row) {
    font.RenderTextRow("Fax", row, {expect.row(row - 1), std::size_t(expect.stride)});
    font.RenderTextRow("OK", row, {expect.row(row + 31), std::size_t(expect.stride)});
  }
  auto page = test::readPbm(dir.path("memo.pbm"));
  EXPECT_TRUE(shows(page, expect, 40));
  for (const auto& row : test::toPicture(page)) std::printf("    |%s\n", row.c_str());

  auto i = run(brindlefax::runInfo, {brx});
  ASSERT_EQ(i.code, 0);
  EXPECT_NE(i.out.find("Pages:   1"), std::string::npos);
  EXPECT_NE(i.out.find("Sender:  BRINDLE 1"), std::string::npos);
  EXPECT_NE(i.out.find("fine resolution, 1728 pixels wide"), std::string::npos);
  EXPECT_EQ(i.out.find("Date:    none"), std::string::npos);
}

TEST(Brindlefax, AllPagesExportAndErrors) {
  test::ScratchDir dir;
  std::string text;
  for (int i = 0; i < 5; ++i) text += "line\n";
  test::writeFile(dir.path("five.txt"), {text.begin(), text.end()});
  ASSERT_EQ(run(brindlefax::runConvert,
                {dir.path("five.txt"), "--lines-per-page", "2", "--font", "small"})
                .code,
            0);
  auto all = run(brindlefax::runExport, {dir.path("five.BRX"), "-f", "bmp"});
  ASSERT_EQ(all.code, 0) << all.err;
  for (int n = 1; n <= 3; ++n)
    EXPECT_FALSE(test::readFile(dir.path("five-" + std::to_string(n) + ".bmp")).empty());
  auto dcx =
      run(brindlefax::runExport, {dir.path("five.BRX"), "-f", "dcx", "-o", dir.path("all.dcx")});
  ASSERT_EQ(dcx.code, 0);
  auto bytes = test::readFile(dir.path("all.dcx"));
  ASSERT_GT(bytes.size(), 4100u);
  EXPECT_NE(bytes[12], 0);  // a third page offset
  EXPECT_EQ(bytes[16], 0);  // and no fourth

  auto missing = run(brindlefax::runInfo, {dir.path("none.brx")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("File not found"), std::string::npos);
  test::writeFile(dir.path("bad.bmp"), {'B', 'M', 0});
  auto bad = run(brindlefax::runConvert, {dir.path("bad.bmp")});
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.err.find("Unsupported graphics file format"), std::string::npos);
  EXPECT_TRUE(test::readFile(dir.path("bad.BRX")).empty());
  auto page = run(brindlefax::runExport, {dir.path("five.BRX"), "-p", "9", "-f", "pcx"});
  EXPECT_EQ(page.code, 1);
  EXPECT_NE(page.err.find("File is not a BRX file"), std::string::npos);
  EXPECT_EQ(run(brindlefax::runExport, {dir.path("five.BRX"), "-f", "gif"}).code, 2);
  EXPECT_EQ(run(brindlefax::runConvert, {dir.path("x.unknown")}).code, 2);
}

TEST(Brindlefax, PdfExportHoldsEveryPageAsTheFaxShowsIt) {
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
  test::ScratchDir dir;
  std::string text;
  for (int i = 0; i < 5; ++i) text += "Line " + std::to_string(i) + " of the letter\n";
  test::writeFile(dir.path("five.txt"), {text.begin(), text.end()});
  ASSERT_EQ(run(brindlefax::runConvert, {dir.path("five.txt"), "--lines-per-page", "2", "--fine"})
                .code,
            0);
  const auto pdf = run(brindlefax::runExport, {dir.path("five.BRX"), "-f", "pdf"});
  ASSERT_EQ(pdf.code, 0) << pdf.err;
  EXPECT_EQ(pdf.out, dir.path("five.pdf") + "\n");
  EXPECT_EQ(run(brindlefax::runExport, {dir.path("five.BRX"), "-f", "pdf", "-p", "1"}).code, 2);
  ASSERT_EQ(run(brindlefax::runExport,
                {dir.path("five.BRX"), "-p", "3", "-f", "pbm", "-o", dir.path("p3.pbm")})
                .code,
            0);
  ASSERT_EQ(std::system(("pdftoppm -mono -rx 204 -ry 196 -f 3 -l 3 -singlefile " +
                         dir.path("five.pdf") + " " + dir.path("back"))
                            .c_str()),
            0);
  // The page at its full fax width, with the drawn part where the viewer shows it.
  const MonoBitmap back = test::readPbm(dir.path("back.pbm"));
  const MonoBitmap shown = test::readPbm(dir.path("p3.pbm"));
  ASSERT_EQ(back.width, 1728);
  ASSERT_EQ(back.height, shown.height);
  for (int y = 0; y < back.height; ++y)
    for (int x = 0; x < back.width; ++x)
      ASSERT_EQ(back.pixel(x, y), x < shown.width && shown.pixel(x, y)) << x << "," << y;
}

}  // namespace
