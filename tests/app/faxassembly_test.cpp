// Building the fax file of an outgoing fax through the main window: page order and count,
// pages as the editor pane paints the same texts, blank texts, left-over files, failures, and what
// the window shows while it builds.
#include "app/assembly/faxassembly.h"
#include "compose/enteredit.h"
#include "compose/faxeditor.h"
#include "base/errorranges.h"
#include "faximage/brx_file.h"
#include "faximage/converter.h"
#include "faximage/errors.h"
#include "faxpages.h"
#include "mainwindow_fixture.h"
#include "richtext/richtext.h"
#include "tables/errors.h"

#include <QLabel>
#include <QToolBar>

#include <set>

using testutil::MainWindowTest;

namespace {

using testutil::AddOutgoingWithText;
using testutil::FilesStartingWith;

int pageCount(const std::string& file) {
  faximage::BrxReader r;
  return r.openFile(file) == faximage::ecOK ? r.pageCount() : -1;
}

// Expects every page of the fax file, from `first` on, to be what the editor paints.
void expectPagesAsPainted(const std::string& faxFile, unsigned first, richtext::TRichText& editor,
                          int pages) {
  const std::vector<QImage> painted = testutil::PaintedPages(editor);
  ASSERT_EQ(int(painted.size()), pages);
  for (int i = 0; i < pages; ++i) {
    const faximage::MonoBitmap page = testutil::DecodedPage(faxFile, first + unsigned(i));
    EXPECT_GT(testutil::BlackPixels(painted[size_t(i)]), 500)
        << "page " << first + i << " has text";
    EXPECT_EQ(testutil::DifferingPixels(page, painted[size_t(i)]), 0) << "page " << first + i;
    ASSERT_FALSE(page.empty());
    EXPECT_TRUE(page.pixel(50 + app::kFaxPageWidth - 1, app::kFaxPageHeight - 1)) << "corner pixel";
  }
}

// What the window shows each time the build lets messages run.
struct WhileBuilding {
  std::set<QString> statusTexts;
  std::set<std::string> files;
  bool toolBarEverEnabled = false;
  bool hourglassAlways = true;
  int looks = 0;
};

class FaxAssemblyTest : public MainWindowTest {
 protected:
  std::string build(WhileBuilding* seen = nullptr) {
    QTimer timer;
    if (seen) {
      QObject::connect(&timer, &QTimer::timeout, [this, seen] {
        for (const std::string& f : FilesStartingWith("")) seen->files.insert(f);
        // The last look comes after the build, when the status line is cleared.
        if (window->status->text().isEmpty()) return;
        ++seen->looks;
        seen->statusTexts.insert(window->status->text());
        seen->toolBarEverEnabled |= window->ButtonBar->isEnabled();
        const QCursor* cursor = QApplication::overrideCursor();
        seen->hourglassAlways &= cursor && cursor->shape() == Qt::WaitCursor;
      });
      timer.start(0);
    }
    return window->CreateFaxFile().toStdString();
  }

  void expectNothingLeft() {
    EXPECT_TRUE(FilesStartingWith("BDLAX").empty());
    EXPECT_TRUE(FilesStartingWith("_TMP").empty());
    EXPECT_TRUE(FilesStartingWith("Eraseme").empty());
    EXPECT_TRUE(window->ButtonBar->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(window->status->text().isEmpty());
  }
};

TEST(FaxPageGeometry, TextSitsAtTheLayoutsMarginsInsideTheInset) {
  // Half-inch margins on the fax page, the fax line's 50 white pixels counted on the left.
  EXPECT_EQ(app::FaxTextRect(richtext::PageLayout{}, 50),
            QRect(QPoint(50, 100), QPoint(1614, 2106)));
  // Text that would not fit below its top margin moves up, but never past the inset.
  EXPECT_EQ(app::FaxTextRect({12240, 15840, 0, 1440, 0, 0}, 50).top(), 2107 - 2000);
  EXPECT_EQ(app::FaxTextRect({12240, 15840, 0, 0, 0, 0}, 50).top(), 49);
}

TEST_F(FaxAssemblyTest, TextStartsHalfAnInchFromTheTopAndLeftOfTheFaxPage) {
  // A full block at the start of the first line marks the corner of the text.
  AddOutgoingWithText("Margins", "", "", testutil::Rtf("\\u9608?\\u9608?\\par"));
  open();
  const std::string name = build();
  const faximage::MonoBitmap page = testutil::DecodedPage(name, 1);
  ASSERT_FALSE(page.empty());
  int left = page.width, top = page.height;
  for (int y = 0; y < page.height - 1; ++y)  // the last row holds the corner pixel
    for (int x = 0; x < page.width; ++x)
      if (page.pixel(x, y)) {
        left = std::min(left, x);
        top = std::min(top, y);
      }
  constexpr int kHalfInch = app::kFaxPixelsPerInch / 2;
  EXPECT_NEAR(left, kHalfInch, 8);
  EXPECT_NEAR(top, kHalfInch, 8);
}

// A logo inserted into a cover template survives saving the template, loading and
// merging it in the fax editor, storing the fax and building its file: its pixels are on
// the fax page as they are in the picture (line art, one picture pixel a page pixel).
TEST_F(FaxAssemblyTest, CoverTemplateLogoReachesTheFaxPage) {
  QImage logo(100, 50, QImage::Format_Mono);
  logo.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < logo.height(); ++y)
    for (int x = 0; x < logo.width(); ++x)
      logo.setPixel(x, y, (x / 10 + y / 10) % 2 == 0 || y < 2 ? 1 : 0);
  logo.setDotsPerMeterX(7874);  // 200 an inch: the fax page's own pixels
  logo.setDotsPerMeterY(7874);
  richtext::TRichText templatePane;
  templatePane.LoadRtf(QByteArray::fromStdString(testutil::Rtf("{\\field{\\*\\fldinst MERGEFIELD "
                                                               "\"[RECIPIENT]\"}{\\*\\bdlmergeid1}"
                                                               "{\\fldrslt [RECIPIENT]}}\\par")));
  templatePane.InsertImage(logo);
  const QByteArray stored = templatePane.SaveRtf();

