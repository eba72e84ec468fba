// Pictures in rich text: the codec keeps their bytes and sizes through our writer and a
// word processor's way of writing them, bounds what it keeps, and the page painter makes
// photographs dithered and line art sharp on black-and-white pages.
#include "richtext/document/pictureobject.h"
#include "richtext/richtext.h"
#include "testutil.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace richtext::test {
namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) out += {kDigits[b >> 4], kDigits[b & 15]};
  return out;
}

std::string Png(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

template <size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

std::vector<RtfPicture> Pictures(const RtfDocument& d) {
  std::vector<RtfPicture> out;
  for (const RtfParagraph& p : d.paragraphs)
    for (const RtfInline& item : p.items)
      if (item.kind == RtfInline::Kind::Picture) out.push_back(item.picture);
  return out;
}

TEST(RtfPictures, OurWriterToOurReader) {
  RtfPicture png{RtfPicture::Format::Png, std::string("\x89PNG\r\n\x1a\n\0\xff", 10), 20, 10,
                 1440, 720, 100, 100};
  RtfPicture jpeg{RtfPicture::Format::Jpeg, "\xff\xd8\xff\xe0 jpeg", 0, 0, 0, 0, 50, 200};
  RtfDocument doc = Read("{\\rtf1 before\\par after\\par}");
  RtfInline a;
  a.kind = RtfInline::Kind::Picture;
  a.props = doc.paragraphs[0].items[0].props;
  a.picture = png;
  RtfInline b = a;
  b.picture = jpeg;
  doc.paragraphs[0].items.push_back(a);
  doc.paragraphs[1].items.insert(doc.paragraphs[1].items.begin(), b);
  doc.paragraphs[1].items.push_back(a);
  const RtfDocument back = Read(WriteRtf(doc));
  EXPECT_EQ(back, doc);
  EXPECT_EQ(Flat(back), "before\nafter");
}

TEST(RtfPictures, WordProcessorPairKeepsThePictureAndSkipsTheMetafile) {
  const std::string png = Png(QImage(4, 2, QImage::Format_RGB32));
  const std::string rtf =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard Logo: "
      "{\\*\\shppict{\\pict{\\*\\picprop\\shplid1025{\\sp{\\sn shapeType}{\\sv 75}}}"
      "\\picscalex50\\picscaley75\\piccropl0\\piccropr0\\picw4\\pich2\\picwgoal3000"
      "\\pichgoal1500\\pngblip\\bliptag-1{\\*\\blipuid 0123abcd}\n" +
      Hex(png).substr(0, 20) + "\n " + Hex(png).substr(20) +
      "}}{\\nonshppict{\\pict\\picw4\\pich2\\wmetafile8 010009000003}} end\\par}";
  const RtfDocument d = Read(rtf);
  const std::vector<RtfPicture> pictures = Pictures(d);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].format, RtfPicture::Format::Png);
  EXPECT_EQ(pictures[0].bytes, png);
  EXPECT_EQ(QSize(pictures[0].goalWidth, pictures[0].goalHeight), QSize(3000, 1500));
  EXPECT_EQ(QSize(pictures[0].scaleX, pictures[0].scaleY), QSize(50, 75));
  EXPECT_EQ(QSize(pictures[0].pixelWidth, pictures[0].pixelHeight), QSize(4, 2));
  EXPECT_EQ(Flat(d), "Logo:  end");
}

