// Page painting: text lands in the target rectangle at the requested resolution, pages
// break where the pane's layout breaks them, and the returned lines chain the pages.
#include "richtext/codec/mergefield.h"
#include "richtext/richtext.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

namespace richtext {
namespace {

// The fax page: 1664 x 2156 at 200 pixels per inch, text inset by 49 pixels.
const QRect kTarget(49, 49, 1566, 2058);
constexpr int kPpi = 200;

QImage Blank() {
  QImage image(1664, 2156, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// Bounding box of the dark pixels; null when there are none.
QRect Ink(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (qGray(row[x]) < 128) box |= QRect(x, y, 1, 1);
  }
  return box;
}

struct Painted {
  QImage image;
  int next;
};

Painted Paint(TRichText& pane, int firstLine, QRect target = kTarget, int ppi = kPpi) {
  Painted p{Blank(), 0};
  QPainter painter(&p.image);
  p.next = pane.PaintPage(painter, target, ppi, firstLine);
  return p;
}

// Paints every page and returns the first line of each.
std::vector<int> PageStarts(TRichText& pane, QRect target = kTarget) {
  std::vector<int> starts;
  int line = 0;
  do {
    starts.push_back(line);
    line = Paint(pane, line, target).next;
  } while (line > 0 && starts.size() < 1000);
  return starts;
}

TEST(PaintPage, OneLineLandsAtTheTopLeftOfTheTarget) {
  TRichText pane;
  pane.SetCurrentCharAttributes({"Arial", 12, false, false, false});
  pane.insertPlainText("Hello fax");
  Painted p = Paint(pane, 0);
  EXPECT_EQ(p.next, 0);
  QRect ink = Ink(p.image);
  ASSERT_FALSE(ink.isNull());
  EXPECT_TRUE(kTarget.contains(ink));
  EXPECT_LT(ink.left() - kTarget.left(), 10);
  EXPECT_LT(ink.top() - kTarget.top(), 40);  // one 12-point line is ~33 pixels at 200
  EXPECT_GT(ink.height(), 15);               // 12 points drawn at 200, not at screen size
  EXPECT_LT(ink.height(), 45);
  EXPECT_GT(ink.width(), 120);
}

TEST(PaintPage, ResolutionScalesThePicture) {
  TRichText pane;
  pane.insertPlainText("Scale me evenly");
  QRect at200 = Ink(Paint(pane, 0).image);
  QRect at100 = Ink(Paint(pane, 0, kTarget, 100).image);
  EXPECT_NEAR(double(at200.width()) / at100.width(), 2.0, 0.15);
}

TEST(PaintPage, PageBreakParagraphsStartNewPages) {
  TRichText pane;
  pane.insertPlainText("Page one");
  pane.InsertPageBreak();
  pane.insertPlainText("Page two");
  pane.InsertPageBreak();
  pane.insertPlainText("Page three");
  pane.SetPaintOptions(kPaintLayoutPages);
  EXPECT_EQ(PageStarts(pane), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(pane.PageCount(kTarget, kPpi), 3);
  // Each page shows one line at its top.
  for (int line : {0, 1, 2}) {
    QRect ink = Ink(Paint(pane, line).image);
    EXPECT_LT(ink.top() - kTarget.top(), 40) << line;
    EXPECT_LT(ink.height(), 45) << line;
  }
  pane.SetPaintOptions(0);  // page-break paragraphs break pages without the option too
  EXPECT_EQ(PageStarts(pane).size(), 3u);
}

TEST(PaintPage, LongTextFlowsOverPagesOfTheLayout) {
  TRichText pane;
  pane.SetCurrentCharAttributes({"Arial", 12, false, false, false});
  for (int i = 0; i < 150; ++i) pane.insertPlainText(QString("Line %1\n").arg(i));
  pane.SetPaintOptions(kPaintLayoutPages);
  std::vector<int> starts = PageStarts(pane);
  ASSERT_GE(starts.size(), 3u);
  for (size_t i = 1; i < starts.size(); ++i) EXPECT_GT(starts[i], starts[i - 1]);
  // The layout's page is 10 inches of text (US Letter less half-inch margins): the ink
  // of a full page stays within 2000 pixels.
  QRect full = Ink(Paint(pane, 0).image);
  EXPECT_LE(full.bottom() - kTarget.top(), 2000);
  EXPECT_GT(full.bottom() - kTarget.top(), 1800);
  // A shorter rectangle without the option breaks where the rectangle is full.
  pane.SetPaintOptions(0);
  QRect half(49, 49, 1566, 1000);
  std::vector<int> halfStarts = PageStarts(pane, half);
  EXPECT_GT(halfStarts.size(), starts.size());
  EXPECT_LE(Ink(Paint(pane, 0, half).image).bottom(), half.bottom());
  // A taller layout page holds more lines.
  pane.SetPaintOptions(kPaintLayoutPages);
  pane.SetLayout({12240, 31680, 720, 720, 720, 720});
  EXPECT_LT(PageStarts(pane, QRect(0, 0, 1600, 4400)).size(), starts.size());
}

TEST(PaintPage, MergedFieldsPrintTheirTextWithoutTheEditorMark) {
  TRichText editor;
  editor.insertPlainText("cleared");
  editor.Clear();
  editor.InsertMergeField(kFieldRecipient, "[RECIPIENT]");
  editor.SetTextToInsertHandler([](int, const QString&) { return QString("WWWWWWWW"); });
  editor.MergeFields();
  TRichText pane;  // painted as stored, the way a fax is rendered
  pane.LoadRtf(editor.SaveRtf());
  QImage image = Paint(pane, 0).image;
  QRect ink = Ink(image);
  ASSERT_FALSE(ink.isNull());
  EXPECT_GT(ink.width(), 150);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 800; ++x) {
      QRgb c = image.pixel(x, y);
      ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << x << "," << y;  // no tint
    }
}

// The top and bottom rows of ink of each run of inked columns, left to right.
std::vector<std::pair<int, int>> GlyphRows(const QImage& image) {
  std::vector<std::pair<int, int>> glyphs;
  bool inGlyph = false;
  for (int x = 0; x < image.width(); ++x) {
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
      if (qGray(image.pixel(x, y)) < 128) {
        if (top < 0) top = y;
        bottom = y;
      }
    if (top < 0) {
      inGlyph = false;
      continue;
    }
    if (!inGlyph) glyphs.push_back({top, bottom});
    glyphs.back() = {std::min(glyphs.back().first, top), std::max(glyphs.back().second, bottom)};
    inGlyph = true;
  }
  return glyphs;
}

TEST(PaintPage, FieldsStandOnTheBaseLineOfTheTextAroundThem) {
  TRichText pane;
  pane.SetCurrentCharAttributes({"Arial", 20, false, false, false});
  pane.insertPlainText("H ");
  pane.InsertMergeField(kFieldRecipient, "H");
  pane.insertPlainText(" H");
  QImage page(400, 150, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter painter(&page);
  pane.PaintPage(painter, QRect(0, 0, 400, 150), kPpi, 0);
  painter.end();
  const auto glyphs = GlyphRows(page);
  ASSERT_EQ(glyphs.size(), 3u);
  EXPECT_EQ(glyphs[1], glyphs[0]);
  EXPECT_EQ(glyphs[2], glyphs[0]);

  // The editor draws the same field on its tint at the same height as the text.
  pane.resize(300, 100);
  const QImage shown = pane.viewport()->grab().toImage();
  std::vector<std::pair<int, int>> letters;
  for (auto rows : GlyphRows(shown.convertToFormat(QImage::Format_RGB32)))
    if (rows.second - rows.first > 5) letters.push_back(rows);
  ASSERT_EQ(letters.size(), 3u);
  EXPECT_EQ(letters[1].second, letters[0].second);
}

TEST(PaintPage, EmptyTextAndLinesOutOfRange) {
  TRichText pane;
  Painted empty = Paint(pane, 0);
  EXPECT_EQ(empty.next, 0);
  EXPECT_TRUE(Ink(empty.image).isNull());
  pane.insertPlainText("x");
  Painted beyond = Paint(pane, 99);
  EXPECT_EQ(beyond.next, 0);
  EXPECT_TRUE(Ink(beyond.image).isNull());
  EXPECT_EQ(Paint(pane, -1).next, 0);
}

TEST(PaintPage, EditingAfterPaintingIsSeen) {
  TRichText pane;
  pane.SetPaintOptions(kPaintLayoutPages);
  pane.insertPlainText("first");
  EXPECT_EQ(PageStarts(pane).size(), 1u);
  pane.InsertPageBreak();
  pane.insertPlainText("second");
  EXPECT_EQ(PageStarts(pane).size(), 2u);
}

}  // namespace
}  // namespace richtext
