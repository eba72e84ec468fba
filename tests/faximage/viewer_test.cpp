// The fax viewer control on the offscreen platform: paging, the painted pixels against the
// unpacker's page image, rotation, marking and copying, errors, scaling and dropped files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "brx_builder.h"
#include "faximage/errors.h"
#include "faximage/viewer/fxfaxviewer.h"
#include "image_util.h"

namespace faximage {
namespace {

// A page with a diagonal stroke and a block in its top left corner, so turns are visible.
MonoBitmap markedPage(int w, int h) {
  MonoBitmap b(w, h);
  for (int i = 0; i < std::min(w, h); ++i) b.setPixel(i, i, true);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) b.setPixel(x, y, true);
  b.setPixel(w - 1, 0, true);
  return b;
}

// Drops reach the control only through a drag in progress; the test calls the handler.
struct DropTarget : TFxFaxViewer {
  using TFxFaxViewer::dropEvent;
};

struct ViewerTest : ::testing::Test {
  test::ScratchDir dir;
  DropTarget v;
  int pageChanges = 0;
  std::vector<int> errors;
  std::string file3;

  void SetUp() override {
    v.resize(400, 300);
    v.OnPageChange = [this](TFxFaxViewer&) { ++pageChanges; };
    v.OnViewerError = [this](TFxFaxViewer&, int code) { errors.push_back(code); };
    file3 = dir.path("three.brx");
    ASSERT_EQ(test::writeBrx(file3, {{markedPage(96, 40), false},
                                     {markedPage(64, 80), true},
                                     {markedPage(128, 30), false}}),
              0);
  }
  void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, k, m);
    QApplication::sendEvent(&v, &e);
  }
  void mouse(QEvent::Type t, QPoint p) {
    QMouseEvent e(t, p, v.viewport()->mapToGlobal(p), Qt::LeftButton,
                  t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(v.viewport(), &e);
  }
  MonoBitmap unpacked(int page) {
    UnpackSettings s;  // the control's defaults: double height for standard pages
    MonoBitmap b;
    EXPECT_EQ(assemblePageImage(file3, unsigned(page), s, b), 0);
    return b;
  }
};

TEST_F(ViewerTest, PagesWithKeysAndKeepsOnlyTheCurrentPageDecoded) {
  v.SetFileName(file3);
  EXPECT_EQ(v.NumPages(), 3);
  EXPECT_EQ(v.ActivePage(), 1);
  EXPECT_EQ(pageChanges, 1);
  key(Qt::Key_PageDown);
  key(Qt::Key_PageDown);
  EXPECT_EQ(v.ActivePage(), 3);
  key(Qt::Key_PageDown);
  EXPECT_EQ(v.ActivePage(), 3);
  EXPECT_EQ(pageChanges, 3);
  EXPECT_EQ(v.DecodedPages(), 1);
  key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(v.ActivePage(), 1);
  EXPECT_THROW(v.GotoPage(4), EBadArgument);
  EXPECT_THROW(v.GotoPage(0), EBadArgument);

  v.SetLoadWholeFax(true);
  EXPECT_EQ(v.DecodedPages(), 3);
  v.SetLoadWholeFax(false);
  EXPECT_EQ(v.DecodedPages(), 1);
}

TEST_F(ViewerTest, PaintedPixelsAt100PercentAreThePageImage) {
  v.SetFileName(file3);
  for (int page = 1; page <= 2; ++page) {
    v.GotoPage(page);
    const MonoBitmap want = unpacked(page);
    ASSERT_EQ(v.PageWidth(), want.width);
    const QImage got = v.viewport()->grab().toImage();
    int wrong = 0;
    for (int y = 0; y < want.height; ++y)
      for (int x = 0; x < want.width; ++x)
        wrong += (qGray(got.pixel(x, y)) < 128) != want.pixel(x, y);
    EXPECT_EQ(wrong, 0) << "page " << page;
  }
}

TEST_F(ViewerTest, RotationTurnsThePageClockwise) {
  v.SetFileName(file3);
  v.GotoPage(2);  // fine, 64 x 80, black pixel at the top right corner
  const MonoBitmap base = unpacked(2);
  v.SetRotation(1);
  auto b = v.GetBitmap(2);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->width, base.height);
  EXPECT_EQ(b->height, base.width);
  // The top right corner goes to the bottom right; the top left block to the top right.
  EXPECT_TRUE(b->pixel(b->width - 1, b->height - 1));
  EXPECT_TRUE(b->pixel(b->width - 1, 0));
  v.SetRotation(3);
  b = v.GetBitmap(2);
  EXPECT_EQ(rotateQuarterTurns(base, 3).bits, b->bits);
  EXPECT_THROW(v.SetRotation(4), EBadArgument);
  v.SetFileName(file3);
  EXPECT_EQ(v.Rotation(), 0);
}

