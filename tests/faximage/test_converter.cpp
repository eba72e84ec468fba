// TFxFaxConverter end to end: inputs of every kind become BRX files whose pages decode back
// to the expected images; options, margins, names, events and failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "faximage/brx_file.h"
#include "faximage/converter.h"
#include "faximage/errors.h"
#include "faximage/page_image.h"
#include "image_util.h"

namespace faximage {
namespace {

using test::fromPicture;
using test::toPicture;

// Page n as coded, one row per coded line (1 = black): standard pages are decoded at double
// height and every second row is kept.
MonoBitmap pageImage(const std::string& file, unsigned n) {
  UnpackSettings s;
  s.autoScale = TAutoScaleMode::asDoubleHeight;
  MonoBitmap img;
  EXPECT_EQ(assemblePageImage(file, n, s, img), 0);
  BrxReader r;
  BrxPage p;
  if (r.openFile(file) != 0 || r.page(n, p) != 0 || p.header.fine()) return img;
  MonoBitmap half(img.width, img.height / 2);
  for (int y = 0; y < half.height; ++y)
    std::copy(img.row(2 * y), img.row(2 * y) + img.stride, half.row(y));
  return half;
}

struct ConverterTest : ::testing::Test {
  test::ScratchDir dir;
  TFxFaxConverter conv;

  int convert(TFaxInputDocumentType type, const std::string& name,
              const std::vector<std::uint8_t>& bytes) {
    test::writeFile(dir.path(name), bytes);
    conv.InputDocumentType = type;
    conv.SetDocumentFile(dir.path(name));
    return conv.TryConvertDocument();
  }
  BrxReader open() {
    BrxReader r;
    EXPECT_EQ(r.openFile(conv.OutputName()), 0);
    return r;
  }
};

TEST_F(ConverterTest, AppPageBitmapBecomesOneFinePageWithTheMargin) {
  MonoBitmap page(1664, 2156);
  for (int y = 0; y < page.height; y += 7) page.setPixel(0, y, true);  // a dotted left edge
  page.setPixel(1663, 2155, true);
  conv.SetOptions(coYield);
  conv.Resolution = TFaxResolution::frHigh;
  int yields = 0;
  conv.OnYield = [&] { return ++yields, true; };
  ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "_TMP.BMP", test::makeMonoBmp(page)), 0);
  EXPECT_EQ(conv.OutputName(), dir.path("_TMP.BRX"));
  EXPECT_EQ(yields, 1);  // after the page only, without coYieldOften
  auto r = open();
  ASSERT_EQ(r.pageCount(), 1);
  BrxPage p;
  ASSERT_EQ(r.page(1, p), 0);
  EXPECT_EQ(p.header.pageFlags, pfFine | pfLineLengths);
  int records = 0;
  forEachLineRecord(p.data, [&](auto) { return ++records, true; });
  EXPECT_EQ(records, 2156 + 1);
  auto img = pageImage(conv.OutputName(), 1);
  ASSERT_EQ(img.height, 2156);
  for (int y = 0; y < img.height; ++y) {
    EXPECT_EQ(img.pixel(50, y), y % 7 == 0) << y;
    EXPECT_FALSE(img.pixel(49, y));
  }
  EXPECT_TRUE(img.pixel(50 + 1663, 2155));
}

TEST_F(ConverterTest, ColourBitmapIsDitheredAndTooWideOneRejected) {
  auto img = fromPicture({"XXXX", "XXXX", "", "XXXX"});
  conv.SetOptions(0);
  conv.LeftMargin = 0;
  conv.Resolution = TFaxResolution::frHigh;
  ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "colour.bmp",
                    test::makeColourBmp(img, 0x000000, 0xF0F0F0)),
            0);
  EXPECT_EQ(toPicture(pageImage(conv.OutputName(), 1), 8),
            (std::vector<std::string>{"XXXX", "XXXX", "", "XXXX"}));
  MonoBitmap wide(1729, 2);
  EXPECT_EQ(convert(TFaxInputDocumentType::idBmp, "wide.bmp", test::makeMonoBmp(wide)),
            ecBadGraphicsFormat);
  EXPECT_FALSE(std::filesystem::exists(dir.path("wide.BRX")));
}

TEST_F(ConverterTest, StandardResolutionDoublesAndCentresNarrowImages) {
  MonoBitmap img(16, 2);  // 16 pixels wide so the centring offset is easy to see
  img.setPixel(0, 0, true);
  img.setPixel(2, 0, true);
  img.setPixel(1, 1, true);
  conv.LeftMargin = 0;  // defaults: coDoubleWidth, coCenterImage, coYield
  ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "small.bmp", test::makeMonoBmp(img)), 0);
  auto page = pageImage(conv.OutputName(), 1);
  int offset = (1728 - 32) / 32 * 8 * 2;  // whole bytes in front, doubled with the image
  ASSERT_EQ(page.height, 2);
  EXPECT_EQ(toPicture(page)[0], std::string(std::size_t(offset), ' ') + "XX  XX");
  EXPECT_EQ(toPicture(page)[1], std::string(std::size_t(offset), ' ') + "  XX");
}

