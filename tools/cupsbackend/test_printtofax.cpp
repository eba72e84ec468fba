// A document printed from another program becomes a fax that looks like it. A word
// processor's PDF (rich text laid out on an A4 page with its fonts embedded, and a
// photograph) is printed with lp through the private scheduler to the Brindle queue, the
// real main window takes it into the fax editor, the editor is accepted and the fax file is
// built. Its page is then compared with the PDF as poppler's pdftoppm renders it at the
// resolution fax pages are painted at: tesseract reads the document's words on both, the text
// block and the photograph stand where the PDF has them, and the photograph is dithered.
#include "scheduler_rig.h"

#include "faximage/page_image.h"
#include "mainwindow_fixture.h"
#include "printededitor.h"

#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <sstream>

namespace {

using namespace printtest;

// Words of the document that OCR must find; all of them are in its text below.
const char* const kWords[] = {"harbour",    "survey",     "northern", "inspected",
                              "tuesday",    "warehouses", "customs",  "photograph",
                              "breakwater", "lighthouse", "repairs",  "september"};

// A photograph-like picture: sky, a sun, hills and grass, in greys from 70 to 235 with grain,
// so that every row of it carries ink when it is dithered and no threshold can pass for
// dithering.
QImage Photograph() {
  QImage photo(720, 480, QImage::Format_Grayscale8);
  std::uint32_t grain = 2041;
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x) {
      const double hill = 300 + 40 * std::sin(x / 90.0) + 20 * std::sin(x / 23.0);
      const double sun = std::hypot(x - 540.0, y - 110.0);
      double v = y < hill ? 215 - y / 12.0 : 150 - (y - hill) / 3.0;
      if (sun < 55) v = 232;
      grain = grain * 1103515245u + 12345u;
      v += int((grain >> 16) % 21) - 10;
      uchar* row = photo.scanLine(y);
      row[x] = uchar(std::clamp(v, 70.0, 235.0));
    }
  return photo;
}

// The document as a word processor lays it out: a heading, paragraphs in a serif font, the
// photograph between them, on A4 with 2 cm margins. Qt's rich-text layout pages it and its
// PDF writer stores what a word processor's PDF export stores: the fonts embedded with their
// character maps (the text can be searched) and the photograph as a JPEG image.
void WriteWordProcessorPdf(const QString& path) {
  QTextDocument doc;
  doc.setDefaultFont(QFont(QStringLiteral("Liberation Serif"), 13));
  doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("photo.jpg")), Photograph());
  doc.setHtml(QStringLiteral(
      "<h1>Harbour Survey</h1>"
      "<p>The northern quay was inspected on Tuesday morning. Seven cranes, four warehouses "
      "and the customs office were found in good order; the fuel berth needs new fenders.</p>"
      "<p align=\"center\"><img src=\"photo.jpg\" width=\"360\" height=\"240\"></p>"
      "<p>The photograph shows the western breakwater at low tide. Repairs to the lighthouse "
      "begin in September and close the outer channel for two weeks.</p>"));
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
  doc.print(&writer);
}

// The words tesseract reads in a picture, in lower case.
std::set<std::string> WordsRead(const fs::path& picture) {
  const fs::path text = picture.parent_path() / (picture.stem().string() + "-ocr");
  Shell("tesseract " + Quote(picture.string()) + " " + Quote(text.string()) +
        " -l eng 2> /dev/null");
  std::istringstream in(ReadFile(text.string() + ".txt"));
  std::set<std::string> words;
  for (std::string w; in >> w;) {
    std::string letters;
    for (char c : w)
      if (std::isalpha(static_cast<unsigned char>(c))) letters += char(std::tolower(c));
    words.insert(letters);
  }
  return words;
}

int WordsFound(const std::set<std::string>& read) {
  return int(std::count_if(std::begin(kWords), std::end(kWords),
                           [&](const char* w) { return read.count(w) > 0; }));
}

// Ink of a page, 1 = ink, row after row.
struct Ink {
  int width = 0, height = 0;
  std::vector<std::uint8_t> on;
  bool at(int x, int y) const { return on[std::size_t(y) * width + x]; }
};

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // right and bottom past the end
  void add(int x, int y) {
    left = std::min(left, x), top = std::min(top, y);
    right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
  }
};

// The photograph is the tallest band of rows that all carry ink; the text block is the ink
// of every other row. A row with fewer than three dots carries none (a fax page has a dot in
// its last corner).
struct Layout {
  Box text, photo;
};

