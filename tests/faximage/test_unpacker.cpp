// TFxFaxUnpacker and page-image assembly: auto-scale modes, trimming, whitespace
// compression, damaged lines, scaling, and the export byte layouts.
#include <gtest/gtest.h>

#include <filesystem>

#include "faximage/brx_file.h"
#include "faximage/convert_state.h"
#include "faximage/errors.h"
#include "faximage/image_export.h"
#include "faximage/unpacker.h"
#include "image_util.h"

namespace faximage {
namespace {

using test::fromPicture;
using test::toPicture;

// Writes a one-page BRX file whose lines are the rows of `img` (placed at pixel 0), with
// extra raw records where `extra` says.
std::string writePage(test::ScratchDir& dir, const std::string& name, const MonoBitmap& img,
                      bool fine, bool wide = false, bool lineLengths = true) {
  ConvertState st;
  st.setPageWidth(wide ? kWideWidth : kNormalWidth);
  BrxWriter w;
  std::string path = dir.path(name);
  EXPECT_EQ(w.create(path), 0);
  std::uint16_t flags =
      std::uint16_t((fine ? pfFine : 0) | (wide ? pfWide : 0) | (lineLengths ? pfLineLengths : 0));
  EXPECT_EQ(w.beginPage(flags), 0);
  std::array<std::uint8_t, kLineBufferBytes> line{};
  for (int y = 0; y < img.height; ++y) {
    line.fill(0);
    std::copy(img.row(y), img.row(y) + img.stride, line.begin());
    st.EncodeLine(line);
    EXPECT_EQ(lineLengths ? w.addLineRecord(st.coded()) : w.addRaw(st.coded()), 0);
  }
  if (!lineLengths) w.addRaw(kEndOfPageRecord);
  EXPECT_EQ(w.endPage(), 0);
  EXPECT_EQ(w.finish("", 0), 0);
  return path;
}

struct UnpackerTest : ::testing::Test {
  test::ScratchDir dir;
  TFxFaxUnpacker u;
  MonoBitmap image(const std::string& file, int page = 1) {
    u.SetInFileName(file);
    MonoBitmap b;
    EXPECT_EQ(u.TryUnpackPageToImage(page, b), 0);
    for (auto& byte : b.bits) byte = std::uint8_t(~byte);  // back to 1 = black for pictures
    return b;
  }
};

const std::vector<std::string> kText = {"X  X", "XXXX", "X  X"};

TEST_F(UnpackerTest, AutoScaleModesOfStandardPages) {
  auto f = writePage(dir, "std.brx", fromPicture(kText), false);
  auto img = image(f);
  EXPECT_EQ(toPicture(img),
            (std::vector<std::string>{"X  X", "X  X", "XXXX", "XXXX", "X  X", "X  X"}));
  EXPECT_EQ(img.width, 16);
  u.AutoScaleMode = TAutoScaleMode::asHalfWidth;
  EXPECT_EQ(toPicture(image(f)), (std::vector<std::string>{"XX", "XX", "XX"}));
  u.AutoScaleMode = TAutoScaleMode::asNone;
  EXPECT_EQ(toPicture(image(f)), (std::vector<std::string>{"XX", "XX", "XX"}));
  // Raw delivery: half-width lines are 108 bytes.
  std::vector<int> lengths;
  u.OnOutputLine = [&](TFxCustomFaxUnpacker&, bool s, bool e, const std::uint8_t*, int len, int) {
    if (!s && !e) lengths.push_back(len);
  };
  ASSERT_EQ(u.TryUnpackPage(1), 0);
  EXPECT_EQ(lengths, (std::vector<int>{108, 108, 108}));
  // Fine pages are never adjusted.
  auto fine = writePage(dir, "fine.brx", fromPicture(kText), true);
  u.AutoScaleMode = TAutoScaleMode::asDoubleHeight;
  EXPECT_EQ(toPicture(image(fine)), kText);
}

TEST_F(UnpackerTest, WidthIsTrimmedToTheLastBlackByteRoundedToEven) {
  MonoBitmap b(1728, 2);
  b.setPixel(3 * 8 + 1, 0, true);  // byte 3 -> width 4 bytes
  auto f = writePage(dir, "trim.brx", b, true);
  EXPECT_EQ(image(f).width, 32);
  b.setPixel(1727, 1, true);
  EXPECT_EQ(image(writePage(dir, "full.brx", b, true)).width, 1728);
  auto white = image(writePage(dir, "white.brx", MonoBitmap(1728, 30), true));
  EXPECT_EQ(white.width, 16);
  EXPECT_EQ(white.height, 30);
  auto wide = MonoBitmap(2048, 1);
  wide.setPixel(2047, 0, true);
  auto w = image(writePage(dir, "wide.brx", wide, true, true));
  EXPECT_EQ(w.width, 2048);
  EXPECT_TRUE(w.pixel(2047, 0));
}

TEST_F(UnpackerTest, WhitespaceCompression) {
  MonoBitmap b(1728, 1 + 80 + 1 + 49 + 1 + 60);
  b.setPixel(0, 0, true);
  b.setPixel(0, 81, true);
  b.setPixel(0, 131, true);
  auto f = writePage(dir, "ws.brx", b, true);
  u.WhitespaceCompression = true;
  u.WhitespaceFrom = 50;
  u.WhitespaceTo = 10;
  auto img = image(f);
  // 80 blank -> 10, 49 stay, trailing 60 -> 10.
  EXPECT_EQ(img.height, 1 + 10 + 1 + 49 + 1 + 10);
  EXPECT_TRUE(img.pixel(0, 11));
  EXPECT_TRUE(img.pixel(0, 61));
  u.WhitespaceTo = 50;  // From == To: trailing blanks are dropped
  EXPECT_EQ(image(f).height, 1 + 50 + 1 + 49 + 1);
  u.WhitespaceTo = 51;
  MonoBitmap none;
  EXPECT_EQ(u.TryUnpackPageToImage(1, none), ecBadArgument);
  u.WhitespaceCompression = false;  // the check applies only when compression is on
  EXPECT_EQ(image(f).height, b.height);
}

TEST_F(UnpackerTest, DamagedLinesAreLeftOutAndEmptyPagesAreEmpty) {
  ConvertState st;
  BrxWriter w;
  std::string path = dir.path("damaged.brx");
  ASSERT_EQ(w.create(path), 0);
  ASSERT_EQ(w.beginPage(pfFine | pfLineLengths), 0);
  std::array<std::uint8_t, kLineBufferBytes> line{};
  line[0] = 0x80;
  st.EncodeLine(line);
  w.addLineRecord(st.coded());
  // A 1700-pixel line (1664 + 36 white) and a 1730-pixel one (1728 white + 2 black).
  std::uint8_t short1700[] = {0x00, 0x80, 0x06, 0x2A, 0x00};  // 011000 (1664), 00010101 (white 36)
  std::uint8_t long1730[] = {0x00, 0x80, 0xB2, 0x59, 0x07, 0x00};  // 1728, white 0, black 2 (11)
  w.addLineRecord(short1700);
  w.addLineRecord(long1730);
  w.endPage();
  ASSERT_EQ(w.beginPage(pfFine | pfLineLengths), 0);  // a page with no lines
  w.endPage();
  ASSERT_EQ(w.finish("", 0), 0);
  auto img = image(path);
  EXPECT_EQ(toPicture(img, 8), (std::vector<std::string>{"X", ""}));
  u.SetInFileName(path);
  MonoBitmap empty;
  ASSERT_EQ(u.TryUnpackPageToImage(2, empty), 0);
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(u.TryUnpackPageToImage(3, empty), ecFaxBadFormat);
  EXPECT_THROW(u.UnpackPageToImage(3), EFaxBadFormat);
}

TEST_F(UnpackerTest, RawPagesDecodeLikeLineRecordPages) {
  auto a = image(writePage(dir, "rec.brx", fromPicture(kText), true, false, true));
  auto b = image(writePage(dir, "raw.brx", fromPicture(kText), true, false, false));
  EXPECT_EQ(toPicture(a), toPicture(b));
}

TEST_F(UnpackerTest, ScalingShrinksWithBlackWinning) {
  MonoBitmap b(1728, 4);
  for (int y = 0; y < 4; ++y) b.setPixel(1, y, true);  // a one-pixel vertical stroke
  b.setPixel(63, 0, true);
  auto f = writePage(dir, "scale.brx", b, true);
  u.Scaling = true;
  u.SetHorizMult(1);
  u.SetHorizDiv(2);
  u.SetVertDiv(0);  // ignored
  auto img = image(f);
  EXPECT_EQ(img.width, 32);
  EXPECT_EQ(img.height, 4);
  EXPECT_EQ(toPicture(img),
            (std::vector<std::string>{"X                              X", "X", "X", "X"}));
  u.SetHorizDiv(4);
  u.SetVertDiv(4);
  EXPECT_EQ(toPicture(image(f)), (std::vector<std::string>{"X              X"}));
  u.SetHorizMult(2);
  u.SetHorizDiv(1);
  u.SetVertMult(1);
  u.SetVertDiv(1);
  EXPECT_EQ(image(f).width, 128);
}

TEST_F(UnpackerTest, PageCountFlagsAndNames) {
  auto f = writePage(dir, "Fax.brx", fromPicture(kText), true, true);
  u.SetInFileName(f);
  EXPECT_EQ(u.OutFileName, dir.path("Fax"));
  EXPECT_EQ(u.ReadPageCount(), 1);
  EXPECT_TRUE(u.ReadFineFlag());
  EXPECT_TRUE(u.ReadWideFlag());
  EXPECT_EQ(u.ExportName(ExportFormat::Pcx), dir.path("Fax.PCX"));
  u.OutFileName = "";
  EXPECT_EQ(u.ExportName(ExportFormat::Bmp), dir.path("Fax.BMP"));
  u.OutFileName = "/x/page.bmp";
  EXPECT_EQ(u.ExportName(ExportFormat::Dcx), "/x/page.bmp");
  u.OutFileName = "kept";
  u.SetInFileName(dir.path("FAX.BRX"));  // same name ignoring case: OutFileName stays
  EXPECT_EQ(u.OutFileName, "kept");
  u.SetInFileName(dir.path("nothing.brx"));
  EXPECT_EQ(u.ReadPageCount(), 0);
  EXPECT_FALSE(u.ReadFineFlag());
  u.SetInFileName("");
  MonoBitmap b;
  EXPECT_EQ(u.TryUnpackPageToImage(1, b), ecFileNotFound);
}

TEST_F(UnpackerTest, ExportsHaveTheirByteLayouts) {
  auto f = writePage(dir, "exp.brx", fromPicture({"X", " X"}), true);
  u.SetInFileName(f);
  ASSERT_EQ(u.TryExportPage(1, ExportFormat::Bmp), 0);
  auto bmp = test::readFile(dir.path("exp.BMP"));
  ASSERT_EQ(bmp.size(), 62u + 2 * 4);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[2], 70);
  EXPECT_EQ(bmp[10], 62);
  EXPECT_EQ(bmp[14], 40);
  EXPECT_EQ(bmp[18], 16);  // width in pixels
  EXPECT_EQ(bmp[22], 2);
  EXPECT_EQ(bmp[26], 1);
  EXPECT_EQ(bmp[28], 1);
  EXPECT_EQ((std::vector<std::uint8_t>(bmp.begin() + 54, bmp.begin() + 62)),
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}));
  // Bottom row first: " X" then "X", inverted, padded with 0xFF.
  EXPECT_EQ((std::vector<std::uint8_t>(bmp.begin() + 62, bmp.end())),
            (std::vector<std::uint8_t>{0xBF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF}));

  ASSERT_EQ(u.TryExportPage(1, ExportFormat::Pcx), 0);
  auto pcx = test::readFile(dir.path("exp.PCX"));
  ASSERT_GE(pcx.size(), 128u);
  EXPECT_EQ(pcx[0], 10);
  EXPECT_EQ(pcx[1], 2);
  EXPECT_EQ(pcx[2], 1);
  EXPECT_EQ(pcx[3], 1);
  EXPECT_EQ(pcx[8], 15);
  EXPECT_EQ(pcx[10], 1);
  EXPECT_EQ(pcx[65], 1);
  EXPECT_EQ(pcx[66], 2);
  EXPECT_EQ((std::vector<std::uint8_t>(pcx.begin() + 128, pcx.end())),
            (std::vector<std::uint8_t>{0x7F, 0xC1, 0xFF, 0xBF, 0xC1, 0xFF}));

  ASSERT_EQ(u.TryExportPage(1, ExportFormat::Dcx), 0);
  auto dcx = test::readFile(dir.path("exp.DCX"));
  ASSERT_EQ(dcx.size(), 4100u + pcx.size());
  EXPECT_EQ((std::vector<std::uint8_t>(dcx.begin(), dcx.begin() + 8)),
            (std::vector<std::uint8_t>{0xB1, 0x68, 0xDE, 0x3A, 0x04, 0x10, 0, 0}));
  EXPECT_EQ(dcx[8], 0);
  EXPECT_TRUE(std::equal(pcx.begin(), pcx.end(), dcx.begin() + 4100));
}

