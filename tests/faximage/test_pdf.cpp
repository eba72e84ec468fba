// PDF export: poppler, an independent reader, renders each exported page at the fax's own
// resolution back to exactly the page's pixels, standard and fine pages alike; a long fax
// stays small.
#include <gtest/gtest.h>

#include <cstdlib>

#include "faximage/brx_file.h"
#include "faximage/page_image.h"
#include "faximage/pdf_export.h"
#include "brx_builder.h"
#include "image_util.h"

namespace faximage {
namespace {

bool havePoppler() { return std::system("command -v pdftoppm >/dev/null 2>&1") == 0; }

MonoBitmap letterPage(std::uint32_t seed, int rows) {
  MonoBitmap page(1728, rows);
  for (int y = 20; y + 12 < rows; y += 40)  // "words": blocks of noise with white between
    for (int x = 100; x < 1600; x += 90)
      for (int r = y; r < y + 12; ++r)
        for (int i = 0; i < 60; ++i) page.setPixel(x + i, r, test::nextRandom(seed) & 1);
  for (int x = 0; x < 1728; ++x) page.setPixel(x, rows - 1, true);  // the last row black
  return page;
}

TEST(PdfExport, PagesRenderBackToTheirPixelsAtTheFaxResolution) {
  if (!havePoppler()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
  test::ScratchDir dir;
  std::vector<test::BitmapPage> pages{{letterPage(1, 1100), true}, {letterPage(2, 560), false}};
  ASSERT_EQ(test::writeBrx(dir.path("fax.brx"), pages), 0);
  ASSERT_EQ(writeFaxPdf(dir.path("fax.brx"), dir.path("fax.pdf")), 0);
  for (int p = 0; p < 2; ++p) {
    SCOPED_TRACE(p + 1);
    const std::string dpiY = pages[std::size_t(p)].fine ? "196" : "98";
    const std::string out = dir.path("page" + std::to_string(p));
    ASSERT_EQ(std::system(("pdftoppm -mono -rx 204 -ry " + dpiY + " -f " + std::to_string(p + 1) +
                           " -singlefile '" + dir.path("fax.pdf") + "' '" + out + "'")
                              .c_str()),
              0);
    const MonoBitmap back = test::readPbm(out + ".pbm");
    const MonoBitmap& want = pages[std::size_t(p)].image;
    EXPECT_EQ(back.width, want.width);
    EXPECT_EQ(back.height, want.height);
    EXPECT_TRUE(back.bits == want.bits);
  }
}

TEST(PdfExport, TwentyPageFaxStaysSmall) {
  test::ScratchDir dir;
  std::vector<test::BitmapPage> pages;
  for (int p = 0; p < 20; ++p) pages.push_back({test::textPage(1728, 2200, p), true});
  ASSERT_EQ(test::writeBrx(dir.path("long.brx"), pages), 0);
  unsigned calls = 0;
  BrxReader fax;
  ASSERT_EQ(fax.openFile(dir.path("long.brx")), 0);
  std::vector<std::uint8_t> pdf;
  ASSERT_EQ(encodeFaxPdf(fax, pdf, [&](unsigned done, unsigned pages) {
              EXPECT_EQ(pages, 20u);
              return ++calls == done;
            }),
            0);
  EXPECT_EQ(calls, 20u);
  // Far below the 1-bit pages' 9.5 MB, and below the fax file itself.
  EXPECT_LT(pdf.size(), 20u * 1728 * 2200 / 8 / 10);
  EXPECT_LT(pdf.size(), test::readFile(dir.path("long.brx")).size() * 3 / 4);
  // A cancelled export stops at once and leaves nothing.
  EXPECT_EQ(encodeFaxPdf(fax, pdf, [](unsigned, unsigned) { return false; }), ecGotQuitMsg);
}

}  // namespace
}  // namespace faximage