Layout LayoutOf(const Ink& ink) {
  std::vector<bool> inked(ink.height);
  for (int y = 0; y < ink.height; ++y) {
    int dots = 0;
    for (int x = 0; x < ink.width; ++x) dots += ink.at(x, y);
    inked[y] = dots >= 3;
  }
  int bestTop = 0, bestHeight = 0;
  for (int y = 0; y < ink.height;) {
    int end = y;
    while (end < ink.height && inked[end]) ++end;
    if (end - y > bestHeight) bestTop = y, bestHeight = end - y;
    y = std::max(end, y + 1);
  }
  Layout l;
  for (int y = 0; y < ink.height; ++y)
    for (int x = 0; x < ink.width && inked[y]; ++x)
      if (ink.at(x, y)) (y >= bestTop && y < bestTop + bestHeight ? l.photo : l.text).add(x, y);
  return l;
}

Ink InkOf(const faximage::MonoBitmap& page) {
  Ink ink{page.width, page.height,
          std::vector<std::uint8_t>(std::size_t(page.width) * page.height)};
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x) ink.on[std::size_t(y) * page.width + x] = page.pixel(x, y);
  return ink;
}

// A binary PGM as pdftoppm writes it; every pixel not white is ink, so the light parts of
// the photograph count too.
Ink InkOf(const QImage& grey) {
  Ink ink{grey.width(), grey.height(),
          std::vector<std::uint8_t>(std::size_t(grey.width()) * grey.height())};
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x)
      ink.on[std::size_t(y) * grey.width() + x] = qGray(grey.pixel(x, y)) < 250;
  return ink;
}

// The editor fits a page into its text area, so the fax page is the rendered page scaled by
// one factor for both directions and moved by the margins (never enlarged). Fits that factor and
// move to the edges of the boxes and returns how far the worst edge lies from where they put it.
struct Fit {
  double scale = 0, dx = 0, dy = 0, worst = 0;
};

Fit FitEdges(const Layout& ref, const Layout& fax) {
  const double rx[] = {double(ref.text.left), double(ref.text.right), double(ref.photo.left),
                       double(ref.photo.right)};
  const double fx[] = {double(fax.text.left), double(fax.text.right), double(fax.photo.left),
                       double(fax.photo.right)};
  const double ry[] = {double(ref.text.top), double(ref.text.bottom), double(ref.photo.top),
                       double(ref.photo.bottom)};
  const double fy[] = {double(fax.text.top), double(fax.text.bottom), double(fax.photo.top),
                       double(fax.photo.bottom)};
  auto mean = [](const double* v) { return (v[0] + v[1] + v[2] + v[3]) / 4; };
  const double mrx = mean(rx), mfx = mean(fx), mry = mean(ry), mfy = mean(fy);
  double num = 0, den = 0;
  for (int i = 0; i < 4; ++i) {
    num += (rx[i] - mrx) * (fx[i] - mfx) + (ry[i] - mry) * (fy[i] - mfy);
    den += (rx[i] - mrx) * (rx[i] - mrx) + (ry[i] - mry) * (ry[i] - mry);
  }
  Fit f;
  f.scale = num / den;
  f.dx = mfx - f.scale * mrx;
  f.dy = mfy - f.scale * mry;
  for (int i = 0; i < 4; ++i)
    f.worst = std::max({f.worst, std::abs(f.scale * rx[i] + f.dx - fx[i]),
                        std::abs(f.scale * ry[i] + f.dy - fy[i])});
  return f;
}

// Darkness of the photograph: the mean grey of the rendered one, the share of black dots of
// the fax's (dithering keeps it; a threshold or a black block does not).
double Darkness(const QImage& grey, const Box& b) {
  double sum = 0;
  for (int y = b.top; y < b.bottom; ++y)
    for (int x = b.left; x < b.right; ++x) sum += 1 - qGray(grey.pixel(x, y)) / 255.0;
  return sum / (double(b.right - b.left) * (b.bottom - b.top));
}

double Darkness(const faximage::MonoBitmap& page, const Box& b) {
  long black = 0;
  for (int y = b.top; y < b.bottom; ++y)
    for (int x = b.left; x < b.right; ++x) black += page.pixel(x, y);
  return double(black) / (double(b.right - b.left) * (b.bottom - b.top));
}

