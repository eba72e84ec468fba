// Fax printing into PDF files read back with poppler's tools: pages per sheet, header and
// footer codes, the page's proportions on paper, Abort, the print log, and the print
// dialog of the viewer window with its stored preferences.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "brx_builder.h"
#include "faximage/viewer/fxfaxviewer.h"
#include "settings/inifile.h"
#include "support/programdir.h"
#include "support/qtwait.h"
#include "ui/beep.h"
#include "windows/faxprinter.h"
#include "windows/faxprinterlog.h"
#include "windows/faxprinterstatus.h"
#include "windows/faxviewer.h"
#include "windows/preprintform.h"

namespace windows {
namespace {

using faximage::MonoBitmap;
using faximage::test::BitmapPage;

// A page with a black frame 8 pixels thick around the whole image: its outline on paper
// shows where the page went and at what proportions.
MonoBitmap framedPage(int lines) {
  MonoBitmap b(1728, lines);
  for (int y = 0; y < lines; ++y)
    for (int x = 0; x < 1728; ++x)
      if (y < 8 || y >= lines - 8 || x < 8 || x >= 1720) b.setPixel(x, y, true);
  return b;
}

QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& pdf) {
  const QString info = run("pdfinfo", {pdf});
  const qsizetype at = info.indexOf("Pages:");
  return at < 0 ? 0 : info.mid(at + 6).section('\n', 0, 0).trimmed().toInt();
}

// Sheet n of the PDF as a grey image at 100 dots per inch.
QImage sheet(const QString& pdf, int n) {
  const QString prefix = pdf + QString::number(n);
  run("pdftoppm", {"-r", "100", "-gray", "-singlefile", "-f", QString::number(n), "-l",
                   QString::number(n), pdf, prefix});
  return QImage(prefix + ".pgm");
}

// The smallest rectangle holding every dark pixel of the part of the image.
QRect darkBox(const QImage& img, QRect part = {}) {
  if (part.isNull()) part = img.rect();
  QRect box;
  for (int y = part.top(); y <= part.bottom(); ++y)
    for (int x = part.left(); x <= part.right(); ++x)
      if (qGray(img.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
  return box;
}

struct FaxPrinterTest : ::testing::Test {
  testutil::ProgramDirFixture dir;
  TFxFaxPrinter printer;
  TFxFaxPrinterLog log;
  QString pdf = QString::fromStdString(dir.path("out.pdf"));

  // Writes the pages and points the printer, with its log, at them and at a PDF file.
  void load(const std::vector<BitmapPage>& pages) {
    const std::string fax = dir.path("FAX$1.BRX");
    ASSERT_EQ(faximage::test::writeBrx(fax, pages), 0);
    printer.Printer().setOutputFormat(QPrinter::PdfFormat);
    printer.Printer().setOutputFileName(pdf);
    printer.Printer().setPageSize(QPageSize(QPageSize::A4));
    printer.FaxPrinterLog = &log;
    printer.SetFileName(QString::fromStdString(fax));
  }
  QString logText() { return QString::fromStdString(dir.read("FAXPRINT.LOG")); }
};

TEST(FaxPrintLayout, MarginCodesAndSheetSlots) {
  const MarginFacts facts{"/tmp/a$P.brx", 5, 2, QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))};
  EXPECT_EQ(ExpandMarginCodes("Page: $P of $N", facts), "Page: 2 of 5");
  EXPECT_EQ(ExpandMarginCodes("FILE: $F", facts), "FILE: /tmp/a$P.brx");
  EXPECT_EQ(ExpandMarginCodes("$x gone, $p small, end $", facts), " gone, 2 small, end ");
  EXPECT_TRUE(ExpandMarginCodes("$D", facts).contains("4"));

  const QRect sheetRect(0, 0, 1000, 1400);
  EXPECT_EQ(SheetSlot(sheetRect, false, false, 3), sheetRect);
  EXPECT_EQ(SheetSlot(sheetRect, true, false, 0), QRect(2, 2, 496, 696));
  EXPECT_EQ(SheetSlot(sheetRect, true, false, 3), QRect(502, 702, 496, 696));
  EXPECT_EQ(SheetSlot(sheetRect, true, true, 1), QRect(502, 2, 496, 1396));

  // A fine page of 1728 x 2200 is 215 x 285.7 mm: at 254 dpi 2150 x 2857 device pixels.
  EXPECT_EQ(PrintedSize(1728, 2200, 254, 254, {}, TFaxPrintScale::psNone), QSize(2150, 2857));
  // Fitted: a tall page fills the height, a wide one the width, proportions kept.
  EXPECT_EQ(PrintedSize(1728, 2200, 254, 254, {2000, 2000}, TFaxPrintScale::psFitToPage),
            QSize(1505, 2000));
  EXPECT_EQ(PrintedSize(1728, 770, 254, 254, {2000, 2000}, TFaxPrintScale::psFitToPage),
            QSize(2000, 930));
}

TEST_F(FaxPrinterTest, OnePagePerSheetWithCodesAndTrueProportions) {
  // A fine page and a standard page of the same height on paper, then one more.
  load({{framedPage(1100), true}, {framedPage(550), false}, {framedPage(1100), true}});
  printer.FaxHeader.Caption = "FILE: $F";
  printer.FaxFooter.Caption = "Page: $P of $N";
  std::vector<int> announced;
  printer.OnNextPage = [&](int page, int count) { announced.push_back(page * 10 + count); };
  ASSERT_EQ(printer.PrintFaxFile(), 0);
  EXPECT_EQ(announced, (std::vector<int>{13, 23, 33}));
  EXPECT_EQ(pdfPages(pdf), 3);
  const QString text = run("pdftotext", {"-layout", pdf, "-"});
  EXPECT_TRUE(text.contains("Page: 2 of 3"));
  EXPECT_TRUE(text.contains("FAX$1.BRX"));

  // Without margins the page's outline is all that is dark on the sheet.
  printer.FaxHeader.Enabled = printer.FaxFooter.Enabled = false;
  ASSERT_EQ(printer.PrintFaxFile(), 0);
  const double expected = 215.0 / (1100 / 7.7);
  for (int n : {1, 2}) {
    const QRect box = darkBox(sheet(pdf, n));
    ASSERT_FALSE(box.isEmpty()) << "sheet " << n;
    EXPECT_NEAR(double(box.width()) / box.height(), expected, expected * 0.01) << "sheet " << n;
    EXPECT_GT(box.width(), 700) << "fitted to the width of an A4 sheet at 100 dpi";
  }
  EXPECT_EQ(logText().count("started at"), 2);
  EXPECT_EQ(logText().count("finished at"), 2);
  EXPECT_TRUE(logText().contains(printer.FileName() + " finished at "));
  EXPECT_TRUE(logText().endsWith("\n\n"));
}

TEST_F(FaxPrinterTest, FourPagesPerPortraitSheetInReadingOrder) {
  load(std::vector<BitmapPage>(5, {framedPage(1100), true}));
  printer.MultiPage = true;
  printer.FaxHeader.Enabled = printer.FaxFooter.Enabled = false;
  ASSERT_EQ(printer.PrintFaxFile(), 0);
  ASSERT_EQ(pdfPages(pdf), 2);
  const QImage first = sheet(pdf, 1), second = sheet(pdf, 2);
  const int w = first.width() / 2, h = first.height() / 2;
  for (int q = 0; q < 4; ++q) {
    const QRect quarter((q & 1) * w, (q / 2) * h, w, h);
    EXPECT_FALSE(darkBox(first, quarter).isEmpty()) << "quarter " << q << " of sheet 1";
    EXPECT_EQ(darkBox(second, quarter).isEmpty(), q != 0) << "quarter " << q << " of sheet 2";
  }
}

TEST_F(FaxPrinterTest, AbortStopsAfterTheCurrentPageAndIsLogged) {
  load(std::vector<BitmapPage>(4, {framedPage(200), true}));
  TFxFaxPrinterStatus status(nullptr);
  printer.StatusDisplay = &status;
  std::vector<int> announced;
  printer.OnNextPage = [&](int page, int) {
    announced.push_back(page);
    EXPECT_TRUE(status.Display()->isVisible());
    if (page == 2) status.Display()->fpsAbortButton->click();
  };
  printer.PrintFaxFile();
  EXPECT_EQ(announced, (std::vector<int>{1, 2}));
  EXPECT_FALSE(status.Display()->isVisible());
  EXPECT_EQ(printer.CurrentPrintPage, 0);
  const QString text = logText();
  EXPECT_TRUE(text.contains(" started at ") && text.contains(" aborted at "));
  EXPECT_FALSE(text.contains(" finished at "));

  // The next job runs in full.
  printer.OnNextPage = {};
  EXPECT_EQ(printer.PrintFaxFile(), 0);
  EXPECT_EQ(pdfPages(pdf), 4);
}

TEST_F(FaxPrinterTest, ViewerPrintDialogStoresPreferencesAndPrintsTheChosenRange) {
  load(std::vector<BitmapPage>(3, {framedPage(300), true}));
  PrinterPresence().Install([] { return true; });
  TFaxViewer viewer;
  viewer.FaxFileName = printer.FileName().toStdString();
  viewer.HeaderText = "To: Office $P";
  viewer.show();
  QDeadlineTimer loading(5000);
  while (viewer.FaxViewer->NumPages() != 3 && !loading.hasExpired()) QApplication::processEvents();
  ASSERT_EQ(viewer.FaxViewer->NumPages(), 3);
  viewer.FaxPrinter->Printer().setOutputFormat(QPrinter::PdfFormat);
  viewer.FaxPrinter->Printer().setOutputFileName(pdf);

  // To Page below From Page beeps and keeps the dialog open; Cancel still stores the boxes.
  const int beeps = ui::BeepCount();
  QTimer::singleShot(0, [] {
    auto* form = qobject_cast<TPrePrintForm*>(QApplication::activeModalWidget());
    ASSERT_TRUE(form);
    EXPECT_EQ(form->ToPage->value(), 3);
    form->FromPage->setValue(3);
    form->ToPage->setValue(2);
    form->BitBtn1->click();
    EXPECT_TRUE(form->isVisible());
    form->PrintMultiPage->setChecked(true);
    form->PrintFooter->setChecked(false);
    form->BitBtn2->click();
  });
  viewer.PrintbuttonClick();
  EXPECT_EQ(ui::BeepCount(), beeps + 1);
  settings::IniFile ini(settings::SettingsFilePath());
  ini.load();
  EXPECT_TRUE(ini.readBool("Printing", "MultiPage", false));
  EXPECT_FALSE(ini.readBool("Printing", "Footer", true));
  EXPECT_FALSE(QFile::exists(pdf)) << "a cancelled dialog prints nothing";

  // Confirmed: pages 2 to 3, two on one sheet, the window's header text with its code.
  QTimer::singleShot(0, [] {
    auto* form = qobject_cast<TPrePrintForm*>(QApplication::activeModalWidget());
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->PrintMultiPage->isChecked()) << "the stored preference comes back";
    form->FromPage->setValue(2);
    form->BitBtn1->click();
  });
  viewer.PrintbuttonClick();
  EXPECT_EQ(pdfPages(pdf), 1);
  const QString text = run("pdftotext", {pdf, "-"});
  EXPECT_TRUE(text.contains("To: Office 2"));
  EXPECT_TRUE(text.contains("To: Office 3"));
  EXPECT_FALSE(text.contains("Page:")) << "footer off";
  PrinterPresence().Install({});
}