TEST_F(UnpackerTest, RunsOfEqualBytesArePackedInPcx) {
  MonoBitmap b(8 * 70, 1);  // 70 white bytes: 63 + 7
  std::vector<std::uint8_t> out;
  encodePcx(b, out);
  EXPECT_EQ((std::vector<std::uint8_t>(out.begin() + 128, out.end())),
            (std::vector<std::uint8_t>{0xFF, 0xFF, 0xC7, 0xFF}));
}

TEST_F(UnpackerTest, TallPagesCannotBeBmpAndFailedExportsLeaveNoFile) {
  MonoBitmap tall(16, 32768);
  std::vector<std::uint8_t> out;
  EXPECT_EQ(encodeBmp(tall, out), ecBitmapTooTall);
  u.SetInFileName(dir.path("absent.brx"));
  EXPECT_EQ(u.TryExportPage(1, ExportFormat::Bmp), ecFileNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir.path("absent.BMP")));
}

TEST_F(UnpackerTest, AbortStopsWithoutErrorAndQuitFails) {
  auto f = writePage(dir, "long.brx", MonoBitmap(1728, 100), true);
  u.SetInFileName(f);
  int lines = 0;
  u.OnStatus = [&](TFxCustomFaxUnpacker& s, const std::string&, int, long, long) {
    if (++lines == 10) s.Options |= uoAbort;
  };
  MonoBitmap b;
  ASSERT_EQ(u.TryUnpackPageToImage(1, b), 0);
  EXPECT_EQ(b.height, 10);
  u.Options = uoYield;
  u.OnStatus = nullptr;
  u.OnYield = [] { return false; };
  EXPECT_EQ(u.TryUnpackPageToImage(1, b), ecGotQuitMsg);
  EXPECT_TRUE(b.empty());
}

}  // namespace
}  // namespace faximage