class PrintToFax : public testutil::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    if (const std::string why = PrivateScheduler::Missing(); !why.empty()) GTEST_SKIP() << why;
    for (const char* tool : {"tesseract", "pdftoppm"})
      if (Shell(std::string("command -v ") + tool + " > /dev/null") != 0)
        GTEST_SKIP() << tool << " is not installed";
    ASSERT_TRUE(scheduler.Start()) << scheduler.ErrorLog();
    ASSERT_TRUE(scheduler.MakeQueue());
    qputenv("BRINDLE_SPOOL_DIR", QByteArray::fromStdString(scheduler.spool().string()));
  }
  void TearDown() override {
    if (HasFailure()) std::cerr << scheduler.ErrorLog();
    MainWindowTest::TearDown();
    qunsetenv("BRINDLE_SPOOL_DIR");
  }

  PrivateScheduler scheduler;
};

TEST_F(PrintToFax, AWordProcessorPdfPrintedWithLpBecomesAFaxLikeIt) {
  const fs::path work = scheduler.dir();
  const fs::path pdf = work / "survey.pdf";
  WriteWordProcessorPdf(QString::fromStdString(pdf.string()));

  app::TMainScreen& w = open();
  testutil::Opened opened;
  testutil::WhenEditorOpens(opened, true);
  ASSERT_TRUE(scheduler.Submit(pdf, "Harbour survey", "root"));
  // Until the fax is stored, or the queue is done and no job waits for the editor (the job
  // failed). The queue is asked now and then, not on every pass.
  const fs::path folder = scheduler.spool() / "root";
  int pass = 0;
  testutil::waitFor(
      [&] {
        return w.Store.FaxTable.table().recCount() > 0 ||
               (++pass % 25 == 0 && !opened.seen && !scheduler.Busy() && Jobs(folder).empty());
      },
      std::numeric_limits<int>::max());
  ASSERT_TRUE(opened.seen) << "the printed job did not reach the fax editor";
  EXPECT_EQ(opened.subject, "Harbour survey");
  EXPECT_EQ(opened.pictures, 1);

  const std::string faxFile = w.CreateFaxFile().toStdString();
  ASSERT_FALSE(faxFile.empty());
  faximage::MonoBitmap page;
  ASSERT_EQ(faximage::assemblePageImage(faxFile, 1, faximage::UnpackSettings{}, page), 0);
  // Fax pages are painted at 200 pixels per inch both ways and sent as fine pages.
  const fs::path reference = work / "reference";
  ASSERT_EQ(Shell("pdftoppm -gray -aa no -aaVector no -r 200 -singlefile " + Quote(pdf.string()) +
                  " " + Quote(reference.string())),
            0);
  const QImage rendered(QString::fromStdString(reference.string() + ".pgm"));
  ASSERT_FALSE(rendered.isNull());

  // The words, read by OCR from the fax page and from the rendering.
  const fs::path faxPicture = work / "fax.png";
  QImage faxImage(page.width, page.height, QImage::Format_Grayscale8);
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x) faxImage.scanLine(y)[x] = page.pixel(x, y) ? 0 : 255;
  ASSERT_TRUE(faxImage.save(QString::fromStdString(faxPicture.string())));
  const int onFax = WordsFound(WordsRead(faxPicture));
  const int onReference = WordsFound(WordsRead(reference.string() + ".pgm"));
  EXPECT_EQ(onReference, int(std::size(kWords)));
  EXPECT_EQ(onFax, int(std::size(kWords)));

  // Where the text block and the photograph stand.
  const Layout ref = LayoutOf(InkOf(rendered)), fax = LayoutOf(InkOf(page));
  const Fit fit = FitEdges(ref, fax);
  EXPECT_LE(fit.worst, 3.0);
  EXPECT_GT(fit.scale, 0.8);
  EXPECT_LE(fit.scale, 1.0);
  const double refDark = Darkness(rendered, ref.photo), faxDark = Darkness(page, fax.photo);
  EXPECT_NEAR(faxDark, refDark, 0.08);
  // The figures, for the record of the run.
  std::cerr << "words read " << onFax << " (fax) and " << onReference << " (rendering) of "
            << std::size(kWords) << "; scale " << fit.scale << ", moved " << fit.dx << ", "
            << fit.dy << ", worst edge off by " << fit.worst << " px; photograph darkness "
            << faxDark << " (fax) and " << refDark << " (rendering)\n";
}

}  // namespace