TEST_F(ConverterTest, HalfHeightKeepsOddLinesAndTopMarginAddsBlankRecords) {
  auto img = fromPicture({"X", " X", "  X", "   X", "    X"});
  conv.SetOptions(coHalfHeight);
  conv.LeftMargin = 0;
  conv.TopMargin = 3;
  ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "lines.bmp", test::makeMonoBmp(img)), 0);
  auto r = open();
  BrxPage p;
  ASSERT_EQ(r.page(1, p), 0);
  std::vector<std::size_t> lengths;
  forEachLineRecord(p.data, [&](auto rec) { return lengths.push_back(rec.size()), true; });
  ASSERT_EQ(lengths.size(), 3u + 3 + 1);
  EXPECT_EQ(lengths[0], 4u);
  EXPECT_EQ(lengths.back(), 12u);
  EXPECT_EQ(toPicture(pageImage(conv.OutputName(), 1)),
            (std::vector<std::string>{"", "", "", "X", "  X", "    X"}));
}

TEST_F(ConverterTest, TextPagesFollowLinesPerPageAndFormFeeds) {
  std::string text;
  for (int i = 1; i <= 130; ++i) text += "line " + std::to_string(i) + "\r\n";
  ASSERT_EQ(convert(TFaxInputDocumentType::idText, "doc.txt", {text.begin(), text.end()}), 0);
  auto r = open();
  ASSERT_EQ(r.pageCount(), 3);
  EXPECT_EQ(pageImage(conv.OutputName(), 1).height, 60 * 16);
  EXPECT_EQ(pageImage(conv.OutputName(), 3).height, 10 * 16);

  ASSERT_EQ(convert(TFaxInputDocumentType::idText, "empty.txt", {}), 0);
  auto e = open();
  ASSERT_EQ(e.pageCount(), 1);
  BrxPage p;
  ASSERT_EQ(e.page(1, p), 0);
  EXPECT_EQ(p.header.imageLength, 2u + 6 + 2 + 12);  // one blank line, then end of page

  std::string ff = "a\fb\f\nc";
  conv.LinesPerPage = 0;
  ASSERT_EQ(convert(TFaxInputDocumentType::idText, "ff.txt", {ff.begin(), ff.end()}), 0);
  EXPECT_EQ(open().pageCount(), 3);
}

TEST_F(ConverterTest, TextIsLegibleAtBothResolutionsAndGlyphSets) {
  std::string text = "Hi";
  conv.LeftMargin = 0;
  for (auto font : {TFaxFont::ffStandard, TFaxFont::ffSmall})
    for (auto res : {TFaxResolution::frNormal, TFaxResolution::frHigh}) {
      conv.FontType = font;
      conv.Resolution = res;
      ASSERT_EQ(convert(TFaxInputDocumentType::idText, "hi.txt", {text.begin(), text.end()}), 0);
      auto img = pageImage(conv.OutputName(), 1);
      int cell = font == TFaxFont::ffStandard ? 16 : 8;
      EXPECT_EQ(img.height, res == TFaxResolution::frHigh ? 2 * cell : cell);
      auto pic = toPicture(img, 48);
      // 'H' has two uprights of doubled pixels with a bar between them; 'i' a dot and a stem.
      int bars = 0;
      for (const auto& row : pic) bars += row.find("XXXXXX") != std::string::npos;
      EXPECT_GT(bars, 0);
    }
}

TEST_F(ConverterTest, TabStopZeroStillExpandsToFour) {
  std::string text = "\tX";
  conv.TabStop = 0;
  conv.LeftMargin = 0;
  conv.FontType = TFaxFont::ffSmall;
  ASSERT_EQ(convert(TFaxInputDocumentType::idText, "tab.txt", {text.begin(), text.end()}), 0);
  auto pic = toPicture(pageImage(conv.OutputName(), 1));
  std::size_t first = std::string::npos;
  for (const auto& row : pic) first = std::min(first, row.find('X'));
  EXPECT_GE(first, 4u * 12);
  EXPECT_LT(first, 5u * 12);
}

TEST_F(ConverterTest, TiffPcxAndDcxInputs) {
  auto img = fromPicture({"XX  XX", "  XX"});
  conv.SetOptions(0);
  conv.LeftMargin = 8;
  conv.Resolution = TFaxResolution::frHigh;
  ASSERT_EQ(convert(TFaxInputDocumentType::idTiff, "a.tif", test::makeTiff(img, 32773)), 0);
  EXPECT_EQ(toPicture(pageImage(conv.OutputName(), 1)),
            (std::vector<std::string>{"        XX  XX", "          XX"}));
  EXPECT_EQ(convert(TFaxInputDocumentType::idTiff, "g4.tif", test::makeTiff(img, 4)),
            ecBadGraphicsFormat);
}