TEST_F(ViewerTest, MarkedBlockIsCopiedAtItsScaledSize) {
  EXPECT_EQ(v.Copy(), ecNoImageLoaded);
  v.SetFileName(file3);
  v.GotoPage(2);
  mouse(QEvent::MouseButtonPress, {10, 10});
  mouse(QEvent::MouseButtonRelease, {10, 10});
  EXPECT_TRUE(v.Mark().empty());
  EXPECT_EQ(v.Copy(), ecNoBlockMarked);

  mouse(QEvent::MouseButtonPress, {0, 0});
  mouse(QEvent::MouseMove, {8, 6});
  mouse(QEvent::MouseButtonRelease, {8, 6});
  ASSERT_EQ(v.Copy(), 0);
  QImage clip = QApplication::clipboard()->image();
  ASSERT_EQ(clip.size(), QSize(8, 6));
  EXPECT_LT(qGray(clip.pixel(0, 0)), 128);  // the block
  EXPECT_GT(qGray(clip.pixel(7, 5)), 128);  // white beside the diagonal
  EXPECT_LT(qGray(clip.pixel(5, 5)), 128);  // the diagonal

  // At 50 % the marked block of the scaled page maps back to twice its size on the page;
  // shrinking keeps the black of the diagonal.
  v.SetHorizMult(1);
  v.SetHorizDiv(2);
  v.SetVertMult(1);
  v.SetVertDiv(2);
  v.SetScaling(true);
  EXPECT_EQ(v.ScaledWidth(), 32);
  ASSERT_EQ(v.Select({0, 0, 20, 20}), 0);
  ASSERT_EQ(v.Copy(), 0);
  clip = QApplication::clipboard()->image();
  ASSERT_EQ(clip.size(), QSize(20, 20));
  for (int i = 4; i < 20; ++i) EXPECT_LT(qGray(clip.pixel(i, i)), 128) << i;
}

TEST_F(ViewerTest, BadFilesRaiseAndKeepOrEndTheShownFax) {
  v.SetFileName(file3);
  const std::string text = dir.path("note.txt");
  std::ofstream(text) << "not a fax file at all, but long enough for a header check........";
  EXPECT_THROW(v.SetFileName(text), EFaxBadFormat);
  EXPECT_THROW(v.SetFileName(dir.path("missing.brx")), EFxException);
  try {
    v.SetFileName(dir.dir().string());
  } catch (const EFxException& e) {
    EXPECT_EQ(e.code(), ecFileNotFound);
  }
  EXPECT_EQ(v.NumPages(), 3);
  EXPECT_EQ(v.FileName(), file3);

  // A file whose last page is cut short: the page change reports the engine's error
  // afterwards and leaves no file loaded; the control then loads the next file.
  auto bytes = test::readFile(file3);
  bytes.resize(bytes.size() - 6);
  const std::string cut = dir.path("cut.brx");
  test::writeFile(cut, bytes);
  v.SetFileName(cut);
  v.GotoPage(3);
  QApplication::processEvents();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_STRNE(errorText(errors[0]), "");
  EXPECT_EQ(v.NumPages(), 0);
  EXPECT_EQ(v.ActivePage(), 0);
  EXPECT_EQ(v.GetBitmap(1), nullptr);
  v.SetFileName(file3);
  EXPECT_EQ(v.ActivePage(), 1);
}

TEST_F(ViewerTest, ScalingAndAutoScaleRules) {
  v.SetFileName(file3);
  v.SetScaling(true);
  v.SetHorizMult(2);
  v.SetHorizMult(0);  // ignored
  EXPECT_EQ(v.ScaledWidth(), 2 * v.PageWidth());
  EXPECT_EQ(v.ScaledHeight(), 80);  // standard page of 40 lines in double height
  EXPECT_EQ(v.horizontalScrollBar()->maximum(),
            std::max(0, v.ScaledWidth() - v.viewport()->width()));
  v.SetAutoScaleMode(TAutoScaleMode::asNone);
  EXPECT_EQ(v.PageDim().height(), 80);  // the page shown is not decoded again
  v.GotoPage(3);
  EXPECT_EQ(v.PageDim().height(), 30);
  EXPECT_EQ(v.GetBitmap(0), nullptr);
}

// Shown at a quarter of its size, a dithered grey stays grey (not a black block), a stroke
// one pixel thin still shows, and white stays white.
TEST_F(ViewerTest, ShrunkPagesKeepGreysAndThinStrokes) {
  MonoBitmap page(128, 64);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) page.setPixel(x, y, (x + y) % 2 == 0);
  for (int x = 0; x < 128; ++x) page.setPixel(x, 48, true);
  const std::string file = dir.path("grey.brx");
  ASSERT_EQ(test::writeBrx(file, {{page, true}}), 0);
  v.SetFileName(file);
  v.SetScaling(true);
  v.SetHorizDiv(4);
  v.SetVertDiv(4);
  const QImage got = v.viewport()->grab().toImage();
  struct Case {
    const char* what;
    QPoint at;
    int darkest, lightest;  // greys allowed
  } cases[] = {{"dithered half grey", {8, 4}, 60, 200},
               {"thin stroke", {24, 12}, 0, 160},
               {"white", {24, 4}, 250, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int grey = qGray(got.pixel(c.at));
    EXPECT_GE(grey, c.darkest);
    EXPECT_LE(grey, c.lightest);
  }
}

TEST_F(ViewerTest, TallPagesAreCutAndDroppedFilesAreReported) {
  const std::string tall = dir.path("tall.brx");
  ASSERT_EQ(test::writeBrx(tall, {{markedPage(16, kMaxViewLines + 100), true}}), 0);
  std::string dropped;
  v.OnDropFile = [&](TFxFaxViewer&, const std::string& name) { dropped = name; };
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(tall))});
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  v.dropEvent(&drop);
  EXPECT_EQ(dropped, tall);
  EXPECT_EQ(v.PageDim().height(), kMaxViewLines);
}

}  // namespace
}  // namespace faximage