TEST(RtfPictures, BadPictureDataReadsSafely) {
  struct Case {
    const char* name;
    std::string body;
    std::vector<std::string> bytes;  // the pictures read
  };
  const Case cases[] = {
      {"odd digits and junk", "{\\pict\\jpegblip ab c-d e}", {"\xab\xcd"}},
      {"binary data", Bytes("{\\pict\\pngblip\\bin3 \x00}\x7f}"), {Bytes("\0}\x7f")}},
      {"metafile only", "{\\pict\\wmetafile8 0100}", {}},
      {"no blip word", "{\\pict 89504e47}", {}},
      {"in a merge field", "{\\field{\\*\\fldinst MERGEFIELD X}{\\fldrslt {\\pict\\pngblip 00}}}", {}},
      {"picture in a picture", "{\\pict\\pngblip 01{\\pict\\pngblip 02}03}", {"\x01\x03"}},
      {"unclosed", "{\\pict\\pngblip 0102", {"\x01\x02"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    for (const RtfPicture& p : Pictures(Read("{\\rtf1 " + c.body + "}"))) got.push_back(p.bytes);
    EXPECT_EQ(got, c.bytes) << c.name;
  }
}

TEST(RtfPictures, OversizePictureKeepsNoBytes) {
  std::string rtf = "{\\rtf1 {\\pict\\pngblip\\bin" + std::to_string(kMaxRtfPictureBytes + 1) + " ";
  rtf.append(kMaxRtfPictureBytes + 1, 'x');
  rtf += "}{\\pict\\pngblip 0102}}";
  const std::vector<RtfPicture> pictures = Pictures(Read(rtf));
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_TRUE(pictures[0].bytes.empty());
  EXPECT_EQ(pictures[1].bytes, "\x01\x02");
}

// A PNG that claims a size its few bytes cannot hold (a decompression bomb's header).
std::string PngClaiming(uint32_t width, uint32_t height) {
  std::string png = Png(QImage(1, 1, QImage::Format_Grayscale8));
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + size_t(i)] = char(v >> (24 - 8 * i));
  };
  put32(16, width);
  put32(20, height);
  uint32_t crc = 0xFFFFFFFFu;  // over the chunk type and data of IHDR
  for (size_t i = 12; i < 29; ++i) {
    crc ^= uint8_t(png[i]);
    for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  put32(29, ~crc);
  return png;
}

QByteArray DocWithPictures(const std::vector<std::pair<std::string, int>>& pictures) {
  std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\paperw12240\\paperh15840\\margl720"
                    "\\margr720\\margt720\\margb720 \\pard ";
  for (const auto& [bytes, goal] : pictures)
    rtf += "{\\pict\\picwgoal" + std::to_string(goal) + "\\pichgoal" + std::to_string(goal / 4) +
           "\\pngblip " + Hex(bytes) + "}";
  return QByteArray::fromStdString(rtf + "\\par}");
}

TEST(RichTextPictures, UndecodablePicturesAreReportedOnceAndKept) {
  const std::string good = Png(QImage(8, 2, QImage::Format_RGB32));
  const std::string bomb = PngClaiming(60000, 60000);
  TRichText pane;
  QSignalSpy spy(&pane, &TRichText::PicturesNotShown);
  pane.LoadRtf(DocWithPictures({{good, 1440}, {"not a picture", 1440}, {bomb, 1440}}));
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy[0][0].toInt(), 2);
  EXPECT_TRUE(DecodePicture(QByteArray::fromStdString(bomb)).isNull());
  std::vector<std::string> kept;
  for (const RtfPicture& p : Pictures(ReadRtf(pane.SaveRtf().toStdString())))
    kept.push_back(p.bytes);
  EXPECT_EQ(kept, (std::vector<std::string>{good, "not a picture", bomb}));
}

// The page as the fax assembly paints it: grey canvas, 200 pixels an inch.
QImage PaintFaxPage(TRichText& pane) {
  QImage canvas(1664, 2156, QImage::Format_Grayscale8);
  canvas.fill(Qt::white);
  pane.SetPaintOptions(kPaintLayoutPages | kPaintBlackAndWhite);
  QPainter painter(&canvas);
  pane.PaintPage(painter, QRect(100, 100, 1500, 2000), 200, 0);
  return canvas;
}

double BlackShare(const QImage& grey, const QRect& r) {
  int black = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) black += grey.constScanLine(y)[x] == 0;
  return double(black) / (r.width() * r.height());
}