// Without a printer the print buttons say why in their tips and write a PDF file the user
// names; Setup, which only a printer has, stays off.
TEST_F(FaxPrinterTest, WithoutAPrinterThePrintButtonsPrintToPdfFiles) {
  load(std::vector<BitmapPage>(2, {framedPage(300), true}));
  PrinterPresence().Install([] { return false; });
  QString suggested;
  PdfFileAnswers().Install([&](const QString& name) {
    suggested = name;
    return pdf;
  });
  TFaxViewer viewer;
  viewer.FaxFileName = printer.FileName().toStdString();
  viewer.show();
  ASSERT_TRUE(testutil::waitFor([&] { return viewer.FaxViewer->NumPages() == 2; }));
  EXPECT_FALSE(viewer.PrinterSetupButton->isEnabled());
  for (QToolButton* b : {viewer.Printbutton, viewer.ExplorerButton1}) {
    EXPECT_TRUE(b->isEnabled());
    EXPECT_TRUE(b->toolTip().contains("PDF")) << b->toolTip().toStdString();
  }
  QTimer::singleShot(0, [] {
    auto* form = qobject_cast<TPrePrintForm*>(QApplication::activeModalWidget());
    ASSERT_TRUE(form);
    form->BitBtn1->click();
  });
  viewer.ExplorerButton1->click();
  PdfFileAnswers().Install({});
  PrinterPresence().Install({});
  EXPECT_TRUE(suggested.endsWith(".pdf"));
  EXPECT_EQ(pdfPages(pdf), 1);
}

}  // namespace
}  // namespace windows