TEST_F(ConverterTest, NameRules) {
  conv.InputDocumentType = TFaxInputDocumentType::idText;
  conv.SetDocumentFile("/tmp/letter");
  EXPECT_EQ(conv.InputName(), "/tmp/letter.TXT");
  EXPECT_EQ(conv.OutFileName(), "/tmp/letter.BRX");
  conv.SetOutFileName("");
  EXPECT_EQ(conv.OutputName(), "/tmp/letter.BRX");
  conv.SetOutFileName("/out/fax");
  EXPECT_EQ(conv.OutputName(), "/out/fax.BRX");
  conv.SetOutFileName("/out/fax.v1.brx");
  EXPECT_EQ(conv.OutputName(), "/out/fax.v1.brx");
  conv.InputDocumentType = TFaxInputDocumentType::idUser;
  conv.DefUserExtension = "RAW";
  EXPECT_EQ(conv.InputName(), "/tmp/letter.RAW");
  conv.SetOptions(coYieldOften);
  EXPECT_EQ(conv.Options(), unsigned(coYieldOften | coYield));
}

TEST_F(ConverterTest, UserLinesEventsAndWidePages) {
  int opened = 0, closed = 0, read = 0;
  conv.OnOpenUserFile = [&](TFxCustomFaxConverter&, const std::string&) { ++opened; };
  conv.OnCloseUserFile = [&](TFxCustomFaxConverter&) { ++closed; };
  conv.OnReadUserLine = [&](TFxCustomFaxConverter&, std::uint8_t* data, int& len, bool& eop,
                            bool& more) {
    ++read;
    if (read == 3 || read == 5) {
      eop = true;
      more = read == 3;
      return;
    }
    data[0] = 0x80;
    len = 1;
  };
  conv.Width = TFaxWidth::fwWide;
  conv.LeftMargin = 0;
  conv.InputDocumentType = TFaxInputDocumentType::idUser;
  conv.SetDocumentFile(dir.path("lines"));
  ASSERT_EQ(conv.TryConvertDocument(), 0);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(closed, 1);
  auto r = open();
  ASSERT_EQ(r.pageCount(), 2);
  BrxPage p;
  ASSERT_EQ(r.page(2, p), 0);
  EXPECT_TRUE(p.header.wide());
  auto img = pageImage(conv.OutputName(), 1);
  EXPECT_EQ(toPicture(img), (std::vector<std::string>{"X", "X"}));
}

TEST_F(ConverterTest, AbortQuitAndBadTypeLeaveNoOutput) {
  MonoBitmap img(16, 40);
  conv.OnStatus = [](TFxCustomFaxConverter&, bool, bool, int, int lines, long, long, bool& abort) {
    abort = lines == 20;
  };
  EXPECT_EQ(convert(TFaxInputDocumentType::idBmp, "abort.bmp", test::makeMonoBmp(img)),
            ecConvertAbort);
  EXPECT_FALSE(std::filesystem::exists(dir.path("abort.BRX")));
  EXPECT_THROW(conv.ConvertDocument(), EConvertAbort);

  conv.OnStatus = nullptr;
  conv.SetOptions(coYieldOften);
  conv.OnYield = [] { return false; };
  EXPECT_EQ(convert(TFaxInputDocumentType::idBmp, "quit.bmp", test::makeMonoBmp(img)),
            ecGotQuitMsg);
  EXPECT_FALSE(std::filesystem::exists(dir.path("quit.BRX")));

  conv.InputDocumentType = TFaxInputDocumentType::idBitmap;
  EXPECT_EQ(conv.TryConvertDocument(), ecBadArgument);
  conv.InputDocumentType = TFaxInputDocumentType::idNone;
  EXPECT_THROW(conv.ConvertDocument(), EBadArgument);

  conv.InputDocumentType = TFaxInputDocumentType::idBmp;
  conv.SetDocumentFile(dir.path("missing.bmp"));
  EXPECT_EQ(conv.TryConvertDocument(), ecFileNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir.path("missing.BRX")));
}

TEST_F(ConverterTest, HeightZeroAndTopDownBitmaps) {
  MonoBitmap none(16, 0);
  ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "none.bmp", test::makeMonoBmp(none)), 0);
  auto r = open();
  ASSERT_EQ(r.pageCount(), 1);
  auto img = fromPicture({"X", " X"});
  conv.SetOptions(0);
  conv.LeftMargin = 0;
  ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "down.bmp", test::makeMonoBmp(img, true)), 0);
  EXPECT_EQ(toPicture(pageImage(conv.OutputName(), 1)), (std::vector<std::string>{"X", " X"}));
}

}  // namespace
}  // namespace faximage