TEST(RichTextPictures, PagesDitherPhotographsAndKeepLineArtAndTextSharp) {
  QImage ramp(256, 32, QImage::Format_Grayscale8);
  for (int y = 0; y < ramp.height(); ++y)
    for (int x = 0; x < 256; ++x) ramp.scanLine(y)[x] = uchar(x);
  QImage art(100, 50, QImage::Format_Grayscale8);  // stripes one pixel wide
  for (int y = 0; y < art.height(); ++y)
    for (int x = 0; x < art.width(); ++x) art.scanLine(y)[x] = (x % 3 == 0 || y % 4 == 0) ? 0 : 255;
  TRichText pane;
  // The ramp 4 inches wide (800 pixels at 200 an inch); the line art at its own pixels
  // (100 pixels = 720 twips).
  pane.LoadRtf(QByteArray("{\\rtf1\\paperw12240\\paperh15840\\margl720\\margr720\\margt720\\margb720"
                          "\\pard\\fs24 Crisp text\\par{\\pict\\picwgoal5760\\pichgoal720\\pngblip ") +
               QByteArray::fromStdString(Hex(Png(ramp))) + "}\\par{\\pict\\picwgoal720\\pichgoal360\\pngblip " +
               QByteArray::fromStdString(Hex(Png(art))) + "}\\par}");
  const QImage page = PaintFaxPage(pane);
  // Only black and white anywhere: text unsmoothed, pictures made black and white.
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x)
      ASSERT_TRUE(page.constScanLine(y)[x] == 0 || page.constScanLine(y)[x] == 255) << x << "," << y;
  // The ramp: find its rows (the widest dark run spans 800 pixels) and measure 8 bands.
  int rampTop = -1;
  for (int y = 0; y < page.height() && rampTop < 0; ++y)
    if (BlackShare(page, QRect(100, y, 100, 1)) > 0.9 && BlackShare(page, QRect(800, y, 100, 1)) < 0.9)
      rampTop = y;
  ASSERT_GE(rampTop, 0);
  std::vector<double> bands;
  for (int i = 0; i < 8; ++i) bands.push_back(BlackShare(page, QRect(100 + i * 100, rampTop + 20, 100, 60)));
  EXPECT_GT(bands.front(), 0.85);
  EXPECT_LT(bands.back(), 0.1);
  for (int i = 1; i < 8; ++i) EXPECT_LE(bands[size_t(i)], bands[size_t(i - 1)] + 0.03) << i;
  for (int i : {3, 4}) {  // mid greys: a pattern of about their density, no black blob
    EXPECT_GT(bands[size_t(i)], 0.3) << i;
    EXPECT_LT(bands[size_t(i)], 0.7) << i;
  }
  // The line art lands pixel for pixel: find its top-left (its first pixel is black).
  int artTop = -1;
  for (int y = rampTop + 100; y < page.height() && artTop < 0; ++y)
    if (BlackShare(page, QRect(100, y, 100, 1)) == 1.0) artTop = y;
  ASSERT_GE(artTop, 0);
  for (int y = 0; y < art.height(); ++y)
    for (int x = 0; x < art.width(); ++x)
      ASSERT_EQ(page.constScanLine(artTop + y)[100 + x], art.constScanLine(y)[x]) << x << "," << y;
}

TEST(RichTextPictures, UndecodablePictureIsAnEmptyFrameOnThePage) {
  TRichText pane;
  pane.LoadRtf(DocWithPictures({{"broken", 1440}}));  // 1 inch by a quarter
  const QImage page = PaintFaxPage(pane);
  QRect ink;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x)
      if (page.constScanLine(y)[x] < 128) ink |= QRect(x, y, 1, 1);
  EXPECT_NEAR(ink.width(), 200, 2);
  EXPECT_NEAR(ink.height(), 50, 2);
  EXPECT_EQ(BlackShare(page, ink.adjusted(3, 3, -3, -3)), 0.0);
}

TEST(RichTextPictures, PictureWiderThanThePageIsFittedKeepingProportions) {
  QImage wide(3000, 300, QImage::Format_RGB32);
  wide.fill(Qt::black);
  wide.setDotsPerMeterX(3780);  // 96 an inch: 31 inches wide
  wide.setDotsPerMeterY(3780);
  TRichText pane;
  pane.SetLayout(PageLayout{});
  pane.InsertImage(wide);
  const std::vector<RtfPicture> pictures = Pictures(ReadRtf(pane.SaveRtf().toStdString()));
  ASSERT_EQ(pictures.size(), 1u);
  const PageLayout l;
  EXPECT_EQ(pictures[0].goalWidth, l.width - l.marginLeft - l.marginRight);
  EXPECT_NEAR(double(pictures[0].goalHeight) / pictures[0].goalWidth, 0.1, 0.001);
}

}  // namespace
}  // namespace richtext::test