  compose::TFaxEditor editor;
  editor.Recipient->setText(QStringLiteral("Jane Roe"));
  editor.LoadCoverTemplate(stored);
  ASSERT_EQ(editor.RichCover->MergeFieldList().value(0).text, QStringLiteral("Jane Roe"));
  AddOutgoingWithText("Logo", "", editor.RichCover->SaveRtf().toStdString(), "");
  open();
  const faximage::MonoBitmap page = testutil::DecodedPage(build(), 1);
  ASSERT_FALSE(page.empty());
  int top = -1, left = -1;  // the logo's first row is black all along
  for (int y = 0; y < page.height && top < 0; ++y)
    for (int x = 0; x < page.width && top < 0; ++x)
      if (page.pixel(x, y)) top = y, left = x;
  ASSERT_GE(top, 0);
  long differing = 0;
  for (int y = 0; y < logo.height(); ++y)
    for (int x = 0; x < logo.width(); ++x)
      differing += page.pixel(left + x, top + y) != (logo.pixelIndex(x, y) == 1);
  EXPECT_EQ(differing, 0);
}

TEST_F(FaxAssemblyTest, CoverPageThenThreeDocumentPagesAsTheEditorPaintsThem) {
  AddOutgoingWithText("Four pages", "", testutil::CoverRtf(), testutil::ThreePageRtf());
  open();
  WhileBuilding seen;
  const std::string name = build(&seen);

  EXPECT_EQ(name, dir.path("BDL_1.BRX"));
  EXPECT_EQ(window->PagesBuilt, 4);
  ASSERT_EQ(pageCount(name), 4);
  expectPagesAsPainted(name, 1, *testutil::EditorWith(testutil::CoverRtf()), 1);
  expectPagesAsPainted(name, 2, *testutil::EditorWith(testutil::ThreePageRtf()), 3);
  faximage::BrxReader r;
  ASSERT_EQ(r.openFile(name), faximage::ecOK);
  for (unsigned n = 1; n <= 4; ++n) {
    faximage::BrxPage page;
    ASSERT_EQ(r.page(n, page), faximage::ecOK);
    EXPECT_TRUE(page.header.fine());
    EXPECT_FALSE(page.header.wide());
  }

  // Page files, bitmap and status texts came and went; the tool bar stayed off.
  EXPECT_GT(seen.looks, 0);
  for (const char* f : {"BDLAX2.BRX", "BDLAX3.BRX", "BDLAX4.BRX", "_TMP.BMP"})
    EXPECT_TRUE(seen.files.count(f)) << f;
  EXPECT_FALSE(seen.files.count("BDLAX1.BRX"));
  for (const char* s : {"Creating fax file", "Creating fax file....", "Creating fax file........"})
    EXPECT_TRUE(seen.statusTexts.count(QString::fromLatin1(s))) << s;
  EXPECT_FALSE(seen.toolBarEverEnabled);
  EXPECT_TRUE(seen.hourglassAlways);
  expectNothingLeft();
  EXPECT_TRUE(messages.empty());
}

TEST_F(FaxAssemblyTest, ASecondBuildStartedWhileMessagesRunIsTurnedAway) {
  AddOutgoingWithText("Once", "", testutil::CoverRtf(), testutil::ThreePageRtf());
  open();
  QString inner = QStringLiteral("not called");
  QTimer::singleShot(0, [this, &inner] { inner = window->CreateFaxFile(); });
  const std::string name = build();
  EXPECT_TRUE(inner.isEmpty());
  EXPECT_EQ(name, dir.path("BDL_1.BRX"));
  EXPECT_EQ(pageCount(name), 4);
  EXPECT_EQ(window->PagesBuilt, 4);
  expectNothingLeft();
}

TEST_F(FaxAssemblyTest, ABlankCoverSendsNoCoverPage) {
  AddOutgoingWithText("No cover", "", testutil::Rtf("  \\par \\par    \\par"),
                      testutil::Rtf("Only a document.\\par"));
  open();
  const std::string name = build();
  EXPECT_EQ(window->PagesBuilt, 1);
  ASSERT_EQ(pageCount(name), 1);
  expectPagesAsPainted(name, 1, *testutil::EditorWith(testutil::Rtf("Only a document.\\par")), 1);
  expectNothingLeft();
}

TEST_F(FaxAssemblyTest, ALongDocumentBreaksWhereTheEditorsLayoutBreaks) {
  AddOutgoingWithText("Long", "", testutil::Rtf(""), testutil::LongRtf(150));
  open();
  const std::string name = build();
  const auto editor = testutil::EditorWith(testutil::LongRtf(150));
  const int pages = int(testutil::PaintedPages(*editor).size());
  EXPECT_GE(pages, 3);
  EXPECT_EQ(window->PagesBuilt, pages);
  ASSERT_EQ(pageCount(name), pages);
  expectPagesAsPainted(name, 1, *editor, pages);
}

TEST_F(FaxAssemblyTest, BlankCoverAndDocumentBuildNothingAndSaySo) {
  AddOutgoingWithText("Blank", "", testutil::Rtf("   \\par\\par \\par"), "");
  open();
  window->PagesBuilt = 7;
  EXPECT_EQ(build(), "");
  EXPECT_EQ(window->PagesBuilt, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, QStringLiteral("Fax has no contents or cover sheet"));
  EXPECT_TRUE(FilesStartingWith("BDL_").empty());
  expectNothingLeft();
}

TEST(FaxAssemblyCodes, NothingToSendIsTheProgramsOwnCodeNotATableError) {
  EXPECT_EQ(base::ErrorCodeOwner(app::kFaxHasNoContents), "app");
  EXPECT_NE(app::AssemblyErrorText(tables::err::kIo),
            app::AssemblyErrorText(app::kFaxHasNoContents));
}

TEST_F(FaxAssemblyTest, ALeftOverFaxFileMovesTheNumberOnAndStaysAsItWas) {
  AddOutgoingWithText("Again", "", testutil::CoverRtf(), testutil::ThreePageRtf());
  dir.write("BDL_1.BRX", "an earlier run's file");
  open();
  EXPECT_EQ(build(), dir.path("BDL_2.BRX"));
  EXPECT_EQ(pageCount(dir.path("BDL_2.BRX")), 4);
  EXPECT_EQ(dir.read("BDL_1.BRX"), "an earlier run's file");
}

TEST_F(FaxAssemblyTest, AConversionErrorEndsTheBuildAndRemovesEveryFile) {
  AddOutgoingWithText("Fails", "", testutil::CoverRtf(), testutil::ThreePageRtf());
  open();
  int conversions = 0;
  window->Assembly->Converter().OnStatus = [&conversions](faximage::TFxCustomFaxConverter&,
                                                          bool starting, bool, int, int, long, long,
                                                          bool& abort) {
    if (starting) ++conversions;
    abort = conversions == 3;
  };
  WhileBuilding seen;
  EXPECT_EQ(build(&seen), "");
  EXPECT_EQ(conversions, 3);
  EXPECT_EQ(window->PagesBuilt, 0);
  EXPECT_TRUE(seen.files.count("BDLAX2.BRX"));
  EXPECT_TRUE(FilesStartingWith("BDL_").empty());
  expectNothingLeft();
}

TEST_F(FaxAssemblyTest, AnUnwritableProgramFolderFailsCleanly) {
  AddOutgoingWithText("Read only", "", testutil::CoverRtf(), "");
  open();
  app::FaxAssembly assembly;
  assembly.Cover().LoadRtf(QByteArray::fromStdString(testutil::CoverRtf()));
  settings::SetProgramDir(dir.path("no such folder/"));
  std::vector<std::string> pages;
  EXPECT_NE(assembly.RenderRichTextPages(assembly.Cover(), pages), faximage::ecOK);
  EXPECT_TRUE(pages.empty());
  std::string name = "stale";
  EXPECT_NE(assembly.Build(name), faximage::ecOK);
  EXPECT_TRUE(name.empty());
  EXPECT_EQ(assembly.PagesBuilt(), 0);
  settings::SetProgramDir(dir.dir.path());
}

}  // namespace
