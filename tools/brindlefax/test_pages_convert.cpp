// brindlefax convert of PDF and PostScript: pages at the fax resolution within 1728
// pixels, black areas solid, greys dithered; damaged and protected files refused with a
// message naming them; a cancelled rendering leaves no temporary files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "commands.h"
#include "test_commands.h"
#include "faximage/document_raster.h"
#include "faximage/errors.h"
#include "image_util.h"

namespace {

using faximage::MonoBitmap;
namespace test = faximage::test;

// Letter with a black box (1 to 3 inches across, 1 to 2 down) and a 50 % grey box below it
// (3 to 4 down), then an A4 page with a black box at its top-left inch.
const char kPostScript[] =
    "%!PS\n<< /PageSize [612 792] >> setpagedevice\n"
    "0 setgray 72 648 144 72 rectfill\n0.5 setgray 72 504 144 72 rectfill\n"
    "0 setgray /Helvetica findfont 24 scalefont setfont 72 300 moveto (Brindle) show\nshowpage\n"
    "<< /PageSize [595 842] >> setpagedevice\n0 setgray 0 770 72 72 rectfill\nshowpage\n";

std::string makePdf(const test::ScratchDir& dir, const std::string& name,
                    const std::string& extra = "") {
  const std::string ps = dir.path("source.ps");
  test::writeFile(ps, {kPostScript, kPostScript + sizeof kPostScript - 1});
  const std::string pdf = dir.path(name);
  const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite " + extra +
                          " -sOutputFile='" + pdf + "' '" + ps + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  return pdf;
}

using brindlefax::test::readPbm;
using brindlefax::test::run;

MonoBitmap exportPage(const test::ScratchDir& dir, const std::string& brx, int page) {
  const std::string pbm = dir.path("page" + std::to_string(page) + ".pbm");
  // Standard pages come out with every line twice: 196 lines an inch either way.
  EXPECT_EQ(run(brindlefax::runExport, {brx, "-p", std::to_string(page), "-f", "pbm", "-o", pbm}).code,
            0);
  return readPbm(pbm);
}

// The export ends each line after its last black pixel: beyond it is paper.
double blackShare(const MonoBitmap& b, int x0, int y0, int x1, int y1) {
  int black = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) black += x < b.width && y < b.height && b.pixel(x, y);
  return double(black) / ((x1 - x0) * (y1 - y0));
}

TEST(BrindlefaxDocuments, PdfAndPostScriptPagesAtFaxResolution) {
  test::ScratchDir dir;
  const std::string pdf = makePdf(dir, "letter.pdf");
  struct Case {
    const char* input;
    const char* resolution;
    double lpi;
  };
  for (const Case& c : {Case{"letter.pdf", "--fine", 196}, Case{"source.ps", "", 98}}) {
    SCOPED_TRACE(c.input);
    brindlefax::Args args{dir.path(c.input), "-o", dir.path("out.brx")};
    if (*c.resolution) args.push_back(c.resolution);
    auto r = run(brindlefax::runConvert, args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("2 pages"), std::string::npos) << r.out;
    auto info = run(brindlefax::runInfo, {dir.path("out.brx")});
    EXPECT_NE(info.out.find("Page 2:  " + std::string(c.lpi > 100 ? "fine" : "standard") +
                            " resolution, 1728 pixels wide"),
              std::string::npos)
        << info.out;
    // Letter is 1734 pixels wide at 204 an inch: shrunk to the line's 1728.
    const double scale = 1728.0 / 1734.0;
    const MonoBitmap letter = exportPage(dir, dir.path("out.brx"), 1);
    EXPECT_NEAR(letter.height, 11 * 196 * scale, 2);
    const auto x = [&](double inches) { return int(inches * 204 * scale); };
    const auto y = [&](double inches) { return int(inches * 196 * scale); };
    EXPECT_EQ(blackShare(letter, x(1.05), y(1.05), x(2.95), y(1.95)), 1.0);  // solid black
    const double grey = blackShare(letter, x(1.05), y(3.05), x(2.95), y(3.95));
    EXPECT_GT(grey, 0.35);  // dithered, no black blob
    EXPECT_LT(grey, 0.65);
    EXPECT_EQ(blackShare(letter, x(3.2), y(0.2), x(8.3), y(2.5)), 0.0);  // clean paper
    EXPECT_GT(blackShare(letter, x(1), y(6.5), x(2.5), y(6.9)), 0.05);    // the text
    // A4 at 204 an inch fits; it is centred on the line.
    const MonoBitmap a4 = exportPage(dir, dir.path("out.brx"), 2);
    EXPECT_NEAR(a4.height, 842 / 72.0 * 196, 2);
    const int left = (1728 - int(595 / 72.0 * 204 + 0.5)) / 2;
    EXPECT_EQ(blackShare(a4, left + 5, 5, left + 195, y(0.9)), 1.0);
    EXPECT_EQ(blackShare(a4, 0, 0, left - 2, a4.height), 0.0);
  }
}

TEST(BrindlefaxDocuments, DamagedOrProtectedPdfIsRefusedByName) {
  test::ScratchDir dir;
  const std::string junk = "%PDF-1.4\n1 0 obj << /Type /Catalog >> broken\n";
  test::writeFile(dir.path("broken.pdf"), {junk.begin(), junk.end()});
  makePdf(dir, "locked.pdf", "-sOwnerPassword=owner -sUserPassword=secret");
  struct Case {
    const char* file;
    const char* reason;
  };
  for (const Case& c : {Case{"broken.pdf", "damaged"}, Case{"locked.pdf", "password"}}) {
    auto r = run(brindlefax::runConvert, {dir.path(c.file), "-o", dir.path("out.brx")});
    EXPECT_EQ(r.code, 1) << c.file;
    EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.brx"))) << c.file;
  }
}

TEST(BrindlefaxDocuments, CancelledRenderingLeavesNoTemporaryFiles) {
  test::ScratchDir dir;
  makePdf(dir, "letter.pdf");
  const std::string scratch = dir.path("tmp");
  std::filesystem::create_directory(scratch);
  const char* before = std::getenv("TMPDIR");
  const std::string saved = before ? before : "";
  ::setenv("TMPDIR", scratch.c_str(), 1);
  {
    faximage::DocumentRasteriser raster;
    ASSERT_EQ(raster.open(dir.path("source.ps")), faximage::ecOK);  // made a PDF in scratch
    raster.keepGoing = [] { return false; };
    faximage::GreyPage page;
    EXPECT_EQ(raster.renderPage(1, 100, 100, page), faximage::ecConvertAbort);
    EXPECT_TRUE(page.pixels.empty());
  }
  if (before) ::setenv("TMPDIR", saved.c_str(), 1); else ::unsetenv("TMPDIR");
  EXPECT_TRUE(std::filesystem::is_empty(scratch));
}

}  // namespace
