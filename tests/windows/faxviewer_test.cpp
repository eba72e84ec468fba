// The fax viewer window: opening a file, the starting zoom, the zoom ladder, page buttons,
// export of a page, and removal of a temporary file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <QApplication>
#include <QLabel>
#include <QToolButton>
#include <filesystem>

#include "faximage/brx_file.h"
#include "faximage/convert_state.h"
#include "faximage/image_export.h"
#include "faximage/unpacker.h"
#include "faximage/viewer/fxfaxviewer.h"
#include "support/programdir.h"
#include "ui/beep.h"
#include "windows/faxviewer.h"

namespace windows {
namespace {

// A fine fax of `pages` full-width pages, each with a frame and `n` bars for page n.
std::string writeFax(const std::filesystem::path& path, int pages) {
  using namespace faximage;
  BrxWriter w;
  EXPECT_EQ(w.create(path.string()), 0);
  ConvertState st;
  std::array<std::uint8_t, kLineBufferBytes> line{};
  for (int p = 1; p <= pages; ++p) {
    w.beginPage(pfFine | pfLineLengths);
    for (int y = 0; y < 400; ++y) {
      line.fill(0);
      const bool edge = y < 4 || y >= 396;
      for (int b = 0; b < 216; ++b)
        if (edge || b == 0 || b == 215 || (y > 40 && y < 60 + 20 * p && b % 20 == 1))
          line[std::size_t(b)] = 0xFF;
      st.EncodeLine(line);
      w.addLineRecord(st.coded());
    }
    w.endPage();
  }
  EXPECT_EQ(w.finish("", 0), 0);
  return path.string();
}

// Each test has a program folder of its own: the window keeps its place in BDL.INI there.
struct FaxViewerWindowTest : ::testing::Test {
  testutil::ProgramDirFixture programDir;
  std::filesystem::path dir = programDir.dir.path();
  void open(TFaxViewer& w, const std::string& file, int width) {
    w.FaxFileName = file;
    w.resize(width, 500);
    w.show();
    QApplication::processEvents();
    QApplication::processEvents();
  }
};

TEST(FaxViewerRules, StartZoomAndLadder) {
  EXPECT_EQ(StartZoom(600, 1728), 50);
  EXPECT_EQ(StartZoom(1800, 1728), 100);
  EXPECT_EQ(StartZoom(400, 1728), 25);
  EXPECT_EQ(NextZoom(100, +1), 150);
  EXPECT_EQ(NextZoom(200, +1), 0);
  EXPECT_EQ(NextZoom(25, -1), 0);
}

TEST_F(FaxViewerWindowTest, OpensAtAFittingZoomAndPagesWithButtons) {
  const auto file = writeFax(dir / "two.brx", 2);
  TFaxViewer w;
  open(w, file, 640);
  EXPECT_EQ(w.FaxViewer->NumPages(), 2);
  EXPECT_EQ(w.Zoom(), 50);
  EXPECT_TRUE(w.N50PercentItem->isChecked());
  EXPECT_EQ(w.FaxViewer->ScaledWidth(), w.FaxViewer->PageWidth() / 2);
  EXPECT_TRUE(w.NextButton->isVisible());
  w.NextButton->click();
  EXPECT_EQ(w.FaxViewer->ActivePage(), 2);
  EXPECT_EQ(w.StatusPanel->text(), PageStatusText(2, 2));

  const int beeps = ui::BeepCount();
  w.ZoomOutButton->click();
  EXPECT_EQ(w.Zoom(), 25);
  w.ZoomOutButton->click();
  EXPECT_EQ(ui::BeepCount(), beeps + 1);
  w.N200PercentItem->trigger();
  w.ZoomInButton->click();
  EXPECT_EQ(w.Zoom(), 200);
  EXPECT_EQ(ui::BeepCount(), beeps + 2);

  w.Rotate90Item->trigger();
  EXPECT_EQ(w.FaxViewer->Rotation(), 1);
  EXPECT_FALSE(w.NoRotateItem->isChecked());
}

TEST_F(FaxViewerWindowTest, ExportedPageDecodesToThePageAndTheFaxFileIsRefused) {
  const auto file = writeFax(dir / "two.brx", 2);
  TFaxViewer w;
  open(w, file, 640);
  w.FaxViewer->GotoPage(2);
  const std::string pcx = (dir / "page2.pcx").string();
  ASSERT_EQ(w.ExportPage(faximage::ExportFormat::Pcx, pcx), 0);
  faximage::TFxFaxUnpacker u;
  u.AutoScaleMode = faximage::TAutoScaleMode::asNone;
  u.SetInFileName(file);
  faximage::MonoBitmap page;
  ASSERT_EQ(u.TryUnpackPageToImage(2, page), 0);
  for (auto& b : page.bits) b = std::uint8_t(~b);
  std::vector<std::uint8_t> want;
  faximage::encodePcx(page, want);
  std::vector<std::uint8_t> got(std::filesystem::file_size(pcx));
  FILE* f = fopen(pcx.c_str(), "rb");
  ASSERT_EQ(fread(got.data(), 1, got.size(), f), got.size());
  fclose(f);
  EXPECT_EQ(got, want);
  EXPECT_NE(w.ExportPage(faximage::ExportFormat::Pcx, file), 0);
  EXPECT_GT(std::filesystem::file_size(file), 128u);
}

TEST(FaxViewerExport, OffersANameOfItsOwnNotAFilterPattern) {
  EXPECT_EQ(windows::ExportFileSuggestion("/data/receive/FAX0007.BRX", false, "BMP", "/home/u"),
            "/home/u/FAX0007.bmp");
  EXPECT_EQ(windows::ExportFileSuggestion("/tmp/x81.brx", true, "PCX", "/home/u"),
            "/home/u/Fax.pcx");
}

TEST_F(FaxViewerWindowTest, PdfExportHoldsEveryPageAndRefusesTheFaxFile) {
  const auto file = writeFax(dir / "two.brx", 2);
  TFaxViewer w;
  open(w, file, 640);
  EXPECT_TRUE(w.ExportFaxasPDF1->isEnabled());
  const std::string pdf = (dir / "two.pdf").string();
  ASSERT_EQ(w.ExportFaxPdf(pdf), 0);
  std::ifstream in(pdf, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u);
  EXPECT_NE(bytes.find("/Count 2"), std::string::npos);
  const auto size = std::filesystem::file_size(file);
  EXPECT_NE(w.ExportFaxPdf(file), 0);
  EXPECT_EQ(std::filesystem::file_size(file), size);
}

TEST_F(FaxViewerWindowTest, TemporaryFileIsGoneAfterClosing) {
  const auto file = writeFax(dir / "temp.brx", 1);
  {
    TFaxViewer w;
    w.DeleteFileOnClose = true;
    open(w, file, 640);
    EXPECT_FALSE(w.NextButton->isVisible());
    w.CloseButton->click();
  }
  EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace windows
